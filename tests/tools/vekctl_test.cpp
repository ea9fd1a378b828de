// vekctl run as a user runs it, against the simulator it embeds or one the
// test runs, through pipes and files and through a pseudo-terminal.
#include <gtest/gtest.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <thread>

#include "sim/simulator.h"

namespace {

struct Outcome {
  int status = -1;
  std::string out, err;
  std::string output;  // both, for the messages of failures
};

// A file of this test process: other builds may run the same test at once.
std::string TempPath(const char* name) { return testing::TempDir() + std::to_string(getpid()) + "_" + name; }

std::string ReadFile(const std::string& path) {
  std::ifstream file(path);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Runs vekctl with `args` (already quoted for the shell) and `input` on its
// standard input.
Outcome RunVekctl(const std::string& args, const std::string& input = "") {
  const std::string in = TempPath("vekctl_in.txt"), out = TempPath("vekctl_out.txt"), err = TempPath("vekctl_err.txt");
  std::ofstream(in) << input;
  const int raw = std::system(("'" VEKCTL_PATH "' " + args + " <'" + in + "' >'" + out + "' 2>'" + err + "'").c_str());
  Outcome run;
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  run.out = ReadFile(out);
  run.err = ReadFile(err);
  for (const std::string& path : {in, out, err}) std::remove(path.c_str());
  run.output = "stdout:\n" + run.out + "\nstderr:\n" + run.err;
  return run;
}

bool Has(const std::string& text, const std::string& pattern) { return std::regex_search(text, std::regex(pattern)); }

// Polls `condition` for up to five seconds.
template <typename Condition>
bool Eventually(Condition condition) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

// The simulator in the test's own process, so that the test sees the axes
// from the controller's side.
struct LocalSimulator {
  explicit LocalSimulator(const vek::sim::Options& options = vek::sim::Options()) : sim(options) {
    std::string error;
    started = sim.Start(&error);
    address = "127.0.0.1:" + std::to_string(sim.tcpPort());
  }
  vek::sim::Simulator sim;
  bool started = false;
  std::string address;
};

// Results go to standard output alone; notes, progress and errors to
// standard error. Usage errors exit with 2 and connect to nothing.
TEST(Vekctl, ResultsOnStandardOutputAndEverythingElseOnStandardError) {
  const struct {
    const char* args;
    const char* input;
    int status;
    const char* out;
    const char* err;
  } rows[] = {
      // Homing sets the motor position only, so the encoders may differ.
      {"demo", "", 0,
       "^axis +motor +encoder +following\nX +8000 +-?[0-9]+ +-?[0-9]+\nY +-5000 +-?[0-9]+ +-?[0-9]+\n[\\s\\S]*"
       "\nlast 10 lines of the trace log:\n  [0-9:.]+ - 0x[0-9A-F]+ - [\\s\\S]*  Logger Stop: .*\n$",
       "\nstarted the embedded simulator on 127\\.0\\.0\\.1:[1-9][0-9]*\n[\\s\\S]*homing Y .* done in [0-9.]+ s\n"
       "[\\s\\S]*moving X to 8000 and Y to -5000 .* done in[\\s\\S]*\ndemo finished\n$"},
      {"pos", "", 0, "^axis +motor +encoder +following\nX +0 +0 +0\n",
       "^started the embedded simulator on .*\nconnected to .*\n$"},
      {"shell", "send AXLP500;\nmove X=700 --wait\njog Y=100\nstop\nflags --clear\nquery AXRP;\n", 0,
       "^axis[\\s\\S]*\ncommand error: no\n700\n$",
       "\nok\n(move .*\n)*move  X=700  100%  [0-9.]+ s\njogging Y; .*\nstopped X Y Z T U V R S W K\nflags cleared\n$"},
      {"version", "", 0, "^VekKestra DLL v1\\.03\\.02 - ethernet v1\\.03\\.01 - serial v1\\.03\\.01\n$", "^$"},
      {"io --direction 0x00FF --set 3=1 --set 0=1", "", 0,
       "\nstate +0  0  0  0  0  0  0  0  0  0  0  0  1  0  0  1\n\\(direction 0x00FF", ""},
      // Nothing listens on port 1 of the loopback interface.
      {"--tcp 127.0.0.1:1 pos", "", 1, "",
       "vekctl: connect to 127\\.0\\.0\\.1:1: VEK_ERROR_ETHERNET_CONNECT \\(202\\)\n"},
      {"move X=500000 --wait --timeout 300", "", 1, "", "vekctl: move: VEK_ERROR_WAIT_TIMEOUT \\(6\\)\n"},
      // A refused text fails the shell, which still runs the lines after it.
      {"shell", "send NOT-A-COMMAND\npos\n", 1, "\nK +0 +0 +0\n", "vekctl: send: VEK_ERROR_COMMAND_NAK \\(216\\)\n"},
      {"move Q=1", "", 2, "", "\"Q=1\" is not AXIS=VALUE"},
      // A velocity with no whole-number value at the controller.
      {"jog X=1e300", "", 2, "", "\"X=1e300\" is not AXIS=VELOCITY with a velocity from -2147483648 to 2147483647\n"},
      {"jog X=-1e300", "", 2, "", "from -2147483648 to 2147483647"},
      {"jog X=nan", "", 2, "", "from -2147483648 to 2147483647"},
      {"jog X=inf", "", 2, "", "from -2147483648 to 2147483647"},
      {"jog x=2147483648", "", 2, "", "from -2147483648 to 2147483647"},
      {"jog X=1 Y=2.5", "", 2, "", "\"Y=2\\.5\" is not .* whole number from -2147483648 to 2147483647\n"},
      {"limit X -v -5", "", 2, "", "--velocity"},
      {"--tcp 127.0.0.1 --com 1 pos", "", 2, "", ""},
      {"", "", 2, "", ""},
  };
  for (const auto& row : rows) {
    const Outcome run = RunVekctl(row.args, row.input);
    EXPECT_EQ(run.status, row.status) << row.args << "\n" << run.output;
    EXPECT_TRUE(Has(run.out, row.out)) << row.args << "\n" << run.output;
    EXPECT_TRUE(Has(run.err, row.err)) << row.args << "\n" << run.output;
    if (row.status == 2) {
      EXPECT_FALSE(Has(run.output, "simulator")) << row.args << "\n" << run.output;
    }
  }
}

// Each example that a --help text gives runs as shown against the embedded
// simulator.
TEST(Vekctl, HelpExamplesWork) {
  for (const char* command : {"send", "query", "move", "jog"}) {
    const Outcome help = RunVekctl(std::string(command) + " --help");
    EXPECT_EQ(help.status, 0) << help.output;
    std::smatch match;
    std::string example;
    if (std::regex_search(help.out, match, std::regex("for example \"([^\"]+)\""))) {
      example = std::string(command) + " '" + match[1].str() + "'";
    } else if (std::regex_search(help.out, match, std::regex(": vekctl ([^\n]+)\n"))) {
      example = match[1].str();
    }
    ASSERT_FALSE(example.empty()) << help.output;
    const Outcome run = RunVekctl(example);
    EXPECT_EQ(run.status, 0) << example << "\n" << run.output;
  }
}

TEST(Vekctl, ProgressLineIsRewrittenOnATerminal) {
  int master = -1;
  const pid_t child = forkpty(&master, nullptr, nullptr, nullptr);
  ASSERT_GE(child, 0);
  if (child == 0) {
    execl(VEKCTL_PATH, VEKCTL_PATH, "move", "X=3000", "--wait", static_cast<char*>(nullptr));
    _exit(127);
  }
  std::string output;  // until EIO once the child has gone
  char buffer[512];
  for (ssize_t got; (got = read(master, buffer, sizeof buffer)) > 0 || (got < 0 && errno == EINTR);)
    output.append(buffer, static_cast<size_t>(std::max<ssize_t>(got, 0)));
  int status = 0;
  waitpid(child, &status, 0);
  close(master);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << output;
  // Each update returns to the start of the line and clears its rest.
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
  ASSERT_TRUE(!sim.address.empty() && !sim.ptyPath.empty());
  Outcome run = RunVekctl("--tcp " + sim.address + " shell",
                          "# set, move and read back\nsend AXLP500;\nquery AXRP;\nmove X=1500 Y=-200 --wait\n"
                          "limit Z -v 20000 --wait\npos\nflags\nquit\npos\n");
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(Has(run.err, "^connected to " + sim.address + " \\(ethernet\\)\nok\n")) << run.output;
  EXPECT_FALSE(Has(run.err, "simulator|connected to [\\s\\S]*connected to")) << run.output;
  // Plain progress lines without a terminal; a search has no percentage.
  EXPECT_TRUE(Has(run.err, "\nmove  X=1500  Y=-200  100%  [0-9.]+ s\n")) << run.output;
  EXPECT_TRUE(Has(run.err, "\nlimit  Z=[0-9]+  --%  [0-9.]+ s\n")) << run.output;
  EXPECT_FALSE(Has(run.err, "\r")) << run.output;
  // The move left the done flags of X and Y set, the search the limit of Z;
  // nothing after "quit" runs: one position table only.
  EXPECT_TRUE(Has(run.out,
                  "^500\naxis +motor[^\n]*\nX +1500 +1500 +0\nY +-200 +-200 +0\nZ +3000 +3000 +0\n"
                  "[\\s\\S]*\nX +yes +- +-\nY +yes +- +-\nZ +- +yes +-\n"))
      << run.output;
  EXPECT_FALSE(Has(run.out, "axis +motor +encoder[\\s\\S]*axis +motor +encoder")) << run.output;

  // The same tool on the pty, named as COM port 3.
  setenv("VEKKESTRA_COM3", sim.ptyPath.c_str(), 1);
  run = RunVekctl("--com 3 --baud 38400 move X=-700 --wait");
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(Has(run.err, "^connected to COM3 at 38400 baud \\(serial\\)\n")) << run.output;
  EXPECT_TRUE(Has(run.err, "\nmove  X=-700  100%  [0-9.]+ s\n")) << run.output;
  EXPECT_EQ(run.out, "");
}

// A wait ends at once when an awaited axis meets a limit or slips, instead
// of running out its time-out; the flags of other axes, and those set before
// the motion, do not end it.
TEST(Vekctl, WaitsEndWhenAnAwaitedAxisMeetsALimitOrSlips) {
  const struct {
    const char* name;
    int slipAxis;
    const char* input;
    int status;
    const char* err;
  } rows[] = {
      {"move into a limit", -1, "move X=5000 --wait --timeout 10000\n", 1,
       "\nvekctl: move: X stopped at a limit switch \\(limit flag set\\)\n$"},
      {"home search beyond a limit", -1, "home Y --wait --timeout 10000\n", 1,
       "\nvekctl: home Y: Y stopped at a limit switch \\(limit flag set\\)\n$"},
      {"slipping move", 0, "send AXIS;\nmove X=5000 Z=100 --wait --timeout 10000\n", 1,
       "\nvekctl: move: X slipped \\(slip flag set\\)\n$"},
      {"slipping limit search", 0, "send AXIS;\nlimit X --wait --timeout 10000\n", 1,
       "\nvekctl: limit: X slipped \\(slip flag set\\)\n$"},
      {"limits met before", -1, "limit X -v 20000 --wait\nlimit Z -v 20000 --wait\nmove X=0 --wait\n", 0,
       "\nmove  X=0  100%  [0-9.]+ s\n$"},
  };
  for (const auto& row : rows) {
    vek::sim::Options options;
    for (int axis : {0, 1, 2}) options.axes[axis].negativeLimit = -1000, options.axes[axis].positiveLimit = 1000;
    options.axes[1].homeSwitch = 5000;
    options.faults.slipAxis = row.slipAxis;
    LocalSimulator local(options);
    ASSERT_TRUE(local.started);
    const Outcome run = RunVekctl("--tcp " + local.address + " shell", row.input);
    EXPECT_EQ(run.status, row.status) << row.name << "\n" << run.output;
    EXPECT_TRUE(Has(run.err, row.err)) << row.name << "\n" << run.output;
  }
}

// Ctrl-C while vekctl waits on motion stops the axes it set moving, seen from
// the controller's side, and ends vekctl with status 130.
TEST(Vekctl, CtrlCStopsTheMovingAxes) {
  vek::sim::Options options;
  options.axes[2].homeSwitch = -400000.0;
  LocalSimulator local(options);
  ASSERT_TRUE(local.started);
  const struct {
    const char* command;
    int axis;
    const char* err;
  } rows[] = {
      {"move X=500000 Y=-300 --wait", 0, "\nvekctl: interrupted; stopped X Y\n$"},
      {"jog Y=5000 --wait", 1, "\nvekctl: interrupted; stopped Y\n$"},
      {"home Z --wait", 2, "\nvekctl: interrupted; stopped Z\n$"},
  };
  for (const auto& row : rows) {
    const std::string errPath = TempPath("vekctl_test_sigint.txt");
    const std::string command = "exec '" + std::string(VEKCTL_PATH) + "' --tcp " + local.address + " " + row.command +
                                " >/dev/null 2>'" + errPath + "'";
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    const bool moved = Eventually([&] { return local.sim.axis(row.axis).moving; });
    kill(child, SIGINT);
    int status = 0;
    waitpid(child, &status, 0);
    const std::string err = ReadFile(errPath);
    std::remove(errPath.c_str());
    EXPECT_TRUE(moved) << row.command << "\n" << err;
    ASSERT_TRUE(WIFEXITED(status)) << row.command << "\n" << err;
    EXPECT_EQ(WEXITSTATUS(status), 130) << row.command << "\n" << err;
    EXPECT_TRUE(Has(err, row.err)) << row.command << "\n" << err;
    EXPECT_TRUE(Eventually([&] { return !local.sim.axis(row.axis).moving; })) << row.command << "\n" << err;
  }
}

}  // namespace
