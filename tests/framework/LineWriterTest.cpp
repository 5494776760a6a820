// The writer of standard output and error lines: the order it keeps across both streams, what it
// does while a stream stands still (the writer of a line never waits, the queue keeps its bound,
// what does not fit is counted and said once), and how long the end of the program waits.
#include "framework/LineWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace framework {
namespace {

using namespace std::chrono_literals;

constexpr StandardStream kOut = StandardStream::Output;
constexpr StandardStream kErr = StandardStream::Error;

// A sink that records what it was given and stands still, as a stream nobody reads does, while
// its gate is closed.
class GatedSink {
 public:
  bool Write(StandardStream stream, std::string_view text) {
    std::unique_lock lock(mutex_);
    ++started_;
    changed_.notify_all();
    changed_.wait(lock, [this] { return open_; });
    written_.emplace_back(stream, std::string(text));
    return true;
  }
  void Close() {
    const std::lock_guard lock(mutex_);
    open_ = false;
  }
  void Open() {
    const std::lock_guard lock(mutex_);
    open_ = true;
    changed_.notify_all();
  }
  // Waits until the writer's thread is inside the sink with its first line.
  bool AwaitFirstWrite() {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, 10s, [this] { return started_ > 0; });
  }
  std::vector<std::pair<StandardStream, std::string>> Written() {
    const std::lock_guard lock(mutex_);
    return written_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool open_ = true;
  int started_ = 0;
  std::vector<std::pair<StandardStream, std::string>> written_;
};

class LineWriterTest : public testing::Test {
 protected:
  // Room for the line in the sink and a few more of "line nn".
  static constexpr std::size_t kCapacity = 4 * (LineWriter::kLineCost + 8);

  ~LineWriterTest() override { sink_.Open(); }

  GatedSink sink_;
  LineWriter writer_{[this](StandardStream stream, std::string_view text) { return sink_.Write(stream, text); },
                     kCapacity};
};

TEST(LineWriterOrder, LinesReachTheirStreamsWholeAndInTheOrderWrittenAcrossBothStreams) {
  GatedSink sink;
  LineWriter writer([&](StandardStream stream, std::string_view text) { return sink.Write(stream, text); }, 4096);
  writer.Write(kOut, ">Switch on QLT-1");
  writer.Write(kErr, "The MIDI device is already in use by another program.");
  writer.Write(kOut, "");
  writer.Write(kOut, ">USB Midi Connected");
  ASSERT_TRUE(writer.Finish(10s));

  const std::vector<std::pair<StandardStream, std::string>> expected{
      {kOut, ">Switch on QLT-1\n"},
      {kErr, "The MIDI device is already in use by another program.\n"},
      {kOut, "\n"},
      {kOut, ">USB Midi Connected\n"}};
  EXPECT_EQ(sink.Written(), expected);
  EXPECT_EQ(writer.QueuedBytes(), 0u);
  EXPECT_EQ(writer.DroppedLines(), 0u);
}

TEST_F(LineWriterTest, WhileAStreamStandsStillWritersGoOnTheQueueKeepsItsBoundAndTheRestIsSaidOnce) {
  sink_.Close();
  writer_.Write(kOut, "line 00");
  ASSERT_TRUE(sink_.AwaitFirstWrite());
  // Run apart, so that a writer that waited for the stream fails the test instead of hanging it.
  std::size_t mostQueued = 0;
  auto writing = std::async(std::launch::async, [&] {
    for (int i = 1; i < 100; ++i) {
      writer_.Write(kOut, "line " + std::string(i < 10 ? "0" : "") + std::to_string(i));
      mostQueued = std::max(mostQueued, writer_.QueuedBytes());
    }
    writer_.Write(kErr, "error 1");
  });
  ASSERT_EQ(writing.wait_for(10s), std::future_status::ready) << "a writer waited for the stream";
  EXPECT_LE(mostQueued, kCapacity);
  EXPECT_FALSE(writer_.Finish(50ms)) << "the stream has taken nothing";
  const std::uint64_t dropped = writer_.DroppedLines();
  EXPECT_EQ(dropped, 97u) << "room for the line in the sink and three more, the error line among them";

  sink_.Open();
  ASSERT_TRUE(writer_.Finish(10s));
  // One at a time: a notice and its line take most of the room.
  const std::pair<StandardStream, const char*> later[] = {{kErr, "error 2"}, {kOut, "line 100"}, {kOut, "line 101"}};
  for (const auto& [stream, line] : later) {
    writer_.Write(stream, line);
    ASSERT_TRUE(writer_.Finish(10s));
  }
  const std::vector<std::pair<StandardStream, std::string>> expected{{kOut, "line 00\n"},
                                                                     {kOut, "line 01\n"},
                                                                     {kOut, "line 02\n"},
                                                                     {kOut, "line 03\n"},
                                                                     {kErr, LineWriter::DroppedLinesNotice(1) + "\n"},
                                                                     {kErr, "error 2\n"},
                                                                     {kOut, LineWriter::DroppedLinesNotice(96) + "\n"},
                                                                     {kOut, "line 100\n"},
                                                                     {kOut, "line 101\n"}};
  EXPECT_EQ(sink_.Written(), expected);
  EXPECT_EQ(writer_.DroppedLines(), dropped) << "nothing lost once the stream moved";
}

TEST_F(LineWriterTest, ALineLongerThanTheWholeBoundIsDroppedAndTheLinesAroundItAreNot) {
  writer_.Write(kOut, "before");
  ASSERT_TRUE(writer_.Finish(10s));
  writer_.Write(kOut, std::string(kCapacity, 'x'));
  writer_.Write(kOut, "after");
  ASSERT_TRUE(writer_.Finish(10s));

  const std::vector<std::pair<StandardStream, std::string>> expected{
      {kOut, "before\n"}, {kOut, LineWriter::DroppedLinesNotice(1) + "\n"}, {kOut, "after\n"}};
  EXPECT_EQ(sink_.Written(), expected);
}

// Until `count` lines are written, at most 10 s.
bool AwaitWritten(GatedSink& sink, std::size_t count) {
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (sink.Written().size() < count) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

TEST(LineWriterQuiet, QuietLinesWaitForAWakeInTheirPlaceAmongTheOthers) {
  GatedSink sink;
  LineWriter writer([&](StandardStream stream, std::string_view text) { return sink.Write(stream, text); }, 4096);
  writer.WriteQuietly(kOut, ">Block 0");
  writer.WriteQuietly(kOut, ">Block 1");
  std::this_thread::sleep_for(100ms);
  EXPECT_TRUE(sink.Written().empty()) << "written before anything woke the writer";

  writer.Write(kErr, "error");
  ASSERT_TRUE(AwaitWritten(sink, 3));
  writer.WriteQuietly(kOut, ">Block 2");
  writer.Wake();
  ASSERT_TRUE(AwaitWritten(sink, 4));
  writer.WriteQuietly(kOut, ">Finished");
  ASSERT_TRUE(writer.Finish(10s));

  const std::vector<std::pair<StandardStream, std::string>> expected{
      {kOut, ">Block 0\n"}, {kOut, ">Block 1\n"}, {kErr, "error\n"}, {kOut, ">Block 2\n"}, {kOut, ">Finished\n"}};
  EXPECT_EQ(sink.Written(), expected);
}

TEST_F(LineWriterTest, QuietLinesFillingHalfTheQueueWakeTheWriterRatherThanBeDropped) {
  // The second line fills half the queue and wakes the writer; the third may find it done with
  // both and wait, quietly, for the next wake.
  for (int i = 0; i < 3; ++i) writer_.WriteQuietly(kOut, "line 0" + std::to_string(i));
  EXPECT_TRUE(AwaitWritten(sink_, 2)) << "nothing woke the writer";
  EXPECT_EQ(writer_.DroppedLines(), 0u);
}

TEST(LineWriterEnd, FinishWaitsAsLongAsTheStreamTakesLinesAndGivesUpOnceItTakesNone) {
  int written = 0;
  LineWriter slow(
      [&](StandardStream, std::string_view) {
        std::this_thread::sleep_for(20ms);
        ++written;
        return true;
      },
      1024 * LineWriter::kLineCost);
  for (int i = 0; i < 10; ++i) slow.Write(kOut, "line");
  EXPECT_TRUE(slow.Finish(1s)) << "200 ms in all, but each line within the patience";
  EXPECT_EQ(written, 10);

  GatedSink stuck;
  LineWriter held([&](StandardStream stream, std::string_view text) { return stuck.Write(stream, text); }, 1024);
  stuck.Close();
  held.Write(kOut, "line");
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(held.Finish(100ms));
  EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
  stuck.Open();
}

TEST(LineWriterEnd, ALineTheStreamRefusesCountsAsDoneAndTheNextOnesStillGo) {
  std::vector<std::string> taken;
  LineWriter closedOutput(
      [&](StandardStream stream, std::string_view text) {
        if (stream == kOut) return false;
        taken.emplace_back(text);
        return true;
      },
      1024);
  closedOutput.Write(kOut, ">Switch on QLT-1");
  closedOutput.Write(kErr, "error");
  EXPECT_TRUE(closedOutput.Finish(10s));
  EXPECT_EQ(taken, std::vector<std::string>{"error\n"});
  EXPECT_EQ(closedOutput.DroppedLines(), 0u) << "refused by the stream, not dropped for want of room";
}

}  // namespace
}  // namespace framework
