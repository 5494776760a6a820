#include "tests/reliability/HostileQlt1.h"

#include <unistd.h>

#include <chrono>

#include "firmware/Conversation.h"
#include "firmware/FirmwareImage.h"

namespace reliability {

namespace {

// Messages in the conversation's frame that are no message of it.
std::vector<BYTE> BlockWithoutBody() { return firmware::ConversationBytes(firmware::kBlock); }

std::vector<BYTE> AcknowledgementWithAStrayByte() {
  std::vector<BYTE> bytes = firmware::ConversationBytes(firmware::kBlockAckReply);
  bytes.insert(bytes.end() - 1, 0x00);
  return bytes;
}

// A device's own rate: at most this many bytes (counting each message's bookkeeping) before a
// pause longer than a cycle, about 27,000 short messages a second.
constexpr std::size_t kBurstBytes = 4096;
constexpr std::size_t kPerMessageBytes = 16;
constexpr auto kBurstPause = std::chrono::milliseconds(8);
constexpr std::size_t kGiantPiece = 1024;
constexpr auto kRestartPoll = std::chrono::milliseconds(10);

// ReadyReply, then an acknowledgement of every block.
int RepliesPerUpdate() { return 1 + static_cast<int>(firmware::BlocksOfAnUpdate(firmware::FirmwareImage()).size()); }

std::string ClientName(const char* direction) { return "hostile-qlt1-" + std::to_string(getpid()) + "-" + direction; }

}  // namespace

HostileQlt1::HostileQlt1(Hostility hostility)
    : hostility_(hostility),
      floodPerReply_(hostility.flood / RepliesPerUpdate()),
      toTool_(platform::JackMidiOutput::Open(ClientName("out"), firmware::kDevicePortName)),
      fromTool_(platform::JackMidiInput::Open(ClientName("in"), firmware::kDevicePortName, arrivals_)) {
  if (toTool_ == nullptr || fromTool_ == nullptr) throw std::runtime_error("the hostile device found no JACK server");
  worker_ = std::jthread([this](std::stop_token stop) { Serve(stop); });
}

HostileQlt1::~HostileQlt1() {
  worker_.request_stop();
  worker_.join();
}

void HostileQlt1::Restart() { restartRequested_ = true; }

void HostileQlt1::Serve(std::stop_token stop) {
  qlt1::Message message;
  bool restart = false;
  while (Next(stop, message, restart)) {
    if (!restart) {
      Handle(message);
      continue;
    }
    Answer(updates_.Restart());
  }
}

bool HostileQlt1::Next(std::stop_token& stop, qlt1::Message& message, bool& restart) {
  while (!stop.stop_requested()) {
    restart = restartRequested_.exchange(false);
    if (restart) return true;
    if (std::optional<qlt1::Message> event = arrivals_.Take(kRestartPoll)) {
      message = std::move(*event);
      return true;
    }
  }
  return false;
}

void HostileQlt1::Handle(const qlt1::Message& message) { Answer(updates_.Receive(message)); }

void HostileQlt1::Answer(const std::vector<qlt1::Message>& replies) {
  for (const qlt1::Message& reply : replies) {
    SendMisbehaviour();
    if (!giantSent_ && hostility_.giantSysex > 0 && reply == firmware::ConversationBytes(firmware::kBlockAckReply)) {
      std::vector<BYTE> giant(hostility_.giantSysex, 0x55);
      giant.front() = 0xF0;
      giant.back() = 0xF7;
      for (std::size_t at = 0; at < giant.size(); at += kGiantPiece)
        Send({giant.begin() + static_cast<std::ptrdiff_t>(at),
              giant.begin() + static_cast<std::ptrdiff_t>(std::min(at + kGiantPiece, giant.size()))});
      giantSent_ = true;
    }
    SendReply(reply);
  }
}

// With garbage on, the reply goes in three pieces with real-time bytes between them, as a device
// that keeps its clock running while it answers.
void HostileQlt1::SendReply(const qlt1::Message& reply) {
  if (!hostility_.garbage) return Send(reply);
  Send({reply.begin(), reply.begin() + 3});
  Send({0xF8});
  Send({reply.begin() + 3, reply.begin() + 6});
  Send({0xFE});
  Send({reply.begin() + 6, reply.end()});
}

void HostileQlt1::SendMisbehaviour() {
  for (int i = 0; i < floodPerReply_; ++i) {
    if (hostility_.floodStatus == 0x90)
      Send({static_cast<BYTE>(i % 2 == 0 ? 0x90 : 0x80), 0x3C, 0x40});
    else
      Send({hostility_.floodStatus});
  }
  if (hostility_.cutShort) Send({0xF0, 0x7D, 0x01, 0x02, 0x03});
  if (!hostility_.garbage) return;
  for (const std::vector<BYTE>& stray : std::vector<std::vector<BYTE>>{{0xF7},
                                                                       {0x12, 0x34},
                                                                       {0xF4},
                                                                       {0xF5},
                                                                       {0xF9},
                                                                       {0xFD},
                                                                       {0xF0, 0x7D, 0x00, 0xF7},
                                                                       BlockWithoutBody(),
                                                                       AcknowledgementWithAStrayByte()})
    Send(stray);
}

// A JACK server slowed down by a loaded machine runs its cycles late; the output then holds
// what it has no room for, and Queue waits for room.
void HostileQlt1::Send(const std::vector<BYTE>& bytes) {
  if (burstBytes_ + bytes.size() + kPerMessageBytes > kBurstBytes) {
    std::this_thread::sleep_for(kBurstPause);
    burstBytes_ = 0;
  }
  burstBytes_ += bytes.size() + kPerMessageBytes;
  toTool_->Queue(bytes);
}

}  // namespace reliability
