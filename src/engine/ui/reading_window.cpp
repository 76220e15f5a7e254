#include "engine/ui/reading_window.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace tessaly {

ReadingWindow::ReadingWindow(ReadingNotice& notice, QWidget* parent)
    : QDialog(parent), notice_(notice) {
  setObjectName(QStringLiteral("readingWindow"));
  setWindowTitle(QStringLiteral("Tessaly"));
  // The windows below wait for the reader: only Cancel may be pressed.
  setWindowModality(Qt::ApplicationModal);
  auto* text = new QLabel(
      QStringLiteral("Reading \"%1\"...").arg(QString::fromStdString(notice.archive)), this);
  auto* busy = new QProgressBar(this);
  busy->setRange(0, 0);
  cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
  cancel_->setDefault(true);
  connect(cancel_, &QPushButton::clicked, this, &ReadingWindow::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text);
  layout->addWidget(busy);
  layout->addWidget(cancel_, 0, Qt::AlignRight);
}

void ReadingWindow::reject() {
  notice_.cancelled = true;
  cancel_->setEnabled(false);
}

}  // namespace tessaly
