// libFuzzer target: whatever the device sends, in whatever pieces and at whatever moment, through
// the simulated transport into the input port and the programming session; with probe ticks,
// failing sends, failing buffer loans, port reopenings (the reset hands every buffer back) and
// filter changes in between. SessionHarness checks every notice the session handles.

#include "firmware/Conversation.h"
#include "fuzz/ByteReader.h"
#include "fuzz/SessionHarness.h"

namespace {

using platform::PlatformCall;

constexpr std::size_t kLongestLiteral = 300;
constexpr std::size_t kLongestMessage = 20000;
constexpr int kLongestFlood = 3000;

midi::TMidiMsgFilter FilterFrom(fuzz::ByteReader& input) {
  const BYTE bits = input.Take<BYTE>();
  if ((bits & 3) == 3) return {midi::msgActiveSensing, midi::msgMidiTimeCode};
  if ((bits & 1) != 0) return {midi::msgActiveSensing};
  if ((bits & 2) != 0) return {midi::msgMidiTimeCode};
  return {};
}

fuzz::PortSetup SetupFrom(fuzz::ByteReader& input) {
  fuzz::PortSetup setup;
  setup.capacity = input.InRange<WORD>(1, 64);
  setup.bufferCount = input.InRange<WORD>(1, 16);
  setup.bufferSize = input.Flag() ? 4096 : input.InRange<WORD>(1, 600);
  setup.sysexOnly = input.Flag();
  setup.filter = FilterFrom(input);
  return setup;
}

// A reply of the conversation, whole, cut, lengthened or with another kind byte.
std::vector<BYTE> ReplyShaped(fuzz::ByteReader& input) {
  std::vector<BYTE> reply = firmware::ConversationBytes(input.InRange<BYTE>(0, 7));
  const std::size_t length = input.Flag() ? reply.size() : input.InRange<std::size_t>(0, 12);
  reply.resize(length, input.Take<BYTE>());
  return reply;
}

// A long message: a start, a body of one repeated byte pattern, an end byte or none.
std::vector<BYTE> LongMessage(fuzz::ByteReader& input) {
  std::vector<BYTE> message(input.InRange<std::size_t>(1, kLongestMessage));
  const BYTE seed = input.Take<BYTE>();
  for (std::size_t i = 0; i < message.size(); ++i) message[i] = static_cast<BYTE>((seed + i * 37) & 0x7F);
  message.front() = 0xF0;
  if (input.Flag()) message.back() = 0xF7;
  return message;
}

void Flood(fuzz::SessionHarness& harness, fuzz::ByteReader& input) {
  static constexpr DWORD kKinds[] = {0xF8, 0xFE, 0x403C90, 0x003C80};
  const DWORD message = kKinds[input.InRange<std::size_t>(0, std::size(kKinds) - 1)];
  const int count = input.InRange<int>(1, kLongestFlood);
  for (int i = 0; i < count; ++i) harness.InjectShort(message);
}

void FailLend(fuzz::SessionHarness& harness, fuzz::ByteReader& input) {
  const PlatformCall call = input.Flag() ? PlatformCall::midiInAddBuffer : PlatformCall::midiInPrepareHeader;
  static constexpr MMRESULT kCodes[] = {MMSYSERR_INVALHANDLE, MMSYSERR_INVALPARAM, MIDIERR_STILLPLAYING,
                                        MMSYSERR_NOMEM};
  harness.FailNextLend(call, kCodes[input.InRange<std::size_t>(0, std::size(kCodes) - 1)]);
}

void RunStep(fuzz::SessionHarness& harness, fuzz::ByteReader& input) {
  switch (input.InRange<int>(0, 10)) {
    case 0:
      harness.InjectShort(input.Take<DWORD>());
      break;
    case 1:
      harness.InjectSysex(input.Bytes(input.InRange<std::size_t>(0, kLongestLiteral)));
      break;
    case 2:
      harness.InjectSysex(ReplyShaped(input));
      break;
    case 3:
      harness.InjectSysex(LongMessage(input));
      break;
    case 4:
      harness.Deliver();
      break;
    case 5:
      harness.Tick();
      break;
    case 6:
      harness.FailNextSend();
      break;
    case 7:
      FailLend(harness, input);
      break;
    case 8:
      harness.Reopen();
      break;
    case 9: {
      const bool sysexOnly = input.Flag();
      harness.SetFilters(sysexOnly, FilterFrom(input));
      break;
    }
    default:
      Flood(harness, input);
      break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::ByteReader input({data, size});
  fuzz::SessionHarness harness(SetupFrom(input));
  while (!input.Empty()) RunStep(harness, input);
  harness.Deliver();
  return 0;
}
