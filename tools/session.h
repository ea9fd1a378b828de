// What one run of vekctl (or one shell) shares between its subcommands: where
// to connect, the open controller, where output goes, and the watch that
// shows a motion's progress (and records it) while the motion core waits.
#ifndef VEK_TOOLS_SESSION_H
#define VEK_TOOLS_SESSION_H

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

#include "tools/link.h"
#include "tools/recording.h"
#include "tools/report.h"
#include "vekkestra_motion.h"

namespace vekctl {

// Exit codes: 0 success, 1 a failure (the core's error says which), 2 a
// usage error, 128 + the signal number after SIGINT (130), SIGTERM (143) or
// SIGHUP (129).
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitSignalBase = 128;

// Makes SIGINT, SIGTERM and SIGHUP (on Windows the console's Ctrl-C, Ctrl-Break
// and close) call the core's vekm_interrupt(), which ends a wait in progress
// with its axes stopped, and note the signal for EndSignal(); one that was
// ignored stays ignored. A second one ends vekctl at once.
void CatchEndSignals();
// The first of those signals that came, or 0.
int EndSignal();

// A blocking call of the core that starts a motion and waits for it to end
// (vekm_move with a time-out, vekm_home, vekm_find_limit, vekm_wait).
using MotionCall = std::function<uint32_t(VekmController*, VekmError*)>;

class Session {
 public:
  // `out` takes the results a subcommand was asked for, `err` everything
  // else: errors, notes and progress. `terminal` says whether `err` is a
  // terminal, where the progress line is rewritten in place.
  Session(std::FILE* out, std::FILE* err, bool terminal) : out_(out), err_(err), terminal_(terminal) {}

  LinkTarget& target() { return target_; }
  std::FILE* out() const { return out_; }
  std::FILE* err() const { return err_; }

  // Opens the controller on first use, saying what it connected to; false
  // (after reporting why) when it could not.
  bool Connect();
  void Disconnect() { link_.Close(); }
  VekmController* controller() const { return link_.controller(); }

  // For a call of the core: kExitOk on success, else reports
  // "vekctl: <what>: <the core's message>" and returns kExitFailed.
  int Report(const char* what, uint32_t code, const VekmError& error);
  // For a call of the library outside the core (the logger): reports the
  // code's name and meaning.
  int Check(const char* what, uint32_t code);

  // Runs `motion` on a thread of its own, so that the core alone decides
  // when the motion has ended and what a time-out, a limit, a slip or a
  // signal does. Meanwhile this thread looks at the axes of `mask` with
  // vekm_poll and shows their progress toward `target` (distances from where
  // the axes start with `relative`; null when there is none) on standard
  // error: one line rewritten in place on a terminal, plain lines otherwise;
  // a recording, if one runs, gets a row per look.
  uint32_t Watch(const char* what, int32_t mask, const int32_t* target, bool relative, const MotionCall& motion,
                 VekmError* error);

  // One vekm_poll: every axis's state and positions; the time is that of
  // the recording, if one runs.
  uint32_t Look(Sample* sample, VekmError* error);

  // From here on every look of a watch adds a row to `recording` (null ends
  // that); its time starts now.
  void RecordInto(Recording* recording);
  // Seconds since RecordInto started the recording's time.
  double RecordingSeconds() const;
  // Whether watches show their progress line.
  void ShowProgress(bool show) { progress_ = show; }

  // Before vekctl exits with `code`: after SIGINT, SIGTERM or SIGHUP, stops
  // the axes that vekctl set moving and that no wait stopped (vekm_moving),
  // says so, and gives 128 + the signal number; else `code`.
  int Finish(int code);

 private:
  void ShowLook(const char* what, int32_t mask, const int32_t start[kAxisCount], const int32_t* target, bool reached,
                bool last, double elapsed, const Sample& sample, double* lastPlain);

  std::FILE* out_;
  std::FILE* err_;
  bool terminal_;
  LinkTarget target_;
  Link link_;
  bool progress_ = true;
  bool finished_ = false;
  Recording* recording_ = nullptr;
  int64_t recordingStartUs_ = 0;
};

}  // namespace vekctl

#endif  // VEK_TOOLS_SESSION_H
