// One connection to a controller, as the motion core uses it: the exports of
// its transport, the handle variable the library keeps the socket or port in,
// and the recovery from a lost reply. A reply that came too late would be
// taken as the next call's answer: on TCP the socket is closed at once and
// opened again before the next call; a serial port is read empty before its
// next query, until the late line has come and the port is quiet again.
//
// Not locked: the controller that owns the link holds its lock around every
// call.
#ifndef VEK_MOTION_LINK_H
#define VEK_MOTION_LINK_H

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "commands/operations.h"
#include "motion/failure.h"

namespace vek::motion {

using Clock = std::chrono::steady_clock;

// What a call is going to do with the line: a query reads an answer, and must
// not be handed a late one; reading flags only folds notifications; a plain
// send on serial reads nothing at all.
enum class Use { kSend, kFlags, kQuery };

class Link {
 public:
  static uint32_t OpenTcp(const char* host, int32_t port, std::unique_ptr<Link>* link, Failure* f);
  static uint32_t OpenSerial(int32_t com, int32_t baud, std::unique_ptr<Link>* link, Failure* f);
  ~Link();
  Link(const Link&) = delete;
  Link& operator=(const Link&) = delete;

  void Close();
  bool open() const { return open_; }
  bool serial() const { return serial_; }
  const std::string& where() const { return where_; }
  const vek::Exports& ops() const { return *ops_; }
  uint32_t* handle() { return &handle_; }
  std::string Op(const char* name) const { return std::string(serial_ ? "VEKser_" : "VEKnet_") + name; }

  // Makes the line ready for a call of this use: refuses a closed link,
  // reconnects after a lost reply, reads a serial port empty before a query.
  uint32_t Ready(Use use, Failure* f);
  // A call's result: remembers a lost reply, and fills `f` for a failure.
  uint32_t Result(uint32_t code, const char* name, Failure* f);
  // Whether the TCP connection was opened again since the last look (which
  // reset the transport's status word, so flags may have been lost).
  bool TakeReopened();

  // The status word after reading everything that has arrived until the line
  // is quiet: every notification waiting is folded in.
  uint32_t FoldAll(uint32_t* word, Failure* f);
  // TCP: folds the chunks already waiting on the socket into `word` (none
  // waiting: no read, `word` untouched).
  uint32_t FoldWaiting(uint32_t* word, Failure* f);
  // The status word after the transport's refresh read (one chunk on TCP).
  uint32_t Word(uint32_t* word, Failure* f);
  uint32_t Query(const char* text, char* answer, int32_t size, Failure* f);

 private:
  Link(bool serial, std::string where);
  void Drain();
  uint32_t Reopen(Failure* f);

  const vek::Exports* ops_;
  bool serial_;
  std::string where_;
  uint32_t handle_ = 0;
  bool open_ = false;
  // TCP: the address that answered, for opening again.
  std::string address_;
  int32_t port_ = 0;
  bool reopen_ = false;
  bool reopened_ = false;
  // Serial: a late answer line may still come.
  bool drain_ = false;
  Clock::time_point drainSince_{};
};

}  // namespace vek::motion

#endif  // VEK_MOTION_LINK_H
