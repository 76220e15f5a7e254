#include "inspect/ui/text_viewer_window.h"

#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QStringDecoder>
#include <QVBoxLayout>


namespace tessaly {

TextViewerWindow::TextViewerWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("TextViewer"));
  text_ = new QPlainTextEdit(this);
  text_->setObjectName(QStringLiteral("Text1"));
  text_->setReadOnly(true);
  text_->setLineWrapMode(QPlainTextEdit::NoWrap);
  text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  // Read-only text still takes the keyboard, so the cursor can move and select.
  text_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  findBox_ = new QLineEdit(this);
  findBox_->setObjectName(QStringLiteral("FindText"));
  findBox_->setPlaceholderText(QStringLiteral("Find"));
  findBox_->setClearButtonEnabled(true);
  findBox_->hide();
  findBox_->installEventFilter(this);
  findStatus_ = new QLabel(this);
  findStatus_->setObjectName(QStringLiteral("FindStatus"));
  findStatus_->hide();

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  layout->addWidget(text_);
  auto* findBar = new QHBoxLayout;
  findBar->addWidget(findBox_);
  findBar->addWidget(findStatus_);
  layout->addLayout(findBar);
  resize(640, 480);

  auto* find = new QShortcut(QKeySequence::Find, this);
  connect(find, &QShortcut::activated, this, &TextViewerWindow::ShowFindBar);
  connect(findBox_, &QLineEdit::returnPressed, this, &TextViewerWindow::FindNext);
  connect(findBox_, &QLineEdit::textEdited, findStatus_, &QLabel::hide);
}

bool TextViewerWindow::Open(const std::string& path) {
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly) || file.size() > kLargestFile) return false;
  // A file may grow between the size check and the read.
  const QByteArray bytes = file.read(kLargestFile + 1);
  if (bytes.size() > kLargestFile || file.error() != QFileDevice::NoError) return false;
  QStringDecoder utf8(QStringDecoder::Utf8);
  QString text = utf8.decode(bytes);
  if (utf8.hasError()) text = QString::fromLatin1(bytes);
  text_->setPlainText(text);
  setWindowTitle(QFileInfo(file.fileName()).fileName());
  return true;
}

bool TextViewerWindow::Show(const std::string& path, QWidget* owner) {
  auto* viewer = new TextViewerWindow(owner);
  viewer->setAttribute(Qt::WA_DeleteOnClose);
  if (!viewer->Open(path)) {
    delete viewer;
    return false;
  }
  viewer->show();
  viewer->raise();
  viewer->activateWindow();
  return true;
}

void TextViewerWindow::ShowFindBar() {
  findBox_->show();
  findBox_->setFocus(Qt::ShortcutFocusReason);
  findBox_->selectAll();
}

bool TextViewerWindow::FindNext() {
  const QString wanted = findBox_->text();
  if (wanted.isEmpty()) return false;
  if (text_->find(wanted)) return true;
  const QTextCursor before = text_->textCursor();
  QTextCursor top = before;
  top.movePosition(QTextCursor::Start);
  text_->setTextCursor(top);
  if (text_->find(wanted)) return true;
  // The old match would read as a find of the new text.
  QTextCursor unselected = before;
  unselected.clearSelection();
  text_->setTextCursor(unselected);
  findStatus_->setText(QStringLiteral("Cannot find \"%1\"").arg(wanted));
  findStatus_->show();
  return false;
}

bool TextViewerWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == findBox_ && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
    findBox_->hide();
    findStatus_->hide();
    text_->setFocus(Qt::OtherFocusReason);
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

void TextViewerWindow::keyPressEvent(QKeyEvent* event) {
  // Escape in the find box only closes the box (see eventFilter).
  if (event->key() == Qt::Key_Escape) {
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}

}  // namespace tessaly
