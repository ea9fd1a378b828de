// The serial transport over real pseudo-terminals with a scripted peer:
// opening and closing, commands and queries, the notification filter, and the
// wait.
#include "serial/serial.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "core/state.h"
#include "platform/platform.h"
#include "tests/support/log_capture.h"
#include "tests/support/pty_peer.h"
#include "vekkestra.h"

namespace vek::test {
namespace {

inline constexpr int kTestPort = 9;

class SerialPortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(peer_.ok() && log.started());
    ASSERT_EQ(VEKser_Initialize(kTestPort, 115200, &handle_), VEK_SUCCESS);
    log.Clear();
  }
  void TearDown() override { VEKser_Close(&handle_); }

  PtyPeer peer_{kTestPort};
  uint32_t handle_ = 0;
  char answer_[512];
  LogCapture log{kAllTraces};
};

TEST(SerConnection, RejectsPortsAndRatesOutsideTheListsBeforeOpening) {
  LogCapture log(kAllTraces);
  ASSERT_TRUE(log.started());
  gState.serStatusFlags = 0x7u;
  uint32_t handle = 1234;
  for (int port : {0, 33}) {
    EXPECT_EQ(VEKser_Initialize(port, 9600, &handle), VEK_ERROR_INVALID_PARAMETER) << port;
    EXPECT_TRUE(log.HasTrace("Error=NULL - VEKser_Initialize | Invalid port:" + std::to_string(port))) << port;
  }
  EXPECT_EQ(VEKser_Initialize(1, 14400, &handle), VEK_ERROR_INVALID_PARAMETER);
  EXPECT_TRUE(log.HasTrace("Error=NULL - VEKser_Initialize Invalid baud rate | error:14400"));
  // A bad port and a bad rate together: the port is reported.
  log.Clear();
  EXPECT_EQ(VEKser_Initialize(40, 4800, &handle), VEK_ERROR_INVALID_PARAMETER);
  EXPECT_EQ(log.CountContaining("Invalid"), 1);
  EXPECT_TRUE(log.HasTrace("NULL - VEKser_Initialize( COMM_PORT=40, BaudRate=4800)"));
  EXPECT_EQ(handle, 1234u);
  EXPECT_EQ(gState.serStatusFlags, 0u);  // reset at entry, whatever follows
}

TEST(SerConnection, OpensEveryListedRateAndPortsOneAndThirtyTwo) {
  for (int port : {1, 32}) {
    PtyPeer peer(port);
    ASSERT_TRUE(peer.ok());
    for (int rate : {9600, 19200, 38400, 57600, 115200}) {
      uint32_t handle = 0;
      EXPECT_EQ(VEKser_Initialize(port, rate, &handle), VEK_SUCCESS) << port << " " << rate;
      EXPECT_GT(handle, 2u);
      VEKser_Close(&handle);
      EXPECT_EQ(handle, 0u);
    }
  }
}

TEST(SerConnection, MissingDeviceLeavesTheInvalidHandleAndItsErrorOnce) {
  setenv("VEKKESTRA_COM9", "/nonexistent/vek-tty", 1);  // COM kTestPort
  LogCapture log(kAllTraces);
  ASSERT_TRUE(log.started());
  uint32_t handle = 0;
  EXPECT_EQ(VEKser_Initialize(kTestPort, 9600, &handle), VEK_ERROR_SERIAL_OPEN);
  EXPECT_EQ(handle, plat::kInvalidSerialHandle);
  EXPECT_TRUE(log.HasTrace("Error=NULL - CreateFile() error=" + std::to_string(ENOENT)));
  EXPECT_EQ(VEKser_GetLastError(), static_cast<uint32_t>(ENOENT));
  EXPECT_EQ(VEKser_GetLastError(), 0u);

  // The variable left at all bits set, and then at 0, never reaches the
  // system: standard input survives both closes and the reads and writes fail.
  EXPECT_EQ(VEKser_SendCommand(&handle, "AXRP"), VEK_ERROR_SERIAL_WRITE);
  EXPECT_EQ(ReadSerialBuff(&handle, nullptr, 0, ReadMode::kAnswer), VEK_ERROR_SERIAL_READ);
  VEKser_Close(&handle);
  EXPECT_EQ(VEKser_SendCommand(&handle, "AXRP"), VEK_ERROR_SERIAL_WRITE);
  VEKser_Close(&handle);
  EXPECT_GE(fcntl(0, F_GETFD), 0);
  VEKser_Close(nullptr);
  unsetenv("VEKKESTRA_COM9");
}

TEST(SerConnection, PlainFileFailsToReadItsSettingsAndStaysOpen) {
  char path[] = "/tmp/vek-not-a-tty-XXXXXX";
  close(mkstemp(path));
  setenv("VEKKESTRA_COM9", path, 1);
  LogCapture log(kAllTraces);
  ASSERT_TRUE(log.started());
  uint32_t handle = 0;
  EXPECT_EQ(VEKser_Initialize(kTestPort, 9600, &handle), VEK_ERROR_SERIAL_OPEN);
  EXPECT_TRUE(log.HasTrace("Error=NULL - GetCommState() error=" + std::to_string(ENOTTY)));
  EXPECT_EQ(VEKser_GetLastError(), static_cast<uint32_t>(ENOTTY));
  // The opened file stays in the variable, and held, until the caller closes it.
  EXPECT_GT(handle, 2u);
  EXPECT_GE(fcntl(static_cast<int>(handle), F_GETFD), 0);
  uint32_t second = 0;
  EXPECT_EQ(VEKser_Initialize(kTestPort, 9600, &second), VEK_ERROR_SERIAL_OPEN);
  EXPECT_EQ(second, plat::kInvalidSerialHandle);
  VEKser_Close(&handle);
  std::remove(path);
  unsetenv("VEKKESTRA_COM9");
}

using SerOpen = SerialPortTest;

TEST_F(SerOpen, PortIsHeldExclusivelyUntilClosed) {
  uint32_t second = 0;
  EXPECT_EQ(VEKser_Initialize(kTestPort, 9600, &second), VEK_ERROR_SERIAL_OPEN);
  EXPECT_EQ(VEKser_GetLastError(), static_cast<uint32_t>(EBUSY));
  EXPECT_EQ(VEKser_SendCommand(&handle_, "AXRP"), VEK_SUCCESS);  // undisturbed
  VEKser_Close(&handle_);
  // A null variable opens nothing; else the open after it would fail.
  EXPECT_EQ(VEKser_Initialize(kTestPort, 9600, nullptr), VEK_ERROR_INVALID_PARAMETER);
  EXPECT_EQ(VEKser_Initialize(kTestPort, 9600, &handle_), VEK_SUCCESS);
}

TEST_F(SerOpen, OpenStartsCleanAndFoldsWhatWasWaiting) {
  VEKser_Close(&handle_);
  gState.serStatusFlags = 0xFFFFu;
  gState.serLastError = 99;
  peer_.Push("stale answer\n%000 00000003\nhalf a li");
  ASSERT_EQ(VEKser_Initialize(kTestPort, 19200, &handle_), VEK_SUCCESS);
  EXPECT_EQ(gState.serStatusFlags, 0x3u);
  EXPECT_EQ(VEKser_GetLastError(), 0u);
  EXPECT_EQ(peer_.Received(), "");  // opening sends nothing
  peer_.Reply("AXRP", "12\n");
  EXPECT_EQ(VEKser_Query(&handle_, "AXRP", answer_, 32), VEK_SUCCESS);
  EXPECT_STREQ(answer_, "12");
}

TEST_F(SerOpen, PortOpenedOnAStandardStreamNumberIsMovedAboveIt) {
  VEKser_Close(&handle_);
  int savedInput = dup(0);
  ASSERT_GE(savedInput, 0);
  close(0);
  uint32_t result = VEKser_Initialize(kTestPort, 9600, &handle_);
  bool inputSlotFree = fcntl(0, F_GETFD) < 0;
  dup2(savedInput, 0);
  close(savedInput);
  ASSERT_EQ(result, VEK_SUCCESS);
  EXPECT_GT(handle_, 2u);
  EXPECT_TRUE(inputSlotFree);
}

// Commands and queries: the exact bytes that go out, how answer lines are
// framed, filtered and cut, and how the reader gives up.

using SerExchange = SerialPortTest;

TEST_F(SerExchange, SendCommandWritesTheTextAndNothingElse) {
  const std::string exact(128, 'M');
  EXPECT_EQ(VEKser_SendCommand(&handle_, "AXMA1000;GD"), VEK_SUCCESS);
  EXPECT_EQ(VEKser_SendCommand(&handle_, exact.c_str()), VEK_SUCCESS);
  ASSERT_TRUE(peer_.WaitForBytes(11 + 128, 1000));
  EXPECT_EQ(peer_.Received(), "AXMA1000;GD" + exact);
  // The longest accepted command fits in its sent trace.
  EXPECT_TRUE(log.HasTrace(HandleText(&handle_) + " - Sent=" + exact));
}

TEST_F(SerExchange, BadArgumentsAndTooLongCommandsSendNothing) {
  const std::string tooLong(129, 'M');
  EXPECT_EQ(VEKser_SendCommand(&handle_, tooLong.c_str()), VEK_ERROR_COMMAND_TOO_LONG);
  EXPECT_EQ(VEKser_SendCommand(nullptr, "AXRP"), VEK_ERROR_INVALID_PARAMETER);
  EXPECT_EQ(VEKser_SendCommand(&handle_, nullptr), VEK_ERROR_INVALID_PARAMETER);
  std::memset(answer_, 'x', sizeof answer_);
  EXPECT_EQ(VEKser_Query(nullptr, "AXRP", answer_, 16), VEK_ERROR_INVALID_PARAMETER);
  EXPECT_EQ(VEKser_Query(&handle_, tooLong.c_str(), answer_, 16), VEK_ERROR_COMMAND_TOO_LONG);
  EXPECT_EQ(VEKser_Query(&handle_, nullptr, answer_, 16), VEK_ERROR_INVALID_PARAMETER);
  EXPECT_EQ(VEKser_Query(&handle_, "AXRP", answer_, 0), VEK_ERROR_INVALID_PARAMETER);
  EXPECT_EQ(answer_[0], 'x');  // untouched
  // A null buffer still drains the port first.
  peer_.Push("%000 00000001\n");
  EXPECT_EQ(VEKser_Query(&handle_, "AXRP", nullptr, 16), VEK_ERROR_INVALID_PARAMETER);
  EXPECT_EQ(gState.serStatusFlags, 0x1u);
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_EQ(peer_.Received(), "");
}

TEST_F(SerExchange, QueryReturnsTheAnswerLineAsReceived) {
  peer_.Reply("AX RP", "\r1234\n");
  peer_.Reply("AY RP", "-5\r\n");
  std::memset(answer_, 'x', sizeof answer_);
  EXPECT_EQ(VEKser_Query(&handle_, "AX RP", answer_, 128), VEK_SUCCESS);
  EXPECT_STREQ(answer_, "\r1234");
  EXPECT_EQ(answer_[6], '\0');  // the whole buffer was zeroed first
  // A carriage return before the line feed is part of the line.
  EXPECT_EQ(VEKser_Query(&handle_, "AY RP", answer_, 128), VEK_SUCCESS);
  EXPECT_STREQ(answer_, "-5\r");
  // A NUL byte ends the text of a line; a line whose text is empty is not
  // the answer.
  peer_.Reply("A", std::string("AB\0CD\n", 6));
  peer_.Reply("B", std::string("\0\nreal\n", 7));
  EXPECT_EQ(VEKser_Query(&handle_, "A", answer_, 128), VEK_SUCCESS);
  EXPECT_STREQ(answer_, "AB");
  EXPECT_EQ(VEKser_Query(&handle_, "B", answer_, 128), VEK_SUCCESS);
  EXPECT_STREQ(answer_, "real");
  EXPECT_TRUE(log.HasTrace(HandleText(&handle_) + " - VEKser_Query( pCmd=AX RP  lLen=128)"));
  EXPECT_EQ(log.CountContaining(HandleText(&handle_) + " - VEKser_SendCommand(pCmd="), 4);
}

TEST_F(SerExchange, NotificationsAreFoldedLineByLine) {
  // Before the answer, on a line of their own, and inside the answer line.
  peer_.Reply(
      "A", std::vector<PtyPeer::Step>{{0, "%000 00000001\n"}, {20, "\n%000 00000100\n"}, {20, "1%000 000000022,3\n"}});
  EXPECT_EQ(VEKser_Query(&handle_, "A", answer_, 128), VEK_SUCCESS);
  EXPECT_STREQ(answer_, "12,3");
  EXPECT_EQ(gState.serStatusFlags, 0x1u | 0x2u | (1u << 10));
  // Split by the end of a line, a notification is not recognised.
  peer_.Reply("B", "ab%000 0000\n0001\n");
  EXPECT_EQ(VEKser_Query(&handle_, "B", answer_, 128), VEK_SUCCESS);
  EXPECT_STREQ(answer_, "ab%000 0000");
  EXPECT_EQ(gState.serStatusFlags, 0x1u | 0x2u | (1u << 10));
}

TEST_F(SerExchange, AnswersAsLongAsTheBufferAreCutWithoutTerminator) {
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

TEST_F(SerExchange, SilenceEndsTheQueryWithWhatHadArrived) {
  peer_.Reply("PART", "12,3");
  EXPECT_EQ(VEKser_Query(&handle_, "PART", answer_, 128), VEK_ERROR_SERIAL_READ_TIMEOUT);
  EXPECT_STREQ(answer_, "12,3");

  std::memset(answer_, 'x', sizeof answer_);
  double ms = MillisecondsOf(
      [&] { EXPECT_EQ(VEKser_Query(&handle_, "NOTHING", answer_, 128), VEK_ERROR_SERIAL_READ_TIMEOUT); });
  EXPECT_EQ(answer_[0], '\0');
  EXPECT_GE(ms, 95.0);  // 20 empty attempts of 5 ms
  EXPECT_LT(ms, 1000.0);

  // Pauses of 60 ms are each well inside the budget; together they are not.
  peer_.Reply("SLOW", std::vector<PtyPeer::Step>{{60, "1"}, {60, "2"}, {60, "3"}, {60, "\n"}});
  ms = MillisecondsOf([&] { EXPECT_EQ(VEKser_Query(&handle_, "SLOW", answer_, 128), VEK_SUCCESS); });
  EXPECT_STREQ(answer_, "123");
  EXPECT_GE(ms, 200.0);
}

TEST_F(SerExchange, DrainTakesWholeLinesAndWaitsOutAPartialOne) {
  peer_.Push("ab\ncd");
  ReadSerialBuff(&handle_, nullptr, 0, ReadMode::kDrain);
  EXPECT_EQ(log.CountContaining("ReadSerialBuff() timeout="), 20);
  EXPECT_TRUE(log.HasTrace(HandleText(&handle_) + " - ReadSerialBuff() timeout=0, tmp1=cd"));

  // Far more than one line and no line feed: the drain before the command
  // takes it all, and the answer is not mixed with any of it.
  peer_.Push(std::string(700, 'z') + "%000 00000010");
  peer_.Reply("AXRP", "99\n");
  EXPECT_EQ(VEKser_Query(&handle_, "AXRP", answer_, 128), VEK_SUCCESS);
  EXPECT_STREQ(answer_, "99");
  EXPECT_EQ(gState.serStatusFlags, 0x10u);  // the tail was a line of its own
}

TEST_F(SerExchange, PeerHangingUpMidLineIsAReadFailure) {
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

// The notification filter works on one received line in place.

// Runs the filter over a copy of `text` in a line-sized buffer.
std::string FilterLine(const std::string& text, int expectedResult) {
  char line[kTraceBufferSize] = {};
  std::memcpy(line, text.data(), text.size());
  EXPECT_EQ(FilterSerialStatusFlag(line), expectedResult) << text;
  return line;
}

TEST(SerFilter, CutsNotificationsOutAndKeepsTheRestInOrder) {
  gState.serStatusFlags = 0;
  EXPECT_EQ(FilterLine("%000 00000001", 0), "");
  EXPECT_EQ(gState.serStatusFlags, 0x1u);
  EXPECT_EQ(FilterLine("ab%000 00000004cd", 0), "abcd");
  EXPECT_EQ(gState.serStatusFlags, 0x5u);
  // Back to back: both folded, and a following line feed goes too; flags
  // are only ever added.
  EXPECT_EQ(FilterLine("%000 81000100%000 00000000\nx", 0), "x");
  EXPECT_EQ(gState.serStatusFlags, 0x7FFFFFFFu);
}

TEST(SerFilter, KeepsTextThatIsNotANotification) {
  gState.serStatusFlags = 0;
  // Short lines and lines without "%" are not looked at.
  EXPECT_EQ(FilterLine("%000 0000000", 1), "%000 0000000");
  EXPECT_EQ(FilterLine("no notification here", 1), "no notification here");
  // Other prefixes, and a prefix too close to the end of the line, stay; the
  // character after a rejected "%" is scanned again, so a notification
  // directly behind one is still found.
  EXPECT_EQ(FilterLine("50% %001 00000001 %%000 00000002", 0), "50% %001 00000001 %");
  EXPECT_EQ(gState.serStatusFlags, 0x2u);
  EXPECT_EQ(FilterLine("abcdefghij%000 0001", 0), "abcdefghij%000 0001");
  EXPECT_EQ(gState.serStatusFlags, 0x2u);
}

TEST(SerFilter, ProcessFlagTracesTheWordBeforeAndAfter) {
  LogCapture log(kAllTraces);
  ASSERT_TRUE(log.started());
  gState.serStatusFlags = 0x2u;
  gState.netStatusFlags = 0;
  ProcessFlag("%000 01000101");
  EXPECT_TRUE(log.HasTrace("ProcessFlag() - in - done:0x02 limit:0x00 slip:0x00 err:0x0"));
  EXPECT_TRUE(
      log.HasTrace("Status Flag change - Ethernet: done:0x00 limit:0x00 slip:0x00 err:0x0  "
                   "Serial: done:0x03 limit:0x01 slip:0x00 err:0x1"));
  EXPECT_TRUE(log.HasTrace("ProcessFlag() - out - done:0x03 limit:0x01 slip:0x00 err:0x1"));
}

// The motion wait: its drain count, and notifications that end it.

using SerWait = SerialPortTest;

TEST_F(SerWait, QuietPortIsDrainedOncePerFiveOfTheTimeOut) {
  // Zero and negative time-outs return at once, without a trace.
  EXPECT_EQ(WaitOnSerial(&handle_, 1, 0, 0), VEK_SUCCESS);
  EXPECT_EQ(WaitOnSerial(&handle_, 1, -5, 0), VEK_ERROR_INVALID_PARAMETER);
  EXPECT_TRUE(log.Traces().empty());

  struct Case {
    int timeout;
    int drains;
  } cases[] = {{5, 1}, {10, 2}, {11, 3}};
  for (const Case& c : cases) {
    log.Clear();
    EXPECT_EQ(WaitOnSerial(&handle_, 1, c.timeout, 0), VEK_ERROR_WAIT_TIMEOUT) << c.timeout;
    EXPECT_EQ(log.CountContaining("ReadSerialBuff() timeout=-35"), c.drains) << c.timeout;
    EXPECT_TRUE(log.HasTrace(HandleText(&handle_) + " - WaitOnSerial | OutOfLoop - lflags:0x0  lAxes:0x1  lRetVal:6" +
                             "  recv timeout: " + std::to_string(5 * c.drains) +
                             ", timeout: " + std::to_string(c.timeout)));
  }
}

TEST_F(SerWait, FlagGroupChoosesTheAwaitedBitsAndSetFlagsNeedNoRead) {
  struct Case {
    uint32_t group;
    uint32_t flags;  // set before the wait
    uint32_t result;
  } cases[] = {{1, 1u << 10, VEK_SUCCESS},
               {1, 1u << 0, VEK_ERROR_WAIT_TIMEOUT},
               {2, 0x5u << 20, VEK_SUCCESS},
               {7, 1u << 0, VEK_SUCCESS}};  // any other group waits for done flags
  for (const Case& c : cases) {
    gState.serStatusFlags = c.flags;
    log.Clear();
    EXPECT_EQ(WaitOnSerial(&handle_, 1, 10, c.group), c.result) << c.group;
    EXPECT_EQ(log.CountContaining("ReadSerialBuff"), c.result == VEK_SUCCESS ? 0 : 2) << c.group;
    EXPECT_EQ(gState.serStatusFlags, c.flags);  // the wait never clears a flag
  }
}

TEST_F(SerWait, NotificationOfTheAwaitedGroupEndsTheWait) {
  peer_.PushLater("%000 00000001\n", 20);  // done X: not what group 1 waits for
  peer_.PushLater("noise\n%000 00000100\n", 80);
  double ms = MillisecondsOf([&] { EXPECT_EQ(WaitOnSerial(&handle_, 1, 5000, 1), VEK_SUCCESS); });
  EXPECT_GE(ms, 60.0);
  EXPECT_LT(ms, 2500.0);
}

TEST_F(SerWait, FailingReadsUseTheCountUpAtOnce) {
  peer_.CloseMaster();
  ASSERT_TRUE(peer_.WaitIdle(1000));
  double ms = MillisecondsOf([&] { EXPECT_EQ(WaitOnSerial(&handle_, 1, 2000, 0), VEK_ERROR_WAIT_TIMEOUT); });
  EXPECT_LT(ms, 1000.0);
}

}  // namespace
}  // namespace vek::test
