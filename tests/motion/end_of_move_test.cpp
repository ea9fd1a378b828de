// The end of a move, byte by byte: a scripted controller on loopback TCP
// answers the motion core's commands and queries, so that the test chooses
// what arrives in which chunk. Truth comes from the documented rule: a move
// returns success only with its axes at rest at their targets; a limit
// reported with the answer that shows the axis at rest still wins; a done
// report of an earlier motion ends nothing; a lost reply stops what the
// command may have started, and no later call reads it.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "tests/support/tcp_peer.h"
#include "vekkestra_motion.h"

namespace vek::test {
namespace {

constexpr char kAck[] = "\x06";
constexpr uint32_t kDoneX = 0x001;   // notification value: done of X
constexpr uint32_t kLimitX = 0x100;  // limit of X

// The status and motor positions of all ten axes, as one query answers
// "AAEA;AARP": X with the given letters and position, the others at rest at 0.
std::string Axes(const char* xLetters, int32_t xPosition) {
  std::string answer = xLetters;
  for (int i = 1; i < 10; ++i) answer += ",EDNNN";
  answer += "," + std::to_string(xPosition);
  for (int i = 1; i < 10; ++i) answer += ",0";
  return answer;
}
const char kMoving[] = "EDNNP";
const char kAtRest[] = "EDNNN";

int Count(const std::string& text, const std::string& part) {
  int n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

class EndOfMove : public ::testing::Test {
 protected:
  void SetUp() override {
    VekmError e;
    ASSERT_EQ(vekm_open_tcp("127.0.0.1", peer_.port(), &ctl_, &e), VEK_SUCCESS) << e.message;
    // One exchange, so that the peer has taken the connection before the test
    // plays anything on it.
    peer_.QueueReply(std::string(kAck) + "0");
    char answer[16] = {};
    ASSERT_EQ(vekm_query(ctl_, "AXRP;", answer, sizeof answer, &e), VEK_SUCCESS) << e.message;
    peer_.ClearReceived();
  }
  void TearDown() override { vekm_free(ctl_); }

  TcpPeer peer_;
  VekmController* ctl_ = nullptr;
};

// The race that made a move into a limit look like a success: the limit
// notification comes in the same chunk as the answer that shows X at rest,
// whether the look was prompted by a done report or by the confirmation of
// a missing one.
TEST_F(EndOfMove, ALimitReportedWithTheRestingAnswerEndsTheMoveAsALimit) {
  for (const bool doneFirst : {true, false}) {
    SCOPED_TRACE(doneFirst ? "after a done report" : "confirming a missing done report");
    peer_.ClearReceived();
    if (doneFirst) peer_.Play({ReplyPart{Notification(kDoneX), 50}});
    peer_.QueueReply(kAck);  // the move
    peer_.QueueReply(std::string(kAck) + Axes(kAtRest, 5000) + Notification(kLimitX));
    VekmError e;
    EXPECT_EQ(vekm_move_axis(ctl_, VEK_AXIS_X, 9000, 0, 5000, &e), VEKM_LIMIT) << e.message;
    EXPECT_EQ(e.kind, VEKM_KIND_LIMIT);
    EXPECT_EQ(e.axis, VEK_AXIS_X);
    EXPECT_EQ(e.axis_index, 0);
    EXPECT_EQ(e.position, 5000);
    EXPECT_EQ(e.position_read, 1);
    EXPECT_STREQ(e.operation, "VEKnet_MoveAxis");
    EXPECT_EQ(peer_.Received().find("AXMA9000;"), 0u) << "the move is the first thing sent";
  }
}

// A done report that comes while X still moves is an earlier motion's: the
// wait goes on until X is seen at rest, and then ends well at its target.
TEST_F(EndOfMove, ADoneReportOfAnEarlierMotionEndsNothing) {
  peer_.Play({ReplyPart{Notification(kDoneX), 30}});
  peer_.QueueReply(kAck);
  peer_.QueueReply(std::string(kAck) + Axes(kMoving, 4000));
  peer_.QueueReply(std::string(kAck) + Axes(kAtRest, 9000));
  VekmError e;
  EXPECT_EQ(vekm_move_axis(ctl_, VEK_AXIS_X, 9000, 0, 5000, &e), VEK_SUCCESS) << e.message;
  EXPECT_EQ(Count(peer_.Received(), "AAEA;AARP"), 2) << "ended only after X was seen at rest";
}

// X's own done report right behind an answer that still showed it moving
// (the same chunk): it is this motion's end, and stays set for whoever reads
// the flags afterwards.
TEST_F(EndOfMove, ADoneReportRightBehindAMovingAnswerIsKept) {
  peer_.QueueReply(kAck);
  peer_.QueueReply(std::string(kAck) + Axes(kMoving, 8990) + Notification(kDoneX));
  peer_.QueueReply(std::string(kAck) + Axes(kAtRest, 9000));
  VekmError e;
  EXPECT_EQ(vekm_move_axis(ctl_, VEK_AXIS_X, 9000, 0, 5000, &e), VEK_SUCCESS) << e.message;
  uint32_t word = 0;
  ASSERT_EQ(vekm_status_word(ctl_, &word, &e), VEK_SUCCESS) << e.message;
  EXPECT_TRUE(word & 1u) << "X's done flag, bit 0 of the status word";
}

// X at rest short of its target, with no limit or slip: something stopped
// it, and the move says so with where X stood.
TEST_F(EndOfMove, AnAxisAtRestShortOfItsTargetIsAnInterruptedMove) {
  peer_.Play({ReplyPart{Notification(kDoneX), 30}});
  peer_.QueueReply(kAck);
  peer_.QueueReply(std::string(kAck) + Axes(kAtRest, 4200));
  VekmError e;
  EXPECT_EQ(vekm_move_axis(ctl_, VEK_AXIS_X, 9000, 0, 5000, &e), VEKM_INTERRUPTED) << e.message;
  EXPECT_EQ(e.kind, VEKM_KIND_INTERRUPTED);
  EXPECT_EQ(e.axis, VEK_AXIS_X);
  EXPECT_EQ(e.position, 4200);
}

// The reply to the move command never comes: the command may have been
// taken, so X is stopped on a new connection before the error is returned,
// and the late reply never reaches a later call.
TEST_F(EndOfMove, ALostReplyToTheMoveStopsTheAxisOnAFreshConnection) {
  peer_.QueueReply(Reply{});  // the move: silence
  VekmError e;
  EXPECT_EQ(vekm_move_axis(ctl_, VEK_AXIS_X, 9000, 0, 5000, &e), VEK_ERROR_ACK_NAK_TIMEOUT) << e.message;
  EXPECT_EQ(e.kind, VEKM_KIND_TIMEOUT);
  EXPECT_EQ(e.stopped, VEK_AXIS_X);
  const std::string sent = peer_.Received();
  ASSERT_NE(sent.find("AXMA9000;"), std::string::npos);
  EXPECT_NE(sent.find("SI1;", sent.find("AXMA9000;")), std::string::npos) << sent;
  EXPECT_EQ(vekm_moving(ctl_), 0);

  // The late reply and a stale answer on the old connection are gone with it.
  peer_.ClearReceived();
  peer_.QueueReply(std::string(kAck) + "1234");
  char answer[64] = {};
  EXPECT_EQ(vekm_query(ctl_, "AXRP;", answer, sizeof answer, &e), VEK_SUCCESS) << e.message;
  EXPECT_STREQ(answer, "1234");
}

// More done reports than one read takes (256 bytes) wait on the line when a
// move starts: all are read before its flags are cleared, so none can end
// it. X is seen moving when the move starts; its own end comes later.
TEST_F(EndOfMove, ReportsWaitingBeyondOneReadAreAllReadBeforeTheFlagsAreCleared) {
  std::string burst;
  for (int i = 0; i < 40; ++i) burst += Notification(kDoneX);  // 600 bytes
  peer_.Push(burst);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  peer_.QueueReply(kAck);
  peer_.QueueReply(std::string(kAck) + Axes(kAtRest, 9000));
  VekmError e;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(vekm_move_axis(ctl_, VEK_AXIS_X, 9000, 0, 5000, &e), VEK_SUCCESS) << e.message;
  // With no done flag left, the end is found by the status confirmation.
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
  EXPECT_EQ(peer_.Received().find("AAEA;AARP"), peer_.Received().rfind("AAEA;AARP")) << "one look was enough";
}

// A burst of reports that comes with a look's answer (two chunks of them
// before it) makes that reply look lost: the tracker looks once more, on a
// fresh connection, instead of failing the poll.
TEST_F(EndOfMove, ALookSpoiledByABurstOfReportsIsLookedAtAgain) {
  std::string first, second;
  for (int i = 0; i < 13; ++i) first += Notification(kDoneX);
  for (int i = 0; i < 7; ++i) second += Notification(kDoneX);
  std::string answer = std::string(kAck) + Axes(kAtRest, 700);
  for (int i = 0; i < 10; ++i) answer += ",0";  // the encoders
  peer_.QueueReply(Reply{ReplyPart{first}, ReplyPart{second, 40}, ReplyPart{answer, 40}});
  peer_.QueueReply(answer);
  VekmAxisState s[VEK_AXIS_COUNT];
  VekmError e;
  ASSERT_EQ(vekm_poll(ctl_, s, nullptr, &e), VEK_SUCCESS) << e.message;
  EXPECT_EQ(s[0].motor, 700);
  EXPECT_EQ(Count(peer_.Received(), "AAEA;AARP;AARE"), 2) << peer_.Received();
}

// A time-out stops X and says how long it waited; a refused command (NAK)
// leaves nothing recorded as moving.
TEST_F(EndOfMove, ATimeOutStopsAndARefusalRecordsNothing) {
  VekmError e;
  peer_.QueueReply(kAck);
  peer_.QueueReply(kAck);                                     // the stop
  peer_.QueueReply(std::string(kAck) + Axes(kAtRest, 3000));  // X seen at rest after it
  EXPECT_EQ(vekm_move_axis(ctl_, VEK_AXIS_X, 9000, 0, 100, &e), VEK_ERROR_WAIT_TIMEOUT) << e.message;
  EXPECT_EQ(e.stopped, VEK_AXIS_X);
  EXPECT_NE(std::string(e.detail).find("after 100 ms"), std::string::npos) << e.detail;
  EXPECT_NE(peer_.Received().find("SI1;"), std::string::npos);

  peer_.QueueReply("\x15");  // NAK
  EXPECT_EQ(vekm_move_axis(ctl_, VEK_AXIS_X, 9000, 0, 1000, &e), VEK_ERROR_COMMAND_NAK) << e.message;
  EXPECT_EQ(vekm_moving(ctl_), 0);
}

}  // namespace
}  // namespace vek::test
