// vekctl run as a user runs it, against the simulator it embeds or one in the
// test's own process, through pipes and files and through a pseudo-terminal.
#include <gtest/gtest.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tests/sim/sim_link.h"

namespace {

using vek::sim::Eventually;

struct Outcome {
  int status = -1;
  std::string out, err;
  std::string output() const { return "stdout:\n" + out + "\nstderr:\n" + err; }  // for the messages of failures
};

// A file of this test process: other builds may run the same test at once.
std::string TempPath(const std::string& name) { return testing::TempDir() + std::to_string(getpid()) + "_" + name; }

std::string ReadFile(const std::string& path) {
  std::ifstream file(path);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// vekctl started with `args` (already quoted for the shell) and `input` on its
// standard input; its outputs go to files of its own, as runs may overlap, or
// standard error to a pseudo-terminal.
class Vekctl {
 public:
  explicit Vekctl(const std::string& args, const std::string& input = "", bool terminal = false) {
    static int runs = 0;
    const std::string run = std::to_string(++runs);
    in_ = TempPath("vekctl_in" + run), out_ = TempPath("vekctl_out" + run), err_ = TempPath("vekctl_err" + run);
    std::ofstream(in_) << input;
    const std::string command =
        "exec '" VEKCTL_PATH "' " + args + " <'" + in_ + "' >'" + out_ + "'" + (terminal ? "" : " 2>'" + err_ + "'");
    if ((pid_ = terminal ? forkpty(&terminal_, nullptr, nullptr, nullptr) : fork()) == 0) {
      execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
  }
  void Interrupt() const { kill(pid_, SIGINT); }
  Outcome Wait() {
    std::string seen;  // on the terminal, until EIO once the child has gone
    char buffer[512];
    for (ssize_t got;
         terminal_ >= 0 && ((got = read(terminal_, buffer, sizeof buffer)) > 0 || (got < 0 && errno == EINTR));)
      seen.append(buffer, static_cast<size_t>(std::max<ssize_t>(got, 0)));
    if (terminal_ >= 0) close(terminal_);
    int raw = -1;
    if (pid_ > 0) waitpid(pid_, &raw, 0);
    const Outcome o{raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFile(out_),
                    terminal_ >= 0 ? seen : ReadFile(err_)};
    for (const std::string& path : {in_, out_, err_}) std::remove(path.c_str());
    return o;
  }

 private:
  pid_t pid_ = -1;
  int terminal_ = -1;
  std::string in_, out_, err_;
};

Outcome RunVekctl(const std::string& args, const std::string& input = "") { return Vekctl(args, input).Wait(); }

bool Has(const std::string& text, const std::string& pattern) { return std::regex_search(text, std::regex(pattern)); }

// Dots escaped, for a text inside a pattern.
std::string Literal(const std::string& text) { return std::regex_replace(text, std::regex("\\."), "\\."); }

// The product's version as the file VERSION gives it.
std::string ProductVersion() {
  std::string text = ReadFile(VEK_VERSION_FILE);
  return text.erase(text.find_last_not_of(" \n") + 1);
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
// standard error. Usage errors exit with 2. SIM is a controller other than
// the embedded one, reached over TCP or over its pty published as COM3.
TEST(Vekctl, ResultsOnStandardOutputAndEverythingElseOnStandardError) {
  vek::sim::Options options;
  for (int axis : {0, 2}) options.axes[axis].negativeLimit = -3000, options.axes[axis].positiveLimit = 3000;
  options.enablePty = true, options.publishComPort = 3;
  LocalSimulator other(options);
  ASSERT_TRUE(other.started);
  const std::string kRange = "from -2147483648 to 2147483647";
  const struct {
    const char* args;
    const char* input;
    int status;
    const char* out;
    std::string err;
  } rows[] = {
      {"demo", "", 0,
       "^axis +motor +encoder +following\nX +8000 +8000 +0\nY +-5000 +-5000 +0\n[\\s\\S]*"
       "\nlast 10 lines of the trace log:\n  [0-9:.]+ - 0x[0-9A-F]+ - [\\s\\S]*  Logger Stop: .*\n$",
       "\nstarted the embedded simulator on 127\\.0\\.0\\.1:[1-9][0-9]*\n[\\s\\S]*homing Y .* done in [0-9.]+ s\n"
       "[\\s\\S]*moving X to 8000 and Y to -5000 .* done in[\\s\\S]*\ndemo finished\n$"},
      // The flags are what this process saw, and it says so once.
      {"shell", "send AXLP500;\nmove X=700 --wait\njog Y=100\nstop\nflags --clear\nflags\nquery AXRP;\n", 0,
       "^axis[\\s\\S]*\ncommand error: no\naxis[\\s\\S]*\ncommand error: no\n700\n$",
       "\nok\n(move .*\n)*move  X=700  100%  [0-9.]+ s\njogging Y; .*\nstopped X Y Z T U V R S W K\n"
       "flags: the reports this vekctl process has received since it connected; [^\n]*\nflags cleared\n$"},
      // Plain progress lines without a terminal, a search's without a
      // percentage; limits met before a wait, and those of other axes, do not
      // end it; nothing after "quit" runs.
      {"--tcp SIM shell",
       "# set, move and read back\nsend AXLP500;\nquery AXRP;\nlimit X -v 20000 --wait\nlimit Z -v 20000 --wait\n"
       "move X=1500 Y=-200 --wait\npos\nflags\nquit\npos\n",
       0,
       "^500\naxis +motor[^\n]*\nX +1500 +1500 +0\nY +-200 +-200 +0\nZ +3000 +3000 +0\n[\\s\\S]*"
       "\nX +yes +- +-\nY +yes +- +-\nZ +- +yes +-\n[\\s\\S]*\ncommand error: no\n$",
       "^connected to SIM \\(ethernet\\)\nok\n[\\s\\S]*\nlimit  Z=[0-9]+  --%  [0-9.]+ s\n[\\s\\S]*"
       "\nmove  X=1500  Y=-200  100%  [0-9.]+ s\n"},
      {"--com 3 --baud 38400 move X=-700 --wait", "", 0, "^$",
       "^connected to COM3 at 38400 baud \\(serial\\)\n(move .*\n)*move  X=-700  100%  [0-9.]+ s\n$"},
      {"version", "", 0, "^VekKestra DLL v1\\.03\\.02 - ethernet v1\\.03\\.01 - serial v1\\.03\\.01\n$", "^$"},
      {"--version", "", 0,
       "^vekctl PRODUCT\nlibrary: VekKestra DLL v1\\.03\\.02 - ethernet v1\\.03\\.01 - serial v1\\.03\\.01\n$", "^$"},
      {"io --direction 0x00FF --set 3=1 --set 0=1", "", 0,
       "\ndirection +i  i  i  i  i  i  i  i  o  o  o  o  o  o  o  o\nstate +0  0  0  0  0  0  0  0  0  0  0  0  1  0 "
       " 0  1\n\\(direction 0x00FF",
       ""},
      // The lines start as inputs: a level for one would change nothing.
      {"shell", "io --set 3=1 --set 5=0\nio --outputs 0x0101\nio --direction 0x0001 --outputs 0x0101\nio\n", 1,
       "^bit [^\n]*\ndirection +i  i  i  i  i  i  i  i  i  i  i  i  i  i  i  i\nstate +0  0  0  0  0  0  0  0  0  0  0 "
       " 0  0  0  0  0\n",
       "\nvekctl: io: bits 3 5 are inputs \\(direction 0x0000\\): make [^\n]*\n"
       "vekctl: io: bits 0 8 are inputs \\(direction 0x0000\\)[^\n]*\nvekctl: io: bit 8 is an input \\(direction "
       "0x0001\\)"},
      // Nothing listens on port 1 of the loopback interface.
      {"--tcp 127.0.0.1:1 pos", "", 1, "",
       "vekctl: connect to 127\\.0\\.0\\.1:1: VEK_ERROR_ETHERNET_CONNECT \\(202\\)\n"},
      {"--tcp localhost:1 pos", "", 1, "",
       "vekctl: connect to localhost:1 = 127\\.0\\.0\\.1: VEK_ERROR_ETHERNET_CONNECT \\(202\\)\n"},
      {"--tcp 127.0.0.1:70000 pos", "", 2, "",
       "--tcp: the port \"70000\" of \"127\\.0\\.0\\.1:70000\" is not a number from 1"},
      {"--tcp 127.0.0.1:abc pos", "", 2, "", "the port \"abc\" of \"127\\.0\\.0\\.1:abc\" is not a number from 1"},
      {"--tcp :5001 pos", "", 2, "", "--tcp: no host before the port in \":5001\""},
      {"frobnicate", "", 2, "", "^vekctl: unknown subcommand \"frobnicate\""},
      {"move X=500000 --wait --timeout 300", "", 1, "", "vekctl: move: VEK_ERROR_WAIT_TIMEOUT \\(6\\)\n"},
      // A line that fails fails the shell, which still runs the lines after it.
      {"shell", "bogus\nsend NOT-A-COMMAND\npos\n", 1, "\nK +0 +0 +0\n",
       "vekctl: unknown subcommand \"bogus\"[\\s\\S]*\nvekctl: send: VEK_ERROR_COMMAND_NAK \\(216\\)\n"},
      {"move Q=1", "", 2, "", "\"Q=1\" is not AXIS=VALUE"},
      // A velocity with no whole-number value at the controller.
      {"jog X=1e300", "", 2, "", "\"X=1e300\" is not AXIS=VELOCITY with a velocity " + kRange + "\n"},
      {"jog X=-1e300", "", 2, "", kRange},
      {"jog X=nan", "", 2, "", kRange},
      {"jog x=2147483648", "", 2, "", kRange},
      {"jog X=1 Y=2.5", "", 2, "", "\"Y=2\\.5\" is not .* whole number " + kRange + "\n"},
      {"limit X -v -5", "", 2, "", "--velocity"},
      {"--tcp 127.0.0.1 --com 1 pos", "", 2, "", ""},
      {"", "", 2, "", ""},
  };
  auto fill = [](const std::string& text, const std::string& address, const std::string& product) {
    return std::regex_replace(std::regex_replace(text, std::regex("SIM"), address), std::regex("PRODUCT"), product);
  };
  for (const auto& row : rows) {
    const Outcome run = RunVekctl(fill(row.args, other.address, ""), row.input);
    SCOPED_TRACE(row.args + ("\n" + run.output()));
    EXPECT_EQ(run.status, row.status);
    EXPECT_TRUE(Has(run.out, fill(row.out, "", Literal(ProductVersion()))));
    EXPECT_TRUE(Has(run.err, fill(row.err, Literal(other.address), "")));
    if (row.status == 2) {
      EXPECT_FALSE(Has(run.output(), "simulator"));  // usage errors connect to nothing
    }
  }
}

// Each example that a --help text gives runs as shown against the embedded
// simulator.
TEST(Vekctl, HelpExamplesWork) {
  for (const char* command : {"send", "query", "move", "jog"}) {
    const Outcome help = RunVekctl(std::string(command) + " --help");
    EXPECT_EQ(help.status, 0) << help.output();
    std::smatch match;
    std::string example;
    if (std::regex_search(help.out, match, std::regex("for example \"([^\"]+)\""))) {
      example = std::string(command) + " '" + match[1].str() + "'";
    } else if (std::regex_search(help.out, match, std::regex(": vekctl ([^\n]+)\n"))) {
      example = match[1].str();
    }
    ASSERT_FALSE(example.empty()) << help.output();
    const Outcome run = RunVekctl(example);
    EXPECT_EQ(run.status, 0) << example << "\n" << run.output();
  }
}

// Each update returns to the start of the line and clears its rest.
TEST(Vekctl, ProgressLineIsRewrittenOnATerminal) {
  const Outcome run = Vekctl("move X=3000 --wait", "", true).Wait();
  EXPECT_EQ(run.status, 0) << run.output();
  EXPECT_TRUE(Has(run.err, "\rmove  X=3000  100%  [0-9.]+ s\x1b\\[K")) << run.output();
}

// A wait ends at once when an awaited axis meets a limit or slips, instead
// of running out its time-out, and the other axes of the motion are stopped
// (T has no limit switch near: seen from the controller, it stops far short
// of its target).
TEST(Vekctl, WaitsEndWhenAnAwaitedAxisMeetsALimitOrSlips) {
  const struct {
    const char* name;
    int slipAxis;
    const char* input;
    const char* err;
    int stoppedAxis;
  } rows[] = {
      {"move of two axes into a limit", -1, "move X=5000 T=400000 --wait --timeout 10000\n",
       "\nvekctl: move: X stopped at a limit switch \\(limit flag set\\)\nvekctl: move: stopped T as well\n$", 3},
      {"jog of two axes into a limit", -1, "jog Y=-3000 T=3000 --wait --timeout 10000\n",
       "\nvekctl: jog: Y stopped at a limit switch \\(limit flag set\\)\nvekctl: jog: stopped T as well\n$", 3},
      {"home search beyond a limit", -1, "home Y --wait --timeout 10000\n",
       "\nvekctl: home Y: Y stopped at a limit switch \\(limit flag set\\)\n$", -1},
      {"slipping move", 0, "send AXIS;\nmove X=5000 T=400000 --wait --timeout 10000\n",
       "\nvekctl: move: X slipped \\(slip flag set\\)\nvekctl: move: stopped T as well\n$", 3},
      {"slipping limit search", 0, "send AXIS;\nlimit X --wait --timeout 10000\n",
       "\nvekctl: limit: X slipped \\(slip flag set\\)\n$", -1},
  };
  for (const auto& row : rows) {
    vek::sim::Options options;
    for (int axis : {0, 1, 2}) options.axes[axis].negativeLimit = -1000, options.axes[axis].positiveLimit = 1000;
    options.axes[1].homeSwitch = 5000;
    options.faults.slipAxis = row.slipAxis;
    LocalSimulator local(options);
    ASSERT_TRUE(local.started);
    const Outcome run = RunVekctl("--tcp " + local.address + " shell", row.input);
    SCOPED_TRACE(row.name + ("\n" + run.output()));
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Has(run.err, row.err));
    if (row.stoppedAxis >= 0) {
      EXPECT_TRUE(Eventually([&] { return !local.sim.axis(row.stoppedAxis).moving; }, 5.0));
      EXPECT_LT(std::abs(local.sim.axis(row.stoppedAxis).motorPosition), 20000.0);
    }
  }
}

// vekctl records while another program moves the axes: Y to 2000, X into
// its limit switch, Z until it slips. Each report shows once, in a row whose
// position agrees with it, and the last row is where the controller itself
// left the axes.
TEST(Vekctl, RecordsMotionThatAnotherProgramMakes) {
  vek::sim::Options options;
  options.axes[0].negativeLimit = -1000, options.axes[0].positiveLimit = 1000;
  options.faults.slipAxis = 2;
  LocalSimulator local(options);
  ASSERT_TRUE(local.started);
  const std::string csv = TempPath("record.csv");
  Vekctl recording("--tcp " + local.address + " record XYZ --rate 40 --for 2.5 -o '" + csv + "'");
  // The recorder's first look has reached the controller before anything moves.
  EXPECT_TRUE(Eventually([&] { return local.sim.commandsServed() >= 2; }, 5.0));
  const Outcome mover = RunVekctl("--tcp " + local.address + " shell",
                                  "move Y=2000 --wait\nmove X=5000 --wait\nsend AZIS;\nmove Z=800 --wait\n");
  const Outcome recorder = recording.Wait();
  EXPECT_EQ(mover.status, 1) << mover.output();  // the limit and the slip
  EXPECT_EQ(recorder.status, 0) << recorder.output();
  EXPECT_TRUE(
      Has(recorder.err, "\nrecording X Y Z at 40 per second for 2\\.5 s\nrecorded [0-9]+ samples in 2\\.[0-9]+ s"))
      << recorder.output();
  std::istringstream lines(ReadFile(csv));
  std::remove(csv.c_str());
  std::string header;
  std::getline(lines, header);
  EXPECT_EQ(header,
            "time_s,X_motor,X_encoder,X_done,X_limit,X_slip,Y_motor,Y_encoder,Y_done,Y_limit,Y_slip,Z_motor,Z_encoder,"
            "Z_done,Z_limit,Z_slip");
  std::vector<std::vector<double>> rows;
  for (std::string line; std::getline(lines, line);) {
    std::istringstream cells(line);
    rows.emplace_back();
    for (std::string cell; std::getline(cells, cell, ',');) rows.back().push_back(std::stod(cell));
  }
  ASSERT_GE(rows.size(), 10u);
  EXPECT_LT(rows.front()[0], 0.5);
  EXPECT_GT(rows.back()[0], 2.0);
  // Columns: 1 + 5 * axis + (0 motor, 1 encoder, 2 done, 3 limit, 4 slip).
  auto reports = [&](size_t column) {  // the rows that show a flag
    std::vector<size_t> found;
    for (size_t r = 0; r < rows.size(); ++r)
      if (rows[r][column] != 0) found.push_back(r);
    return found;
  };
  for (size_t r = 1; r < rows.size(); ++r) {
    EXPECT_GT(rows[r][0], rows[r - 1][0]) << "row " << r;
    EXPECT_GE(rows[r][6], rows[r - 1][6]) << "Y moves one way, row " << r;
  }
  const std::vector<size_t> yDone = reports(8), xLimit = reports(4), zSlip = reports(15);
  ASSERT_EQ(yDone.size(), 1u);
  EXPECT_EQ(rows[yDone[0]][6], 2000);
  ASSERT_EQ(xLimit.size(), 1u);
  EXPECT_GE(rows[xLimit[0]][1], 900);
  ASSERT_EQ(zSlip.size(), 1u);
  EXPECT_GT(rows[zSlip[0]][11], rows[zSlip[0]][12]) << "the encoder fell behind";
  EXPECT_TRUE(reports(5).empty() && reports(9).empty() && reports(10).empty() && reports(14).empty());
  for (int axis : {0, 1, 2}) {
    const vek::sim::AxisSnapshot controller = local.sim.axis(axis);
    EXPECT_EQ(rows.back()[1 + 5 * static_cast<size_t>(axis)], std::llround(controller.motorPosition)) << axis;
    EXPECT_EQ(rows.back()[2 + 5 * static_cast<size_t>(axis)], std::llround(controller.encoderPosition)) << axis;
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
    Vekctl vekctl("--tcp " + local.address + " " + row.command);
    const bool moved = Eventually([&] { return local.sim.axis(row.axis).moving; }, 5.0);
    vekctl.Interrupt();
    const Outcome run = vekctl.Wait();
    SCOPED_TRACE(row.command + ("\n" + run.output()));
    EXPECT_TRUE(moved);
    EXPECT_EQ(run.status, 130);
    EXPECT_TRUE(Has(run.err, row.err));
    EXPECT_TRUE(Eventually([&] { return !local.sim.axis(row.axis).moving; }, 5.0));
  }
}

}  // namespace
