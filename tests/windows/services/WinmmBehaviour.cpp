// Measures how the platform's MIDI services behave, through the kernel's loopback port ("Midi
// Through": what its output receives comes back on its input). Prints one "finding:" line per
// observation and one "check:" line per fact the port layer or the tool relies on; exits 1 when a
// check fails, 2 when the loopback port is missing.
//
// Usage: WinmmBehaviour.exe [HANDSHAKE-FOLDER]   the folder through which a helper outside adds
//                                                 and removes sequencer ports on request
//        WinmmBehaviour.exe --second              the device lists as a new process sees them, and
//                                                 a refused close (which may spoil the device)
#include <windows.h>
// After windows.h, whose types it uses.
#include <mmsystem.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr const char* kLoopbackName = "Midi Through";
constexpr DWORD kSettleMs = 600;

// What one callback saw, copied when it ran: the header's state then, not now.
struct Event {
  UINT message;
  DWORD_PTR param1;
  DWORD_PTR param2;
  DWORD thread;
  DWORD time;
  DWORD flags;
  DWORD recorded;
  std::vector<BYTE> bytes;
};

CRITICAL_SECTION eventsLock;
std::vector<Event> events;
DWORD mainThread;
DWORD startTime;
int failures;

void CALLBACK Record(HANDLE, UINT message, DWORD_PTR, DWORD_PTR param1, DWORD_PTR param2) {
  Event event{message, param1, param2, GetCurrentThreadId(), timeGetTime(), 0, 0, {}};
  const bool carriesHeader = message == MIM_LONGDATA || message == MIM_LONGERROR || message == MOM_DONE;
  if (carriesHeader && param1 != 0) {
    const MIDIHDR& header = *reinterpret_cast<const MIDIHDR*>(param1);
    event.flags = header.dwFlags;
    event.recorded = header.dwBytesRecorded;
    if (message != MOM_DONE) event.bytes.assign(header.lpData, header.lpData + header.dwBytesRecorded);
  }
  EnterCriticalSection(&eventsLock);
  events.push_back(std::move(event));
  LeaveCriticalSection(&eventsLock);
}

std::size_t EventCount() {
  EnterCriticalSection(&eventsLock);
  const std::size_t count = events.size();
  LeaveCriticalSection(&eventsLock);
  return count;
}

std::vector<Event> EventsSince(std::size_t mark, UINT message = 0) {
  EnterCriticalSection(&eventsLock);
  std::vector<Event> found;
  for (std::size_t i = mark; i < events.size(); ++i)
    if (message == 0 || events[i].message == message) found.push_back(events[i]);
  LeaveCriticalSection(&eventsLock);
  return found;
}

// Waits until `count` events of the kind arrived after `mark`, or the time is up.
std::vector<Event> AwaitEvents(std::size_t mark, std::size_t count, UINT message = 0, DWORD timeoutMs = 2000) {
  const DWORD start = timeGetTime();
  while (EventsSince(mark, message).size() < count && timeGetTime() - start < timeoutMs) Sleep(5);
  return EventsSince(mark, message);
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
  Check(capsResult == MMSYSERR_NOERROR, "the default output answers midiOutGetDevCapsA(MIDI_MAPPER)");
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

// The open/close notices: when, and on which thread.
void CheckNotice(std::size_t mark, UINT message, const char* call) {
  const std::vector<Event> seen = EventsSince(mark, message);
  const bool inCall = seen.size() == 1 && seen[0].thread == mainThread;
  Finding("%s gave %zu %s before returning%s%s", call, seen.size(), MessageName(message), seen.empty() ? "" : ", on ",
          seen.empty() ? "" : ThreadText(seen[0].thread));
  Check(inCall, "open and close notices arrive once, in the call, on the caller's thread", "%s", MessageName(message));
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
  Finding("midiInAddBuffer of a header with 1234 recorded and DONE set gives %u: recorded %lu, flags %s", added,
          first.header.dwBytesRecorded, FlagsText(first.header.dwFlags).c_str());
  Check(added == MMSYSERR_NOERROR && first.header.dwBytesRecorded == 0 &&
            first.header.dwFlags == (MHDR_PREPARED | MHDR_INQUEUE),
        "midiInAddBuffer starts the count afresh and leaves PREPARED|INQUEUE");
  Finding("midiInAddBuffer of a lent header again gives %u", midiInAddBuffer(input, &first.header, sizeof(MIDIHDR)));
  Finding("midiInPrepareHeader of a lent header gives %u", midiInPrepareHeader(input, &first.header, sizeof(MIDIHDR)));
  const MMRESULT unprepared = midiInUnprepareHeader(input, &first.header, sizeof(MIDIHDR));
  Check(unprepared == MIDIERR_STILLPLAYING, "midiInUnprepareHeader of a lent buffer is refused with STILLPLAYING",
        "gives %u", unprepared);
  Buffer unready(16);
  Finding("midiInAddBuffer of an unprepared header gives %u", midiInAddBuffer(input, &unready.header, sizeof(MIDIHDR)));
  for (std::size_t i = 1; i < buffers.size(); ++i) Lend(input, buffers[i]);
}

// Short, long, short and then long, short: does the callback order follow the wire order?
void ProbeOrderAndTimes(HMIDIOUT output, std::vector<Buffer>& buffers) {
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
  AwaitEvents(mark, 5, 0, 3000);
  std::vector<Event> arrived;
  for (const Event& event : EventsSince(mark))
    if (event.message != MOM_DONE) arrived.push_back(event);
  std::string order;
  for (const Event& event : arrived) order += std::string(MessageName(event.message)) + " ";
  Finding("sent short, long, short, long, short; the callback saw: %s", order.c_str());
  const bool inOrder = arrived.size() == 5 && arrived[0].message == MIM_DATA && arrived[0].param1 == 0x00403C90 &&
                       arrived[1].message == MIM_LONGDATA && arrived[2].message == MIM_DATA &&
                       arrived[2].param1 == 0x00003C80 && arrived[3].message == MIM_LONGDATA &&
                       arrived[4].message == MIM_DATA && arrived[4].param1 == 0x00403D90;
  Check(inOrder, "short and long messages reach the callback in wire order, short ones packed status|d1<<8|d2<<16");
  if (arrived.size() < 2) return;
  for (const Event& event : arrived) {
    Finding("%s param1 %#llx param2 %lu (ms since midiInStart by the clock at the callback: %lu) on %s",
            MessageName(event.message), static_cast<unsigned long long>(event.param1),
            static_cast<unsigned long>(event.param2), event.time - startTime, ThreadText(event.thread));
  }
  const Event& returned = arrived[1];
  Finding("returned buffer: recorded %lu, flags %s", returned.recorded, FlagsText(returned.flags).c_str());
  Check(returned.param1 == reinterpret_cast<DWORD_PTR>(&buffers[0].header) && returned.recorded == 6 &&
            returned.bytes == first.data && returned.flags == (MHDR_DONE | MHDR_PREPARED),
        "a returned buffer holds the whole message, flags DONE|PREPARED, lent buffers filled oldest first");
  bool timesFit = true;
  for (const Event& event : arrived) {
    const long drift = static_cast<long>(event.param2) - static_cast<long>(event.time - startTime);
    timesFit = timesFit && drift <= 5 && drift >= -50 && event.param2 + 5 >= sentAt;
  }
  Check(timesFit, "param2 is the time in ms since midiInStart");
  bool offCaller = true;
  for (const Event& event : arrived) offCaller = offCaller && event.thread != mainThread;
  Check(offCaller, "input callbacks run on a thread of the driver, not the caller's");
}

// Lending a returned buffer again the way the port does: prepare (still prepared), then add.
void ProbeLendingAgain(HMIDIIN input, Buffer& buffer) {
  const DWORD before = buffer.header.dwBytesRecorded;
  const MMRESULT prepared = midiInPrepareHeader(input, &buffer.header, sizeof(MIDIHDR));
  const MMRESULT added = midiInAddBuffer(input, &buffer.header, sizeof(MIDIHDR));
  Finding("lending a returned buffer (recorded %lu) again: prepare %u, add %u, then recorded %lu, flags %s", before,
          prepared, added, buffer.header.dwBytesRecorded, FlagsText(buffer.header.dwFlags).c_str());
  Check(prepared == MMSYSERR_NOERROR && added == MMSYSERR_NOERROR && buffer.header.dwBytesRecorded == 0 &&
            buffer.header.dwFlags == (MHDR_PREPARED | MHDR_INQUEUE),
        "a returned buffer prepares again without error and lends again with nothing recorded");
}

// Three 64-byte buffers are lent here: a 150-byte message spreads over them.
void ProbeSplitAndLoss(HMIDIIN input, HMIDIOUT output, Buffer& relend) {
  std::size_t mark = EventCount();
  Buffer message(150);
  message.data = SysexOf(150, 0x20);
  message.header.lpData = reinterpret_cast<LPSTR>(message.data.data());
  SendLong(output, message, "longer than one lent buffer");
  std::vector<Event> parts = AwaitEvents(mark, 3, MIM_LONGDATA);
  AwaitEvents(mark, 4, MIM_LONGDATA, 300);
  std::string sizes;
  std::vector<BYTE> joined;
  for (const Event& part : EventsSince(mark)) {
    if (part.message == MOM_DONE) continue;
    sizes += std::string(MessageName(part.message)) + " " + std::to_string(part.recorded) + ", ";
    joined.insert(joined.end(), part.bytes.begin(), part.bytes.end());
  }
  Finding("150 bytes into 64-byte buffers came back as: %s", sizes.c_str());
  Check(parts.size() == 3 && parts[0].recorded == 64 && parts[1].recorded == 64 && parts[2].recorded == 22 &&
            joined == message.data,
        "a message longer than a buffer fills the lent buffers in turn, each returned by MIM_LONGDATA");

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
  const std::vector<Event> after = AwaitEvents(mark, 1, MIM_LONGDATA);
  Check(after.size() == 1 && after[0].bytes == next.data,
        "after a message lost for want of a buffer, the next one arrives alone and whole");
}

// The firmware's block length and larger: how much one long message can carry over the sequencer.
void ProbeSizes(HMIDIIN input, HMIDIOUT output) {
  const std::size_t lengths[] = {3086, 4096, 8192, 16384, 32768, 65536};
  for (const std::size_t length : lengths) {
    Buffer lent(65536);
    Lend(input, lent);
    const std::size_t mark = EventCount();
    Buffer message(length);
    message.data = SysexOf(length, static_cast<BYTE>(length));
    message.header.lpData = reinterpret_cast<LPSTR>(message.data.data());
    SendLong(output, message, "size test");
    const std::vector<Event> back = AwaitEvents(mark, 1, MIM_LONGDATA, 1500);
    const bool whole = back.size() == 1 && back[0].bytes == message.data;
    Finding("a %zu-byte message came back %s", length,
            whole          ? "whole in one MIM_LONGDATA"
            : back.empty() ? "not at all"
                           : "damaged or in parts");
    if (length == 3086) Check(whole, "a firmware block (3086 bytes) goes out and comes back whole");
    const std::size_t resetMark = EventCount();
    midiInReset(input);
    AwaitEvents(resetMark, 1, MIM_LONGDATA, 100);
    midiInUnprepareHeader(input, &lent.header, sizeof(MIDIHDR));
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

void ProbeInputReset(HMIDIIN input, HMIDIOUT output, std::vector<Buffer>& buffers) {
  for (Buffer& buffer : buffers) Lend(input, buffer);
  const std::size_t mark = EventCount();
  const MMRESULT result = midiInReset(input);
  const std::vector<Event> during = EventsSince(mark);
  std::string seen;
  bool allBack = during.size() == buffers.size();
  for (std::size_t i = 0; i < during.size(); ++i) {
    const Event& event = during[i];
    seen += std::string(MessageName(event.message)) + " recorded " + std::to_string(event.recorded) + " " +
            FlagsText(event.flags) + " on " + ThreadText(event.thread) + "; ";
    allBack = allBack && i < buffers.size() && event.message == MIM_LONGDATA &&
              event.param1 == reinterpret_cast<DWORD_PTR>(&buffers[i].header) && event.recorded == 0 &&
              event.flags == (MHDR_DONE | MHDR_PREPARED) && event.thread == mainThread;
  }
  Finding("midiInReset with %zu buffers lent gives %u; in the call: %s", buffers.size(), result, seen.c_str());
  Check(result == MMSYSERR_NOERROR && allBack,
        "midiInReset hands every lent buffer back (MIM_LONGDATA, DONE, nothing recorded, lending order) before it "
        "returns, on the caller's thread");

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
  Check(handleAfter == MMSYSERR_NOERROR, "a refused midiInClose leaves the handle usable (to reset and close again)");
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
  InitializeCriticalSection(&eventsLock);
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
  CheckNotice(mark, MOM_OPEN, "midiOutOpen");
  mark = EventCount();
  HMIDIIN input = nullptr;
  const MMRESULT inOpened = midiInOpen(&input, inputId, reinterpret_cast<DWORD_PTR>(&Record), 0, CALLBACK_FUNCTION);
  Check(inOpened == MMSYSERR_NOERROR, "the loopback input opens", "gives %u", inOpened);
  CheckNotice(mark, MIM_OPEN, "midiInOpen");
  if (outOpened != MMSYSERR_NOERROR || inOpened != MMSYSERR_NOERROR) return 1;
  HMIDIIN second = nullptr;
  Finding("opening the open input again gives %u", midiInOpen(&second, inputId, 0, 0, CALLBACK_NULL));

  std::vector<Buffer> buffers;
  for (int i = 0; i < 4; ++i) buffers.emplace_back(64);
  ProbeLending(input, buffers);
  startTime = timeGetTime();
  midiInStart(input);
  ProbeOrderAndTimes(output, buffers);
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
  CheckNotice(mark, MIM_CLOSE, "midiInClose");
  ProbeLateCallbacks(inputId, output);

  Buffer last(4);
  std::memcpy(last.data.data(), "\xF0\x7D\x55\xF7", 4);
  midiOutPrepareHeader(output, &last.header, sizeof(MIDIHDR));
  midiOutLongMsg(output, &last.header, sizeof(MIDIHDR));
  mark = EventCount();
  const MMRESULT outClosed = midiOutClose(output);
  Finding("midiOutClose right after midiOutLongMsg (header still prepared) gives %u", outClosed);
  CheckNotice(mark, MOM_CLOSE, "midiOutClose");

  if (argc > 1) ProbeHotPlug(argv[1], devices, inputId, outputId);
  std::printf("%d check(s) failed\n", failures);
  return failures == 0 ? 0 : 1;
}
