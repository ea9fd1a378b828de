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
#include "vekkestra_motion.h"

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
  void Signal(int number) const { kill(pid_, number); }
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

// The controller as a second connection sees it, through the motion core.
struct Observer {
  explicit Observer(const vek::sim::Simulator& sim) {
    VekmError error;
    EXPECT_EQ(vekm_open_tcp("127.0.0.1", static_cast<int32_t>(sim.tcpPort()), &controller, &error), VEK_SUCCESS)
        << error.message;
  }
  ~Observer() { vekm_free(controller); }
  // Whether the controller reports the axis moving (a failed look counts).
  bool Moving(int axis) {
    VekmAxisState states[VEK_AXIS_COUNT];
    return vekm_poll(controller, states, nullptr, nullptr) != VEK_SUCCESS || states[axis].state == VEKM_STATE_MOVING;
  }
  VekmController* controller = nullptr;
};

// Results go to standard output alone; notes, progress and errors to
// standard error. Usage errors exit with 2 and connect to nothing. SIM is a
// controller other than the embedded one, reached over TCP or over its pty
// published as COM3.
TEST(Vekctl, ResultsOnStandardOutputAndEverythingElseOnStandardError) {
  vek::sim::Options options;
  for (int axis : {0, 2}) options.axes[axis].negativeLimit = -3000, options.axes[axis].positiveLimit = 3000;
  options.enablePty = true, options.publishComPort = 3;
  LocalSimulator other(options);
  ASSERT_TRUE(other.started);
  const std::string kRange = "from -2147483648 to 2147483647";
  const std::string kNotAnAddress = "is not an IPv4 address: give four numbers from 0 to 255";
  const struct {
    const char* args;
    const char* input;
    int status;
    const char* out;
    std::string err;
  } rows[] = {
      // A newcomer reads what the demo connected to and did, and the table;
      // no trace log is named unless one is kept.
      {"demo", "", 0, "^axis +motor +encoder +following\nX +8000 +8000 +0\nY +-5000 +-5000 +0\nZ +0 +0 +0\n[^x]*$",
       "\nconnected to the embedded simulator, which runs inside vekctl \\(on 127\\.0\\.0\\.1:[1-9][0-9]*;[^\n]*\n"
       "homing X .* done in [0-9.]+ s\nhoming Y .* done in [0-9.]+ s\n"
       "moving X to 8000 and Y to -5000 together \\.\\.\\. done in [0-9.]+ s\n[^\n]*\ndemo finished\n$"},
      // The flags are what this process saw, and it says so once.
      {"shell", "send AXLP500;\nmove X=700 --wait\njog Y=100\nstop\nflags --clear\nflags\nquery AXRP;\n", 0,
       "^axis[\\s\\S]*\ncommand error: no\naxis[\\s\\S]*\ncommand error: no\n700\n$",
       "\nok\n(move .*\n)*move  X=700  100%  [0-9.]+ s\njogging Y; .*\nstopped X Y Z T U V R S W K\n"
       "flags: the reports this vekctl process has received since it connected; [^\n]*\nflags cleared\n$"},
      // Plain progress lines without a terminal, a search's without a
      // percentage; limits met before a wait, and those of other axes, do not
      // end it; nothing after "quit" runs. The done column is left open: the
      // core's waits clear a done report they take for an earlier motion's.
      {"--tcp SIM shell",
       "# set, move and read back\nsend AXLP500;\nquery AXRP;\nlimit X -v 20000 --wait\nlimit Z -v 20000 --wait\n"
       "move X=1500 Y=-200 --wait\npos\nflags\nquit\npos\n",
       0,
       "^500\naxis +motor[^\n]*\nX +1500 +1500 +0\nY +-200 +-200 +0\nZ +3000 +3000 +0\n[\\s\\S]*"
       "\nX +[-yes]+ +- +-\nY +[-yes]+ +- +-\nZ +[-yes]+ +yes +-\n[\\s\\S]*\ncommand error: no\n$",
       "^connected to SIM \\(TCP\\)\nok\n[\\s\\S]*\nlimit  Z=[0-9]+  --%  [0-9.]+ s\n[\\s\\S]*"
       "\nmove  X=1500  Y=-200  100%  [0-9.]+ s\n"},
      {"--com 3 --baud 38400 move X=-700 --wait", "", 0, "^$",
       "^connected to COM3 \\([^)]+\\) at 38400 baud \\(serial\\)\n(move .*\n)*move  X=-700  100%  [0-9.]+ s\n$"},
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
      // Nothing listens on port 1 of the loopback interface: the core's
      // message names the address, the system's reason and what to do.
      {"--tcp 127.0.0.1:1 pos", "", 1, "",
       "^vekctl: connect: VEKnet_Initialize: VEK_ERROR_ETHERNET_CONNECT \\(202\\): cannot connect to "
       "127\\.0\\.0\\.1:1: "
       "[^\n]+\n  hint: nothing accepts connections on port 1"},
      {"--tcp localhost:1 pos", "", 1, "", "cannot connect to localhost \\(127\\.0\\.0\\.1\\):1: "},
      {"--tcp no-such-host.invalid pos", "", 1, "",
       "VEK_ERROR_INVALID_IP_ADDRESS \\(201\\): \"no-such-host\\.invalid\" does not resolve"},
      {"--tcp 1.2.3 pos", "", 2, "", "--tcp: \"1\\.2\\.3\" " + kNotAnAddress},
      {"--tcp 1.2.3.4.5:5001 pos", "", 2, "", "--tcp: \"1\\.2\\.3\\.4\\.5\" " + kNotAnAddress},
      {"--tcp 256.1.1.1 pos", "", 2, "", "--tcp: \"256\\.1\\.1\\.1\" " + kNotAnAddress},
      {"--tcp 127.0.0.1:70000 pos", "", 2, "",
       "--tcp: the port \"70000\" of \"127\\.0\\.0\\.1:70000\" is not a number from 1"},
      {"--tcp :5001 pos", "", 2, "", "--tcp: no host before the port in \":5001\""},
      {"--com 4 pos", "", 1, "",
       "^vekctl: connect: VEKser_Initialize: [^\n]*cannot open COM4 \\(/nonexistent/vek-com4\\)"},
      {"frobnicate", "", 2, "", "^vekctl: unknown subcommand \"frobnicate\""},
      // A line that fails fails the shell, which still runs the lines after it.
      {"shell", "bogus\nsend NOT-A-COMMAND\npos\n", 1, "\nK +0 +0 +0\n",
       "vekctl: unknown subcommand \"bogus\"[\\s\\S]*\nvekctl: send: VEKnet_SendCommand: VEK_ERROR_COMMAND_NAK "
       "\\(216\\)"},
      {"move Q=1", "", 2, "", "\"Q=1\" is not AXIS=VALUE"},
      {"move X=1 --am --wait", "", 2, "", "--am sends the library's AM command"},
      // A velocity with no whole-number value at the controller.
      {"jog X=1e300", "", 2, "", "\"X=1e300\" is not AXIS=VELOCITY with a velocity " + kRange + "\n"},
      {"jog X=nan", "", 2, "", kRange},
      {"jog X=1 Y=2.5", "", 2, "", "\"Y=2\\.5\" is not .* whole number " + kRange + "\n"},
      {"limit X -v -5", "", 2, "", "--velocity"},
      {"--tcp 127.0.0.1 --com 1 pos", "", 2, "", ""},
      {"", "", 2, "", ""},
  };
  setenv("VEKKESTRA_COM4", "/nonexistent/vek-com4", 1);
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
      EXPECT_FALSE(Has(run.output(), "connected"));  // usage errors connect to nothing
    }
  }
  unsetenv("VEKKESTRA_COM4");
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

// The demo keeps the trace log it names, and names it only then.
TEST(Vekctl, TheDemoKeepsTheTraceLogItNames) {
  const std::string log = TempPath("demo.log");
  const Outcome run = RunVekctl("demo --keep-log '" + log + "'");
  EXPECT_EQ(run.status, 0) << run.output();
  EXPECT_TRUE(Has(run.err, "trace log of the demo is in " + Literal(log))) << run.output();
  EXPECT_TRUE(Has(ReadFile(log), "AAMA8000,-5000")) << ReadFile(log);
  std::remove(log.c_str());
  EXPECT_FALSE(Has(RunVekctl("demo").output(), "log"));
}

// The core ends a wait, and vekctl passes on what it found: which axis,
// where, and what was stopped. A limit or slip of one axis stops the others
// (T has no limit switch near: seen from the controller, it stops far short
// of its target); a time-out stops the axes unless --keep-moving.
TEST(Vekctl, WaitsEndAsTheCoreDecides) {
  const struct {
    const char* name;
    int slipAxis;
    const char* input;
    const char* err;
    int axis;  // the axis to look at afterwards
    bool moving;
  } rows[] = {
      {"move of two axes into a limit", -1, "move X=5000 T=400000 --wait --timeout 10000\n",
       "\nvekctl: move: VEKnet_Move: VEKM_LIMIT \\(1001\\): X met a limit switch at 1000; stopped T\n  hint: ", 3,
       false},
      {"home search beyond a limit", -1, "home Y --wait --timeout 10000\n",
       "\nvekctl: home Y: VEKnet_FindAxisHome: VEKM_LIMIT \\(1001\\): Y met a limit switch at 1000\n", 1, false},
      {"slipping move", 0, "send AXIS;\nmove X=5000 T=400000 --wait --timeout 10000\n",
       "\nvekctl: move: VEKnet_Move: VEKM_SLIP \\(1002\\): X slipped at -?[0-9]+; stopped T\n", 3, false},
      {"slipping limit search", 0, "send AXIS;\nlimit X --wait --timeout 10000\n",
       "\nvekctl: limit: VEKnet_FindAxisLimit: VEKM_SLIP \\(1002\\): X slipped at -?[0-9]+\n", 0, false},
      {"time-out", -1, "move T=400000 --wait --timeout 300\n",
       "\nvekctl: move: VEKnet_MoveAxis: VEK_ERROR_WAIT_TIMEOUT \\(6\\): T still moving after 300 ms; stopped T\n", 3,
       false},
      {"time-out with --keep-moving", -1, "move T=400000 --wait --timeout 300 --keep-moving\n",
       "\nvekctl: move: VEKnet_MoveAxis: VEK_ERROR_WAIT_TIMEOUT \\(6\\): T still moving after 300 ms; left moving\n", 3,
       true},
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
    Observer observer(local.sim);
    // An axis left moving runs on; a stopped one comes to rest far short of
    // its target.
    EXPECT_EQ(!Eventually([&] { return !observer.Moving(row.axis); }, 2.5), row.moving);
    EXPECT_LT(std::abs(local.sim.axis(row.axis).motorPosition), 100000.0);
  }
}

// vekctl records while another program moves the axes: Y to 2000, X into
// its limit switch, Z until it slips. Each end shows once, in a row whose
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

// SIGINT, SIGTERM and SIGHUP stop what vekctl set moving, seen through a
// second connection, and end vekctl with 128 + the signal: during a wait
// (the core's wait stops its axes) and outside one (a jog of an earlier
// shell line, while a recording runs).
TEST(Vekctl, SignalsStopWhatVekctlSetMoving) {
  vek::sim::Options options;
  options.axes[2].homeSwitch = -400000.0;
  LocalSimulator local(options);
  ASSERT_TRUE(local.started);
  const struct {
    const char* command;
    int signal;
    int axis;
    const char* err;
  } rows[] = {
      {"move X=500000 Y=-300 --wait --timeout 20000", SIGHUP, 0,
       "\nvekctl: move: VEKnet_Move: VEKM_CANCELLED \\(1004\\): interrupted by signal 1; stopped X"},
      {"move T=-500000 --wait --timeout 20000", SIGTERM, 3, "signal 15; stopped T\nvekctl: interrupted by SIGTERM\n$"},
      {"home Z --wait --timeout 20000", SIGINT, 2, "signal 2; stopped Z\nvekctl: interrupted by SIGINT"},
      {"jog Y=5000 --wait --timeout 20000", SIGHUP, 1, "signal 1; stopped Y\nvekctl: interrupted by SIGHUP\n$"},
      {"shell", SIGTERM, 1, "\njogging Y; [^\n]*\n[\\s\\S]*\nvekctl: interrupted by SIGTERM; stopped Y\n$"},
  };
  Observer observer(local.sim);
  for (const auto& row : rows) {
    Vekctl vekctl("--tcp " + local.address + " " + row.command, "jog Y=-5000\nrecord Y --for 20 -o -\n");
    const bool moved = Eventually([&] { return observer.Moving(row.axis); }, 5.0);
    vekctl.Signal(row.signal);
    // About 20 ms to notice the signal, the stop's reply within its 2.5 s, the ramp.
    const bool stopped = Eventually([&] { return !observer.Moving(row.axis); }, 3.0);
    const Outcome run = vekctl.Wait();
    SCOPED_TRACE(row.command + ("\n" + run.output()));
    EXPECT_TRUE(moved);
    EXPECT_TRUE(stopped);
    EXPECT_EQ(run.status, 128 + row.signal);
    EXPECT_TRUE(Has(run.err, row.err));
  }
}

}  // namespace
