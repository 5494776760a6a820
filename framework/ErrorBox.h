#pragma once

// The error boxes the user sees: Qt's message box on Linux (which needs a QApplication), the
// system's MessageBox on Windows. Window thread only.

#include <memory>
#include <string>

namespace framework {

// The box of failures that escape handlers while the event loop runs. A box is never opened from
// inside the failing handler: it is posted to the event loop, so the handler's caller (a message
// window's delivery, a timer) finishes first, and deliveries and ticks go on behind the open box.
// One box at a time: a failure while one is open or about to open gets no box of its own.
class ErrorBox {
 public:
  explicit ErrorBox(std::string caption);
  ~ErrorBox();
  ErrorBox(const ErrorBox&) = delete;
  ErrorBox& operator=(const ErrorBox&) = delete;

  // Writes `text` to standard error as one line (framework/StandardLines.h: never waiting for the
  // stream) and, unless a box is open or pending or the boxes were stopped, shows it in a box once
  // the current handler has returned.
  void Report(const std::string& text);

  // The program is ending: an open box closes, and from now on texts reach standard error only.
  void Stop();

  // A box shown at once, waiting until the user closes it (or Stop): for when no event loop runs
  // yet. The text also goes to standard error.
  void ShowNow(const std::string& caption, const std::string& text);

 private:
  void Show(const std::string& text);
  // Shows a box and waits until it is closed; none once stopped.
  void Open(const std::string& caption, const std::string& text);

  std::string caption_;
  struct Native;  // the open box, and boxes posted that have not opened yet
  std::unique_ptr<Native> native_;
  bool busy_ = false;  // a box is open or posted
  bool stopped_ = false;
};

}  // namespace framework
