#include "app/MainWindow.h"

#include <QFont>
#include <QGuiApplication>
#include <QIcon>
#include <QPalette>
#include <QPlainTextEdit>
#include <QScreen>
#include <QWidget>

#include <cstdio>

#include "framework/ErrorText.h"
#include "framework/ExceptionGuard.h"

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
constexpr unsigned kTimerInterval = 250;

// Either loss leaves the device waiting for an answer that never comes; it starts the transfer
// afresh when it is switched on again.
constexpr const char* kRestartAdvice =
    " If the log has stopped, switch the QLT-1 off and on again to restart the update.";
constexpr const char* kInputLost = "Messages from the QLT-1 were lost: they came in faster than they could be read.";
constexpr const char* kReplyNotRead = " A reply from the QLT-1 could not be read.";

// A title bar with the system menu and the close box only.
constexpr Qt::WindowFlags kWindowFlags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;

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
  BuildPorts();
  BuildTimers();
  framework::RunGuarded([this] { FormCreate(); });
}

TForm1::~TForm1() = default;

LayoutScale TForm1::BuildWindow() {
  window_ = std::make_unique<QWidget>(nullptr, kWindowFlags);
  window_->setObjectName(QStringLiteral("Form1"));
  window_->setWindowTitle(QStringLiteral("Bass Firmware 4.18.1"));
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

void TForm1::BuildPorts() {
  midiOutput1_ = new midi::TMidiOutput(this);
  midiOutput1_->SetName("MidiOutput1");
  midiInput1_ = new midi::TMidiInput(this);
  midiInput1_->SetName("MidiInput1");
  midiInput1_->BeginLoading();
  // The name of a port on the machine the layout was made on; the port drops it while loading.
  midiInput1_->SetProductName("01. Internal MIDI");
  midiInput1_->SetSysexBufferSize(4096);
  midiInput1_->SetFilteredMessages({midi::msgActiveSensing, midi::msgMidiTimeCode});
  midiInput1_->OnMidiInput = MidiInputHandler();
  midiInput1_->OnOverflow = MidiOverflowHandler();
  midiInput1_->Loaded();
}

void TForm1::BuildTimers() {
  programTimer_ = new framework::TTimer(this);
  programTimer_->SetName("ProgramTimer");
  programTimer_->SetEnabled(false);
  programTimer_->SetInterval(kTimerInterval);
  programTimer_->OnTimer = {this, &TForm1::ProgramTimerTimer};
  timer1_ = new framework::TTimer(this);
  timer1_->SetName("Timer1");
  timer1_->SetInterval(kTimerInterval);
  timer1_->OnTimer = {this, &TForm1::Timer1Timer};
}

// Every line written so far is in the log when the window appears.
void TForm1::Show() {
  log_->View();
  window_->show();
}

void TForm1::Close() { window_->close(); }

void TForm1::FormCreate() {
  CentreOnDesktop();
  session_.FillExpectedReplies();
  AppendLog(">Switch on QLT-1");
}

void TForm1::Timer1Timer(framework::TObject* /*sender*/) { discovery_.Timer1Timer(); }

void TForm1::ProgramTimerTimer(framework::TObject* /*sender*/) { session_.ProgramTimerTimer(); }

// In this handler only taking an event from the port raises EMidiInputError: the buffer of a reply
// could not be lent back to the device, and the reply waits in the port for a notice that a
// waiting device never causes. The platform's text alone would not tell the user so.
void TForm1::MidiInput1MidiInput(framework::TObject* sender) {
  try {
    session_.MidiInput1MidiInput(static_cast<midi::TMidiInput&>(*sender));
  } catch (const midi::EMidiInputError& error) {
    throw midi::EMidiInputError(framework::ErrorBoxText(error.Message()) + kReplyNotRead + kRestartAdvice);
  }
}

// Once per opening: a flood that overflows the ring drops many events, and one box says it all.
void TForm1::MidiInput1Overflow(framework::TObject* sender) {
  if (static_cast<midi::TMidiInput&>(*sender).OverflowCount() != 1) return;
  throw midi::EMidiInputError(std::string(kInputLost) + kRestartAdvice);
}

void TForm1::AppendLog(const std::string& line) {
  log_->Write(QString::fromStdString(line));
  const std::string echoed = line + '\n';
  std::fputs(echoed.c_str(), stdout);
  std::fflush(stdout);
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
