// The help viewer: one window, not modal, showing the program's HTML help pages with
// Back, Forward and Contents.
#pragma once

#include <QString>
#include <QWidget>

class QPushButton;
class QTextBrowser;

namespace tessaly {

class HelpWindow : public QWidget {
  Q_OBJECT

 public:
  explicit HelpWindow(QWidget* owner);

  // page is a file name of the help folder, with an anchor or not ("options.html#arj").
  void ShowPage(const QString& page);

  QTextBrowser* Browser() const { return browser_; }
  QPushButton* BackButton() const { return backButton_; }
  QPushButton* ForwardButton() const { return forwardButton_; }
  QPushButton* ContentsButton() const { return contentsButton_; }

 private:
  QTextBrowser* browser_;
  QPushButton* backButton_;
  QPushButton* forwardButton_;
  QPushButton* contentsButton_;
};

// Where the pages are: share/doc/tessaly/help/ beside the folder of the executable,
// ending in "/". Installed programs live in bin/, the built ones one folder below the
// build folder, which holds a copy of the pages.
QString HelpPagesFolder();

// Shows page in the help window, made on the first call and raised on the next ones.
// The window belongs to owner, so that it takes input while owner is modal, and
// closes with it.
HelpWindow* ShowHelpPage(QWidget* owner, const QString& page);

}  // namespace tessaly
