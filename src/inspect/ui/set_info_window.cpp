#include "inspect/ui/set_info_window.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "engine/selection.h"
#include "inspect/set_info.h"
#include "platform/ui/desktop_conventions.h"
#include "platform/ui/text_fit.h"

namespace tessaly {

SetInfoWindow::SetInfoWindow(Session& session, const std::string& selectedItemText, QWidget* owner)
    : QDialog(owner) {
  setObjectName("Form12");
  setWindowTitle("Set Information");
  setModal(true);

  volumeList_ = new QTreeWidget(this);
  volumeList_->setObjectName("ListView1");
  volumeList_->setHeaderLabels({"File Name", "Date", "Size"});
  volumeList_->setRootIsDecorated(false);
  volumeList_->setSelectionMode(QAbstractItemView::SingleSelection);
  volumeList_->header()->setStretchLastSection(false);
  volumeList_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
  volumeList_->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
  volumeList_->header()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
  summaryLabel_ = new QLabel(this);
  summaryLabel_->setObjectName("Label1");
  summaryLabel_->setTextFormat(Qt::PlainText);
  summaryLabel_->setWordWrap(true);
  okButton_ = new QPushButton("OK", this);
  okButton_->setObjectName("Command1");
  okButton_->setDefault(true);
  connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(summaryLabel_, 1);
  buttons->addWidget(okButton_, 0, Qt::AlignBottom);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(volumeList_, 1);
  layout->addLayout(buttons);
  resize(520, 280);
  KeepTextsWhole(*this);

  Load(session, selectedItemText);
}

void SetInfoWindow::Load(Session& session, const std::string& selectedItemText) {
  const std::vector<std::string>& selected = session.job.selectedFiles;
  const std::string path = selected.empty() ? std::string() : selected.front();
  // A self-extracting file is probed again; one no backend takes leaves the window as
  // designed.
  if (LastThreeLower(path) == "exe" && DetectArchiveType(session, path).empty()) return;
  setWindowTitle(QString::fromStdString("Set Information for " + path));
  if (path.empty()) return;

  const SetInfo info =
      ReadSetInfo(path, session.job.currentExt, session.job.probeIsExe, selectedItemText);
  for (const SetVolume& volume : info.volumes) {
    auto* row = new QTreeWidgetItem(volumeList_);
    row->setText(0, QString::fromStdString(volume.name));
    row->setText(1, LocalDateText(volume.modified));
    row->setText(2, QString::number(volume.bytes));
    row->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
  }
  summaryLabel_->setText(QString::fromStdString(SetSummaryText(info)));
}

}  // namespace tessaly
