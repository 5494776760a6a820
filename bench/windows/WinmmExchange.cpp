// winmm-exchange.exe: the baseline of the whole update on Windows' own MIDI services. The same
// conversation as the tool's, acknowledgement-paced with one block in flight, straight on winmm:
// probes until the ReadyReply, block 0 then each further flagged block on the acknowledgement of
// the one before, then the FinishRequest. winmm's callback thread hands each reply to the main
// thread, which waits for it: one hand-over per reply.
//
// With --through-a-window the hand-overs are the tool's own kind: winmm's callbacks post each reply
// and each finished message to a message window of the tool's own framework, whose messages the
// main thread takes, and a sent message's header is unprepared when its completion arrives there.
// What that costs against the plain exchange is the platform's, not the tool's.
#include <windows.h>
// After windows.h, which it builds on.
#include <mmsystem.h>

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <list>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "firmware/Conversation.h"
#include "firmware/FirmwareImage.h"
#include "framework/MessageWindow.h"

namespace {

using namespace std::chrono_literals;

constexpr auto kReplyTimeout = 10s;
// As often as the tool probes.
constexpr auto kProbeInterval = 250ms;
constexpr int kProbes = 40;
constexpr std::size_t kInputBufferCount = 16;
constexpr DWORD kInputBufferSize = 256;

// Posted to the hidden window: a reply's buffer, and a sent message's header that is done.
constexpr UINT kReplyArrived = WM_APP + 1;
constexpr UINT kMessageDone = WM_APP + 2;

// The replies' buffers as winmm hands them back, for the main thread; the callback only stores
// and signals, or with a window only posts.
class Replies {
 public:
  explicit Replies(HWND window) : window_(window) {}

  static void CALLBACK Receive(HMIDIIN, UINT message, DWORD_PTR replies, DWORD_PTR header, DWORD_PTR) {
    if (message != MIM_LONGDATA) return;
    auto& self = *reinterpret_cast<Replies*>(replies);
    if (self.window_ != nullptr) {
      PostMessageA(self.window_, kReplyArrived, 0, static_cast<LPARAM>(header));
      return;
    }
    {
      const std::lock_guard lock(self.mutex_);
      self.done_.push_back(reinterpret_cast<MIDIHDR*>(header));
    }
    self.arrived_.notify_one();
  }

  // The window's procedure hands a reply over here, on the main thread.
  void Take(MIDIHDR* header) { done_.push_back(header); }

  // Waits up to `timeout` for a reply of `kind`, passing over others; each buffer goes back to
  // the device.
  bool WaitFor(HMIDIIN in, std::uint8_t kind, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
      MIDIHDR* const header = window_ != nullptr ? NextFromWindow(deadline) : NextFromCallback(deadline);
      if (header == nullptr) return false;
      const bool matches = header->dwBytesRecorded > firmware::kKindIndex &&
                           static_cast<std::uint8_t>(header->lpData[firmware::kKindIndex]) == kind;
      midiInAddBuffer(in, header, sizeof *header);
      if (matches) return true;
    }
  }

 private:
  MIDIHDR* NextFromCallback(std::chrono::steady_clock::time_point deadline) {
    std::unique_lock lock(mutex_);
    if (!arrived_.wait_until(lock, deadline, [this] { return !done_.empty(); })) return nullptr;
    return PopFront();
  }

  MIDIHDR* NextFromWindow(std::chrono::steady_clock::time_point deadline) {
    MSG message;
    while (done_.empty()) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return nullptr;
      if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left.count()), QS_ALLINPUT);
        continue;
      }
      DispatchMessageA(&message);
    }
    return PopFront();
  }

  MIDIHDR* PopFront() {
    MIDIHDR* const header = done_.front();
    done_.pop_front();
    return header;
  }

  HWND window_;
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::deque<MIDIHDR*> done_;
};

std::optional<UINT> FindDevicePort(UINT count, auto nameOf) {
  std::optional<UINT> found;
  for (UINT device = 0; device < count; ++device)
    if (nameOf(device).find(firmware::kDevicePortName) != std::string::npos) found = device;
  return found;
}

std::string InputName(UINT device) {
  MIDIINCAPSA caps{};
  return midiInGetDevCapsA(device, &caps, sizeof caps) == MMSYSERR_NOERROR ? std::string(caps.szPname) : "";
}

std::string OutputName(UINT device) {
  MIDIOUTCAPSA caps{};
  return midiOutGetDevCapsA(device, &caps, sizeof caps) == MMSYSERR_NOERROR ? std::string(caps.szPname) : "";
}

// Every message sent, each with its header, kept until the output is closed.
class Sender {
 public:
  explicit Sender(HMIDIOUT out) : out_(out) {}

  bool Send(std::vector<std::uint8_t> bytes) {
    auto& [message, header] = sent_.emplace_back(std::move(bytes), MIDIHDR{});
    header.lpData = reinterpret_cast<LPSTR>(message.data());
    header.dwBufferLength = static_cast<DWORD>(message.size());
    return midiOutPrepareHeader(out_, &header, sizeof header) == MMSYSERR_NOERROR &&
           midiOutLongMsg(out_, &header, sizeof header) == MMSYSERR_NOERROR;
  }

  static void CALLBACK Done(HMIDIOUT, UINT message, DWORD_PTR window, DWORD_PTR header, DWORD_PTR) {
    if (message == MOM_DONE) PostMessageA(reinterpret_cast<HWND>(window), kMessageDone, 0, static_cast<LPARAM>(header));
  }

  void Unprepare(MIDIHDR* header) { midiOutUnprepareHeader(out_, header, sizeof *header); }

 private:
  HMIDIOUT out_;
  std::list<std::pair<std::vector<std::uint8_t>, MIDIHDR>> sent_;
};

bool Exchange(HMIDIIN in, Sender& out, Replies& replies) {
  bool ready = false;
  for (int probe = 0; probe < kProbes && !ready; ++probe) {
    if (!out.Send(firmware::ConversationBytes(firmware::kProbeRequest))) return false;
    ready = replies.WaitFor(in, firmware::kReadyReply, kProbeInterval);
  }
  if (!ready) return false;
  const firmware::FirmwareImageTable& table = firmware::FirmwareImage();
  for (std::size_t block = 0; block < firmware::kBlockCount; ++block) {
    if (block != 0 && table.BlockFlags[block] != 1) continue;
    const auto message = firmware::BlockMessage(static_cast<std::uint8_t>(block));
    if (!out.Send({message.begin(), message.end()})) return false;
    if (!replies.WaitFor(in, firmware::kBlockAckReply, kReplyTimeout)) return false;
  }
  return out.Send(firmware::ConversationBytes(firmware::kFinishRequest));
}

int Run(bool throughAWindow) {
  const auto source = FindDevicePort(midiInGetNumDevs(), InputName);
  const auto destination = FindDevicePort(midiOutGetNumDevs(), OutputName);
  if (!source || !destination) {
    std::fprintf(stderr, "winmm-exchange: no port named %s\n", firmware::kDevicePortName);
    return 1;
  }
  // The tool's own kind of message window; what its method hands the messages to comes below.
  Replies* replyTarget = nullptr;
  Sender* doneTarget = nullptr;
  HWND window = nullptr;
  if (throughAWindow) {
    window = framework::AllocateHWnd([&](framework::TMessage& message) {
      auto* header = reinterpret_cast<MIDIHDR*>(message.LParam);
      if (message.Msg == kReplyArrived) replyTarget->Take(header);
      if (message.Msg == kMessageDone && doneTarget != nullptr) doneTarget->Unprepare(header);
    });
  }
  Replies replies(window);
  replyTarget = &replies;
  HMIDIIN in = nullptr;
  HMIDIOUT out = nullptr;
  const bool outputOpened =
      throughAWindow ? midiOutOpen(&out, *destination, reinterpret_cast<DWORD_PTR>(&Sender::Done),
                                   reinterpret_cast<DWORD_PTR>(window), CALLBACK_FUNCTION) == MMSYSERR_NOERROR
                     : midiOutOpen(&out, *destination, 0, 0, CALLBACK_NULL) == MMSYSERR_NOERROR;
  if (midiInOpen(&in, *source, reinterpret_cast<DWORD_PTR>(&Replies::Receive), reinterpret_cast<DWORD_PTR>(&replies),
                 CALLBACK_FUNCTION) != MMSYSERR_NOERROR ||
      !outputOpened) {
    std::fprintf(stderr, "winmm-exchange: the device's ports do not open\n");
    return 1;
  }
  std::vector<std::array<char, kInputBufferSize>> buffers(kInputBufferCount);
  std::vector<MIDIHDR> headers(kInputBufferCount);
  for (std::size_t i = 0; i < kInputBufferCount; ++i) {
    headers[i].lpData = buffers[i].data();
    headers[i].dwBufferLength = kInputBufferSize;
    midiInPrepareHeader(in, &headers[i], sizeof headers[i]);
    midiInAddBuffer(in, &headers[i], sizeof headers[i]);
  }
  midiInStart(in);
  Sender sender(out);
  doneTarget = &sender;
  const bool done = Exchange(in, sender, replies);
  // Closing the port at once could cut off the finish still on its way.
  Sleep(200);
  if (!done) std::fprintf(stderr, "winmm-exchange: the device stopped answering\n");
  return done ? 0 : 1;
}

}  // namespace

// The process ends without the system libraries' own end: wine's ALSA MIDI driver faults there
// (as app/win32/main.cpp explains).
int main(int argc, char** argv) {
  const int status = Run(argc > 1 && std::string_view(argv[1]) == "--through-a-window");
  std::fflush(nullptr);
  ::TerminateProcess(::GetCurrentProcess(), static_cast<UINT>(status));
  return status;
}
