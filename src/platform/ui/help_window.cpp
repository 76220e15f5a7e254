#include "platform/ui/help_window.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPointer>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>


namespace tessaly {

namespace {

constexpr const char* kContentsPage = "index.html";

QPushButton* AddButton(QHBoxLayout* row, const char* name, const QString& caption,
                       const QKeySequence& shortcut, QWidget* parent) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(QString::fromUtf8(name));
  button->setAutoDefault(false);
  button->setFocusPolicy(Qt::TabFocus);
  if (!shortcut.isEmpty()) {
    button->setShortcut(shortcut);
    button->setToolTip(shortcut.toString(QKeySequence::NativeText));
  }
  row->addWidget(button);
  return button;
}

}  // namespace

QString HelpPagesFolder() {
  return QDir::cleanPath(QCoreApplication::applicationDirPath() +
                         QStringLiteral("/../share/doc/tessaly/help")) +
         '/';
}

HelpWindow::HelpWindow(QWidget* owner) : QWidget(owner, Qt::Window) {
  setObjectName(QStringLiteral("helpWindow"));
  setWindowTitle(QStringLiteral("Tessaly Help"));

  auto* buttons = new QHBoxLayout;
  backButton_ = AddButton(buttons, "backButton", QStringLiteral("&Back"),
                          QKeySequence(Qt::ALT | Qt::Key_Left), this);
  forwardButton_ = AddButton(buttons, "forwardButton", QStringLiteral("&Forward"),
                             QKeySequence(Qt::ALT | Qt::Key_Right), this);
  contentsButton_ =
      AddButton(buttons, "contentsButton", QStringLiteral("&Contents"), QKeySequence(), this);
  buttons->addStretch();

  browser_ = new QTextBrowser(this);
  browser_->setObjectName(QStringLiteral("helpBrowser"));
  browser_->setOpenExternalLinks(false);
  backButton_->setEnabled(false);
  forwardButton_->setEnabled(false);
  connect(backButton_, &QPushButton::clicked, browser_, &QTextBrowser::backward);
  connect(forwardButton_, &QPushButton::clicked, browser_, &QTextBrowser::forward);
  connect(contentsButton_, &QPushButton::clicked, this,
          [this] { ShowPage(QString::fromUtf8(kContentsPage)); });
  connect(browser_, &QTextBrowser::backwardAvailable, backButton_, &QPushButton::setEnabled);
  connect(browser_, &QTextBrowser::forwardAvailable, forwardButton_, &QPushButton::setEnabled);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->addLayout(buttons);
  layout->addWidget(browser_);
  resize(640, 560);
}

void HelpWindow::ShowPage(const QString& page) {
  const qsizetype hash = page.indexOf('#');
  const QString file = hash < 0 ? page : page.left(hash);
  const QString path = HelpPagesFolder() + file;
  if (!QFileInfo(path).isFile()) {
    browser_->setHtml(
        QStringLiteral("<h3>The help page could not be found</h3><p>Tessaly looked for "
                       "<b>%1</b> in the folder <b>%2</b>.</p>")
            .arg(file.toHtmlEscaped(), HelpPagesFolder().toHtmlEscaped()));
    return;
  }
  QUrl url = QUrl::fromLocalFile(path);
  if (hash >= 0) url.setFragment(page.mid(hash + 1));
  browser_->setSource(url);
}

HelpWindow* ShowHelpPage(QWidget* owner, const QString& page) {
  static QPointer<HelpWindow> window;
  if (window == nullptr) {
    window = new HelpWindow(owner);
    // A window without an owner is nobody's to delete: it goes with the application.
    static const bool cleanupRegistered = [] {
      qAddPostRoutine([] { delete window.data(); });
      return true;
    }();
    (void)cleanupRegistered;
  } else if (window->parentWidget() != owner) {
    window->setParent(owner, window->windowFlags());
  }
  window->ShowPage(page);
  window->show();
  window->raise();
  window->activateWindow();
  return window;
}

}  // namespace tessaly
