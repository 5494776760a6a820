#pragma once

// The QLT-1's side of the firmware conversation, without any MIDI: what it answers to each message
// from the tool, and what it received. It answers ProbeRequest with ReadyReply, checks every
// block (length, framing, number, the expected next flagged block) and answers BlockAckReply, or
// ErrorReply for a bad one, and counts FinishRequest. It can be switched off and on again. The
// heart of Qlt1Device, the one stand-in for the device. Not thread-safe: one caller at a time.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "firmware/Conversation.h"
#include "firmware/FirmwareImage.h"

namespace qlt1 {

using Message = std::vector<std::uint8_t>;

class Qlt1Model {
 public:
  struct Options {
    int readyAtProbe = 1;  // answers ready from this probe on (1: the first); 0: never
    int errorEvery = 0;    // an ErrorReply before every n-th good block's acknowledgement; 0: none
  };

  // `table` is the one the tool was built with: its flags say which block is due next, its rows
  // what each block must carry.
  Qlt1Model(const firmware::FirmwareImageTable& table, Options options);

  // Handles one message from the tool and gives the replies, in the order to send them.
  std::vector<Message> Receive(std::span<const std::uint8_t> message);
  // Off and on again: what it had received is gone (its faults and finishes are kept), and its
  // start-up stands for a probe, so that once ready it announces itself with ReadyReply. Gives
  // the replies to send.
  std::vector<Message> Restart();

  // Probes since the last restart; finishes, and those whose image was not verified, over every
  // restart.
  int Probes() const { return probes_; }
  int Finishes() const { return finishes_; }
  int BadImages() const { return badImages_; }
  // The numbers of the good blocks since the last restart, in the order they came.
  const std::vector<int>& BlocksReceived() const { return blocksReceived_; }
  const std::vector<std::string>& Faults() const { return faults_; }
  // What arrived, in the table format: flag 1 and the block's bytes for each good block.
  const firmware::FirmwareImageTable& Received() const { return *received_; }
  // Whether what arrived is the table block for block: every block due (0 and the flagged ones)
  // and no other, each row equal to the table's low bytes.
  bool ImageVerified() const;

 private:
  std::vector<Message> OnProbe();
  std::vector<Message> OnBlock(std::span<const std::uint8_t> block);
  std::string CheckBlock(std::span<const std::uint8_t> block) const;

  struct FreeTable {
    void operator()(firmware::FirmwareImageTable* table) const;
  };

  const firmware::FirmwareImageTable& table_;
  Options options_;
  int probes_ = 0;
  int finishes_ = 0;
  int badImages_ = 0;
  int expectedBlock_ = -1;  // none before the device is ready
  std::vector<int> blocksReceived_;
  std::vector<std::string> faults_;
  std::unique_ptr<firmware::FirmwareImageTable, FreeTable> received_;
};

}  // namespace qlt1
