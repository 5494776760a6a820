#include "app/qt/FormWindow.h"

#include <QFont>
#include <QGuiApplication>
#include <QIcon>
#include <QPalette>
#include <QPlainTextEdit>
#include <QScreen>
#include <QWidget>

#include "app/WindowLayout.h"
#include "app/qt/LogView.h"

namespace app {

namespace {

// A title bar with the system menu and the close box only.
constexpr Qt::WindowFlags kWindowFlags =
    Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;

QFont LayoutFont() {
  QFont font(QString::fromLatin1(kFontFace));
  font.setStyleHint(QFont::SansSerif);
  const int dpi = qRound(QGuiApplication::primaryScreen()->logicalDotsPerInchY());
  font.setPixelSize(FontPixelsForScreen(kFontPixels, dpi));
  return font;
}

QRect ToQRect(const LayoutRect& rect) { return {rect.left, rect.top, rect.width, rect.height}; }

// The window and the elements of the layout in it, each made and placed by the constructor.
class LayoutWindow final : public FormWindow {
 public:
  LayoutWindow();

  QWidget& Widget() override { return *window_; }
  QPlainTextEdit& Log() override { return *memo1_; }
  void CentreOnDesktop() override;
  void AppendLogLines(const std::string& lines) override;
  void Close() override { window_->close(); }

 private:
  std::unique_ptr<QWidget> window_;
  QPlainTextEdit* memo1_ = nullptr;  // owned by window_
};

LayoutWindow::LayoutWindow() : window_(std::make_unique<QWidget>(nullptr, kWindowFlags)) {
  window_->setObjectName(QStringLiteral("Form1"));
  window_->setWindowTitle(QString::fromStdString(WindowCaption()));
  window_->setWindowIcon(QIcon(QStringLiteral(":/MAINICON")));
  window_->setFont(LayoutFont());
  QPalette palette = window_->palette();
  palette.setColor(QPalette::Window, palette.color(QPalette::Dark));  // the button-shadow colour
  palette.setColor(QPalette::Text, palette.color(QPalette::WindowText));
  window_->setPalette(palette);
  window_->setAutoFillBackground(true);
  const LayoutScale scale(window_->fontMetrics().height(), kStoredTextHeight);
  window_->setFixedSize(scale(kClientWidth), scale(kClientHeight));

  memo1_ = new QPlainTextEdit(window_.get());
  memo1_->setObjectName(QStringLiteral("Memo1"));
  memo1_->setGeometry(ToQRect(Scaled(scale, kMemo1)));
  memo1_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memo1_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  memo1_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  // The log is the only element of the keyboard order: Tab keeps the focus there.
  memo1_->setTabChangesFocus(true);
  memo1_->setFocus();
}

// Counted from the primary screen's origin over the size of the whole desktop; before the window
// is first shown the platform may not know its frame yet, and then the client size stands in.
void LayoutWindow::CentreOnDesktop() {
  const QScreen& primary = *QGuiApplication::primaryScreen();
  const QSize desktop = primary.virtualSize();
  const QSize outer = window_->frameGeometry().size();
  window_->move(primary.geometry().topLeft() +
                QPoint(CentredOffset(desktop.width(), outer.width()), CentredOffset(desktop.height(), outer.height())));
}

void LayoutWindow::AppendLogLines(const std::string& lines) { AppendLogLine(*memo1_, QString::fromStdString(lines)); }

}  // namespace

std::unique_ptr<FormWindow> FormWindow::Make() { return std::make_unique<LayoutWindow>(); }

}  // namespace app
