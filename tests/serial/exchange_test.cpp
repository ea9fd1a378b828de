// Commands and queries over a pty to a scripted peer: the exact bytes that go
// out, how answer lines are framed, filtered and cut, and how the reader
// gives up.
#include <cerrno>
#include <cstring>
#include <thread>

#include "tests/serial/serial_fixture.h"

namespace vek::test {
namespace {

using Step = PtyPeer::Step;
using SerialExchangeTest = SerialPortTest;

TEST_F(SerialExchangeTest, SendCommandWritesTheTextAndNothingElse) {
  const std::string exact(128, 'M');
  EXPECT_EQ(VEKser_SendCommand(&handle_, "AXMA1000;GD"), VEK_SUCCESS);
  EXPECT_EQ(VEKser_SendCommand(&handle_, exact.c_str()), VEK_SUCCESS);
  ASSERT_TRUE(peer_.WaitForBytes(11 + 128, 1000));
  EXPECT_EQ(peer_.Received(), "AXMA1000;GD" + exact);
  // The longest accepted command fits in its sent trace.
  EXPECT_TRUE(log.HasTrace(HandleText(&handle_) + " - Sent=" + exact));

  peer_.ClearReceived();
  EXPECT_EQ(VEKser_SendCommand(&handle_, (exact + "M").c_str()), VEK_ERROR_COMMAND_TOO_LONG);
  EXPECT_EQ(VEKser_SendCommand(nullptr, "AXRP"), VEK_ERROR_INVALID_PARAMETER);
  EXPECT_EQ(VEKser_SendCommand(&handle_, nullptr), VEK_ERROR_INVALID_PARAMETER);
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_EQ(peer_.Received(), "");
}

TEST_F(SerialExchangeTest, QueryReturnsTheAnswerLineAsReceived) {
  peer_.Reply("AX RP", "\r1234\n");
  peer_.Reply("AY RP", "-5\r\n");
  std::memset(answer_, 'x', sizeof answer_);
  EXPECT_EQ(VEKser_Query(&handle_, "AX RP", answer_, 128), VEK_SUCCESS);
  EXPECT_STREQ(answer_, "\r1234");
  EXPECT_EQ(answer_[6], '\0');  // the whole buffer was zeroed first
  // A carriage return before the line feed is part of the line.
  EXPECT_EQ(VEKser_Query(&handle_, "AY RP", answer_, 128), VEK_SUCCESS);
  EXPECT_STREQ(answer_, "-5\r");
  EXPECT_EQ(peer_.Received(), "AX RPAY RP");
  const std::string h = HandleText(&handle_);
  EXPECT_TRUE(log.HasTrace(h + " - VEKser_Query( pCmd=AX RP  lLen=128)"));
  EXPECT_EQ(log.CountContaining(h + " - VEKser_SendCommand(pCmd="), 2);
  EXPECT_TRUE(log.HasTrace(h + " - Sent=AX RP"));
}

TEST_F(SerialExchangeTest, NotificationsAreFoldedLineByLine) {
  // Before the answer, on a line of their own, and inside the answer line.
  peer_.Reply("A", std::vector<Step>{{0, "%000 00000001\n"}, {20, "\n%000 00000100\n"}, {20, "1%000 000000022,3\n"}});
  EXPECT_EQ(VEKser_Query(&handle_, "A", answer_, 128), VEK_SUCCESS);
  EXPECT_STREQ(answer_, "12,3");
  EXPECT_EQ(gState.serStatusFlags, 0x1u | 0x2u | (1u << 10));
  // Split by the end of a line, a notification is not recognised.
  peer_.Reply("B", "ab%000 0000\n0001\n");
  EXPECT_EQ(VEKser_Query(&handle_, "B", answer_, 128), VEK_SUCCESS);
  EXPECT_STREQ(answer_, "ab%000 0000");
  EXPECT_EQ(gState.serStatusFlags, 0x1u | 0x2u | (1u << 10));
}

TEST_F(SerialExchangeTest, NulByteEndsTheTextOfALine) {
  peer_.Reply("A", std::string("AB\0CD\n", 6));
  peer_.Reply("B", std::string("\0\nreal\n", 7));
  EXPECT_EQ(VEKser_Query(&handle_, "A", answer_, 128), VEK_SUCCESS);
  EXPECT_STREQ(answer_, "AB");
  // A line whose text is empty is not the answer.
  EXPECT_EQ(VEKser_Query(&handle_, "B", answer_, 128), VEK_SUCCESS);
  EXPECT_STREQ(answer_, "real");
}

TEST_F(SerialExchangeTest, AnswersAsLongAsTheBufferAreCutWithoutTerminator) {
  peer_.Reply("Q127", std::string(127, 'a') + "\n");
  peer_.Reply("Q128", std::string(128, 'b') + "\n");
  peer_.Reply("Q300", std::string(300, 'c') + "\n");
  std::memset(answer_, 'x', sizeof answer_);
  EXPECT_EQ(VEKser_Query(&handle_, "Q127", answer_, 128), VEK_SUCCESS);
  EXPECT_EQ(std::string(answer_), std::string(127, 'a'));
  std::memset(answer_, 'x', sizeof answer_);
  EXPECT_EQ(VEKser_Query(&handle_, "Q128", answer_, 128), VEK_ERROR_ANSWER_TOO_LONG);
  EXPECT_EQ(std::string(answer_, 129), std::string(128, 'b') + "x");  // nothing past the caller's length

  // With room to spare the line still ends at 255 characters; the rest of it
  // is thrown away by the next query's drain.
  EXPECT_EQ(VEKser_Query(&handle_, "Q300", answer_, 512), VEK_SUCCESS);
  EXPECT_EQ(std::string(answer_), std::string(255, 'c'));
  EXPECT_EQ(VEKser_Query(&handle_, "Q127", answer_, 512), VEK_SUCCESS);
  EXPECT_EQ(std::string(answer_), std::string(127, 'a'));

  // A notification inside a full line: the rest of the line fills the gap.
  peer_.Reply("N", std::string(240, 'h') + "%000 00000008" + std::string(10, 't') + "\n");
  EXPECT_EQ(VEKser_Query(&handle_, "N", answer_, 300), VEK_SUCCESS);
  EXPECT_EQ(std::string(answer_), std::string(240, 'h') + std::string(10, 't'));
  EXPECT_EQ(gState.serStatusFlags, 0x8u);
}

TEST_F(SerialExchangeTest, SilenceEndsTheQueryWithWhatHadArrived) {
  peer_.Reply("PART", "12,3");
  EXPECT_EQ(VEKser_Query(&handle_, "PART", answer_, 128), VEK_ERROR_SERIAL_READ_TIMEOUT);
  EXPECT_STREQ(answer_, "12,3");

  std::memset(answer_, 'x', sizeof answer_);
  uint32_t result = 0;
  double ms = MillisecondsOf([&] { result = VEKser_Query(&handle_, "NOTHING", answer_, 128); });
  EXPECT_EQ(result, VEK_ERROR_SERIAL_READ_TIMEOUT);
  EXPECT_EQ(answer_[0], '\0');
  EXPECT_GE(ms, 95.0);  // 20 empty attempts of 5 ms
  EXPECT_LT(ms, 1000.0);

  // Pauses of 60 ms are each well inside the budget; together they are not.
  peer_.Reply("SLOW", std::vector<Step>{{60, "1"}, {60, "2"}, {60, "3"}, {60, "\n"}});
  ms = MillisecondsOf([&] { result = VEKser_Query(&handle_, "SLOW", answer_, 128); });
  EXPECT_EQ(result, VEK_SUCCESS);
  EXPECT_STREQ(answer_, "123");
  EXPECT_GE(ms, 200.0);
}

TEST_F(SerialExchangeTest, DrainOfAQuietPortIsOneAttempt) {
  double ms = MillisecondsOf([&] { ReadSerialBuff(&handle_, nullptr, 0, ReadMode::kDrain); });
  EXPECT_LT(ms, 500.0);
  EXPECT_EQ(log.CountContaining("ReadSerialBuff() timeout=-35"), 1);

  // A partial line makes the drain wait out the silence budget before it stops.
  peer_.Push("ab\ncd");
  log.Clear();
  ReadSerialBuff(&handle_, nullptr, 0, ReadMode::kDrain);
  EXPECT_EQ(log.CountContaining("ReadSerialBuff() timeout="), 20);
  EXPECT_TRUE(log.HasTrace(HandleText(&handle_) + " - ReadSerialBuff() timeout=0, tmp1=cd"));
}

TEST_F(SerialExchangeTest, StreamWithoutLineFeedsIsDrainedInFullLines) {
  // Far more than one line and no line feed: the drain before the command
  // takes it all, and the answer is not mixed with any of it.
  peer_.Push(std::string(700, 'z') + "%000 00000010");
  peer_.Reply("AXRP", "99\n");
  EXPECT_EQ(VEKser_Query(&handle_, "AXRP", answer_, 128), VEK_SUCCESS);
  EXPECT_STREQ(answer_, "99");
  EXPECT_EQ(gState.serStatusFlags, 0x10u);  // the tail was a line of its own
}

TEST_F(SerialExchangeTest, BadArgumentsReturnBeforeSending) {
  std::memset(answer_, 'x', sizeof answer_);
  EXPECT_EQ(VEKser_Query(nullptr, "AXRP", answer_, 16), VEK_ERROR_INVALID_PARAMETER);
  // A null buffer or a length below 1 still drains the port first.
  peer_.Push("%000 00000001\n");
  EXPECT_EQ(VEKser_Query(&handle_, "AXRP", nullptr, 16), VEK_ERROR_INVALID_PARAMETER);
  EXPECT_EQ(gState.serStatusFlags, 0x1u);
  EXPECT_EQ(VEKser_Query(&handle_, "AXRP", answer_, 0), VEK_ERROR_INVALID_PARAMETER);
  EXPECT_EQ(VEKser_Query(&handle_, nullptr, answer_, 16), VEK_ERROR_INVALID_PARAMETER);
  EXPECT_EQ(VEKser_Query(&handle_, std::string(129, 'Q').c_str(), answer_, 16), VEK_ERROR_COMMAND_TOO_LONG);
  EXPECT_EQ(answer_[0], 'x');  // untouched
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_EQ(peer_.Received(), "");
}

TEST_F(SerialExchangeTest, PeerHangingUpMidLineIsAReadFailure) {
  peer_.Reply("AXRP", "12");
  peer_.CloseMaster(30);
  std::memset(answer_, 'x', sizeof answer_);
  double ms = MillisecondsOf([&] { EXPECT_EQ(VEKser_Query(&handle_, "AXRP", answer_, 16), VEK_ERROR_SERIAL_READ); });
  EXPECT_LT(ms, 1000.0);
  EXPECT_EQ(answer_[0], '\0');
  EXPECT_EQ(VEKser_GetLastError(), static_cast<uint32_t>(EIO));
  EXPECT_TRUE(log.HasTrace(HandleText(&handle_) + " - ReadSerialBuff() ReadFile() error:" + std::to_string(EIO)));
  // The write side fails too, and says why.
  EXPECT_EQ(VEKser_SendCommand(&handle_, "AXRP"), VEK_ERROR_SERIAL_WRITE);
  EXPECT_NE(VEKser_GetLastError(), 0u);
}

}  // namespace
}  // namespace vek::test
