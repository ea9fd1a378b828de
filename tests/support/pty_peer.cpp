#include "tests/support/pty_peer.h"

#include <fcntl.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>

namespace vek::test {

PtyPeer::PtyPeer(int port) : envName_("VEKKESTRA_COM" + std::to_string(port)) {
  char name[128] = {};
  int master = -1;
  int slave = -1;
  if (openpty(&master, &slave, name, nullptr, nullptr) != 0) return;
  // Raw mode (the settings are shared by both sides); the peer keeps its own
  // slave descriptor open so that the master never sees a hang-up while the
  // library has the port closed.
  termios raw{};
  tcgetattr(slave, &raw);
  cfmakeraw(&raw);
  tcsetattr(slave, TCSANOW, &raw);
  fcntl(master, F_SETFD, FD_CLOEXEC);
  fcntl(slave, F_SETFD, FD_CLOEXEC);
  slave_ = slave;
  slavePath_ = name;
  setenv(envName_.c_str(), slavePath_.c_str(), 1);
  Start(master, -1, false);
}

PtyPeer::~PtyPeer() {
  if (!ok()) return;
  Stop();
  close(slave_);
  unsetenv(envName_.c_str());
}

// The terminal's input queue, as the peer's own slave descriptor sees it.
int PtyPeer::Unread() const {
  int bytes = 0;
  return ioctl(slave_, FIONREAD, &bytes) == 0 ? bytes : 0;
}

std::vector<ReplyPart> PtyPeer::Unscripted(const std::string& command) {
  for (const auto& [text, parts] : rules_) {
    if (text == command) return parts;
  }
  return {};
}

}  // namespace vek::test
