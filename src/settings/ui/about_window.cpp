#include "settings/ui/about_window.h"

#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QStyleOptionFocusRect>
#include <QVBoxLayout>

#include "platform/confinement.h"
#include "platform/desktop_open.h"
#include "settings/product_info.h"
#include "winsupport/ui/image_lists.h"

namespace tessaly {

namespace {

constexpr const char* kNoBrowser = "Could not start your web browser.";
constexpr const char* kNoMailProgram = "Could not start your email program.";

QLabel* NoticeLabel(QWidget* parent, const char* name, const QString& text) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromUtf8(name));
  label->setWordWrap(true);
  return label;
}

}  // namespace

LinkLabel::LinkLabel(const QString& text, std::function<void()> activated, QWidget* parent)
    : QLabel(text, parent), activated_(std::move(activated)) {
  QFont font = this->font();
  font.setUnderline(true);
  setFont(font);
  QPalette colours = palette();
  colours.setColor(QPalette::WindowText, colours.color(QPalette::Link));
  setPalette(colours);
  setCursor(Qt::PointingHandCursor);
  setFocusPolicy(Qt::StrongFocus);
  setContentsMargins(2, 1, 2, 1);
}

// Taken, so that the release comes here too.
void LinkLabel::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    event->accept();
    return;
  }
  QLabel::mousePressEvent(event);
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
    activated_();
    return;
  }
  QLabel::mouseReleaseEvent(event);
}

void LinkLabel::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
      activated_();
      return;
    default:
      QLabel::keyPressEvent(event);
  }
}

void LinkLabel::paintEvent(QPaintEvent* event) {
  QLabel::paintEvent(event);
  if (!hasFocus()) return;
  QPainter painter(this);
  QStyleOptionFocusRect option;
  option.initFrom(this);
  option.rect = rect();
  style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
}

AboutWindow::AboutWindow(Dialogs& dialogs, EventPump& events, QWidget* owner)
    : QDialog(owner), dialogs_(dialogs), events_(events) {
  setObjectName(QStringLiteral("FrmAbt"));
  setWindowTitle(QStringLiteral("About..."));
  setModal(true);

  auto* picture = new QLabel(this);
  picture->setObjectName(QStringLiteral("Picture1"));
  picture->setPixmap(ProductPicture(48));
  picture->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

  auto* name = new QLabel(QString::fromUtf8(kProductName), this);
  name->setObjectName(QStringLiteral("productName"));
  QFont bold = name->font();
  bold.setPointSize(bold.pointSize() + 4);
  bold.setBold(true);
  name->setFont(bold);
  auto* version = new QLabel(QStringLiteral("Version ") + QString::fromUtf8(kProductVersion), this);
  version->setObjectName(QStringLiteral("Label7"));

  const QString maker = QString::fromUtf8(kMaker);
  auto* notices = new QVBoxLayout;
  notices->addWidget(name);
  notices->addWidget(version);
  notices->addSpacing(8);
  notices->addWidget(
      NoticeLabel(this, "Label1",
                  QStringLiteral("Tessaly extracts the files of ZIP, RAR, ACE and ARJ archives, "
                                 "including archive sets that span several volumes.")));
  notices->addWidget(NoticeLabel(
      this, "Label2",
      QStringLiteral("Choose archives in the file list, pick a destination folder and press "
                     "Extract, or drop archives on the Extract button or the drop target.")));
  notices->addWidget(
      NoticeLabel(this, "Label3",
                  QStringLiteral("Made by %1. News and updates are on the web page; questions and "
                                 "reports are welcome at the support address.")
                      .arg(maker)));
  notices->addWidget(
      NoticeLabel(this, "confinementNotice",
                  QStringLiteral("Archives are read in a confined process: %1.")
                      .arg(QString::fromStdString(DescribeLayers(AvailableLayers())))));
  notices->addSpacing(8);

  webLink_ = new LinkLabel(
      QString::fromUtf8(kProductWebPage), [this] { Open(kProductWebPage, kNoBrowser); }, this);
  webLink_->setObjectName(QStringLiteral("Label6"));
  mailLink_ = new LinkLabel(
      QString::fromUtf8(kSupportAddress),
      [this] { Open(std::string("mailto:") + kSupportAddress, kNoMailProgram); }, this);
  mailLink_->setObjectName(QStringLiteral("Label5"));
  notices->addWidget(webLink_, 0, Qt::AlignLeft);
  notices->addWidget(mailLink_, 0, Qt::AlignLeft);

  okButton_ = new QPushButton(QStringLiteral("OK"), this);
  okButton_->setObjectName(QStringLiteral("Command3"));
  okButton_->setDefault(true);
  connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);

  auto* body = new QHBoxLayout;
  body->setSpacing(16);
  body->addWidget(picture, 0, Qt::AlignTop);
  body->addLayout(notices, 1);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(16, 16, 16, 12);
  layout->addLayout(body);
  layout->addWidget(okButton_, 0, Qt::AlignRight);
  setFixedWidth(420);
  setTabOrder(okButton_, webLink_);
  setTabOrder(webLink_, mailLink_);
}

void AboutWindow::Open(const std::string& target, const char* failureText) {
  // The opener is waited for with events running: a second click meanwhile is dropped.
  if (opening_) return;
  opening_ = true;
  const int result = OpenWithDesktop(target, events_);
  opening_ = false;
  if (result != kDesktopOpenNoOpener) return;
  MessageBoxRequest request;
  request.text = failureText;
  request.title = "Oops!";
  request.buttons = MsgButtons::OK;
  request.icon = MsgIcon::Exclamation;
  dialogs_.MessageBox(request);
}

}  // namespace tessaly
