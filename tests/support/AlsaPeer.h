#pragma once

// The test's own end of an ALSA sequencer loopback, made of sequencer clients of our own (not the
// transport's), on libasound directly so that the test decides when the receiving end reads: a
// port that the transport lists as an input (the test sends through it) and one it lists as an
// output (a thread of the peer reads what arrives there, whole messages, System Exclusive
// reassembled, and counts the times the sequencer emptied its queue because it overflowed).
//
// The sequencer holds what a client has not read yet in that client's input pool, and a sender
// is never held back: an event the pool has no room for is dropped, and the receiver's next read
// throws away the rest of its queue too. The destination's pool is therefore the largest the
// kernel allows (a block message takes some 110 cells of it; the default pool has 200).

#include <alsa/asoundlib.h>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/SysexMessage.h"

namespace testsupport {

struct SequencerCloser {
  void operator()(snd_seq_t* sequencer) const { snd_seq_close(sequencer); }
};
struct CoderFreer {
  void operator()(snd_midi_event_t* coder) const { snd_midi_event_free(coder); }
};
using Sequencer = std::unique_ptr<snd_seq_t, SequencerCloser>;
using Coder = std::unique_ptr<snd_midi_event_t, CoderFreer>;

class AlsaPeer {
 public:
  // Throws std::runtime_error when the sequencer cannot make the peer's ports.
  AlsaPeer();
  ~AlsaPeer();
  AlsaPeer(const AlsaPeer&) = delete;
  AlsaPeer& operator=(const AlsaPeer&) = delete;

  // The ports' full names, as RtMidi lists them.
  std::string SourceName() const { return sourceName_; }
  std::string DestinationName() const { return destinationName_; }

  // Sends `message` as one event; false when the sequencer refused it.
  bool Send(const Bytes& message);
  void RemoveDestination();

  // What arrived at the destination, once `count` messages have or the time is up.
  std::vector<Bytes> Received(std::size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(5));
  // Whether `message` has arrived, waiting for it until the time is up.
  bool WaitFor(const Bytes& message, std::chrono::milliseconds timeout);
  // Times the destination's queue overflowed, so that the sequencer threw away what it held.
  int Overruns();
  // Whether the destination has read past an overflow, waiting for one until the time is up.
  bool WaitForOverrun(std::chrono::milliseconds timeout);

  // While paused the destination reads nothing, as a receiver that is slow to read; once Pause
  // returns no read is under way.
  void Pause();
  void Resume();

 private:
  void Read();
  void TakePending();
  void Take(const snd_seq_event_t& event);

  Sequencer source_;
  Sequencer destination_;
  int sourcePort_ = -1;
  int destinationPort_ = -1;
  std::string sourceName_;
  std::string destinationName_;
  Coder encoder_;
  Coder decoder_;  // the reader's
  int wake_ = -1;  // an eventfd that ends the reader's poll

  std::mutex mutex_;  // held while the reader reads
  std::condition_variable changed_;
  bool paused_ = false;
  bool stopping_ = false;
  std::vector<Bytes> received_;
  Bytes partialSysex_;
  int overruns_ = 0;
  std::thread reader_;
};

}  // namespace testsupport
