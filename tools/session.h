// What one run of vekctl (or one shell) shares between its subcommands: where
// to connect, the open link, where output goes, the axes that vekctl has set
// moving, and the progress display of moves and searches that are waited on.
#ifndef VEK_TOOLS_SESSION_H
#define VEK_TOOLS_SESSION_H

#include <cstdint>
#include <cstdio>
#include <string>

#include "tools/link.h"
#include "tools/recording.h"
#include "tools/report.h"

namespace vekctl {

// Exit codes: 0 success, 1 the library reported a failure (or a wait ended
// on a limit or slip), 2 a usage error, 130 interrupted by Ctrl-C.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitInterrupted = 130;

// How a wait ended.
enum class WaitEnd {
  kReached,      // every awaited flag is set
  kTimedOut,     // the time-out passed first; nothing reported yet
  kFailed,       // a read failed, or a limit or slip flag of an awaited axis was set; reported
  kInterrupted,  // Ctrl-C: the moving axes were stopped; reported
};

// Installs the Ctrl-C handler, which only sets a flag that the waits poll.
void CatchInterrupts();
bool InterruptRequested();

class Session {
 public:
  // `out` takes the results a subcommand was asked for, `err` everything
  // else: errors, notes and progress. `terminal` says whether `err` is a
  // terminal, where the progress line is rewritten in place.
  Session(std::FILE* out, std::FILE* err, bool terminal) : out_(out), err_(err), terminal_(terminal) {}

  LinkTarget& target() { return target_; }
  std::FILE* out() const { return out_; }
  std::FILE* err() const { return err_; }
  bool terminal() const { return terminal_; }

  // Opens the link on first use, saying where it connected; false (after
  // reporting why) when it could not.
  bool Connect();
  void Disconnect() {
    link_.Close();
    moving_ = 0;
  }
  uint32_t* handle() { return link_.handle(); }
  const vek::Exports& ops() const { return link_.ops(); }

  // Reports "vekctl: <what>: VEK_ERROR_... (n)" and returns kExitFailed, or
  // returns kExitOk for VEK_SUCCESS.
  int Check(const char* what, uint32_t code);

  // The axes that vekctl set moving on this link and has not seen come to
  // rest: the ones a Ctrl-C stops.
  void Started(int32_t mask) { moving_ |= mask; }
  void Settled(int32_t mask) { moving_ &= ~mask; }

  // After a Ctrl-C: lets a second one end vekctl at once, stops the moving
  // axes on the open link, says so (once) and returns kExitInterrupted.
  int Interrupted();

  // One look at the controller: the status word and the motor positions,
  // and the encoder positions with `encoders`; the time is that of the
  // recording, if one runs.
  uint32_t Look(Sample* sample, bool encoders);

  // From here on every poll of a wait adds a row to `recording` (null ends
  // that); its time starts now.
  void RecordInto(Recording* recording);
  // Seconds since RecordInto started the recording's time.
  double RecordingSeconds() const;
  // Whether waits show their progress line.
  void ShowProgress(bool show) { progress_ = show; }

  // Waits until every axis of `mask` has the flag of `group` (0 done, 1
  // limit) set, polling the flags and motor positions and showing progress
  // toward `target` (null when there is none): one line rewritten in place
  // on a terminal, plain lines otherwise. A slip flag of an awaited axis, or
  // its limit flag while waiting for done, ends the wait at once and stops
  // the awaited axes that are still moving: clear those flags before the
  // motion starts. `timeoutMs` 0 waits without limit.
  WaitEnd WaitWithProgress(const char* what, int32_t mask, int group, const int32_t start[kAxisCount],
                           const int32_t* target, int32_t timeoutMs);
  // The exit status of a wait, reporting a time-out as the library's result.
  int WaitExit(const char* what, WaitEnd end);

 private:
  void ShowPoll(const char* what, int32_t mask, const int32_t start[kAxisCount], const int32_t* target, bool reached,
                bool last, double elapsed, const Sample& sample, double* lastPlain);
  void ReportEnd(const char* what, WaitEnd end, uint32_t result, int32_t mask, int group, uint32_t word);

  std::FILE* out_;
  std::FILE* err_;
  bool terminal_;
  LinkTarget target_;
  Link link_;
  int32_t moving_ = 0;
  bool interrupted_ = false;
  bool progress_ = true;
  Recording* recording_ = nullptr;
  int64_t recordingStartUs_ = 0;
};

}  // namespace vekctl

#endif  // VEK_TOOLS_SESSION_H
