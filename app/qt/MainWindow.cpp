#include "app/qt/MainWindow.h"

#include <QFont>
#include <QGuiApplication>
#include <QIcon>
#include <QPalette>
#include <QPlainTextEdit>
#include <QScreen>
#include <QWidget>

#include "app/Version.h"
#include "framework/ExceptionGuard.h"
#include "framework/StandardLines.h"

namespace app {

namespace {

// The stored layout. Lengths are in pixels for a font whose text comes out 13 pixels high.
constexpr int kStoredTextHeight = 13;
constexpr int kFontPixels = 11;  // 8 points at 96 dots per inch
constexpr int kClientWidth = 279;
constexpr int kClientHeight = 370;
constexpr int kMemoLeft = 16;
constexpr int kMemoTop = 16;
constexpr int kMemoWidth = 249;
constexpr int kMemoHeight = 337;

// A title bar with the system menu and the close box only.
constexpr Qt::WindowFlags kWindowFlags =
    Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;

QFont LayoutFont() {
  QFont font(QStringLiteral("Tahoma"));
  // Where Tahoma is not installed, the platform's nearest sans-serif face stands in.
  font.setStyleHint(QFont::SansSerif);
  const int dpi = qRound(QGuiApplication::primaryScreen()->logicalDotsPerInchY());
  font.setPixelSize(FontPixelsForScreen(kFontPixels, dpi));
  return font;
}

}  // namespace

TForm1::TForm1() : TComponent(nullptr) {
  SetName("Form1");
  const LayoutScale scale = BuildWindow();
  BuildMemo1(scale);
  programmer_ = std::make_unique<Programmer>(
      *this, [this](const std::string& line) { AppendLog(line); },
      ProgrammerEvents{{this, &TForm1::Timer1Timer},
                       {this, &TForm1::ProgramTimerTimer},
                       {this, &TForm1::MidiInput1MidiInput},
                       {this, &TForm1::MidiInput1Overflow}});
  framework::RunGuarded([this] { FormCreate(); });
}

TForm1::~TForm1() = default;

LayoutScale TForm1::BuildWindow() {
  window_ = std::make_unique<QWidget>(nullptr, kWindowFlags);
  window_->setObjectName(QStringLiteral("Form1"));
  window_->setWindowTitle(QStringLiteral("Bass Firmware ") + QString::fromLatin1(kVersion));
  window_->setWindowIcon(QIcon(QStringLiteral(":/MAINICON")));
  window_->setFont(LayoutFont());
  QPalette palette = window_->palette();
  palette.setColor(QPalette::Window, palette.color(QPalette::Dark));  // the button-shadow colour
  palette.setColor(QPalette::Text, palette.color(QPalette::WindowText));
  window_->setPalette(palette);
  window_->setAutoFillBackground(true);
  const LayoutScale scale(window_->fontMetrics().height(), kStoredTextHeight);
  window_->setFixedSize(scale(kClientWidth), scale(kClientHeight));
  return scale;
}

void TForm1::BuildMemo1(const LayoutScale& scale) {
  memo1_ = new QPlainTextEdit(window_.get());
  memo1_->setObjectName(QStringLiteral("Memo1"));
  memo1_->setGeometry(scale(kMemoLeft), scale(kMemoTop), scale(kMemoWidth), scale(kMemoHeight));
  memo1_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memo1_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  memo1_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  // The log is the only element of the keyboard order: Tab keeps the focus there.
  memo1_->setTabChangesFocus(true);
  memo1_->setFocus();
  log_ = std::make_unique<PacedLog>(*memo1_);
}

// Every line written so far is in the log when the window appears.
void TForm1::Show() {
  log_->View();
  window_->show();
}

void TForm1::Close() { window_->close(); }

void TForm1::FormCreate() {
  CentreOnDesktop();
  programmer_->Start();
}

void TForm1::Timer1Timer(framework::TObject* /*sender*/) { programmer_->DiscoveryTick(); }

void TForm1::ProgramTimerTimer(framework::TObject* /*sender*/) { programmer_->ProbeTick(); }

void TForm1::MidiInput1MidiInput(framework::TObject* sender) {
  programmer_->InputWaiting(static_cast<midi::TMidiInput&>(*sender));
}

void TForm1::MidiInput1Overflow(framework::TObject* sender) {
  programmer_->InputOverflowed(static_cast<const midi::TMidiInput&>(*sender));
}

void TForm1::AppendLog(const std::string& line) {
  log_->Write(QString::fromStdString(line));
  framework::WriteStandardLine(framework::StandardStream::Output, line);
}

// Counted from the primary screen's origin over the size of the whole desktop; before the window
// is first shown the platform may not know its frame yet, and then the client size stands in.
void TForm1::CentreOnDesktop() {
  const QScreen& primary = *QGuiApplication::primaryScreen();
  const QSize desktop = primary.virtualSize();
  const QSize outer = window_->frameGeometry().size();
  window_->move(primary.geometry().topLeft() +
                QPoint(CentredOffset(desktop.width(), outer.width()), CentredOffset(desktop.height(), outer.height())));
}

}  // namespace app
