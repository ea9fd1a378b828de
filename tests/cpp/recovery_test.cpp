// What vek::Controller guards against besides motion: bad arguments and
// closed controllers send nothing, threads sharing a controller get their own
// answers, a reply that came too late is never a later call's answer, a
// failed open leaves nothing open, and failures arrive as their error kinds.
#include <dirent.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <thread>
#include <vector>

#include "tests/cpp/sim_controller.h"

namespace vek::test {
namespace {

using std::chrono::seconds;

using Call = std::function<void(Controller&)>;
struct NamedCall {
  const char* name;
  Call call;
};

class Recovery : public SimControllerTest {};

TEST_P(Recovery, BadArgumentsAreRefusedBeforeAnythingIsSent) {
  StartSim();
  Controller ctl = Open();
  ctl.position(Axis::X);
  const Axis none = static_cast<Axis>(3);  // two axis bits
  const NamedCall calls[] = {
      {"unknown axis",
       [&](Controller& c) {
         c.move({{Axis::X, 1}, {none, 1}}, seconds(1));
       }},
      {"axis 0", [](Controller& c) { c.move_axis(static_cast<Axis>(0), 1, seconds(1)); }},
      {"axis 1024", [](Controller& c) { c.jog(static_cast<Axis>(1024), 100); }},
      {"negative axis", [](Controller& c) { c.position(static_cast<Axis>(-1)); }},
      {"no axes", [](Controller& c) { c.move_by({}, seconds(1)); }},
      {"negative time-out", [](Controller& c) { c.move_axis(Axis::X, 1, milliseconds(-1)); }},
      {"negative home time-out", [](Controller& c) { c.home(Axis::Y, milliseconds(-5)); }},
      {"mask above 1023", [](Controller& c) { c.stop(Axes::from_mask(1024)); }},
      {"empty query", [](Controller& c) { c.query(""); }},
      {"NUL in a command", [](Controller& c) { c.send(std::string("AXLP1;\0AYLP2;", 13)); }},
  };
  const uint64_t served = sim_->commandsServed();
  for (const NamedCall& c : calls) EXPECT_THROW(c.call(ctl), std::invalid_argument) << c.name;
  EXPECT_THROW(Controller::serial(0), std::invalid_argument);
  EXPECT_THROW(Controller::serial(kComPort, 4800), std::invalid_argument);
  EXPECT_EQ(sim_->commandsServed(), served);
  EXPECT_NEAR(sim_->axis(0).motorPosition, 0, 0.5);
}

TEST_P(Recovery, ClosedControllerThrowsAndSendsNothing) {
  StartSim();
  const NamedCall calls[] = {
      {"move",
       [](Controller& c) {
         c.move({{Axis::X, 5}, {Axis::Y, 5}}, seconds(1));
       }},
      {"move_by",
       [](Controller& c) {
         c.move_by({{Axis::X, 5}}, seconds(1));
       }},
      {"move_axis", [](Controller& c) { c.move_axis(Axis::X, 5, milliseconds(0)); }},
      {"home", [](Controller& c) { c.home(Axis::X, seconds(1)); }},
      {"jog", [](Controller& c) { c.jog(Axis::X, 100); }},
      {"stop", [](Controller& c) { c.stop(); }},
      {"kill", [](Controller& c) { c.kill(Axis::X); }},
      {"position", [](Controller& c) { c.position(Axis::X); }},
      {"positions", [](Controller& c) { c.positions(); }},
      {"query", [](Controller& c) { c.query("AXRP;"); }},
      {"send", [](Controller& c) { c.send("AXLP5;"); }},
      {"with_handle", [](Controller& c) { c.with_handle([](uint32_t*) { return 0; }); }},
  };
  Controller closed = Open();
  closed.position(Axis::X);
  closed.close();
  EXPECT_FALSE(closed.is_open());
  Controller movedFrom = Open();
  Controller taker = std::move(movedFrom);
  taker.position(Axis::X);
  const uint64_t served = sim_->commandsServed();
  for (Controller* ctl : {&closed, &movedFrom}) {
    for (const NamedCall& c : calls) EXPECT_THROW(c.call(*ctl), ClosedError) << c.name;
  }
  std::this_thread::sleep_for(milliseconds(50));  // a text in flight would have arrived by now
  EXPECT_EQ(sim_->commandsServed(), served);
  EXPECT_NEAR(sim_->axis(0).motorPosition, 0, 0.5);
}

TEST_P(Recovery, ThreadsSharingAControllerGetTheirOwnAnswers) {
  StartSim();
  Controller ctl = Open();
  const Axis axes[] = {Axis::X, Axis::Y, Axis::Z, Axis::T};
  for (int i = 0; i < 4; ++i)
    ctl.send(std::string("A") + letter(axes[i]) + "LP" + std::to_string(1111 * (i + 1)) + ";");
  const int rounds = 25;
  // Per thread: answers that were another axis's, and the calls that failed (a serial answer may come too late
  // on a loaded machine; that is a time-out, never someone else's answer).
  int wrong[4] = {};
  int failed[4] = {};
  std::string lastError[4];
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i) {
    threads.emplace_back([&, i] {
      for (int n = 0; n < rounds; ++n) {
        try {
          if (ctl.position(axes[i]) != 1111 * (i + 1)) ++wrong[i];
        } catch (const TimeoutError& e) {
          ++failed[i];
          lastError[i] = e.what();
        } catch (const Error& e) {
          ++wrong[i];
          lastError[i] = e.what();
        }
      }
    });
  }
  for (std::thread& t : threads) t.join();
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(wrong[i], 0) << letter(axes[i]) << " " << lastError[i];
    EXPECT_LT(failed[i], rounds) << letter(axes[i]) << " " << lastError[i];
  }
}

// Y's answer comes after its call has given up; the next call asks for X and
// must never get Y's number, whether its own answer is late too or not.
TEST_P(Recovery, LateReplyIsNeverALaterCallsAnswer) {
  StartSim();
  Controller ctl = Open();
  ctl.send("AXLP1111;");
  ctl.send("AYLP2222;");
  ASSERT_EQ(ctl.position(Axis::Y), 2222);
  sim::Faults late;
  // Past the reply time-out: 2.5 s on TCP, about 100 ms of silence on a serial line.
  late.replyLatencyMs = serial() ? 150 : 3000;
  sim_->SetFaults(late);
  EXPECT_THROW(ctl.position(Axis::Y), TimeoutError);
  try {
    EXPECT_EQ(ctl.position(Axis::X), 1111);
  } catch (const TimeoutError&) {
  }
  sim_->SetFaults(sim::Faults());
  EXPECT_EQ(ctl.position(Axis::X), 1111);
  EXPECT_EQ(ctl.position(Axis::Y), 2222);
}

VEK_CPP_BOTH_LINKS(Recovery);

int OpenDescriptors() {
  int count = 0;
  if (DIR* dir = opendir("/proc/self/fd")) {
    while (readdir(dir) != nullptr) ++count;
    closedir(dir);
  }
  return count;
}

TEST(ControllerOpen, FailedOpenLeavesNothingOpen) {
  // A loopback port that nobody listens on: bound once, then released.
  const int probe = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ASSERT_EQ(bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length), 0);
  close(probe);
  // A regular file opens as a port but takes no line settings.
  char file[] = "/tmp/vek-not-a-tty-XXXXXX";
  const int fd = mkstemp(file);
  ASSERT_GE(fd, 0);
  close(fd);
  setenv("VEKKESTRA_COM21", file, 1);
  setenv("VEKKESTRA_COM22", "/nonexistent/vek-tty", 1);

  const int before = OpenDescriptors();
  try {
    Controller::tcp("127.0.0.1", ntohs(address.sin_port));
    ADD_FAILURE() << "connected to a closed port";
  } catch (const ConnectionError& e) {
    EXPECT_EQ(e.code(), VEK_ERROR_ETHERNET_CONNECT);
  }
  EXPECT_THROW(Controller::tcp("vek-no-such-host.invalid"), ConnectionError);
  for (const int com : {21, 22}) {
    try {
      Controller::serial(com);
      ADD_FAILURE() << "opened COM" << com;
    } catch (const ConnectionError& e) {
      EXPECT_EQ(e.code(), VEK_ERROR_SERIAL_OPEN);
    }
  }
  EXPECT_EQ(OpenDescriptors(), before);
  unlink(file);
  unsetenv("VEKKESTRA_COM21");
  unsetenv("VEKKESTRA_COM22");
}

// The kinds as docs/motion.md assigns the header's result codes to them.
TEST(ControllerErrors, ResultCodesRaiseTheirKind) {
  enum Kind { kBase, kTimeout, kConnection };
  const struct {
    uint32_t code;
    const char* name;
    Kind kind;
  } rows[] = {{VEK_ERROR_INVALID_AXIS, "VEK_ERROR_INVALID_AXIS", kBase},
              {VEK_ERROR_INVALID_PARAMETER, "VEK_ERROR_INVALID_PARAMETER", kBase},
              {VEK_ERROR_COMMAND_TOO_LONG, "VEK_ERROR_COMMAND_TOO_LONG", kBase},
              {VEK_ERROR_WAIT_TIMEOUT, "VEK_ERROR_WAIT_TIMEOUT", kTimeout},
              {VEK_ERROR_ANSWER_TOO_LONG, "VEK_ERROR_ANSWER_TOO_LONG", kBase},
              {VEK_ERROR_LOG_FILE, "VEK_ERROR_LOG_FILE", kBase},
              {VEK_ERROR_POLL_TIMEOUT, "VEK_ERROR_POLL_TIMEOUT", kBase},
              {VEK_ERROR_INVALID_IP_ADDRESS, "VEK_ERROR_INVALID_IP_ADDRESS", kConnection},
              {VEK_ERROR_ETHERNET_CONNECT, "VEK_ERROR_ETHERNET_CONNECT", kConnection},
              {VEK_ERROR_SOCKET_SEND, "VEK_ERROR_SOCKET_SEND", kConnection},
              {VEK_ERROR_SOCKET_RECEIVE, "VEK_ERROR_SOCKET_RECEIVE", kConnection},
              {VEK_ERROR_SOCKET_RECEIVE_TIMEOUT, "VEK_ERROR_SOCKET_RECEIVE_TIMEOUT", kTimeout},
              {VEK_ERROR_ACK_NAK_TIMEOUT, "VEK_ERROR_ACK_NAK_TIMEOUT", kTimeout},
              {VEK_ERROR_BAD_RESPONSE, "VEK_ERROR_BAD_RESPONSE", kBase},
              {VEK_ERROR_COMMAND_NAK, "VEK_ERROR_COMMAND_NAK", kBase},
              {VEK_ERROR_NO_COMMAND_ACK, "VEK_ERROR_NO_COMMAND_ACK", kConnection},
              {VEK_ERROR_SERIAL_OPEN, "VEK_ERROR_SERIAL_OPEN", kConnection},
              {VEK_ERROR_SERIAL_WRITE, "VEK_ERROR_SERIAL_WRITE", kConnection},
              {VEK_ERROR_SERIAL_READ, "VEK_ERROR_SERIAL_READ", kConnection},
              {VEK_ERROR_SERIAL_READ_TIMEOUT, "VEK_ERROR_SERIAL_READ_TIMEOUT", kTimeout}};
  for (const auto& row : rows) {
    try {
      throw_result(row.code, "VEKnet_Query");
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()),
                std::string("VEKnet_Query: ") + row.name + " (" + std::to_string(row.code) + ")");
      EXPECT_EQ(e.code(), row.code);
      EXPECT_EQ(dynamic_cast<const TimeoutError*>(&e) != nullptr, row.kind == kTimeout) << row.name;
      EXPECT_EQ(dynamic_cast<const ConnectionError*>(&e) != nullptr, row.kind == kConnection) << row.name;
    }
  }
}

}  // namespace
}  // namespace vek::test
