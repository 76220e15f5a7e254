#include "engine/ui/file_exists_window.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "platform/ui/text_fit.h"

namespace tessaly {

namespace {

constexpr std::array<const char*, 4> kCaptions = {"Yes", "No", "All", "Cancel"};
constexpr int kNo = 1;

}  // namespace

FileExistsWindow::FileExistsWindow(const std::string& question, const std::string& details,
                                   QWidget* owner)
    : QDialog(owner) {
  setObjectName("FrmOW");
  setWindowTitle("File Exists");
  setModal(true);

  auto* questionIcon = new QLabel(this);
  questionIcon->setObjectName("Image1");
  const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
  questionIcon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion).pixmap(iconSize));
  questionIcon->setAlignment(Qt::AlignTop);
  questionLabel_ = new QLabel(QString::fromStdString(question), this);
  questionLabel_->setObjectName("Label1");
  questionLabel_->setTextFormat(Qt::PlainText);
  questionLabel_->setWordWrap(true);
  detailsLabel_ = new QLabel(QString::fromStdString(details), this);
  detailsLabel_->setObjectName("Label2");
  detailsLabel_->setTextFormat(Qt::PlainText);
  detailsLabel_->setVisible(!details.empty());

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  for (int i = 0; i < static_cast<int>(kCaptions.size()); ++i) {
    QPushButton* button = new QPushButton(QString("&") + kCaptions[i], this);
    button->setObjectName(QString("Cmd%1").arg(i));
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, [this, i] {
      answer_ = kCaptions[i];
      accept();
    });
    buttons->addWidget(button);
    answerButtons_[i] = button;
  }
  answerButtons_[kNo]->setDefault(true);

  auto* questionRow = new QHBoxLayout;
  questionRow->addWidget(questionIcon);
  auto* texts = new QVBoxLayout;
  texts->addWidget(questionLabel_);
  texts->addWidget(detailsLabel_);
  questionRow->addLayout(texts, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(questionRow);
  layout->addLayout(buttons);
  setMinimumWidth(420);
  KeepTextsWhole(*this);
  answerButtons_[kNo]->setFocus();
}

std::string AskFileExists(const std::string& question, const std::string& details, QWidget* owner) {
  FileExistsWindow window(question, details, owner);
  window.exec();
  return window.Answer();
}

}  // namespace tessaly
