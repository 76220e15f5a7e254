#include "shell/ui/properties_window.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QMimeDatabase>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/ui/desktop_conventions.h"
#include "shell/file_properties.h"

namespace tessaly {

namespace {

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

QString TypeText(const std::vector<std::string>& paths) {
  const QMimeDatabase types;
  const QString first = types.mimeTypeForFile(Q(paths.front())).comment();
  for (const std::string& path : paths)
    if (types.mimeTypeForFile(Q(path)).comment() != first) return QStringLiteral("Several types");
  return first;
}

}  // namespace

PropertiesWindow::PropertiesWindow(const std::vector<std::string>& paths, QWidget* owner)
    : QDialog(owner) {
  setObjectName(QStringLiteral("PropertiesWindow"));
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  layout->addLayout(form);
  form->setLabelAlignment(Qt::AlignLeft);

  const FileFacts facts = GatherFileFacts(paths);
  setWindowTitle(Q(facts.found ? facts.name : std::string("Properties")) +
                 QStringLiteral(" Properties"));
  auto row = [&](const QString& caption, const char* name, const QString& value) {
    auto* label = new QLabel(value, this);
    label->setObjectName(QString::fromUtf8(name));
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow(caption, label);
    return label;
  };
  const bool found = facts.found;
  row(QStringLiteral("Name:"), "nameValue",
      found ? Q(facts.name) : Q(paths.empty() ? "" : paths[0]));
  row(QStringLiteral("Type:"), "typeValue", found ? TypeText(paths) : QString());
  row(QStringLiteral("Location:"), "locationValue", Q(facts.location));
  sizeValue_ =
      row(QStringLiteral("Size:"), "sizeValue", found ? Q(SizeText(facts.bytes)) : QString());
  row(QStringLiteral("Modified:"), "modifiedValue",
      found ? LocalDateText(facts.modified) : QString());
  row(QStringLiteral("Accessed:"), "accessedValue",
      found ? LocalDateText(facts.accessed) : QString());
  row(QStringLiteral("Owner:"), "ownerValue", Q(facts.owner));
  row(QStringLiteral("Group:"), "groupValue", Q(facts.group));
  row(QStringLiteral("Permissions:"), "permissionsValue",
      found ? Q(PermissionText(facts.mode) + " (" + OctalModeText(facts.mode) + ")") : QString());

  auto* buttons = new QDialogButtonBox(this);
  closeButton_ = buttons->addButton(QStringLiteral("Close"), QDialogButtonBox::AcceptRole);
  closeButton_->setObjectName(QStringLiteral("closeButton"));
  closeButton_->setDefault(true);
  connect(closeButton_, &QPushButton::clicked, this, &QDialog::accept);
  layout->addWidget(buttons);
  setMinimumWidth(380);

  if (found && !facts.folders.empty()) {
    counting_ = true;
    sizeValue_->setText(QStringLiteral("Counting..."));
    counter_ = std::thread([this, folders = facts.folders, counted = facts.bytes]() mutable {
      // Figures are posted to the window; Qt drops them once the window is gone.
      for (const std::string& folder : folders) {
        counted += CountFolderBytes(folder, stop_, [this, counted](uint64_t total) {
          QMetaObject::invokeMethod(
              this, [this, shown = counted + total] { ShowCount(shown, false); },
              Qt::QueuedConnection);
        });
      }
      const bool stopped = stop_.load();
      if (!stopped)
        QMetaObject::invokeMethod(
            this, [this] { ShowCount(0, true); }, Qt::QueuedConnection);
    });
  }
  connect(this, &QDialog::finished, this, [this] { StopCount(); });
}

PropertiesWindow::~PropertiesWindow() {
  StopCount();
}

QLabel* PropertiesWindow::Value(const QString& objectName) const {
  return findChild<QLabel*>(objectName);
}

void PropertiesWindow::ShowCount(uint64_t total, bool finished) {
  if (finished) {
    counting_ = false;
    return;
  }
  sizeValue_->setText(Q(SizeText(total)));
}

void PropertiesWindow::StopCount() {
  stop_ = true;
  if (counter_.joinable()) counter_.join();
}

}  // namespace tessaly
