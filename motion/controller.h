// A controller as the motion core keeps it: the link, a lock that every call
// holds (a wait holds it one slice at a time), and the record of the axes it
// set moving, which the waits, the stops on the way out and the tracker share.
#ifndef VEK_MOTION_CONTROLLER_H
#define VEK_MOTION_CONTROLLER_H

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "motion/failure.h"
#include "motion/link.h"
#include "motion/status.h"
#include "vekkestra_motion.h"

namespace vek::motion {

enum class Motion { kMove, kHome, kLimitSearch, kJog };

// One axis set moving by this controller and not yet seen to end.
struct AxisRecord {
  bool active = false;
  Motion kind = Motion::kMove;
  int32_t group = 0;  // the axes of the same command: a trip of one stops the others
  bool hasTarget = false;
  int32_t target = 0;
  bool seenMoving = false;
  bool stopping = false;          // the application asked for its stop
  int waits = 0;                  // waits on it now: the tracker leaves its end to them
  Clock::time_point confirmAt{};  // when to ask the controller whether it still moves
  uint64_t mark = 0;
  std::thread::id starter;
  std::string operation;
};

// What the tracker remembers between two polls.
struct Tracked {
  bool seen = false;
  bool moving = false;
  int32_t motor = 0;
  int32_t direction = 0;
};

class Controller {
 public:
  explicit Controller(std::unique_ptr<Link> link) : link_(std::move(link)) {}

  uint32_t Move(int32_t mask, const int32_t* values, int32_t options, int32_t timeoutMs, Failure* f,
                const char* name = "vekm_move");
  uint32_t Home(int32_t axis, int32_t value, int32_t options, int32_t timeoutMs, Failure* f);
  uint32_t FindLimit(int32_t axis, int32_t velocity, int32_t options, int32_t timeoutMs, Failure* f);
  uint32_t Jog(int32_t mask, const double* velocities, Failure* f);
  uint32_t Halt(int32_t mask, bool abrupt, Failure* f);
  uint32_t Wait(int32_t mask, int32_t options, int32_t timeoutMs, Failure* f);

  uint32_t Poll(VekmAxisState* states, uint32_t* word, Failure* f);
  uint32_t StatusWord(uint32_t* word, Failure* f);
  uint32_t Positions(int32_t* motor, int32_t* encoder, Failure* f);
  uint32_t EnableSlipDetection(int32_t mask, int32_t tolerance, Failure* f);
  uint32_t Send(const char* text, Failure* f);
  uint32_t Query(const char* text, char* answer, int32_t size, Failure* f);
  uint32_t WithHandle(const char* operation, VekmHandleCall call, void* context, Failure* f);
  // One export of the transport by the operation table's name, under the lock
  // and with recovery; `run` calls it with the handle.
  template <class Run>
  uint32_t Call(const char* name, Use use, Run run, Failure* f) {
    std::lock_guard<std::mutex> hold(mutex_);
    const uint32_t interrupts = vekm_interrupt_count();
    uint32_t code = link_->Ready(use, f);
    if (code == VEK_SUCCESS) code = link_->Result(run(link_->ops(), link_->handle()), name, f);
    return Interrupted(code, interrupts, f);
  }

  void Cancel();
  int32_t Moving();
  uint64_t Mark();
  int32_t MovingSince(uint64_t mark, bool thisThreadOnly);
  void Close();
  bool IsOpen();
  bool IsSerial();
  std::string Where();

 private:
  struct Look;

  uint32_t Start(Motion kind, int32_t mask, const int32_t* targets, bool relative, bool waited, const char* name,
                 const std::function<uint32_t()>& command, Failure* f);
  // A motion to start: its axes, targets, the export's name and the call
  // that sends it (time-out 0: the core waits itself).
  struct Request {
    Motion kind;
    int32_t mask;
    const int32_t* targets;
    bool relative;
    const char* name;
    std::function<uint32_t()> command;
  };
  uint32_t StartAndWait(const Request& r, int32_t options, int32_t timeoutMs, Failure* f);
  // Start's pieces: the absolute targets (and which are known), the flags
  // cleared before the command, the records made before it goes out.
  uint32_t TargetsOf(int32_t mask, const int32_t* targets, bool relative, int32_t* absolute, bool* known, Failure* f);
  uint32_t ClearFlags(int32_t mask, Failure* f);
  void Record(Motion kind, int32_t mask, const int32_t* absolute, const bool* known, bool waited, const char* name);
  // What a call saw when it began: a cancel or an interrupt that comes while
  // its motion is being started ends its wait too.
  struct Marks {
    uint64_t cancels;
    uint32_t interrupts;
    bool adopted;  // the motion's records already count this wait
  };
  Marks MarksNow(bool adopted = false) const { return Marks{cancels_.load(), vekm_interrupt_count(), adopted}; }
  uint32_t RunWait(int32_t mask, int32_t options, int32_t timeoutMs, Marks marks, Failure* f);
  uint32_t LookOnce(int32_t mask, Look* look, Failure* f);
  uint32_t ReadAxes(AxisStatus* status, int32_t* motor, int32_t* encoder, Failure* f);
  uint32_t Tripped(int32_t mask, uint32_t word, const AxisStatus* status, const int32_t* motor, Failure* f);
  uint32_t Finish(int32_t mask, const AxisStatus* status, const int32_t* motor, uint32_t before, uint32_t word,
                  Look* look, Failure* f);
  uint32_t EndedEarly(uint32_t code, int32_t axis, int32_t position, bool read, int32_t mask, const std::string& detail,
                      Failure* f);
  void StopQuietly(int32_t mask);
  void Settle(int32_t mask);
  void Forget(int32_t mask);
  // A motion call that marked its axes as waited on and then did not wait.
  void Unadopt(int32_t mask);
  int32_t Active() const;
  int32_t GroupOf(int32_t mask) const;
  int32_t EndOfPolled(int index, int32_t motor, uint32_t word);
  // The tracker's pieces: its look (once more after a passing failure),
  // whether the status word must be read after it, and one axis's state.
  uint32_t PollLook(AxisStatus* status, int32_t* motor, int32_t* encoder, uint32_t interrupts, Failure* f);
  bool PollNeedsWord(const AxisStatus* status);
  VekmAxisState TrackAxis(int index, const AxisStatus& status, int32_t motor, int32_t encoder);
  uint32_t Interrupted(uint32_t code, uint32_t interruptsAtStart, Failure* f);
  void Pause(Clock::time_point until, uint64_t cancelMark);

  std::mutex mutex_;
  std::unique_ptr<Link> link_;
  AxisRecord records_[kAxes];
  Tracked tracked_[kAxes];
  uint64_t starts_ = 0;
  uint32_t lastWord_ = 0;
  int pollsSinceWord_ = 0;
  std::atomic<uint64_t> cancels_{0};
  std::mutex pauseMutex_;
  std::condition_variable pause_;
};

// The signal that vekm_interrupt() recorded last, for the waits it ends.
int32_t LastInterruptSignal();
// Waits running in the process, so that a signal whose default is to end the
// process can wait for them to stop their axes.
void WaitBegins();
void WaitEnds();
// After a wait stopped its axes for a signal whose default action ends the
// process: ends it as that signal would.
void EndIfSignalWantsIt();
// "X,Y": the letters of a mask, for messages.
std::string AxisList(int32_t mask);

}  // namespace vek::motion

#endif  // VEK_MOTION_CONTROLLER_H
