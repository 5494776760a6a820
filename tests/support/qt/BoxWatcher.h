#pragma once

// Looks at the open message boxes every few milliseconds from inside whichever event loop runs,
// a box's own included, so that a test can check and close a box while it waits for its user.

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <functional>
#include <string>
#include <vector>

namespace guitest {

inline std::vector<QMessageBox*> OpenBoxes() {
  std::vector<QMessageBox*> boxes;
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    auto* box = qobject_cast<QMessageBox*>(widget);
    if (box != nullptr && box->isVisible()) boxes.push_back(box);
  }
  return boxes;
}

// What a box showed.
struct SeenBox {
  std::string caption;
  std::string text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons;
  int buttonCount = 0;
};

inline SeenBox Describe(const QMessageBox& box) {
  return {box.windowTitle().toStdString(), box.text().toStdString(), box.icon(), box.standardButtons(),
          static_cast<int>(box.buttons().size())};
}

// Presses OK as the user would.
inline void PressOk(QMessageBox& box) { box.button(QMessageBox::Ok)->click(); }

class BoxWatcher {
 public:
  explicit BoxWatcher(std::function<void(const std::vector<QMessageBox*>& boxes)> look) : look_(std::move(look)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] { look_(OpenBoxes()); });
    timer_.start(5);
  }

 private:
  std::function<void(const std::vector<QMessageBox*>&)> look_;
  QTimer timer_;
};

}  // namespace guitest
