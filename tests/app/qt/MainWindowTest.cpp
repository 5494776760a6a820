// The main window built from its stored layout: what it holds and in which order, the settings of
// each element, FormCreate, and a start without any MIDI port.
#include "app/qt/MainWindow.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QIcon>
#include <QPlainTextEdit>
#include <QScreen>
#include <QWidget>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "app/WindowGeometry.h"
#include "framework/StandardLines.h"
#include "tests/support/EventLoop.h"
#include "tests/support/PortTestBase.h"
#include "tests/support/TickNow.h"
#include "tests/support/qt/OutputLines.h"

namespace {

using platform::PlatformCall;

std::vector<std::string> ComponentNames(const framework::TComponent& owner) {
  std::vector<std::string> names;
  for (int i = 0; i < owner.ComponentCount(); ++i) names.push_back(owner.Components(i)->Name());
  return names;
}

class MainWindowTest : public testsupport::PortTestBase {
 protected:
  static QStringList LogLines(app::TForm1& form) { return form.Memo1().toPlainText().split('\n'); }
};

TEST_F(MainWindowTest, HoldsItsComponentsInTheLayoutsOrderWithTheTimersAsStored) {
  app::TForm1 form;
  EXPECT_EQ(ComponentNames(form), (std::vector<std::string>{"MidiOutput1", "MidiInput1", "ProgramTimer", "Timer1"}));
  EXPECT_EQ(form.Components(0), form.MidiOutput1());
  EXPECT_EQ(form.Components(1), form.MidiInput1());
  EXPECT_EQ(form.Components(2), &form.ProgramTimer());
  EXPECT_EQ(form.Components(3), &form.Timer1());
  EXPECT_EQ(form.Memo1().parentWidget(), &form.Window());
  EXPECT_FALSE(form.ProgramTimer().Enabled());
  EXPECT_EQ(form.ProgramTimer().Interval(), 250u);
  EXPECT_EQ(form.ProgramTimer().OnTimer().Target(), &form);
  EXPECT_TRUE(form.Timer1().Enabled());
  EXPECT_EQ(form.Timer1().Interval(), 250u);
  EXPECT_EQ(form.Timer1().OnTimer().Target(), &form);
}

// The layout's product name belongs to the machine it was made on: it is never looked up, and
// the port keeps the first device it selected at its creation.
TEST_F(MainWindowTest, TheInputPortDropsTheStoredProductNameAndKeepsItsOtherSettings) {
  Sim().AddInput("Keyboard");
  Sim().AddInput("01. Internal MIDI");
  app::TForm1 form;
  const midi::TMidiInput& input = *form.MidiInput1();

  EXPECT_EQ(input.ProductName(), "Keyboard");
  EXPECT_EQ(input.DeviceID(), 0u);
  EXPECT_EQ(Faults().CallCount(PlatformCall::midiInGetDevCapsA), 1u) << "only device 0 was looked at";
  EXPECT_FALSE(input.IsLoading());
  EXPECT_EQ(input.SysexBufferSize(), 4096);
  EXPECT_TRUE(input.FilteredMessages().Contains(midi::msgActiveSensing));
  EXPECT_TRUE(input.FilteredMessages().Contains(midi::msgMidiTimeCode));
  EXPECT_EQ(input.OnMidiInput.Target(), &form);
  EXPECT_EQ(input.State(), midi::mpsClosed);
  EXPECT_EQ(form.MidiOutput1()->State(), midi::mpsClosed);
  EXPECT_EQ(form.MidiOutput1()->DeviceID(), 0u);
}

TEST_F(MainWindowTest, WindowAndLogCarryTheLayoutsSettingsScaledToTheFont) {
  app::TForm1 form;
  QWidget& window = form.Window();
  QPlainTextEdit& memo = form.Memo1();
  const app::LayoutScale scale(QFontMetrics(window.font()).height(), 13);

  EXPECT_EQ(window.windowTitle(), "Bass Firmware 4.18.1");
  EXPECT_EQ(window.minimumSize(), QSize(scale(279), scale(370)));
  EXPECT_EQ(window.maximumSize(), window.minimumSize()) << "the user cannot resize it";
  const Qt::WindowFlags flags = window.windowFlags();
  EXPECT_TRUE(flags.testFlag(Qt::WindowSystemMenuHint));
  EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
  EXPECT_EQ(window.font().pixelSize(), app::FontPixelsForScreen(11, qRound(window.screen()->logicalDotsPerInchY())));
  EXPECT_EQ(window.palette().color(QPalette::Window), QGuiApplication::palette().color(QPalette::Dark));
  EXPECT_TRUE(window.autoFillBackground());
  EXPECT_TRUE(window.windowIcon().availableSizes().contains(QSize(256, 256)));

  EXPECT_EQ(memo.geometry(), QRect(scale(16), scale(16), scale(249), scale(337)));
  EXPECT_EQ(memo.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_EQ(memo.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  EXPECT_EQ(memo.lineWrapMode(), QPlainTextEdit::WidgetWidth);
  EXPECT_FALSE(memo.isReadOnly());
  EXPECT_EQ(memo.font(), window.font());
  EXPECT_EQ(memo.palette().color(QPalette::Base), QGuiApplication::palette().color(QPalette::Base));
  EXPECT_EQ(memo.palette().color(QPalette::Text), QGuiApplication::palette().color(QPalette::WindowText));
  EXPECT_EQ(window.focusWidget(), &memo);
}

TEST_F(MainWindowTest, FormCreateCentresTheWindowAndWritesTheFirstLineBeforeItIsShown) {
  guitest::CaptureStdout();
  app::TForm1 form;
  const std::string echoed = guitest::CapturedStdout();
  const QScreen& primary = *QGuiApplication::primaryScreen();
  const QSize outer = form.Window().frameGeometry().size();
  const QPoint centred(app::CentredOffset(primary.virtualSize().width(), outer.width()),
                       app::CentredOffset(primary.virtualSize().height(), outer.height()));

  EXPECT_FALSE(form.Window().isVisible());
  EXPECT_EQ(form.Window().pos(), primary.geometry().topLeft() + centred);
  EXPECT_EQ(LogLines(form), (QStringList{">Switch on QLT-1", ""}));
  EXPECT_EQ(echoed, ">Switch on QLT-1\n");
  EXPECT_TRUE(escaped_.empty());
}

// A line is written on the way from a reply to the block it answers: its echo to standard output
// waits, in its place, while the window thread is busy, and goes out with the log's lines.
TEST_F(MainWindowTest, ALinesEchoWaitsForTheLogsLinesAndGoesOutWithThem) {
  app::TForm1 form;
  form.Show();
  guitest::CaptureStdout();
  form.AppendLog(">Block 0");
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_GT(framework::StandardLineWriter().QueuedBytes(), 0u) << "no thread woken while the window thread is busy";
  EXPECT_TRUE(testsupport::ProcessEventsUntil([] { return framework::StandardLineWriter().QueuedBytes() == 0; },
                                              std::chrono::seconds(2)));
  EXPECT_EQ(form.Window().findChild<QPlainTextEdit*>()->toPlainText().split('\n'),
            (QStringList{">Switch on QLT-1", ">Block 0", ""}))
      << "in the log by then";
  EXPECT_EQ(guitest::CapturedStdout(), ">Block 0\n");
}

TEST_F(MainWindowTest, WithoutAnyMidiPortItStartsAndKeepsLookingQuietly) {
  app::TForm1 form;
  form.Show();
  EXPECT_TRUE(testsupport::ProcessPendingEvents());
  const unsigned scansBefore = Faults().CallCount(PlatformCall::midiInGetNumDevs);
  ASSERT_TRUE(testsupport::TickNow(form.Timer1()));
  ASSERT_TRUE(testsupport::TickNow(form.Timer1())) << "Timer1 stays on";
  EXPECT_TRUE(testsupport::ProcessPendingEvents());

  EXPECT_GE(Faults().CallCount(PlatformCall::midiInGetNumDevs), scansBefore + 2) << "each tick looks again";
  EXPECT_TRUE(form.Timer1().Enabled());
  EXPECT_FALSE(form.ProgramTimer().Enabled());
  EXPECT_EQ(LogLines(form), (QStringList{">Switch on QLT-1", ""}));
  EXPECT_TRUE(escaped_.empty());
}

}  // namespace
