// Commands and queries over a pty to a scripted peer: the exact bytes that go
// out, how answer lines are framed, filtered and cut, and how the reader
// gives up.
#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "serial/serial.h"
#include "tests/serial/serial_fixture.h"
#include "tests/support/log_capture.h"

namespace vek::test {
namespace {

using Clock = std::chrono::steady_clock;
using Step = PtyPeer::Step;

class SerialExchangeTest : public SerialPortTest {};

TEST_F(SerialExchangeTest, SendCommandWritesTheTextAndNothingElse) {
  EXPECT_EQ(VEKser_SendCommand(&handle_, "AXMA1000;GD"), VEK_SUCCESS);
  const std::string exact(128, 'M');
  EXPECT_EQ(VEKser_SendCommand(&handle_, exact.c_str()), VEK_SUCCESS);
  ASSERT_TRUE(peer_.WaitForBytes(11 + 128, 1000));
  EXPECT_EQ(peer_.Received(), "AXMA1000;GD" + exact);

  peer_.ClearReceived();
  const std::string tooLong(129, 'M');
  EXPECT_EQ(VEKser_SendCommand(&handle_, tooLong.c_str()), VEK_ERROR_COMMAND_TOO_LONG);
  EXPECT_EQ(VEKser_SendCommand(nullptr, "AXRP"), VEK_ERROR_INVALID_PARAMETER);
  EXPECT_EQ(VEKser_SendCommand(&handle_, nullptr), VEK_ERROR_INVALID_PARAMETER);
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_EQ(peer_.Received(), "");
}

TEST_F(SerialExchangeTest, SendAndQueryTraceTheirEntryAndTheSentText) {
  LogCapture log(kAllTraces);
  ASSERT_TRUE(log.started());
  peer_.Reply("AX RP", "5\n");
  char answer[128] = {};
  ASSERT_EQ(VEKser_Query(&handle_, "AX RP", answer, 128), VEK_SUCCESS);
  const std::string h = HandleText(&handle_);
  EXPECT_TRUE(log.HasTrace(h + " - VEKser_Query( pCmd=AX RP  lLen=128)"));
  EXPECT_EQ(log.CountContaining(h + " - VEKser_SendCommand(pCmd="), 1);
  EXPECT_TRUE(log.HasTrace(h + " - Sent=AX RP"));
  // The longest accepted command fits in its sent trace.
  const std::string exact(128, 'Q');
  ASSERT_EQ(VEKser_SendCommand(&handle_, exact.c_str()), VEK_SUCCESS);
  EXPECT_TRUE(log.HasTrace(h + " - Sent=" + exact));
}

TEST_F(SerialExchangeTest, QueryReturnsTheAnswerLineAsReceived) {
  peer_.Reply("AX RP", "\r1234\n");
  peer_.Reply("AY RP", "-5\r\n");
  char answer[128];
  std::memset(answer, 'x', sizeof answer);
  EXPECT_EQ(VEKser_Query(&handle_, "AX RP", answer, 128), VEK_SUCCESS);
  EXPECT_STREQ(answer, "\r1234");
  EXPECT_EQ(answer[6], '\0');  // the whole buffer was zeroed first
  // A carriage return before the line feed is part of the line.
  EXPECT_EQ(VEKser_Query(&handle_, "AY RP", answer, 128), VEK_SUCCESS);
  EXPECT_STREQ(answer, "-5\r");
  EXPECT_EQ(peer_.Received(), "AX RPAY RP");
}

TEST_F(SerialExchangeTest, NotificationsBeforeAndInsideTheAnswerAreFolded) {
  peer_.Reply("AA RP",
              std::vector<Step>{{0, "%000 00000001\n"}, {20, "\n%000 00000100\n"}, {20, "1%000 000000022,3\n"}});
  char answer[128] = {};
  EXPECT_EQ(VEKser_Query(&handle_, "AA RP", answer, 128), VEK_SUCCESS);
  EXPECT_STREQ(answer, "12,3");
  EXPECT_EQ(gState.serStatusFlags, 0x1u | 0x2u | (1u << 10));
}

TEST_F(SerialExchangeTest, StaleInputIsDrainedBeforeTheCommand) {
  peer_.Push("late answer\n%000 00000004\n");
  peer_.Reply("AX RP", "7\n");
  char answer[128] = {};
  EXPECT_EQ(VEKser_Query(&handle_, "AX RP", answer, 128), VEK_SUCCESS);
  EXPECT_STREQ(answer, "7");
  EXPECT_EQ(gState.serStatusFlags, 0x4u);
}

TEST_F(SerialExchangeTest, NotificationSplitByTheEndOfALineIsNotRecognised) {
  peer_.Reply("AX RP", "ab%000 0000\n0001\n");
  char answer[128] = {};
  EXPECT_EQ(VEKser_Query(&handle_, "AX RP", answer, 128), VEK_SUCCESS);
  EXPECT_STREQ(answer, "ab%000 0000");
  EXPECT_EQ(gState.serStatusFlags, 0u);
}

TEST_F(SerialExchangeTest, NulByteEndsTheTextOfALine) {
  peer_.Reply("A", std::string("AB\0CD\n", 6));
  peer_.Reply("B", std::string("\0\nreal\n", 7));
  char answer[128] = {};
  EXPECT_EQ(VEKser_Query(&handle_, "A", answer, 128), VEK_SUCCESS);
  EXPECT_STREQ(answer, "AB");
  // A line whose text is empty is not the answer.
  EXPECT_EQ(VEKser_Query(&handle_, "B", answer, 128), VEK_SUCCESS);
  EXPECT_STREQ(answer, "real");
}

TEST_F(SerialExchangeTest, AnswersAsLongAsTheBufferAreCutWithoutTerminator) {
  const std::string line127(127, 'a');
  const std::string line128(128, 'b');
  const std::string line300(300, 'c');
  peer_.Reply("Q127", line127 + "\n");
  peer_.Reply("Q128", line128 + "\n");
  peer_.Reply("Q300", line300 + "\n");
  char answer[512];

  std::memset(answer, 'x', sizeof answer);
  EXPECT_EQ(VEKser_Query(&handle_, "Q127", answer, 128), VEK_SUCCESS);
  EXPECT_EQ(std::string(answer), line127);

  std::memset(answer, 'x', sizeof answer);
  EXPECT_EQ(VEKser_Query(&handle_, "Q128", answer, 128), VEK_ERROR_ANSWER_TOO_LONG);
  EXPECT_EQ(std::string(answer, 128), line128);
  EXPECT_EQ(answer[128], 'x');  // nothing written past the caller's length

  std::memset(answer, 'x', sizeof answer);
  EXPECT_EQ(VEKser_Query(&handle_, "Q300", answer, 128), VEK_ERROR_ANSWER_TOO_LONG);
  EXPECT_EQ(std::string(answer, 128), std::string(128, 'c'));
  EXPECT_EQ(answer[128], 'x');

  // With room to spare the line still ends at 255 characters; the rest of it
  // is thrown away by the next query's drain.
  std::memset(answer, 'x', sizeof answer);
  EXPECT_EQ(VEKser_Query(&handle_, "Q300", answer, 512), VEK_SUCCESS);
  EXPECT_EQ(std::string(answer), std::string(255, 'c'));
  EXPECT_EQ(answer[300], '\0');
  EXPECT_EQ(VEKser_Query(&handle_, "Q127", answer, 512), VEK_SUCCESS);
  EXPECT_EQ(std::string(answer), line127);
}

TEST_F(SerialExchangeTest, FullLineShortenedByNotificationsIsCompleted) {
  // A notification inside a line that fills the buffer: what the filter
  // leaves is continued by the rest of the line.
  const std::string head(240, 'h');
  peer_.Reply("Q", head + "%000 00000008" + std::string(10, 't') + "\n");
  char answer[300] = {};
  EXPECT_EQ(VEKser_Query(&handle_, "Q", answer, 300), VEK_SUCCESS);
  EXPECT_EQ(std::string(answer), head + std::string(10, 't'));
  EXPECT_EQ(gState.serStatusFlags, 0x8u);
}

TEST_F(SerialExchangeTest, SilenceEndsTheQueryWithWhatHadArrived) {
  peer_.Reply("PART", "12,3");
  char answer[128];
  std::memset(answer, 'x', sizeof answer);
  EXPECT_EQ(VEKser_Query(&handle_, "PART", answer, 128), VEK_ERROR_SERIAL_READ_TIMEOUT);
  EXPECT_STREQ(answer, "12,3");

  std::memset(answer, 'x', sizeof answer);
  auto start = Clock::now();
  EXPECT_EQ(VEKser_Query(&handle_, "NOTHING", answer, 128), VEK_ERROR_SERIAL_READ_TIMEOUT);
  double elapsed = MillisecondsSince(start);
  EXPECT_EQ(answer[0], '\0');
  EXPECT_GE(elapsed, 95.0);  // 20 empty attempts of 5 ms
  EXPECT_LT(elapsed, 1000.0);
}

TEST_F(SerialExchangeTest, EveryByteRestoresTheSilenceBudget) {
  // Pauses of 60 ms are each well inside the budget; together they are not.
  peer_.Reply("SLOW", std::vector<Step>{{60, "1"}, {60, "2"}, {60, "3"}, {60, "\n"}});
  char answer[128] = {};
  auto start = Clock::now();
  EXPECT_EQ(VEKser_Query(&handle_, "SLOW", answer, 128), VEK_SUCCESS);
  EXPECT_STREQ(answer, "123");
  EXPECT_GE(MillisecondsSince(start), 200.0);
}

TEST_F(SerialExchangeTest, SilenceBudgetCountsDownInStepsOfFive) {
  LogCapture log(kAllTraces);
  ASSERT_TRUE(log.started());
  char answer[16] = {};
  EXPECT_EQ(VEKser_Query(&handle_, "NOTHING", answer, 16), VEK_ERROR_SERIAL_READ_TIMEOUT);
  const std::string h = HandleText(&handle_);
  // The drain before the command: one empty attempt, from -30.
  EXPECT_TRUE(log.HasTrace(h + " - ReadSerialBuff() timeout=-35, tmp1="));
  // The answer wait: 95, 90, ... 0.
  EXPECT_EQ(log.CountContaining("ReadSerialBuff() timeout="), 21);
  EXPECT_TRUE(log.HasTrace(h + " - ReadSerialBuff() timeout=95, tmp1="));
  EXPECT_TRUE(log.HasTrace(h + " - ReadSerialBuff() timeout=0, tmp1="));
}

TEST_F(SerialExchangeTest, DrainOfAQuietPortIsOneAttempt) {
  LogCapture log(kAllTraces);
  ASSERT_TRUE(log.started());
  auto start = Clock::now();
  EXPECT_EQ(ReadSerialBuff(&handle_, nullptr, 0, ReadMode::kDrain), VEK_ERROR_ANSWER_TOO_LONG);
  EXPECT_LT(MillisecondsSince(start), 500.0);
  EXPECT_EQ(log.CountContaining("ReadSerialBuff() timeout="), 1);

  // A partial line makes the drain wait out the silence budget before it stops.
  peer_.Push("ab\ncd");
  log.Clear();
  ReadSerialBuff(&handle_, nullptr, 0, ReadMode::kDrain);
  EXPECT_EQ(log.CountContaining("ReadSerialBuff() timeout="), 20);
  EXPECT_TRUE(log.HasTrace(HandleText(&handle_) + " - ReadSerialBuff() timeout=0, tmp1=cd"));
}

TEST_F(SerialExchangeTest, StreamWithoutLineFeedsIsDrainedInFullLines) {
  // Far more than one line's worth and no line feed: the drain before the
  // command takes it all, line after full line, and the answer is not mixed
  // with any of it.
  peer_.Push(std::string(700, 'z') + "%000 00000010");
  peer_.Reply("AXRP", "99\n");
  char answer[128] = {};
  EXPECT_EQ(VEKser_Query(&handle_, "AXRP", answer, 128), VEK_SUCCESS);
  EXPECT_STREQ(answer, "99");
  EXPECT_EQ(gState.serStatusFlags, 0x10u);  // the tail was a line of its own
}

TEST_F(SerialExchangeTest, BadArgumentsReturnBeforeSending) {
  char answer[16];
  std::memset(answer, 'x', sizeof answer);
  EXPECT_EQ(VEKser_Query(nullptr, "AXRP", answer, 16), VEK_ERROR_INVALID_PARAMETER);
  // A null buffer or a length below 1 still drains the port first.
  peer_.Push("%000 00000001\n");
  EXPECT_EQ(VEKser_Query(&handle_, "AXRP", nullptr, 16), VEK_ERROR_INVALID_PARAMETER);
  EXPECT_EQ(gState.serStatusFlags, 0x1u);
  EXPECT_EQ(VEKser_Query(&handle_, "AXRP", answer, 0), VEK_ERROR_INVALID_PARAMETER);
  EXPECT_EQ(VEKser_Query(&handle_, "AXRP", answer, -1), VEK_ERROR_INVALID_PARAMETER);
  EXPECT_EQ(VEKser_Query(&handle_, nullptr, answer, 16), VEK_ERROR_INVALID_PARAMETER);
  const std::string tooLong(129, 'Q');
  EXPECT_EQ(VEKser_Query(&handle_, tooLong.c_str(), answer, 16), VEK_ERROR_COMMAND_TOO_LONG);
  EXPECT_EQ(answer[0], 'x');  // untouched
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_EQ(peer_.Received(), "");
}

TEST_F(SerialExchangeTest, PeerHangingUpMidLineIsAReadFailure) {
  LogCapture log(kAllTraces);
  ASSERT_TRUE(log.started());
  peer_.Reply("AXRP", std::vector<Step>{{0, "12"}});
  peer_.CloseMaster(30);
  char answer[16];
  std::memset(answer, 'x', sizeof answer);
  auto start = Clock::now();
  EXPECT_EQ(VEKser_Query(&handle_, "AXRP", answer, 16), VEK_ERROR_SERIAL_READ);
  EXPECT_LT(MillisecondsSince(start), 1000.0);
  EXPECT_EQ(answer[0], '\0');
  EXPECT_EQ(VEKser_GetLastError(), static_cast<uint32_t>(EIO));
  EXPECT_TRUE(log.HasTrace(HandleText(&handle_) + " - ReadSerialBuff() ReadFile() error:" + std::to_string(EIO)));
  // The write side fails too, and says why.
  EXPECT_EQ(VEKser_SendCommand(&handle_, "AXRP"), VEK_ERROR_SERIAL_WRITE);
  EXPECT_NE(VEKser_GetLastError(), 0u);
}

}  // namespace
}  // namespace vek::test
