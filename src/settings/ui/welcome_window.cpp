#include "settings/ui/welcome_window.h"

#include <QFont>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "settings/product_info.h"
#include "winsupport/ui/image_lists.h"

namespace tessaly {

namespace {

QLabel* AddLabel(QWidget* parent, const char* name, const QString& text, int pointScale = 0) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromUtf8(name));
  label->setAlignment(Qt::AlignCenter);
  if (pointScale != 0) {
    QFont font = label->font();
    font.setPointSize(font.pointSize() + pointScale);
    font.setBold(true);
    label->setFont(font);
  }
  return label;
}

}  // namespace

WelcomeWindow::WelcomeWindow(QWidget* owner) : QDialog(owner) {
  setObjectName(QStringLiteral("FrmIntro"));
  setWindowTitle(QStringLiteral("Welcome..."));
  setModal(true);

  auto* frame = new QFrame(this);
  frame->setObjectName(QStringLiteral("Frame1"));
  frame->setFrameShape(QFrame::StyledPanel);
  frame->setFrameShadow(QFrame::Sunken);

  auto* picture = new QLabel(frame);
  picture->setObjectName(QStringLiteral("Image1"));
  picture->setPixmap(ProductPicture(64));
  picture->setAlignment(Qt::AlignCenter);

  auto* words = new QVBoxLayout;
  words->addWidget(AddLabel(frame, "Label1", QStringLiteral("Thank you for installing")));
  words->addWidget(AddLabel(frame, "productName", QString::fromUtf8(kProductName), 8));
  words->addWidget(
      AddLabel(frame, "Label5", QStringLiteral("Version ") + QString::fromUtf8(kProductVersion)));

  auto* notice = new QLabel(
      QStringLiteral("Select one or more archives in the file list, choose the folder to "
                     "extract them to, and press \"Extract\"."),
      this);
  notice->setObjectName(QStringLiteral("noticeLabel"));
  notice->setWordWrap(true);

  auto* inside = new QHBoxLayout(frame);
  inside->setContentsMargins(24, 18, 32, 18);
  inside->setSpacing(20);
  inside->addWidget(picture);
  inside->addLayout(words);

  okButton_ = new QPushButton(QStringLiteral("OK"), this);
  okButton_->setObjectName(QStringLiteral("Command1"));
  okButton_->setDefault(true);
  connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(frame);
  layout->addWidget(notice);
  layout->addWidget(okButton_, 0, Qt::AlignHCenter);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace tessaly
