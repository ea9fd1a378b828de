// The safe-motion scenario table run through vek::Controller: one test per
// scenario and link (cpp_scenarios.Tcp.<name>, cpp_scenarios.Serial.<name>),
// each against a veksim of its own started with the scenario's flags. The
// harness looks at the simulator only through its own TCP connection.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/host.h"
#include "tests/cpp/scenario_table.h"
#include "tests/cpp/veksim_process.h"
#include "vekkestra.hpp"

namespace vek::scenarios {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// This suite's COM port, so that CTest may run it beside the others.
constexpr int kComPort = 24;
// open-missing-com's port.
constexpr int kMissingComPort = 31;
// "check" waits this long for the axes of "rest" to stand still, and for
// those of "moving" to move: on a serial line nothing acknowledges a command,
// so a motion the layer started may still be on its way when the call returns.
constexpr milliseconds kSettleLimit{2000};
// "safe": a failed move's axes must stand still within this. veksim's axes
// brake at 100000 steps/s² from at most 10000 steps/s: a stop takes 100 ms;
// the rest is for the looks of a loaded machine, as the other layers' harnesses
// give "safe" the checks' 2 s.
constexpr milliseconds kStopSettle = kSettleLimit;
constexpr milliseconds kLookGap{20};
// The lines of veksim's log shown for a failed scenario.
constexpr int kLogTail = 60;

enum class Link { kTcp, kSerial };

long MsSince(Clock::time_point start) {
  return static_cast<long>(std::chrono::duration_cast<milliseconds>(Clock::now() - start).count());
}

// What an action ended in, as the layer's exception classes say.
struct Observed {
  Kind kind = Kind::kOk;
  std::string what;
  bool isError = false;  // a vek::Error
  int axis = -1;
  int32_t position = 0;
  bool positionRead = false;
  int32_t stopped = 0;
  long ms = 0;
};

Kind KindOf(const vek::Error& e) {
  if (dynamic_cast<const vek::LimitError*>(&e) != nullptr) return Kind::kLimit;
  if (dynamic_cast<const vek::SlipError*>(&e) != nullptr) return Kind::kSlip;
  if (dynamic_cast<const vek::MoveInterruptedError*>(&e) != nullptr) return Kind::kInterrupted;
  if (dynamic_cast<const vek::TimeoutError*>(&e) != nullptr) return Kind::kTimeout;
  if (dynamic_cast<const vek::ConnectionError*>(&e) != nullptr) return Kind::kConnection;
  if (dynamic_cast<const vek::ClosedError*>(&e) != nullptr) return Kind::kClosed;
  if (dynamic_cast<const vek::CancelledError*>(&e) != nullptr) return Kind::kCancelled;
  // vekkestra.h: VEK_ERROR_COMMAND_NAK, the controller refused the command.
  return e.code() == VEK_ERROR_COMMAND_NAK ? Kind::kRefused : Kind::kOther;
}

Observed Observe(const std::function<void()>& action) {
  Observed o;
  const Clock::time_point start = Clock::now();
  try {
    action();
  } catch (const vek::Error& e) {
    o.kind = KindOf(e);
    o.what = e.what();
    o.isError = true;
    o.stopped = e.stopped().mask();
    if (const auto* axisError = dynamic_cast<const vek::AxisError*>(&e)) {
      o.axis = vek::is_axis(axisError->axis()) ? vek::index_of(axisError->axis()) : -1;
      o.position = axisError->position();
      o.positionRead = axisError->position_read();
    }
  } catch (const std::invalid_argument& e) {
    o.kind = Kind::kArgument;
    o.what = e.what();
  } catch (const std::exception& e) {
    o.kind = Kind::kOther;
    o.what = e.what();
  }
  o.ms = MsSince(start);
  return o;
}

std::string Describe(const Outcome& o) {
  std::string text = KindName(o.kind);
  if (o.axis >= 0) text += " " + AxisLetters(1 << o.axis);
  if (o.at) text += " at=" + std::to_string(*o.at);
  if (o.stopped) text += " stopped=" + AxisLetters(*o.stopped);
  if (o.withinMs) text += " within=" + std::to_string(*o.withinMs);
  return text;
}

std::string Describe(const Observed& o) {
  std::string text = KindName(o.kind);
  if (o.axis >= 0) text += " " + AxisLetters(1 << o.axis);
  if (o.positionRead) text += " at=" + std::to_string(o.position);
  if (o.isError) text += " stopped=" + AxisLetters(o.stopped);
  text += " after " + std::to_string(o.ms) + " ms";
  if (!o.what.empty()) text += " (\"" + o.what + "\")";
  return text;
}

// Where a failed step is reported from.
#define VEK_STEP_FAILURE(line) ADD_FAILURE_AT(VEK_SCENARIO_TABLE, line)

class Runner {
 public:
  Runner(const Scenario& scenario, Link link) : scenario_(scenario), link_(link) {}

  void Go(const std::string& logPath) {
    std::string error;
    const int com = link_ == Link::kSerial ? kComPort : 0;
    if (!sim_.Start(VEK_VEKSIM_PROGRAM, scenario_.simFlags, com, logPath, &error)) {
      VEK_STEP_FAILURE(scenario_.line) << error;
      return;
    }
    if (com > 0) host::SetEnvironment(("VEKKESTRA_COM" + std::to_string(com)).c_str(), sim_.ptyPath().c_str());
    for (const Step& step : scenario_.steps) {
      const bool passed = step.isCheck ? Check(step) : Act(step);
      if (!passed) return;  // what follows builds on this step
    }
  }

 private:
  bool Open(int line) {
    if (ctl_) return true;
    const Observed opened = Observe([&] {
      ctl_ =
          link_ == Link::kSerial ? vek::Controller::serial(kComPort) : vek::Controller::tcp("localhost", sim_.port());
    });
    if (opened.kind != Kind::kOk) VEK_STEP_FAILURE(line) << "opening the controller: " << Describe(opened);
    return opened.kind == Kind::kOk;
  }

  bool Act(const Step& step) {
    const Action& a = step.action;
    if (a.NeedsController() && !Open(step.line)) return false;
    if (a.verb == Verb::kLater) {
      later_.push_back(a);
      return true;
    }
    const int times = a.verb == Verb::kRepeat ? a.number : 1;
    const Action& each = a.verb == Verb::kRepeat ? *a.inner : a;
    for (int i = 0; i < times; ++i) {
      const Observed seen = WithLater([&] { Do(each); });
      if (!Judge(step, each, seen, times > 1 ? " (round " + std::to_string(i + 1) + ")" : std::string())) return false;
    }
    return true;
  }

  // Runs the action, with the "later" actions started beside it.
  Observed WithLater(const std::function<void()>& action) {
    std::vector<std::string> failures(later_.size());
    std::vector<std::thread> threads;
    for (size_t i = 0; i < later_.size(); ++i) {
      threads.emplace_back([this, i, &failures] {
        std::this_thread::sleep_for(milliseconds(later_[i].number));
        const Observed o = Observe([&] { Do(*later_[i].inner); });
        if (o.kind != Kind::kOk) failures[i] = "later " + later_[i].inner->text + ": " + Describe(o);
      });
    }
    const Observed seen = Observe(action);
    for (std::thread& t : threads) t.join();
    later_.clear();
    for (const std::string& failure : failures) {
      if (!failure.empty()) ADD_FAILURE() << failure;
    }
    return seen;
  }

  void Do(const Action& a) {
    if (!a.NeedsController()) return DoOther(a);
    vek::Controller& ctl = *ctl_;
    const milliseconds timeout(a.timeoutMs);
    const vek::OnTimeout onTimeout = a.keepMoving ? vek::OnTimeout::KeepMoving : vek::OnTimeout::Stop;
    switch (a.verb) {
      case Verb::kMove: {
        std::map<vek::Axis, int32_t> targets;
        for (const auto& [axis, value] : a.values) targets[vek::axis_at(axis)] = static_cast<int32_t>(value);
        a.relative ? ctl.move_by(targets, timeout, onTimeout) : ctl.move(targets, timeout, onTimeout);
        break;
      }
      case Verb::kMoveAxis:
        return ctl.move_axis(vek::axis_at(a.axis), a.number, timeout);
      case Verb::kHome:
        return ctl.home(vek::axis_at(a.axis), timeout);
      case Verb::kFindLimit:
        return ctl.find_limit(vek::axis_at(a.axis), a.number, timeout);
      case Verb::kJog: {
        std::map<vek::Axis, double> velocities;
        for (const auto& [axis, value] : a.values) velocities[vek::axis_at(axis)] = value;
        return ctl.jog(velocities);
      }
      case Verb::kStop:
        return ctl.stop(a.axes == 0 ? vek::Axes::all() : vek::Axes::from_mask(a.axes));
      case Verb::kWait:
        return ctl.wait(vek::Axes::from_mask(a.axes), timeout);
      case Verb::kSlipDetection:
        return ctl.enable_slip_detection(vek::Axes::from_mask(a.axes));
      case Verb::kClose:
        return ctl.close();
      case Verb::kCancel:
        return ctl.cancel();
      default:
        return DoOther(a);
    }
  }

  // The actions that are not one call of the controller.
  void DoOther(const Action& a) {
    switch (a.verb) {
      case Verb::kSleep:
        return std::this_thread::sleep_for(milliseconds(a.number));
      case Verb::kRaw: {
        std::string error;
        if (!sim_.Exchange(a.raw, 0, &error)) throw std::runtime_error("the harness's own connection: " + error);
        return;
      }
      case Verb::kOpenRefused:
        return OpenRefused();
      case Verb::kOpenMissingCom:
        return OpenMissingCom();
      case Verb::kThreads:
        return Threads(a.number);
      case Verb::kGuardError:
      case Verb::kGuardNormal:
        return Guarded(*a.inner, a.verb == Verb::kGuardError);
      default:
        throw std::logic_error("no way to run \"" + a.text + "\"");
    }
  }

  static void OpenRefused() {
    // A loopback port that nobody listens on: bound once, then released.
    uint16_t port = 0;
    char error[128] = {};
    const int listener = host::ListenTcp("127.0.0.1", 0, &port, error, sizeof error);
    if (listener < 0) throw std::runtime_error(std::string("no free port: ") + error);
    host::CloseDescriptor(listener);
    vek::Controller::tcp("127.0.0.1", port);
  }

  static void OpenMissingCom() {
    const std::string variable = "VEKKESTRA_COM" + std::to_string(kMissingComPort);
    host::SetEnvironment(variable.c_str(), "/nonexistent/vekkestra-com");
    struct Restore {
      std::string variable;
      ~Restore() { unsetenv(variable.c_str()); }
    } restore{variable};
    vek::Controller::serial(kMissingComPort);
  }

  void Threads(int rounds) {
    std::string failures[2];
    auto shuttle = [&](int slot, vek::Axis axis, int32_t far) {
      for (int round = 0; round < rounds; ++round) {
        const int32_t target = round % 2 == 0 ? far : 0;
        const Observed o = Observe([&] { ctl_->move({{axis, target}}, milliseconds(kDefaultTimeoutMs)); });
        if (o.kind != Kind::kOk)
          failures[slot] += " move " + AxisLetters(static_cast<int32_t>(axis)) + "=" + std::to_string(target) + ": " +
                            Describe(o) + ";";
      }
    };
    std::thread x(shuttle, 0, vek::Axis::X, 1000);
    std::thread y(shuttle, 1, vek::Axis::Y, 2000);
    x.join();
    y.join();
    if (!failures[0].empty() || !failures[1].empty()) throw std::runtime_error(failures[0] + failures[1]);
  }

  struct LeftByError {};

  void Guarded(const Action& jog, bool byError) {
    try {
      vek::MotionGuard guard(*ctl_);
      Do(jog);
      if (byError) throw LeftByError{};
    } catch (const LeftByError&) {
    }
  }

  std::optional<Reading> Look(int line) {
    std::string error;
    std::optional<Reading> r = sim_.Read(&error);
    if (!r) VEK_STEP_FAILURE(line) << "looking at veksim: " << error;
    return r;
  }

  // Reads until the axes of `rest` stand still and those of `moving` move, at
  // most `limit`; the last reading, and in `wrong` the axes not yet so.
  std::optional<Reading> Settled(int32_t rest, int32_t moving, milliseconds limit, int line, int32_t* wrong) {
    const Clock::time_point until = Clock::now() + limit;
    for (;;) {
      std::optional<Reading> r = Look(line);
      if (!r) return r;
      *wrong = 0;
      for (int i = 0; i < kAxisCount; ++i) {
        const bool shouldMove = (moving & (1 << i)) != 0;
        if (((rest | moving) & (1 << i)) != 0 && r->moving[i] != shouldMove) *wrong |= 1 << i;
      }
      if (*wrong == 0 || Clock::now() >= until) return r;
      std::this_thread::sleep_for(kLookGap);
    }
  }

  bool Judge(const Step& step, const Action& a, const Observed& seen, const std::string& round) {
    const Outcome& want = step.outcome;
    if (want.kind == Kind::kSafe) return JudgeSafe(step, a, seen, round);
    std::string wrong;
    if (seen.kind != want.kind || seen.axis != want.axis) wrong = "the outcome";
    if (want.at && !(seen.positionRead && seen.position == *want.at)) wrong = "the error's position";
    if (want.stopped && seen.stopped != *want.stopped) wrong = "the axes the error says were stopped";
    if (want.withinMs && seen.ms > *want.withinMs) wrong = "the time it took";
    if (wrong.empty()) return true;
    VEK_STEP_FAILURE(step.line) << step.action.text << round << ": " << wrong << " is wrong\n  expected "
                                << Describe(want) << "\n  got      " << Describe(seen);
    return false;
  }

  // A move ends ok with its axes at rest at their targets, or fails with them at rest.
  bool JudgeSafe(const Step& step, const Action& a, const Observed& seen, const std::string& round) {
    int32_t moved = 0;
    for (const auto& entry : a.values) moved |= 1 << entry.first;
    if (seen.kind != Kind::kOk && !seen.isError) {
      VEK_STEP_FAILURE(step.line) << step.action.text << round << ": not a failure of the layer: " << Describe(seen);
      return false;
    }
    int32_t stillMoving = 0;
    const milliseconds limit = seen.kind == Kind::kOk ? milliseconds(0) : kStopSettle;
    const std::optional<Reading> r = Settled(moved, 0, limit, step.line, &stillMoving);
    if (!r) return false;
    std::string wrong;
    if (stillMoving != 0)
      wrong = AxisLetters(stillMoving) + " still moving " + std::to_string(limit.count()) + " ms later";
    for (const auto& [axis, target] : a.values) {
      if (seen.kind == Kind::kOk && !a.relative && r->motor[axis] != static_cast<int32_t>(target))
        wrong += " " + AxisLetters(1 << axis) + " at " + std::to_string(r->motor[axis]) + ", not at its target";
    }
    if (wrong.empty()) return true;
    VEK_STEP_FAILURE(step.line) << step.action.text << round << " is not safe: " << wrong << "\n  got "
                                << Describe(seen);
    return false;
  }

  bool Check(const Step& step) {
    const vek::scenarios::Check& c = step.check;
    int32_t notYet = 0;
    const std::optional<Reading> r = Settled(c.rest, c.moving, kSettleLimit, step.line, &notYet);
    if (!r) return false;
    std::string wrong;
    if ((notYet & c.rest) != 0) wrong += " " + AxisLetters(notYet & c.rest) + " still moving after 2 s;";
    if ((notYet & c.moving) != 0) wrong += " " + AxisLetters(notYet & c.moving) + " not moving within 2 s;";
    for (const Compare& p : c.positions) {
      const int32_t at = r->motor[p.axis];
      const bool holds = p.op == '=' ? at == p.value : p.op == '<' ? at < p.value : at > p.value;
      if (!holds) wrong += " " + AxisLetters(1 << p.axis) + " at " + std::to_string(at) + ";";
    }
    if (wrong.empty()) return true;
    std::ostringstream seen;
    for (int i = 0; i < kAxisCount; ++i)
      seen << " " << AxisLetters(1 << i) << "=" << r->motor[i] << (r->moving[i] ? " (moving)" : "");
    VEK_STEP_FAILURE(step.line) << "check failed:" << wrong << "\n  veksim:" << seen.str();
    return false;
  }

  const Scenario& scenario_;
  const Link link_;
  Veksim sim_;
  std::optional<vek::Controller> ctl_;  // declared after sim_: closed before veksim stops
  std::vector<Action> later_;
};

std::string LastLines(const std::string& path, int count) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  std::string tail;
  for (size_t i = lines.size() > static_cast<size_t>(count) ? lines.size() - count : 0; i < lines.size(); ++i)
    tail += "  " + lines[i] + "\n";
  return tail;
}

class ScenarioTest : public testing::Test {
 public:
  ScenarioTest(const Scenario* scenario, Link link) : scenario_(scenario), link_(link) {}

  void TestBody() override {
    ASSERT_TRUE(scenario_->error.empty()) << scenario_->error;
    mkdir("scenario-logs", 0755);
    const std::string log =
        std::string("scenario-logs/") + (link_ == Link::kTcp ? "tcp." : "serial.") + scenario_->name + ".log";
    Runner(*scenario_, link_).Go(log);
    if (HasFailure()) {
      std::cerr << "veksim's log (" << log << "), its last lines:\n" << LastLines(log, kLogTail);
    } else {
      unlink(log.c_str());
    }
  }

 private:
  const Scenario* scenario_;
  Link link_;
};

class TableTest : public testing::Test {
 public:
  explicit TableTest(std::string error) : error_(std::move(error)) {}
  void TestBody() override { FAIL() << error_; }

 private:
  std::string error_;
};

void RegisterScenarios() {
  static std::vector<Scenario> table;
  std::ifstream in(VEK_SCENARIO_TABLE);
  std::stringstream text;
  text << in.rdbuf();
  table = Parse(text.str());
  if (!in || table.empty()) {
    testing::RegisterTest("Table", "reads", nullptr, nullptr, __FILE__, __LINE__, []() -> testing::Test* {
      return new TableTest(std::string("no scenarios in ") + VEK_SCENARIO_TABLE);
    });
  }
  for (const Scenario& s : table) {
    for (const Link link : {Link::kTcp, Link::kSerial}) {
      if (!(link == Link::kTcp ? s.tcp : s.serial)) continue;
      testing::RegisterTest(link == Link::kTcp ? "Tcp" : "Serial", s.name.c_str(), nullptr, nullptr, VEK_SCENARIO_TABLE,
                            s.line, [&s, link]() -> testing::Test* { return new ScenarioTest(&s, link); });
    }
  }
}

}  // namespace
}  // namespace vek::scenarios

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  vek::scenarios::RegisterScenarios();
  return RUN_ALL_TESTS();
}
