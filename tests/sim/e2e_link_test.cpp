// The simulator driven through the real library, on both links: loopback TCP
// and a pseudo-terminal published as a COM port. Every case runs on both.
#include <cstring>
#include <functional>
#include <string>

#include "tests/sim/sim_link.h"

namespace vek::sim {
namespace {

class LinkTest : public SimLinkTest {
 protected:
  LinkTest() : SimLinkTest(9) {}
  uint32_t Send(const char* text) { return CALL(SendCommand, text); }
  uint32_t Query(const char* text, std::string* answer) {
    char buffer[128] = {0};
    uint32_t r = CALL(Query, text, buffer, sizeof buffer);
    *answer = std::string(buffer, strnlen(buffer, sizeof buffer));
    return r;
  }
};

TEST_P(LinkTest, MoveAndWaitEndsWithinTheProfileTimePlusOnePoll) {
  // 0.1 s up to 20000 steps/s, 0.1 s cruising, 0.1 s down: 0.3 s for 4000.
  ASSERT_EQ(Send("AXVB0;AXVL20000;AXAC200000;"), VEK_SUCCESS);
  auto start = Clock::now();
  EXPECT_EQ(CALL(MoveAxis, VEK_AXIS_X, 0, 4000, 0, 5000), VEK_SUCCESS);
  double took = SecondsSince(start);
  EXPECT_GE(took, 0.29);
  // Ended by the done report, not the 5 s time-out: the profile and the poll
  // that sees it, whose reply may take the 2.5 s any reply may.
  EXPECT_LT(took, 0.3 + 2.5);
  int32_t position = 0;
  EXPECT_EQ(CALL(GetAxisMotorPosition, VEK_AXIS_X, &position), VEK_SUCCESS);
  EXPECT_EQ(position, 4000);
}

TEST_P(LinkTest, RefusedTextIsFlaggedAndReportedBack) {
  EXPECT_EQ(Send("AXQQ7;"), serial() ? VEK_SUCCESS : VEK_ERROR_COMMAND_NAK);
  EXPECT_TRUE(Eventually([&] {
    uint32_t f = 0;
    return CALL(GetCommandErrorFlag, &f) == VEK_SUCCESS && f == 1u;
  }));
  char text[64] = {0};
  int32_t length = 0;
  ASSERT_EQ(CALL(GetIllegalCommand, text, sizeof text, &length), VEK_SUCCESS);
  EXPECT_STREQ(text, "AXQQ7;");
  EXPECT_EQ(length, 6);
}

// Each injected fault gives the result the link contract predicts for it.
TEST_P(LinkTest, InjectedFaultsGiveTheirResultCodes) {
  struct Case {
    const char* name;
    std::function<void(Faults*)> set;
    uint32_t tcp, serial;
    int settleMs;  // lets a late reply arrive and be drained before the next case
  };
  const Case cases[] = {
      {"late reply", [&](Faults* f) { f->replyLatencyMs = serial() ? 400 : 3000; }, VEK_ERROR_ACK_NAK_TIMEOUT,
       VEK_ERROR_SERIAL_READ_TIMEOUT, 700},
      {"dropped reply", [](Faults* f) { f->dropAckEvery = 1; }, VEK_ERROR_ACK_NAK_TIMEOUT,
       VEK_ERROR_SERIAL_READ_TIMEOUT, 0},
      {"garbage reply", [](Faults* f) { f->garbageEvery = 1; }, VEK_ERROR_NO_COMMAND_ACK, VEK_ERROR_SERIAL_READ_TIMEOUT,
       0},
      {"answer long after its ACK", [](Faults* f) { f->splitAnswers = true, f->splitDelayMs = 3000; },
       VEK_ERROR_SOCKET_RECEIVE_TIMEOUT, VEK_SUCCESS, 700},
      {"notification inside the answer", [](Faults* f) { f->notifyInsideAnswers = true; }, VEK_SUCCESS, VEK_SUCCESS, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Faults f;
    c.set(&f);
    sim_->SetFaults(f);
    std::string answer;
    uint32_t r = Query("PP", &answer);
    EXPECT_EQ(r, serial() ? c.serial : c.tcp);
    if (r == VEK_SUCCESS) {
      EXPECT_EQ(answer, "0,0,0,0,0,0,0,0,0,0");
    } else if (serial() && f.garbageEvery) {
      EXPECT_EQ(answer.substr(0, 3), "#?~");  // the part of a line that came
    }
    sim_->SetFaults(Faults());
    std::this_thread::sleep_for(std::chrono::milliseconds(c.settleMs));
    ASSERT_EQ(Query("AX?VL", &answer), VEK_SUCCESS);  // the link is sound again
    EXPECT_EQ(answer, "=10000");
  }
  if (serial()) return;
  // A connection the controller closes at its third command.
  Faults f;
  f.closeAfter = 3;
  sim_->SetFaults(f);
  EXPECT_EQ(Send("AXVB10;"), VEK_SUCCESS);
  EXPECT_EQ(Send("AXVB20;"), VEK_SUCCESS);
  EXPECT_EQ(Send("AXVB30;"), VEK_ERROR_SOCKET_RECEIVE);
  VEKnet_Close(&h_);
}

VEK_SIM_LINK_SUITE(LinkTest);

}  // namespace
}  // namespace vek::sim
