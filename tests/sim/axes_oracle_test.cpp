// Every single-axis operation family on all ten axes, through the real library
// on both links, read back over a second, raw TCP connection that speaks the
// command language itself, reads all axes at once by position and decodes the
// notifications: a letter the library and its own tests got wrong together
// still moves, sets or reports the wrong slot here.
#include <poll.h>
#include <sys/socket.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/host.h"
#include "tests/sim/sim_link.h"

namespace vek::sim {
namespace {

using List = std::vector<std::string>;

// The axes by position: kAxes[i] is the i-th field of every all-axes answer
// and the i-th bit of each flag group.
constexpr int32_t kAxes[] = {VEK_AXIS_X, VEK_AXIS_Y, VEK_AXIS_Z, VEK_AXIS_T, VEK_AXIS_U,
                             VEK_AXIS_V, VEK_AXIS_R, VEK_AXIS_S, VEK_AXIS_W, VEK_AXIS_K};
const List kAtRest(kAxisCount, "0");

enum Group { kDone, kLimit, kSlip };

List Split(const std::string& text) {
  List fields(1);
  for (char c : text) {
    if (c == ',')
      fields.emplace_back();
    else
      fields.back().push_back(c);
  }
  return fields;
}

List Replaced(List list, int slot, const std::string& value) {
  if (slot < static_cast<int>(list.size())) list[slot] = value;
  return list;
}

// A plain client of the controller: one command text per send, its ACK and
// answer in the reply, notifications of 15 characters wherever they come.
class RawLink {
 public:
  ~RawLink() { host::CloseDescriptor(fd_); }
  bool Connect(uint16_t port) { return (fd_ = host::ConnectTcp("127.0.0.1", port)) >= 0; }

  // The answer behind the ACK ("" for a command), or a marker the checks show.
  std::string Exchange(const std::string& text) {
    Read(0);
    text_.clear();
    if (send(fd_, text.data(), text.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(text.size())) return "<not sent>";
    const auto start = Clock::now();
    while (SecondsSince(start) < 2.5) {
      const size_t verdict = text_.find_first_of("\x06\x15");
      if (verdict != std::string::npos) {
        if (text_.find('%', verdict) != std::string::npos) Read(50);  // the rest of a notification
        const bool ack = text_[verdict] == '\x06';
        std::string answer = text_.substr(verdict + 1);
        text_.clear();
        return ack ? answer : "<NAK to " + text + ">";
      }
      Read(20);
    }
    return "<no reply to " + text + ">";
  }
  List Read(const std::string& query) { return Split(Exchange(query)); }

  // Forgets the notifications received so far.
  void Forget() {
    Read(0);
    seen_ = 0;
  }
  // The axes (bit i for the axis of position i) whose `group` flag the
  // notifications since Forget() carried, once `awaited` is among them or 3 s
  // have passed.
  uint32_t Notified(Group group, uint32_t awaited) {
    const auto start = Clock::now();
    while ((AxesOf(group) & awaited) != awaited && SecondsSince(start) < 3.0) Read(20);
    return AxesOf(group);
  }

 private:
  // The controller packs the first eight axes of the done, limit and slip
  // groups into the three low bytes of a notification, and the last two axes
  // of each group into bits 25-26, 27-28 and 29-30.
  uint32_t AxesOf(Group group) const {
    static const int kLow[] = {0, 8, 16};
    static const int kHigh[] = {25, 27, 29};
    return ((seen_ >> kLow[group]) & 0xFFu) | (((seen_ >> kHigh[group]) & 0x3u) << 8);
  }

  void Read(int waitMs) {
    pollfd p{fd_, POLLIN, 0};
    char chunk[4096];
    while (poll(&p, 1, waitMs) > 0) {
      const ssize_t got = recv(fd_, chunk, sizeof chunk, 0);
      if (got <= 0) break;
      text_.append(chunk, static_cast<size_t>(got));
      waitMs = 0;
    }
    size_t at;
    while ((at = text_.find("%000 ")) != std::string::npos && at + 15 <= text_.size()) {
      seen_ |= static_cast<uint32_t>(std::strtoul(text_.substr(at + 5, 8).c_str(), nullptr, 16));
      text_.erase(at, 15);
    }
  }

  int fd_ = -1;
  std::string text_;
  uint32_t seen_ = 0;
};

// The flag word a reader returns, or a marker no flag word can be.
#define FLAGS(getter)                                         \
  [&] {                                                       \
    uint32_t w = 0;                                           \
    return CALL(getter, &w) == VEK_SUCCESS ? w : 0xFFFFFFFFu; \
  }()

class AxesOracle : public SimLinkTest {
 protected:
  AxesOracle() : SimLinkTest(6) {}
  void SetUp() override {
    SimLinkTest::SetUp();
    ASSERT_TRUE(raw_.Connect(sim_->tcpPort()));
  }

  // A serial command is only written; a query through the library returns
  // once the controller has run everything sent before it. A serial reply
  // later than the reader's 100 ms of silence (the simulator's thread
  // waiting for a core of a loaded machine) is asked for again, within the
  // 2.5 s a reply may take; the late one is drained by the next query.
  void Sync() {
    char answer[128] = {0};
    uint32_t result = VEK_ERROR_SERIAL_READ_TIMEOUT;
    const auto start = Clock::now();
    while (result == VEK_ERROR_SERIAL_READ_TIMEOUT && SecondsSince(start) < 2.5) {
      result = CALL(Query, "PP", answer, sizeof answer);
    }
    ASSERT_EQ(result, VEK_SUCCESS);
  }
  // A setting's result, once the controller has run it.
  void Applied(uint32_t result) {
    EXPECT_EQ(result, VEK_SUCCESS);
    Sync();
  }
  // Folds what the library has been sent, then forgets every axis flag.
  // A clean start for one step: no notification remembered on the raw side,
  // no flag left in the library.
  void FreshStep() {
    raw_.Forget();
    FLAGS(GetAllDoneFlags);
    CALL(ClearMultiAxisDoneFlags, VEK_ALL_AXES);
    CALL(ClearMultiAxisOvertravelFlags, VEK_ALL_AXES);
    CALL(ClearMultiAxisSlipFlag, VEK_ALL_AXES);
  }
  // Reads the velocities until they are `expected` (motion takes a moment) or 3 s pass.
  void ExpectVelocities(const List& expected) {
    List got;
    Eventually([&] { return (got = raw_.Read("AARV")) == expected; });
    EXPECT_EQ(got, expected);
  }

  RawLink raw_;
};

TEST_P(AxesOracle, MoveJogStopKillAndSlipMoveOnlyTheirAxis) {
  for (int i = 0; i < kAxisCount; ++i) {
    const int32_t axis = kAxes[i];
    const uint32_t bit = 1u << i;
    SCOPED_TRACE("axis position " + std::to_string(i));

    // A move with its wait; the library's done flags hold that axis alone.
    FreshStep();
    const List before = raw_.Read("PP");
    const int32_t target = 100 + 11 * i;
    EXPECT_EQ(CALL(MoveAxis, axis, 0, target, 0, 2000), VEK_SUCCESS);
    EXPECT_EQ(raw_.Read("PP"), Replaced(before, i, std::to_string(target)));
    EXPECT_EQ(raw_.Notified(kDone, bit), bit);
    EXPECT_EQ(FLAGS(GetAllDoneFlags), bit);

    // A jog, stopped; a jog the other way, killed.
    for (const bool kill : {false, true}) {
      raw_.Forget();
      EXPECT_EQ(CALL(JogAxis, axis, kill, kill ? -1500.25 : 2000.0), VEK_SUCCESS);
      ExpectVelocities(Replaced(kAtRest, i, kill ? "-1500" : "2000"));
      EXPECT_EQ(kill ? CALL(KillMotion, axis) : CALL(StopMotion, axis), VEK_SUCCESS);
      ExpectVelocities(kAtRest);
      EXPECT_EQ(raw_.Notified(kDone, bit), bit);
    }

    // A slipping encoder with detection on ends the move early: the axis is
    // killed and reports done, so the wait ends, with the slip flag beside it.
    FreshStep();
    sim_->MakeAxisSlip(i);
    EXPECT_EQ(CALL(EnableAxisSlipDectection, axis), VEK_SUCCESS);
    EXPECT_EQ(CALL(SetAxisEncoderSlipTolerance, axis, 20), VEK_SUCCESS);
    EXPECT_EQ(CALL(MoveAxis, axis, 1, 5000, 0, 2000), VEK_SUCCESS);
    EXPECT_EQ(raw_.Notified(kSlip, bit), bit);
    EXPECT_EQ(raw_.Notified(kDone, bit), bit);
    EXPECT_EQ(FLAGS(GetAllAxesSlipFlag), bit);
    ExpectVelocities(kAtRest);
    sim_->MakeAxisSlip(i, false);
    if (HasFailure()) return;  // one wrong axis tells enough; the waits of the rest only cost time
  }
}

TEST_P(AxesOracle, LimitAndHomeSearchesRunOnlyTheirAxis) {
  for (int i = 0; i < kAxisCount; ++i) {
    sim_->SetLimitSwitches(i, -1.0e6, 200);
    sim_->SetHomeSwitch(i, 50);
  }
  for (int i = 0; i < kAxisCount; ++i) {
    const int32_t axis = kAxes[i];
    const uint32_t bit = 1u << i;
    SCOPED_TRACE("axis position " + std::to_string(i));

    FreshStep();
    const List before = raw_.Read("PP");
    const List encodersBefore = raw_.Read("PE");
    EXPECT_EQ(CALL(FindAxisLimit, axis, 0, 5000, 2000), VEK_SUCCESS);
    EXPECT_EQ(raw_.Notified(kLimit, bit), bit);
    EXPECT_EQ(raw_.Read("PP"), Replaced(before, i, "200"));  // halted at the switch
    EXPECT_EQ(FLAGS(GetAllOvertravelFlags), bit);

    raw_.Forget();
    EXPECT_EQ(CALL(FindAxisHome, axis, 0, 0, 1000 + i, 2000), VEK_SUCCESS);
    EXPECT_EQ(raw_.Read("PP"), Replaced(before, i, std::to_string(1000 + i)));
    EXPECT_EQ(raw_.Read("PE"), Replaced(encodersBefore, i, std::to_string(1000 + i)));  // both counters homed
    EXPECT_EQ(raw_.Notified(kDone, bit), bit);
    if (HasFailure()) return;
  }
}

TEST_P(AxesOracle, ReadsAndSettingsReachOnlyTheirAxis) {
  // Reads: the raw link gives every axis a value of its own first.
  const std::string kPositions = "-7,13,-21,34,-55,89,-144,233,-377,610";
  const List positions = Split(kPositions);
  ASSERT_EQ(raw_.Exchange("AALP" + kPositions + ";"), "");
  ASSERT_EQ(raw_.Exchange("AAAC100000,110000,120000,130000,140000,150000,160000,170000,180000,190000;"), "");
  for (int i = 0; i < kAxisCount; ++i) {
    const int32_t axis = kAxes[i];
    SCOPED_TRACE("axis position " + std::to_string(i));
    int32_t value = 0;
    EXPECT_EQ(CALL(GetAxisMotorPosition, axis, &value), VEK_SUCCESS);
    EXPECT_EQ(std::to_string(value), positions[i]);
    EXPECT_EQ(CALL(GetAxisAcceleration, axis, &value), VEK_SUCCESS);
    EXPECT_EQ(value, 100000 + 10000 * i);
    // Only this axis runs: its status says moving, its neighbour's does not.
    ASSERT_EQ(raw_.Exchange("AAJG" + std::string(i, ',') + "1000;"), "");
    uint32_t status[5] = {0};
    EXPECT_EQ(CALL(GetAxisEncoderStatus, axis, status), VEK_SUCCESS);
    EXPECT_EQ(status[4], 1u);
    EXPECT_EQ(CALL(GetAxisEncoderStatus, kAxes[(i + 1) % kAxisCount], status), VEK_SUCCESS);
    EXPECT_EQ(status[4], 0u);
    ASSERT_EQ(raw_.Exchange("AAKL"), "");
    if (HasFailure()) return;
  }

  // Settings: the library sets one axis, the raw link finds that slot alone changed.
  for (int i = 0; i < kAxisCount; ++i) {
    const int32_t axis = kAxes[i];
    const uint32_t bit = 1u << i;
    SCOPED_TRACE("axis position " + std::to_string(i));

    List before = raw_.Read("PP");
    Applied(CALL(SetAxisMotorPosition, axis, -1000 - i));
    EXPECT_EQ(raw_.Read("PP"), Replaced(before, i, std::to_string(-1000 - i)));

    before = raw_.Read("AA?VL");
    Applied(CALL(SetAxisMaxVelocity, axis, 5000 + i));
    EXPECT_EQ(raw_.Read("AA?VL"), Replaced(before, i, "=" + std::to_string(5000 + i)));

    // Encoder status letters: PID on/off first, slip detection on/off second.
    List expected = raw_.Read("AAEA");
    EXPECT_EQ(CALL(SetAxisPID, axis, 0), VEK_SUCCESS);
    Applied(CALL(EnableAxisSlipDectection, axis));
    if (i < static_cast<int>(expected.size()) && expected[i].size() == 5) expected[i][0] = 'D', expected[i][1] = 'E';
    EXPECT_EQ(raw_.Read("AAEA"), expected);

    Applied(CALL(SetAxisAuxBit, axis, 1u));
    for (int j = 0; j < kAxisCount; ++j) EXPECT_EQ(sim_->axis(j).auxOutput, j <= i) << "aux of position " << j;

    // Travel limits of this axis alone: every axis jogs, this one halts at 50.
    Applied(CALL(SetAxisSoftwareTravelLimits, axis, -50, 50));
    ASSERT_EQ(raw_.Exchange("AALP0,0,0,0,0,0,0,0,0,0;"), "");
    raw_.Forget();
    ASSERT_EQ(raw_.Exchange("AAJG3000,3000,3000,3000,3000,3000,3000,3000,3000,3000;"), "");
    EXPECT_EQ(raw_.Notified(kLimit, bit), bit);
    const List velocities = raw_.Read("AARV");
    for (int j = 0; j < kAxisCount && j < static_cast<int>(velocities.size()); ++j)
      EXPECT_EQ(velocities[j] == "0", j == i) << "velocity of position " << j << ": " << velocities[j];
    EXPECT_EQ(raw_.Read("PP").at(i), "50");
    ASSERT_EQ(raw_.Exchange("AAKL"), "");
    EXPECT_EQ(CALL(SetAxisSoftwareTravelLimits, axis, 0, 0), VEK_SUCCESS);  // equal limits: none
    if (HasFailure()) return;
  }
}

VEK_SIM_LINK_SUITE(AxesOracle);

}  // namespace
}  // namespace vek::sim
