// Measures how the platform's MIDI services behave, through the kernel's loopback port ("Midi
// Through": what its output receives comes back on its input). Prints one "finding:" line per
// observation and one "check:" line per fact the port layer or the tool relies on, and only for
// what the platform's documentation promises or the tool cannot work without: which thread
// delivers a notice, whether a reset hands the buffers back before it returns, and how much of a
// message one returned buffer holds are findings, never checks. Exits 1 when a check fails, 2 when
// the loopback port is missing.
//
// The callback runs on the driver's thread, where it records each call into storage taken before
// the first device opens: it allocates nothing and takes no lock, as the port's own callback.
//
// Usage: WinmmBehaviour.exe [HANDSHAKE-FOLDER]   the folder through which a helper outside adds
//                                                 and removes sequencer ports on request
//        WinmmBehaviour.exe --second              the device lists as a new process sees them, and
//                                                 a refused close (which may spoil the device)
#include <windows.h>
// After windows.h, whose types it uses.
#include <mmsystem.h>

#include <algorithm>
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "firmware/TableLayout.h"

namespace {

constexpr const char* kLoopbackName = "Midi Through";
constexpr DWORD kSettleMs = 600;

// What one callback saw, copied when it ran: the header's state then, not now, and the first
// bytes of what it carried (checks that need more read the buffer itself, which stays as the
// platform returned it until the probe lends it again).
constexpr std::size_t kKeptBytes = 256;
struct Event {
  UINT message;
  DWORD_PTR param1;
  DWORD_PTR param2;
  DWORD thread;
  DWORD time;
  DWORD flags;
  DWORD recorded;
  std::size_t kept;
  BYTE bytes[kKeptBytes];
};

// Slots claimed by the callback in call order and published one by one.
constexpr std::size_t kEventCapacity = 8192;
struct Slot {
  Event event;
  std::atomic<bool> published;
};
Slot slots[kEventCapacity];
std::atomic<std::size_t> claimed{0};

DWORD mainThread;
DWORD startTime;
int failures;

void CALLBACK Record(HANDLE, UINT message, DWORD_PTR, DWORD_PTR param1, DWORD_PTR param2) {
  const std::size_t index = claimed.fetch_add(1, std::memory_order_relaxed);
  if (index >= kEventCapacity) return;
  Event& event = slots[index].event;
  event.message = message;
  event.param1 = param1;
  event.param2 = param2;
  event.thread = GetCurrentThreadId();
  event.time = timeGetTime();
  event.flags = 0;
  event.recorded = 0;
  event.kept = 0;
  const bool carriesHeader = message == MIM_LONGDATA || message == MIM_LONGERROR || message == MOM_DONE;
  if (carriesHeader && param1 != 0) {
    const MIDIHDR& header = *reinterpret_cast<const MIDIHDR*>(param1);
    event.flags = header.dwFlags;
    event.recorded = header.dwBytesRecorded;
    if (message != MOM_DONE) {
      event.kept = std::min<std::size_t>(header.dwBytesRecorded, kKeptBytes);
      std::memcpy(event.bytes, header.lpData, event.kept);
    }
  }
  slots[index].published.store(true, std::memory_order_release);
}

// The calls recorded so far; one still being written is waited for.
std::size_t EventCount() { return std::min(claimed.load(std::memory_order_acquire), kEventCapacity); }

const Event& EventAt(std::size_t index) {
  while (!slots[index].published.load(std::memory_order_acquire)) Sleep(0);
  return slots[index].event;
}

std::vector<Event> EventsSince(std::size_t mark, UINT message = 0) {
  std::vector<Event> found;
  const std::size_t count = EventCount();
  for (std::size_t i = mark; i < count; ++i)
    if (message == 0 || EventAt(i).message == message) found.push_back(EventAt(i));
  return found;
}

// The bytes a returned buffer held: from the copy, or from the buffer itself while it is back.
std::vector<BYTE> BytesOf(const Event& event) {
  if (event.recorded <= event.kept) return std::vector<BYTE>(event.bytes, event.bytes + event.kept);
  const BYTE* data = reinterpret_cast<const BYTE*>(reinterpret_cast<const MIDIHDR*>(event.param1)->lpData);
  return std::vector<BYTE>(data, data + event.recorded);
}

// The pieces of the input that came back, in order, joined.
std::vector<BYTE> Joined(const std::vector<Event>& events) {
  std::vector<BYTE> joined;
  for (const Event& event : events) {
    if (event.message != MIM_LONGDATA && event.message != MIM_LONGERROR) continue;
    const std::vector<BYTE> bytes = BytesOf(event);
    joined.insert(joined.end(), bytes.begin(), bytes.end());
  }
  return joined;
}

// Waits until `count` events of the kind arrived after `mark`, or the time is up.
std::vector<Event> AwaitEvents(std::size_t mark, std::size_t count, UINT message = 0, DWORD timeoutMs = 2000) {
  const DWORD start = timeGetTime();
  while (EventsSince(mark, message).size() < count && timeGetTime() - start < timeoutMs) Sleep(5);
  return EventsSince(mark, message);
}

// Waits until the input that came back after `mark` joins into `length` bytes or more.
std::vector<Event> AwaitInputBytes(std::size_t mark, std::size_t length, DWORD timeoutMs = 2000) {
  const DWORD start = timeGetTime();
  while (Joined(EventsSince(mark)).size() < length && timeGetTime() - start < timeoutMs) Sleep(5);
  return EventsSince(mark);
}

void Finding(const char* format, ...) {
  std::va_list arguments;
  va_start(arguments, format);
  std::printf("finding: ");
  std::vprintf(format, arguments);
  std::printf("\n");
  va_end(arguments);
  std::fflush(stdout);
}

void Check(bool holds, const char* fact, const char* format = "", ...) {
  std::va_list arguments;
  va_start(arguments, format);
  std::printf("check: %s: %s", holds ? "PASS" : "FAIL", fact);
  if (*format != '\0') {
    std::printf(" (");
    std::vprintf(format, arguments);
    std::printf(")");
  }
  std::printf("\n");
  va_end(arguments);
  std::fflush(stdout);
  if (!holds) ++failures;
}

const char* MessageName(UINT message) {
  switch (message) {
    case MIM_OPEN:
      return "MIM_OPEN";
    case MIM_CLOSE:
      return "MIM_CLOSE";
    case MIM_DATA:
      return "MIM_DATA";
    case MIM_LONGDATA:
      return "MIM_LONGDATA";
    case MIM_ERROR:
      return "MIM_ERROR";
    case MIM_LONGERROR:
      return "MIM_LONGERROR";
    case MOM_OPEN:
      return "MOM_OPEN";
    case MOM_CLOSE:
      return "MOM_CLOSE";
    case MOM_DONE:
      return "MOM_DONE";
    default:
      return "other";
  }
}

std::string FlagsText(DWORD flags) {
  std::string text;
  if (flags & MHDR_DONE) text += "DONE|";
  if (flags & MHDR_PREPARED) text += "PREPARED|";
  if (flags & MHDR_INQUEUE) text += "INQUEUE|";
  if (text.empty()) return "0";
  text.pop_back();
  return text;
}

const char* ThreadText(DWORD thread) { return thread == mainThread ? "the caller's thread" : "another thread"; }

// A System Exclusive message of `length` bytes whose data bytes follow from `seed`.
std::vector<BYTE> SysexOf(std::size_t length, BYTE seed) {
  std::vector<BYTE> bytes(length);
  bytes.front() = 0xF0;
  for (std::size_t i = 1; i + 1 < length; ++i) bytes[i] = static_cast<BYTE>((seed + i) & 0x7F);
  bytes.back() = 0xF7;
  return bytes;
}

// One data block with its header, kept at one address for as long as the platform may use it.
struct Buffer {
  explicit Buffer(std::size_t size) : data(size), header{} {
    header.lpData = reinterpret_cast<LPSTR>(data.data());
    header.dwBufferLength = static_cast<DWORD>(size);
  }
  std::vector<BYTE> data;
  MIDIHDR header;
};

struct Devices {
  std::vector<std::string> inputs;
  std::vector<std::string> outputs;
};

Devices ListDevices(bool print) {
  Devices devices;
  const UINT inputCount = midiInGetNumDevs();
  const UINT outputCount = midiOutGetNumDevs();
  for (UINT i = 0; i < inputCount; ++i) {
    MIDIINCAPSA caps{};
    const MMRESULT result = midiInGetDevCapsA(i, &caps, sizeof caps);
    devices.inputs.push_back(result == MMSYSERR_NOERROR ? caps.szPname : "");
    if (print) Finding("input %u: \"%s\" (%zu chars, result %u)", i, caps.szPname, std::strlen(caps.szPname), result);
  }
  for (UINT i = 0; i < outputCount; ++i) {
    MIDIOUTCAPSA caps{};
    const MMRESULT result = midiOutGetDevCapsA(i, &caps, sizeof caps);
    devices.outputs.push_back(result == MMSYSERR_NOERROR ? caps.szPname : "");
    if (print) {
      Finding("output %u: \"%s\" (%zu chars, technology %u, result %u)", i, caps.szPname, std::strlen(caps.szPname),
              caps.wTechnology, result);
    }
  }
  return devices;
}

int IndexOf(const std::vector<std::string>& names, const char* part) {
  for (std::size_t i = 0; i < names.size(); ++i)
    if (names[i].find(part) != std::string::npos) return static_cast<int>(i);
  return -1;
}

void ProbeNamesAndMapper(const Devices& devices) {
  Finding("%zu inputs, %zu outputs; a name holds at most %d chars", devices.inputs.size(), devices.outputs.size(),
          MAXPNAMELEN - 1);
  MIDIINCAPSA inputCaps{};
  Finding("midiInGetDevCapsA(count) gives %u", midiInGetDevCapsA(devices.inputs.size(), &inputCaps, sizeof inputCaps));
  MIDIOUTCAPSA caps{};
  const MMRESULT capsResult = midiOutGetDevCapsA(MIDI_MAPPER, &caps, sizeof caps);
  Finding("midiOutGetDevCapsA(MIDI_MAPPER) gives %u: \"%s\", technology %u", capsResult, caps.szPname,
          caps.wTechnology);
  HMIDIOUT mapper = nullptr;
  const MMRESULT openResult = midiOutOpen(&mapper, MIDI_MAPPER, 0, 0, CALLBACK_NULL);
  Finding("midiOutOpen(MIDI_MAPPER) gives %u", openResult);
  if (openResult == MMSYSERR_NOERROR) Finding("closing the default output gives %u", midiOutClose(mapper));
}

void ProbeErrorTexts() {
  const MMRESULT codes[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 64, 65, 66, 67, 68, 69};
  bool allGiven = true;
  for (const MMRESULT code : codes) {
    char inputText[MAXERRORLENGTH] = {};
    char outputText[MAXERRORLENGTH] = {};
    const MMRESULT inputResult = midiInGetErrorTextA(code, inputText, sizeof inputText);
    const MMRESULT outputResult = midiOutGetErrorTextA(code, outputText, sizeof outputText);
    allGiven = allGiven && inputResult == MMSYSERR_NOERROR && outputResult == MMSYSERR_NOERROR &&
               inputText[0] != '\0' && outputText[0] != '\0';
    Finding("error text %u: in %u \"%s\"%s%s%s", code, inputResult, inputText,
            std::strcmp(inputText, outputText) == 0 ? ", out the same" : ", out \"",
            std::strcmp(inputText, outputText) == 0 ? "" : outputText,
            std::strcmp(inputText, outputText) == 0 ? "" : "\"");
  }
  char text[MAXERRORLENGTH] = {};
  Finding("error text for 70 (BADOPENMODE) gives %u \"%s\"", midiInGetErrorTextA(70, text, sizeof text), text);
  Finding("error text for 12 gives %u, for 71 gives %u", midiInGetErrorTextA(12, text, sizeof text),
          midiOutGetErrorTextA(71, text, sizeof text));
  Check(allGiven, "every result code 0..11 and 64..69 has a text in both directions");
}

// The open/close notices: when, and on which thread. The port ignores them; the documentation
// promises neither.
void ReportNotice(std::size_t mark, UINT message, const char* call) {
  const std::vector<Event> seen = EventsSince(mark, message);
  Finding("%s gave %zu %s before returning%s%s", call, seen.size(), MessageName(message), seen.empty() ? "" : ", on ",
          seen.empty() ? "" : ThreadText(seen[0].thread));
}

MMRESULT SendLong(HMIDIOUT output, Buffer& buffer, const char* what) {
  std::size_t mark = EventCount();
  MMRESULT result = midiOutPrepareHeader(output, &buffer.header, sizeof(MIDIHDR));
  if (result == MMSYSERR_NOERROR) result = midiOutLongMsg(output, &buffer.header, sizeof(MIDIHDR));
  const std::vector<Event> done = EventsSince(mark, MOM_DONE);
  const DWORD flagsAfter = buffer.header.dwFlags;
  Finding("midiOutLongMsg of %lu bytes (%s) gives %u; MOM_DONE before it returned: %zu%s%s; flags then %s, after %s",
          buffer.header.dwBufferLength, what, result, done.size(), done.empty() ? "" : ", on ",
          done.empty() ? "" : ThreadText(done[0].thread), done.empty() ? "-" : FlagsText(done[0].flags).c_str(),
          FlagsText(flagsAfter).c_str());
  if (done.empty()) AwaitEvents(mark, 1, MOM_DONE);
  const std::vector<Event> finished = EventsSince(mark, MOM_DONE);
  Check(result == MMSYSERR_NOERROR && finished.size() == 1 &&
            finished[0].param1 == reinterpret_cast<DWORD_PTR>(&buffer.header) &&
            (finished[0].flags & (MHDR_DONE | MHDR_INQUEUE)) == MHDR_DONE,
        "one MOM_DONE per long message, the header already DONE and no longer INQUEUE when it comes", "%s", what);
  midiOutUnprepareHeader(output, &buffer.header, sizeof(MIDIHDR));
  return result;
}

// Waits until each of `buffers` has come back by MIM_LONGDATA since `mark`; false when the time is
// up first.
bool AwaitReturned(std::size_t mark, const std::vector<Buffer>& buffers, DWORD timeoutMs) {
  const DWORD start = timeGetTime();
  for (;;) {
    const std::vector<Event> back = EventsSince(mark, MIM_LONGDATA);
    const bool all = std::all_of(buffers.begin(), buffers.end(), [&back](const Buffer& buffer) {
      return std::any_of(back.begin(), back.end(), [&buffer](const Event& event) {
        return event.param1 == reinterpret_cast<DWORD_PTR>(&buffer.header);
      });
    });
    if (all) return true;
    if (timeGetTime() - start >= timeoutMs) return false;
    Sleep(5);
  }
}

bool Lend(HMIDIIN input, Buffer& buffer) {
  return midiInPrepareHeader(input, &buffer.header, sizeof(MIDIHDR)) == MMSYSERR_NOERROR &&
         midiInAddBuffer(input, &buffer.header, sizeof(MIDIHDR)) == MMSYSERR_NOERROR;
}

void ProbeLending(HMIDIIN input, std::vector<Buffer>& buffers) {
  Buffer& first = buffers[0];
  Check(midiInPrepareHeader(input, &first.header, sizeof(MIDIHDR)) == MMSYSERR_NOERROR, "a header prepares");
  first.header.dwBytesRecorded = 1234;
  first.header.dwFlags |= MHDR_DONE;
  const MMRESULT added = midiInAddBuffer(input, &first.header, sizeof(MIDIHDR));
  // Whether the count and DONE are cleared is not promised: the port clears them itself.
  Finding("midiInAddBuffer of a header with 1234 recorded and DONE set gives %u: recorded %lu, flags %s", added,
          first.header.dwBytesRecorded, FlagsText(first.header.dwFlags).c_str());
  Check(added == MMSYSERR_NOERROR, "midiInAddBuffer lends a prepared buffer", "gives %u", added);
  Finding("midiInAddBuffer of a lent header again gives %u", midiInAddBuffer(input, &first.header, sizeof(MIDIHDR)));
  Finding("midiInPrepareHeader of a lent header gives %u", midiInPrepareHeader(input, &first.header, sizeof(MIDIHDR)));
  const MMRESULT unprepared = midiInUnprepareHeader(input, &first.header, sizeof(MIDIHDR));
  Check(unprepared == MIDIERR_STILLPLAYING, "midiInUnprepareHeader of a lent buffer is refused with STILLPLAYING",
        "gives %u", unprepared);
  Buffer unready(16);
  Finding("midiInAddBuffer of an unprepared header gives %u", midiInAddBuffer(input, &unready.header, sizeof(MIDIHDR)));
  for (std::size_t i = 1; i < buffers.size(); ++i) Lend(input, buffers[i]);
}

// What reached the input, as the port takes it: each short message, and each System Exclusive
// message joined from the buffers it came back in, up to its F7.
struct Arrival {
  bool isShort;
  DWORD shortMessage;
  std::vector<BYTE> sysex;
  bool operator==(const Arrival&) const = default;
};

std::vector<Arrival> ArrivalsOf(const std::vector<Event>& events) {
  std::vector<Arrival> arrivals;
  std::vector<BYTE> pending;
  for (const Event& event : events) {
    if (event.message == MIM_DATA) {
      arrivals.push_back({true, static_cast<DWORD>(event.param1), {}});
    } else if (event.message == MIM_LONGDATA || event.message == MIM_LONGERROR) {
      const std::vector<BYTE> bytes = BytesOf(event);
      pending.insert(pending.end(), bytes.begin(), bytes.end());
      if (!pending.empty() && pending.back() == 0xF7) {
        arrivals.push_back({false, 0, pending});
        pending.clear();
      }
    }
  }
  return arrivals;
}

// Short, long, short and then long, short: does the callback order follow the wire order?
void ProbeOrderAndTimes(HMIDIOUT output) {
  const std::size_t mark = EventCount();
  const DWORD sentAt = timeGetTime() - startTime;
  midiOutShortMsg(output, 0x00403C90);
  Buffer first(6);
  std::memcpy(first.data.data(), "\xF0\x7D\x01\x02\x03\xF7", 6);
  SendLong(output, first, "between two short messages");
  midiOutShortMsg(output, 0x00003C80);
  Buffer second(4);
  std::memcpy(second.data.data(), "\xF0\x7D\x10\xF7", 4);
  SendLong(output, second, "before a short message");
  midiOutShortMsg(output, 0x00403D90);
  const std::vector<Arrival> expected = {{true, 0x00403C90, {}},
                                         {false, 0, first.data},
                                         {true, 0x00003C80, {}},
                                         {false, 0, second.data},
                                         {true, 0x00403D90, {}}};
  const DWORD start = timeGetTime();
  while (ArrivalsOf(EventsSince(mark)).size() < expected.size() && timeGetTime() - start < 3000) Sleep(5);
  std::vector<Event> arrived;
  for (const Event& event : EventsSince(mark))
    if (event.message != MOM_DONE) arrived.push_back(event);
  std::string order;
  for (const Event& event : arrived) order += std::string(MessageName(event.message)) + " ";
  Finding("sent short, long, short, long, short; the callback saw: %s", order.c_str());
  Check(ArrivalsOf(arrived) == expected,
        "short and long messages reach the callback in wire order, short ones packed status|d1<<8|d2<<16, long "
        "ones whole once their pieces are joined");
  bool timesFit = true;
  bool offCaller = true;
  for (const Event& event : arrived) {
    Finding(
        "%s param1 %#llx param2 %lu (ms since midiInStart by the clock at the callback: %lu) on %s, recorded "
        "%lu, flags %s",
        MessageName(event.message), static_cast<unsigned long long>(event.param1),
        static_cast<unsigned long>(event.param2), event.time - startTime, ThreadText(event.thread), event.recorded,
        FlagsText(event.flags).c_str());
    const long drift = static_cast<long>(event.param2) - static_cast<long>(event.time - startTime);
    timesFit = timesFit && drift <= 5 && drift >= -50 && event.param2 + 5 >= sentAt;
    offCaller = offCaller && event.thread != mainThread;
  }
  // The port keeps the time stamps but nothing reads them; which thread calls back is the
  // driver's business.
  Finding("param2 %s the time in ms since midiInStart", timesFit ? "is" : "is not");
  Finding("input callbacks ran %s", offCaller ? "on threads other than the caller's" : "on the caller's thread too");
}

// Lending a returned buffer again the way the port does: prepare (still prepared), then add.
void ProbeLendingAgain(HMIDIIN input, Buffer& buffer) {
  const DWORD before = buffer.header.dwBytesRecorded;
  const MMRESULT prepared = midiInPrepareHeader(input, &buffer.header, sizeof(MIDIHDR));
  const MMRESULT added = midiInAddBuffer(input, &buffer.header, sizeof(MIDIHDR));
  Finding("lending a returned buffer (recorded %lu) again: prepare %u, add %u, then recorded %lu, flags %s", before,
          prepared, added, buffer.header.dwBytesRecorded, FlagsText(buffer.header.dwFlags).c_str());
  Check(prepared == MMSYSERR_NOERROR && added == MMSYSERR_NOERROR,
        "a returned buffer prepares again without error and lends again");
}

// The 64-byte buffers lent here (as many as a driver that returns buffers before they are full
// could need) take a 150-byte message in turn; after a reset, with none lent, a message is lost.
void ProbeSplitAndLoss(HMIDIIN input, HMIDIOUT output, Buffer& relend) {
  std::size_t mark = EventCount();
  Buffer message(150);
  message.data = SysexOf(150, 0x20);
  message.header.lpData = reinterpret_cast<LPSTR>(message.data.data());
  SendLong(output, message, "longer than one lent buffer");
  const std::vector<Event> parts = AwaitInputBytes(mark, message.data.size());
  std::string sizes;
  std::size_t pieces = 0;
  for (const Event& part : parts) {
    if (part.message == MOM_DONE) continue;
    sizes += std::string(MessageName(part.message)) + " " + std::to_string(part.recorded) + ", ";
    ++pieces;
  }
  Finding("150 bytes into 64-byte buffers came back as: %s", sizes.c_str());
  Check(pieces >= 3 && Joined(parts) == message.data,
        "a message longer than a buffer comes back in several lent buffers, each by MIM_LONGDATA, which joined in "
        "their order are the message");

  midiInReset(input);
  Sleep(kSettleMs);
  midiInStart(input);
  mark = EventCount();
  Buffer lost(10);
  lost.data = SysexOf(10, 0x40);
  lost.header.lpData = reinterpret_cast<LPSTR>(lost.data.data());
  SendLong(output, lost, "with no buffer lent");
  Sleep(kSettleMs);
  std::string seen;
  for (const Event& event : EventsSince(mark))
    if (event.message != MOM_DONE) seen += std::string(MessageName(event.message)) + " ";
  Finding("a message with no buffer lent gave: %s", seen.empty() ? "nothing (lost silently)" : seen.c_str());

  Lend(input, relend);
  mark = EventCount();
  Buffer next(4);
  std::memcpy(next.data.data(), "\xF0\x7D\x22\xF7", 4);
  SendLong(output, next, "after a lost one");
  const std::vector<Event> after = AwaitInputBytes(mark, next.data.size());
  Finding("after a message lost for want of a buffer, the next one %s",
          Joined(after) == next.data ? "arrived alone and whole" : "did not arrive alone and whole");
}

// The firmware's block length and larger: how much one long message can carry over the sequencer,
// into buffers of the port's size, lent as generously as the port lends them.
void ProbeSizes(HMIDIIN input, HMIDIOUT output) {
  constexpr std::size_t kPortBufferSize = 4096;
  constexpr std::size_t kLent = 600;  // room for a block in pieces of a few bytes each
  std::vector<Buffer> pool;
  pool.reserve(kLent);
  for (std::size_t i = 0; i < kLent; ++i) pool.emplace_back(kPortBufferSize);
  const std::size_t lengths[] = {firmware::kBlockLength, 4096, 8192, 16384, 32768, 65536};
  const std::string blockFact =
      "a firmware block (" + std::to_string(firmware::kBlockLength) + " bytes) goes out and comes back whole, joined";
  for (const std::size_t length : lengths) {
    const std::size_t lentMark = EventCount();
    for (Buffer& buffer : pool) Lend(input, buffer);
    const std::size_t mark = EventCount();
    Buffer message(length);
    message.data = SysexOf(length, static_cast<BYTE>(length));
    message.header.lpData = reinterpret_cast<LPSTR>(message.data.data());
    SendLong(output, message, "size test");
    const std::vector<Event> back = AwaitInputBytes(mark, length, 1500);
    const std::size_t pieces = EventsSince(mark, MIM_LONGDATA).size() + EventsSince(mark, MIM_LONGERROR).size();
    const bool whole = Joined(back) == message.data;
    Finding("a %zu-byte message came back %s in %zu buffer(s)", length, whole ? "whole" : "damaged or not at all",
            pieces);
    if (length == firmware::kBlockLength) Check(whole, blockFact.c_str());
    // Every lent buffer comes back once, filled or by the reset, before it is unprepared.
    midiInReset(input);
    if (!AwaitReturned(lentMark, pool, 2000)) {
      Finding("midiInReset did not hand every lent buffer back within 2 s: the sizes probe stops here");
      // The driver may still write to them.
      static_cast<void>(new std::vector<Buffer>(std::move(pool)));
      return;
    }
    for (Buffer& buffer : pool) midiInUnprepareHeader(input, &buffer.header, sizeof(MIDIHDR));
    midiInStart(input);
  }
}

void ProbeOutputReset(HMIDIOUT output) {
  const std::size_t mark = EventCount();
  const MMRESULT result = midiOutReset(output);
  const std::size_t duringCall = EventsSince(mark).size();
  Sleep(kSettleMs);
  std::vector<Event> sent = EventsSince(mark, MIM_DATA);
  std::string kinds;
  for (std::size_t i = 0; i < sent.size() && i < 4; ++i) {
    char text[16];
    std::snprintf(text, sizeof text, "%06llx ", static_cast<unsigned long long>(sent[i].param1));
    kinds += text;
  }
  Finding(
      "midiOutReset with nothing in flight gives %u, %zu callbacks in the call; the port then received %zu "
      "short messages (first: %s)",
      result, duringCall, sent.size(), kinds.c_str());
}

// The documentation promises that a reset returns every lent buffer, not that it has before it
// returns, nor on which thread: those are findings.
void ProbeInputReset(HMIDIIN input, HMIDIOUT output, std::vector<Buffer>& buffers) {
  for (Buffer& buffer : buffers) Lend(input, buffer);
  const std::size_t mark = EventCount();
  const MMRESULT result = midiInReset(input);
  const std::vector<Event> during = EventsSince(mark);
  const std::vector<Event> back = AwaitEvents(mark, buffers.size(), MIM_LONGDATA, 2000);
  std::string seen;
  bool inLendingOrder = during.size() == buffers.size();
  for (std::size_t i = 0; i < during.size(); ++i) {
    const Event& event = during[i];
    seen += std::string(MessageName(event.message)) + " recorded " + std::to_string(event.recorded) + " " +
            FlagsText(event.flags) + " on " + ThreadText(event.thread) + "; ";
    inLendingOrder =
        inLendingOrder && i < buffers.size() && event.param1 == reinterpret_cast<DWORD_PTR>(&buffers[i].header);
  }
  Finding("midiInReset with %zu buffers lent gives %u; in the call: %s", buffers.size(), result, seen.c_str());
  Finding("%zu of %zu buffers came back before midiInReset returned%s", during.size(), buffers.size(),
          inLendingOrder ? ", in lending order" : "");
  bool eachOnceAndDone = back.size() == buffers.size();
  for (const Buffer& buffer : buffers) {
    std::size_t times = 0;
    for (const Event& event : back) {
      if (event.param1 != reinterpret_cast<DWORD_PTR>(&buffer.header)) continue;
      ++times;
      eachOnceAndDone = eachOnceAndDone && (event.flags & (MHDR_DONE | MHDR_INQUEUE)) == MHDR_DONE;
    }
    eachOnceAndDone = eachOnceAndDone && times == 1;
  }
  Check(result == MMSYSERR_NOERROR && eachOnceAndDone,
        "midiInReset hands every lent buffer back once (MIM_LONGDATA, DONE, no longer INQUEUE), in the call or soon "
        "after");

  const std::size_t afterReset = EventCount();
  midiOutShortMsg(output, 0x00403E90);
  Sleep(kSettleMs);
  Finding("a short message sent after midiInReset (no midiInStart) %s", EventsSince(afterReset, MIM_DATA).empty()
                                                                            ? "was not delivered: input stopped"
                                                                            : "was delivered: input still running");
  bool unprepared = true;
  for (Buffer& buffer : buffers)
    unprepared = unprepared && midiInUnprepareHeader(input, &buffer.header, sizeof(MIDIHDR)) == MMSYSERR_NOERROR;
  Check(unprepared, "every buffer handed back by midiInReset unprepares");
}

// Notices queued before the close but delivered after it would reach a callback whose port has
// already released what the callback writes to.
void ProbeLateCallbacks(UINT inputId, HMIDIOUT output) {
  std::size_t late = 0;
  const int rounds = 5;
  for (int round = 0; round < rounds; ++round) {
    HMIDIIN input = nullptr;
    const MMRESULT opened = midiInOpen(&input, inputId, reinterpret_cast<DWORD_PTR>(&Record), 0, CALLBACK_FUNCTION);
    if (opened != MMSYSERR_NOERROR) {
      Finding("reopening the input for round %d gives %u", round, opened);
      return;
    }
    midiInStart(input);
    for (int i = 0; i < 300; ++i) midiOutShortMsg(output, 0x00000090 | (static_cast<DWORD>(i & 0x7F) << 8));
    midiInReset(input);
    midiInClose(input);
    const std::size_t closedAt = EventCount();
    Sleep(300);
    late += EventsSince(closedAt, MIM_DATA).size();
  }
  Finding(
      "over %d rounds of 300 short messages then midiInReset and midiInClose, %zu MIM_DATA came after "
      "midiInClose returned",
      rounds, late);
  Check(late == 0, "no input callback after midiInClose returned");
}

// What a close refused for lent buffers leaves: the handle, the device, the buffer. Run last: it
// may leave the device open for good.
void ProbeRefusedClose(UINT inputId) {
  HMIDIIN input = nullptr;
  const MMRESULT opened = midiInOpen(&input, inputId, reinterpret_cast<DWORD_PTR>(&Record), 0, CALLBACK_FUNCTION);
  if (opened != MMSYSERR_NOERROR) {
    Finding("refused close not probed: the input opens with %u", opened);
    return;
  }
  static Buffer lent(64);
  Lend(input, lent);
  const MMRESULT closed = midiInClose(input);
  Check(closed == MIDIERR_STILLPLAYING, "midiInClose with buffers lent is refused with STILLPLAYING", "gives %u",
        closed);
  Buffer other(16);
  const MMRESULT handleAfter = midiInPrepareHeader(input, &other.header, sizeof(MIDIHDR));
  const MMRESULT resetAfter = midiInReset(input);
  HMIDIIN again = nullptr;
  const MMRESULT reopened = midiInOpen(&again, inputId, 0, 0, CALLBACK_NULL);
  Finding(
      "after the refused close: the handle answers midiInPrepareHeader with %u and midiInReset with %u; the "
      "buffer's flags are %s; opening the device again gives %u",
      handleAfter, resetAfter, FlagsText(lent.header.dwFlags).c_str(), reopened);
  // The port never closes with buffers lent (it resets first), so it does not rely on this.
  Finding("a refused midiInClose %s the handle usable", handleAfter == MMSYSERR_NOERROR ? "leaves" : "does not leave");
  if (reopened == MMSYSERR_NOERROR) midiInClose(again);
}

bool AwaitFile(const std::string& path, DWORD timeoutMs) {
  const DWORD start = timeGetTime();
  while (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
    if (timeGetTime() - start > timeoutMs) return false;
    Sleep(100);
  }
  return true;
}

void Request(const std::string& folder, const char* name) {
  const std::string path = folder + "\\" + name;
  if (FILE* file = std::fopen(path.c_str(), "w")) std::fclose(file);
}

// Ports added after the start, polled as the tool polls (4 times a second), then the loopback
// port removed under a known device number.
void ProbeHotPlug(const std::string& folder, const Devices& atStart, UINT loopbackIn, UINT loopbackOut) {
  Request(folder, "plug-request");
  if (!AwaitFile(folder + "\\plugged", 20000)) {
    Finding("hot-plug not exercised: the helper did not answer");
    return;
  }
  Finding("the helper added sequencer ports (snd-virmidi) %lu ms after the start", timeGetTime() - startTime);
  UINT inputs = 0;
  UINT outputs = 0;
  for (int poll = 0; poll < 12; ++poll) {
    inputs = midiInGetNumDevs();
    outputs = midiOutGetNumDevs();
    Sleep(250);
  }
  Finding("device counts: %zu in / %zu out at start, %u in / %u out 3 s after ports were added", atStart.inputs.size(),
          atStart.outputs.size(), inputs, outputs);
  const Devices later = ListDevices(false);
  Check(IndexOf(later.inputs, "Virtual Raw MIDI") >= 0 && IndexOf(later.outputs, "Virtual Raw MIDI") >= 0,
        "a port added while the program runs appears in the device lists (the tool waits for its device so)");

  Request(folder, "unplug-request");
  if (!AwaitFile(folder + "\\unplugged", 20000)) {
    Finding("removal not exercised: the helper did not answer");
    return;
  }
  const Devices gone = ListDevices(false);
  Finding("after the loopback port was removed: %zu in / %zu out, device %u still named \"%s\"", gone.inputs.size(),
          gone.outputs.size(), loopbackOut,
          loopbackOut < gone.outputs.size() ? gone.outputs[loopbackOut].c_str() : "-");
  HMIDIOUT output = nullptr;
  const MMRESULT outOpened = midiOutOpen(&output, loopbackOut, 0, 0, CALLBACK_NULL);
  MMRESULT sent = 0xFFFF;
  MMRESULT longSent = 0xFFFF;
  if (outOpened == MMSYSERR_NOERROR) {
    sent = midiOutShortMsg(output, 0x00403C90);
    Buffer message(4);
    std::memcpy(message.data.data(), "\xF0\x7D\x33\xF7", 4);
    midiOutPrepareHeader(output, &message.header, sizeof(MIDIHDR));
    longSent = midiOutLongMsg(output, &message.header, sizeof(MIDIHDR));
    midiOutUnprepareHeader(output, &message.header, sizeof(MIDIHDR));
    midiOutClose(output);
  }
  HMIDIIN input = nullptr;
  const MMRESULT inOpened = midiInOpen(&input, loopbackIn, 0, 0, CALLBACK_NULL);
  if (inOpened == MMSYSERR_NOERROR) midiInClose(input);
  Finding(
      "the removed port's output opens with %u, midiOutShortMsg gives %u, midiOutLongMsg gives %u; its input "
      "opens with %u",
      outOpened, sent, longSent, inOpened);
}

}  // namespace

int main(int argc, char** argv) {
  mainThread = GetCurrentThreadId();
  if (argc > 1 && std::strcmp(argv[1], "--second") == 0) {
    const Devices devices = ListDevices(true);
    const int loopback = IndexOf(devices.inputs, kLoopbackName);
    if (loopback >= 0) ProbeRefusedClose(static_cast<UINT>(loopback));
    std::printf("%d check(s) failed\n", failures);
    return failures == 0 ? 0 : 1;
  }
  const Devices devices = ListDevices(true);
  const int inputIndex = IndexOf(devices.inputs, kLoopbackName);
  const int outputIndex = IndexOf(devices.outputs, kLoopbackName);
  if (inputIndex < 0 || outputIndex < 0) {
    std::printf("no \"%s\" port in both directions\n", kLoopbackName);
    return 2;
  }
  const UINT inputId = static_cast<UINT>(inputIndex);
  const UINT outputId = static_cast<UINT>(outputIndex);
  ProbeNamesAndMapper(devices);
  ProbeErrorTexts();

  std::size_t mark = EventCount();
  HMIDIOUT output = nullptr;
  const MMRESULT outOpened = midiOutOpen(&output, outputId, reinterpret_cast<DWORD_PTR>(&Record), 0, CALLBACK_FUNCTION);
  Check(outOpened == MMSYSERR_NOERROR, "the loopback output opens", "gives %u", outOpened);
  ReportNotice(mark, MOM_OPEN, "midiOutOpen");
  mark = EventCount();
  HMIDIIN input = nullptr;
  const MMRESULT inOpened = midiInOpen(&input, inputId, reinterpret_cast<DWORD_PTR>(&Record), 0, CALLBACK_FUNCTION);
  Check(inOpened == MMSYSERR_NOERROR, "the loopback input opens", "gives %u", inOpened);
  ReportNotice(mark, MIM_OPEN, "midiInOpen");
  if (outOpened != MMSYSERR_NOERROR || inOpened != MMSYSERR_NOERROR) return 1;
  HMIDIIN second = nullptr;
  Finding("opening the open input again gives %u", midiInOpen(&second, inputId, 0, 0, CALLBACK_NULL));

  std::vector<Buffer> buffers;
  // Room for a message of 150 bytes in buffers of 64, should the driver return them before they are
  // full.
  buffers.reserve(40);
  for (int i = 0; i < 40; ++i) buffers.emplace_back(64);
  ProbeLending(input, buffers);
  startTime = timeGetTime();
  midiInStart(input);
  ProbeOrderAndTimes(output);
  ProbeLendingAgain(input, buffers[0]);
  ProbeSplitAndLoss(input, output, buffers[1]);

  Buffer unprepared(4);
  std::memcpy(unprepared.data.data(), "\xF0\x7D\x44\xF7", 4);
  Finding("midiOutLongMsg of an unprepared header gives %u",
          midiOutLongMsg(output, &unprepared.header, sizeof(MIDIHDR)));
  Finding("midiOutShortMsg of a lone data byte (running status) gives %u", midiOutShortMsg(output, 0x00000040));
  ProbeSizes(input, output);
  ProbeOutputReset(output);
  ProbeInputReset(input, output, buffers);

  mark = EventCount();
  const MMRESULT inClosed = midiInClose(input);
  Check(inClosed == MMSYSERR_NOERROR, "the input closes once its buffers are back and unprepared", "gives %u",
        inClosed);
  ReportNotice(mark, MIM_CLOSE, "midiInClose");
  ProbeLateCallbacks(inputId, output);

  Buffer last(4);
  std::memcpy(last.data.data(), "\xF0\x7D\x55\xF7", 4);
  midiOutPrepareHeader(output, &last.header, sizeof(MIDIHDR));
  midiOutLongMsg(output, &last.header, sizeof(MIDIHDR));
  mark = EventCount();
  const MMRESULT outClosed = midiOutClose(output);
  Finding("midiOutClose right after midiOutLongMsg (header still prepared) gives %u", outClosed);
  ReportNotice(mark, MOM_CLOSE, "midiOutClose");

  if (argc > 1) ProbeHotPlug(argv[1], devices, inputId, outputId);
  std::printf("%d check(s) failed\n", failures);
  return failures == 0 ? 0 : 1;
}
