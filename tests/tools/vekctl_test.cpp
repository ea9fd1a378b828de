// vekctl run as a user runs it, against the simulator it embeds: output is
// read through a pipe, and through a pseudo-terminal where the progress line
// behaves differently.
#include <gtest/gtest.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <regex>
#include <string>

namespace {

struct Outcome {
  int status = -1;
  std::string output;  // stdout and stderr together
};

// Runs vekctl with `args` (already quoted for the shell) and `input` on its
// standard input.
Outcome RunVekctl(const std::string& args, const std::string& input = "") {
  const std::string inputPath = testing::TempDir() + "vekctl_test_input.txt";
  if (FILE* in = std::fopen(inputPath.c_str(), "w")) {
    std::fputs(input.c_str(), in);
    std::fclose(in);
  }
  const std::string command = std::string("'") + VEKCTL_PATH + "' " + args + " <'" + inputPath + "' 2>&1";
  Outcome run;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  char buffer[512];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, got);
  const int raw = pclose(pipe);
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return run;
}

bool Has(const std::string& text, const std::string& pattern) { return std::regex_search(text, std::regex(pattern)); }

TEST(Vekctl, DemoHomesMovesAndShowsPositionsAndLog) {
  const Outcome run = RunVekctl("demo");
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(Has(run.output, "started the embedded simulator on 127\\.0\\.0\\.1:[1-9][0-9]*\n")) << run.output;
  EXPECT_TRUE(Has(run.output, "homing Y .* done in [0-9.]+ s\n")) << run.output;
  EXPECT_TRUE(Has(run.output, "moving X to 8000 and Y to -5000 .* done in")) << run.output;
  // Homed, then moved: the motor column shows both axes at their targets
  // (homing sets the motor position only, so the encoders may differ).
  EXPECT_TRUE(Has(run.output, "\nX +8000 +-?[0-9]+ +-?[0-9]+\nY +-5000 +-?[0-9]+ +-?[0-9]+\n")) << run.output;
  // The tail of the trace log ends with the logger's stop banner.
  EXPECT_TRUE(Has(run.output, "last 10 lines of the trace log:\n  [0-9:.]+ - 0x[0-9A-F]+ - ")) << run.output;
  EXPECT_TRUE(Has(run.output, "  Logger Stop: .*\ndemo finished\n$")) << run.output;
}

TEST(Vekctl, FailuresNameTheResultCodeAndExitNonZero) {
  // Nothing listens on port 1 of the loopback interface.
  Outcome run = RunVekctl("--tcp 127.0.0.1:1 pos");
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_TRUE(Has(run.output, "vekctl: connect to 127\\.0\\.0\\.1:1: VEK_ERROR_ETHERNET_CONNECT \\(202\\)\n"))
      << run.output;

  // A move far too long for its time-out.
  run = RunVekctl("move X=500000 --wait --timeout 300");
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_TRUE(Has(run.output, "vekctl: move: VEK_ERROR_WAIT_TIMEOUT \\(6\\)\n")) << run.output;

  // A refused text fails the shell, which still runs the lines after it.
  run = RunVekctl("shell", "send NOT-A-COMMAND\npos\n");
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_TRUE(Has(run.output, "vekctl: send: VEK_ERROR_COMMAND_NAK \\(216\\)\n[\\s\\S]*\nK +0 +0 +0\n")) << run.output;

  // Usage errors exit with 2 and connect to nothing.
  run = RunVekctl("move Q=1");
  EXPECT_EQ(run.status, 2) << run.output;
  EXPECT_FALSE(Has(run.output, "simulator")) << run.output;
  EXPECT_EQ(RunVekctl("--tcp 127.0.0.1 --com 1 pos").status, 2);
  EXPECT_EQ(RunVekctl("").status, 2);
}

TEST(Vekctl, HelpVersionAndIo) {
  Outcome run = RunVekctl("log start --help");
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(Has(run.output, "--mask")) << run.output;

  run = RunVekctl("version");
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(run.output, "VekKestra DLL v1.03.02 - ethernet v1.03.01 - serial v1.03.01\n");

  run = RunVekctl("io --direction 0x00FF --set 3=1 --set 0=1");
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(Has(run.output, "direction 0x00FF")) << run.output;
  EXPECT_TRUE(Has(run.output, "\nstate +0  0  0  0  0  0  0  0  0  0  0  0  1  0  0  1\n")) << run.output;
}

TEST(Vekctl, ProgressLineIsRewrittenOnATerminal) {
  int master = -1;
  const pid_t child = forkpty(&master, nullptr, nullptr, nullptr);
  ASSERT_GE(child, 0);
  if (child == 0) {
    execl(VEKCTL_PATH, VEKCTL_PATH, "move", "X=3000", "--wait", static_cast<char*>(nullptr));
    _exit(127);
  }
  // Everything the child writes, until EIO once it has gone.
  std::string output;
  char buffer[512];
  for (ssize_t got; (got = read(master, buffer, sizeof buffer)) > 0 || (got < 0 && errno == EINTR);)
    output.append(buffer, static_cast<size_t>(std::max<ssize_t>(got, 0)));
  int status = 0;
  waitpid(child, &status, 0);
  close(master);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << output;
  // Each update returns to the start of the line and clears its rest; the
  // last one shows the move complete.
  EXPECT_TRUE(Has(output, "\rmove  X=[0-9]+ +[0-9]+%  [0-9.]+ s\x1b\\[K")) << output;
  EXPECT_TRUE(Has(output, "\rmove  X=3000  100%  [0-9.]+ s\x1b\\[K")) << output;
}

// The simulator as a separate program with a TCP endpoint and a pty, as a
// user would run it beside vekctl. The shell prints its pid, then becomes
// veksim, whose first two lines name the TCP address and the pty.
class ExternalSimulator {
 public:
  explicit ExternalSimulator(const std::string& flags) {
    lines_ = popen(("echo $$; exec '" + std::string(VEKSIM_PATH) + "' --pty " + flags).c_str(), "r");
    char line[256];
    for (int i = 0; i < 3 && lines_ != nullptr && std::fgets(line, sizeof line, lines_) != nullptr; ++i) {
      std::string text(line, std::strcspn(line, "\n"));
      if (i == 0) pid_ = std::atoi(line);
      if (text.rfind("veksim: listening on ", 0) == 0) address = text.substr(21);
      if (text.rfind("veksim: serial on ", 0) == 0) ptyPath = text.substr(18);
    }
  }
  ~ExternalSimulator() {
    if (pid_ > 0) kill(pid_, SIGTERM);
    if (lines_ != nullptr) pclose(lines_);
  }
  std::string address, ptyPath;

 private:
  FILE* lines_ = nullptr;
  pid_t pid_ = -1;
};

TEST(Vekctl, ExternalControllerOverTcpAndSerial) {
  ExternalSimulator sim("--limits Z=-1000,3000");
  ASSERT_FALSE(sim.address.empty());
  ASSERT_FALSE(sim.ptyPath.empty());

  Outcome run = RunVekctl("--tcp " + sim.address + " shell",
                          "# set, move and read back\n"
                          "send AXLP500;\n"
                          "query AXRP;\n"
                          "move X=1500 Y=-200 --wait\n"
                          "limit Z -v 20000 --wait\n"
                          "pos\n"
                          "flags\n"
                          "quit\n"
                          "pos\n");
  EXPECT_EQ(run.status, 0) << run.output;
  // One connection, to the controller named, for every line.
  EXPECT_TRUE(Has(run.output, "^connected to " + sim.address + " \\(ethernet\\)\nok\n500\n")) << run.output;
  EXPECT_FALSE(Has(run.output, "simulator|connected to [\\s\\S]*connected to")) << run.output;
  // Plain progress lines without a terminal, the last one complete; a
  // search has no percentage.
  EXPECT_TRUE(Has(run.output, "\nmove  X=1500  Y=-200  100%  [0-9.]+ s\n")) << run.output;
  EXPECT_TRUE(Has(run.output, "\nlimit  Z=[0-9]+  --%  [0-9.]+ s\n")) << run.output;
  EXPECT_FALSE(Has(run.output, "\r")) << run.output;
  EXPECT_TRUE(Has(run.output, "\nX +1500 +1500 +0\nY +-200 +-200 +0\nZ +3000 +3000 +0\n")) << run.output;
  // The move left the done flags of X and Y set, the search the limit of Z.
  EXPECT_TRUE(Has(run.output, "\nX +yes +- +-\nY +yes +- +-\nZ +- +yes +-\n")) << run.output;
  // Nothing after "quit" runs: one position table only.
  EXPECT_FALSE(Has(run.output, "axis +motor +encoder[\\s\\S]*axis +motor +encoder")) << run.output;

  // The same tool on the pty, named as COM port 3.
  setenv("VEKKESTRA_COM3", sim.ptyPath.c_str(), 1);
  run = RunVekctl("--com 3 --baud 38400 move X=-700 --wait");
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(Has(run.output, "^connected to COM3 at 38400 baud \\(serial\\)\n")) << run.output;
  EXPECT_TRUE(Has(run.output, "\nmove  X=-700  100%  [0-9.]+ s\n")) << run.output;
}

}  // namespace
