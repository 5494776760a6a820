#pragma once

// The main window as Qt draws it: a top-level widget of the stored layout (WindowLayout.h) with
// the log, a text area, in it; its font scaled to the screen, the layout scaled to the font, and
// its place on the desktop. Window thread only; needs a QApplication.

#include <memory>
#include <string>

#include "app/NativeWindow.h"

class QPlainTextEdit;
class QWidget;

namespace app {

class FormWindow : public NativeWindow {
 public:
  // Builds the window, hidden, with its log, which has the keyboard focus.
  FormWindow();
  ~FormWindow() override;
  FormWindow(const FormWindow&) = delete;
  FormWindow& operator=(const FormWindow&) = delete;

  QWidget& Widget() { return *window_; }
  QPlainTextEdit& Log() { return *memo1_; }

  void CentreOnDesktop() override;
  void AppendLogLines(const std::string& lines) override;
  void Close() override;

 private:
  std::unique_ptr<QWidget> window_;
  QPlainTextEdit* memo1_ = nullptr;  // owned by window_
};

}  // namespace app
