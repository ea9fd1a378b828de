// What one run of vekctl (or one shell) shares between its subcommands: where
// to connect, the open link, where output goes, and the progress display of
// moves and searches that are waited on.
#ifndef VEK_TOOLS_SESSION_H
#define VEK_TOOLS_SESSION_H

#include <cstdint>
#include <cstdio>
#include <string>

#include "tools/link.h"
#include "tools/report.h"

namespace vekctl {

// Exit codes: 0 success, 1 the library reported a failure, 2 a usage error.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

class Session {
 public:
  Session(std::FILE* out, std::FILE* err, bool terminal) : out_(out), err_(err), terminal_(terminal) {}

  LinkTarget& target() { return target_; }
  std::FILE* out() const { return out_; }
  std::FILE* err() const { return err_; }
  bool terminal() const { return terminal_; }

  // Opens the link on first use, saying where it connected; false (after
  // reporting why) when it could not.
  bool Connect();
  void Disconnect() { link_.Close(); }
  uint32_t* handle() { return link_.handle(); }
  const TransportOps& ops() const { return link_.ops(); }

  // Reports "vekctl: <what>: VEK_ERROR_... (n)" and returns kExitFailed, or
  // returns kExitOk for VEK_SUCCESS.
  int Check(const char* what, uint32_t code);

  // Waits until every axis of `mask` has the flag of `group` (0 done, 1
  // limit) set, polling the flags and motor positions and showing progress
  // toward `target` (null when there is none): one line rewritten in place
  // on a terminal, plain lines otherwise. Returns VEK_ERROR_WAIT_TIMEOUT
  // when `timeoutMs` passes first, or the first failure of a read.
  uint32_t WaitWithProgress(const char* what, int32_t mask, int group, const int32_t start[kAxisCount],
                            const int32_t* target, int32_t timeoutMs);

 private:
  std::FILE* out_;
  std::FILE* err_;
  bool terminal_;
  LinkTarget target_;
  Link link_;
};

}  // namespace vekctl

#endif  // VEK_TOOLS_SESSION_H
