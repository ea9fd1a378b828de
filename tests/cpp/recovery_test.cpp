// What vek::Controller guards against besides motion: bad arguments and
// closed controllers send nothing, threads sharing a controller get their own
// answers, a reply that came too late is never a later call's answer, a
// failed open leaves nothing open, and failures arrive as their error kinds.
#include <dirent.h>
#include <unistd.h>

#include <cstdlib>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/host.h"
#include "tests/cpp/sim_controller.h"

namespace vek::test {
namespace {

class Recovery : public SimControllerTest {};

TEST_P(Recovery, BadArgumentsAreRefusedBeforeAnythingIsSent) {
  StartSim();
  Controller ctl = Open();
  ctl.position(Axis::X);
  const uint64_t served = sim_->commandsServed();
  const Axis none = static_cast<Axis>(3);  // two axis bits
  EXPECT_THROW(ctl.move({{Axis::X, 1}, {none, 1}}, seconds(1)), std::invalid_argument);
  EXPECT_THROW(ctl.move_axis(static_cast<Axis>(0), 1, seconds(1)), std::invalid_argument);
  EXPECT_THROW(ctl.jog(static_cast<Axis>(1024), 100), std::invalid_argument);
  EXPECT_THROW(ctl.position(static_cast<Axis>(-1)), std::invalid_argument);
  EXPECT_THROW(ctl.move_by({}, seconds(1)), std::invalid_argument);
  EXPECT_THROW(ctl.move_axis(Axis::X, 1, milliseconds(-1)), std::invalid_argument);
  EXPECT_THROW(ctl.home(Axis::Y, milliseconds(-5)), std::invalid_argument);
  EXPECT_THROW(ctl.stop(Axes::from_mask(1024)), std::invalid_argument);
  EXPECT_THROW(ctl.query(""), std::invalid_argument);
  EXPECT_THROW(ctl.send(std::string("AXLP1;\0AYLP2;", 13)), std::invalid_argument);
  EXPECT_THROW(Controller::serial(0), std::invalid_argument);
  EXPECT_THROW(Controller::serial(kComPort, 4800), std::invalid_argument);
  EXPECT_EQ(sim_->commandsServed(), served);
  EXPECT_NEAR(sim_->axis(0).motorPosition, 0, 0.5);
}

TEST_P(Recovery, ClosedControllerThrowsAndSendsNothing) {
  StartSim();
  Controller closed = Open();
  closed.position(Axis::X);
  closed.close();
  EXPECT_FALSE(closed.is_open());
  Controller movedFrom = Open();
  Controller taker = std::move(movedFrom);
  taker.position(Axis::X);
  const uint64_t served = sim_->commandsServed();
  for (Controller* c : {&closed, &movedFrom}) {
    EXPECT_THROW(c->move({{Axis::X, 5}, {Axis::Y, 5}}, seconds(1)), ClosedError);
    EXPECT_THROW(c->move_by({{Axis::X, 5}}, seconds(1)), ClosedError);
    EXPECT_THROW(c->move_axis(Axis::X, 5, milliseconds(0)), ClosedError);
    EXPECT_THROW(c->home(Axis::X, seconds(1)), ClosedError);
    EXPECT_THROW(c->jog(Axis::X, 100), ClosedError);
    EXPECT_THROW(c->stop(), ClosedError);
    EXPECT_THROW(c->kill(Axis::X), ClosedError);
    EXPECT_THROW(c->position(Axis::X), ClosedError);
    EXPECT_THROW(c->positions(), ClosedError);
    EXPECT_THROW(c->query("AXRP;"), ClosedError);
    EXPECT_THROW(c->send("AXLP5;"), ClosedError);
    EXPECT_THROW(c->with_handle([](uint32_t*) { return 0; }), ClosedError);
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

VEK_SIM_LINK_SUITE(Recovery);

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
  uint16_t port = 0;
  char error[128];
  host::CloseDescriptor(host::ListenTcp("127.0.0.1", 0, &port, error, sizeof error));
  ASSERT_NE(port, 0) << error;
  // A regular file opens as a port but takes no line settings.
  char file[] = "/tmp/vek-not-a-tty-XXXXXX";
  const int fd = mkstemp(file);
  ASSERT_GE(fd, 0);
  close(fd);
  setenv("VEKKESTRA_COM21", file, 1);
  setenv("VEKKESTRA_COM22", "/nonexistent/vek-tty", 1);

  // The code of the ConnectionError that an open raises, or 0.
  auto refused = [](auto open) -> uint32_t {
    try {
      open();
    } catch (const ConnectionError& e) {
      return e.code();
    }
    return 0;
  };
  const int before = OpenDescriptors();
  EXPECT_EQ(refused([&] { Controller::tcp("127.0.0.1", port); }), VEK_ERROR_ETHERNET_CONNECT);
  EXPECT_NE(refused([] { Controller::tcp("vek-no-such-host.invalid"); }), 0u);
  EXPECT_EQ(refused([] { Controller::serial(21); }), VEK_ERROR_SERIAL_OPEN);
  EXPECT_EQ(refused([] { Controller::serial(22); }), VEK_ERROR_SERIAL_OPEN);
  EXPECT_EQ(OpenDescriptors(), before);
  unlink(file);
  unsetenv("VEKKESTRA_COM21");
  unsetenv("VEKKESTRA_COM22");
}

// The kinds as docs/motion.md assigns the header's result codes to them.
TEST(ControllerErrors, ResultCodesRaiseTheirKind) {
  const std::set<uint32_t> timeouts = {6, 213, 214, 352}, connections = {201, 202, 211, 212, 217, 301, 350, 351};
#define VEK_NAMED(code) \
  { code, #code }
  const std::pair<uint32_t, const char*> codes[] = {
      VEK_NAMED(VEK_ERROR_INVALID_AXIS),     VEK_NAMED(VEK_ERROR_INVALID_PARAMETER),
      VEK_NAMED(VEK_ERROR_COMMAND_TOO_LONG), VEK_NAMED(VEK_ERROR_WAIT_TIMEOUT),
      VEK_NAMED(VEK_ERROR_ANSWER_TOO_LONG),  VEK_NAMED(VEK_ERROR_LOG_FILE),
      VEK_NAMED(VEK_ERROR_POLL_TIMEOUT),     VEK_NAMED(VEK_ERROR_INVALID_IP_ADDRESS),
      VEK_NAMED(VEK_ERROR_ETHERNET_CONNECT), VEK_NAMED(VEK_ERROR_SOCKET_SEND),
      VEK_NAMED(VEK_ERROR_SOCKET_RECEIVE),   VEK_NAMED(VEK_ERROR_SOCKET_RECEIVE_TIMEOUT),
      VEK_NAMED(VEK_ERROR_ACK_NAK_TIMEOUT),  VEK_NAMED(VEK_ERROR_BAD_RESPONSE),
      VEK_NAMED(VEK_ERROR_COMMAND_NAK),      VEK_NAMED(VEK_ERROR_NO_COMMAND_ACK),
      VEK_NAMED(VEK_ERROR_SERIAL_OPEN),      VEK_NAMED(VEK_ERROR_SERIAL_WRITE),
      VEK_NAMED(VEK_ERROR_SERIAL_READ),      VEK_NAMED(VEK_ERROR_SERIAL_READ_TIMEOUT)};
#undef VEK_NAMED
  for (const auto& [code, name] : codes) {
    try {
      throw_result(code, "VEKnet_Query");
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), std::string("VEKnet_Query: ") + name + " (" + std::to_string(code) + ")");
      EXPECT_EQ(e.code(), code);
      EXPECT_EQ(dynamic_cast<const TimeoutError*>(&e) != nullptr, timeouts.count(code) == 1) << name;
      EXPECT_EQ(dynamic_cast<const ConnectionError*>(&e) != nullptr, connections.count(code) == 1) << name;
    }
  }
}

}  // namespace
}  // namespace vek::test
