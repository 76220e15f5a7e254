// The program's own plain-text viewer: a read-only window over one file's text, with
// a find bar (Ctrl+F; Enter finds the next match, wrapping, or says there is none;
// Esc closes the bar).
#pragma once

#include <QWidget>
#include <cstdint>
#include <string>

class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace tessaly {

class TextViewerWindow : public QWidget {
  Q_OBJECT

 public:
  // Files larger than this are refused rather than loaded into a text widget.
  static constexpr int64_t kLargestFile = 64 * 1024 * 1024;

  explicit TextViewerWindow(QWidget* parent = nullptr);

  // Reads the file (UTF-8 when valid, else Latin-1) and titles the window with its
  // name. False when the file cannot be read or is too large.
  bool Open(const std::string& path);
  // Opens a viewer of its own on path that deletes itself when closed; false (and no
  // window) when Open refuses the file.
  static bool Show(const std::string& path, QWidget* owner);

  QPlainTextEdit* Text() const { return text_; }
  QLineEdit* FindBox() const { return findBox_; }
  QLabel* FindStatus() const { return findStatus_; }

  void ShowFindBar();
  // The next match after the cursor, from the top again when none is left; with no
  // match at all, no text stays selected and the bar says so.
  bool FindNext();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QPlainTextEdit* text_ = nullptr;
  QLineEdit* findBox_ = nullptr;
  QLabel* findStatus_ = nullptr;
};

}  // namespace tessaly
