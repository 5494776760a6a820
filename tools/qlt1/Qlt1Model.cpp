#include "tools/qlt1/Qlt1Model.h"
#include "firmware/Conversation.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <new>

namespace qlt1 {

namespace {

using firmware::kFrameStart;
using firmware::kKindIndex;

bool HasFrame(std::span<const std::uint8_t> message) {
  return message.size() >= firmware::kMessageLength &&
         std::equal(kFrameStart.begin(), kFrameStart.end(), message.begin()) && message.back() == firmware::kSysexEnd;
}

// Zeroed by calloc, which takes a block this large from the system untouched, so that only the
// rows written take memory (zeroing it here would take all of its 2 MiB).
firmware::FirmwareImageTable* ZeroedTable() {
  void* table = std::calloc(1, sizeof(firmware::FirmwareImageTable));
  if (table == nullptr) throw std::bad_alloc();
  return static_cast<firmware::FirmwareImageTable*>(table);
}

}  // namespace

void Qlt1Model::FreeTable::operator()(firmware::FirmwareImageTable* table) const { std::free(table); }

Qlt1Model::Qlt1Model(const firmware::FirmwareImageTable& table, Options options)
    : table_(table), options_(options), received_(ZeroedTable()) {}

std::vector<Message> Qlt1Model::Receive(std::span<const std::uint8_t> message) {
  if (!HasFrame(message)) {
    faults_.push_back("a message of " + std::to_string(message.size()) + " bytes outside the conversation");
    return {};
  }
  switch (message[kKindIndex]) {
    case firmware::kProbeRequest:
      return OnProbe();
    case firmware::kBlock:
      return OnBlock(message);
    case firmware::kFinishRequest:
      ++finishes_;
      if (!ImageVerified()) ++badImages_;
      return {};
    default:
      faults_.push_back("a message of unknown kind " + std::to_string(message[kKindIndex]));
      return {};
  }
}

// Only the rows written are cleared: a run of many updates then keeps the pages of one update's
// blocks, neither the whole table's nor a fresh table's at each restart.
std::vector<Message> Qlt1Model::Restart() {
  for (const int block : blocksReceived_) {
    received_->BlockFlags[block] = 0;
    std::fill_n(received_->BlockData + block * firmware::kBlockLength, firmware::kBlockLength, 0u);
  }
  blocksReceived_.clear();
  probes_ = 0;
  expectedBlock_ = -1;
  return OnProbe();
}

// Every probe from the ready one on is answered, as the device does while it waits.
std::vector<Message> Qlt1Model::OnProbe() {
  ++probes_;
  if (options_.readyAtProbe == 0 || probes_ < options_.readyAtProbe) return {};
  expectedBlock_ = 0;
  return {firmware::ConversationBytes(firmware::kReadyReply)};
}

std::vector<Message> Qlt1Model::OnBlock(std::span<const std::uint8_t> block) {
  const std::string fault = CheckBlock(block);
  if (!fault.empty()) {
    faults_.push_back(fault);
    return {firmware::ConversationBytes(firmware::kErrorReply)};
  }
  const int number = expectedBlock_;
  received_->BlockFlags[number] = 1;
  std::copy(block.begin(), block.end(), received_->BlockData + number * firmware::kBlockLength);
  blocksReceived_.push_back(number);
  expectedBlock_ = firmware::NextFlaggedBlock(table_, number);
  std::vector<Message> replies;
  if (options_.errorEvery > 0 && blocksReceived_.size() % static_cast<std::size_t>(options_.errorEvery) == 0)
    replies.push_back(firmware::ConversationBytes(firmware::kErrorReply));
  replies.push_back(firmware::ConversationBytes(firmware::kBlockAckReply));
  return replies;
}

std::string Qlt1Model::CheckBlock(std::span<const std::uint8_t> block) const {
  if (expectedBlock_ < 0) return "a block while no block was due";
  if (block.size() != firmware::kBlockLength) return "a block of " + std::to_string(block.size()) + " bytes";
  const std::uint8_t high = block[firmware::kBlockNumberHighIndex];
  const std::uint8_t low = block[firmware::kBlockNumberLowIndex];
  const int number = static_cast<int>(firmware::BlockNumberOf(high, low));
  if (high > 0x0F || low > 0x0F) return "a block with a malformed number";
  if (number != expectedBlock_)
    return "block " + std::to_string(number) + " where block " + std::to_string(expectedBlock_) + " was due";
  const auto inside = block.subspan(1, block.size() - 2);
  if (std::any_of(inside.begin(), inside.end(), [](std::uint8_t byte) { return byte > firmware::kPayloadMax; }))
    return "a status byte inside block " + std::to_string(number);
  return "";
}

// Flagged blocks only: the rows of unflagged blocks are never sent, so they can't be compared.
bool Qlt1Model::ImageVerified() const {
  for (std::size_t block = 0; block < firmware::kBlockCount; ++block) {
    const bool due = block == 0 || table_.BlockFlags[block] == 1;
    if (due != (received_->BlockFlags[block] == 1)) return false;
    if (!due) continue;
    const std::uint32_t* row = table_.BlockData + block * firmware::kBlockLength;
    const std::uint32_t* got = received_->BlockData + block * firmware::kBlockLength;
    for (std::size_t i = 0; i < firmware::kBlockLength; ++i)
      if ((row[i] & 0xFF) != got[i]) return false;
  }
  return true;
}

}  // namespace qlt1
