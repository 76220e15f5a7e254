#include "platform/ui/input_box.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "platform/ui/text_fit.h"

namespace tessaly {

InputBoxWindow::InputBoxWindow(const std::string& prompt, const std::string& title,
                               const std::string& defaultText, InputEcho echo, QWidget* owner)
    : QDialog(owner) {
  setWindowTitle(QString::fromStdString(title));
  setModal(true);
  prompt_ = new QLabel(QString::fromStdString(prompt), this);
  prompt_->setTextFormat(Qt::PlainText);
  prompt_->setWordWrap(true);
  text_ = new QLineEdit(QString::fromStdString(defaultText), this);
  if (echo == InputEcho::Secret) text_->setEchoMode(QLineEdit::Password);
  text_->selectAll();
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(prompt_);
  layout->addWidget(text_);
  layout->addWidget(buttons);
  setMinimumWidth(380);
  KeepTextsWhole(*this);
}

std::string AskInput(const std::string& prompt, const std::string& title,
                     const std::string& defaultText, InputEcho echo, QWidget* owner) {
  InputBoxWindow window(prompt, title, defaultText, echo, owner);
  if (window.exec() != QDialog::Accepted) return "";
  return window.Text()->text().toStdString();
}

}  // namespace tessaly
