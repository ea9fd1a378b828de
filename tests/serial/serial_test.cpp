// The serial transport over real pseudo-terminals with a scripted peer.
#include "serial/serial.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

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
  EXPECT_EQ(VEKser_Initialize(0, 9600, &handle), VEK_ERROR_INVALID_PARAMETER);
  EXPECT_EQ(VEKser_Initialize(1, 14400, &handle), VEK_ERROR_INVALID_PARAMETER);
  EXPECT_TRUE(log.HasTrace("Error=NULL - VEKser_Initialize Invalid baud rate | error:14400"));
  log.Clear();
  EXPECT_EQ(VEKser_Initialize(33, 4800, &handle), VEK_ERROR_INVALID_PARAMETER);
  EXPECT_EQ(log.Traces(), std::vector<std::string>({"NULL - VEKser_Initialize( COMM_PORT=33, BaudRate=4800)",
                                                    "Error=NULL - VEKser_Initialize | Invalid port:33"}));
  EXPECT_EQ(handle, 1234u);
  EXPECT_EQ(gState.serStatusFlags, 0u);
  for (int rate : {9600, 19200, 38400, 57600, 115200}) {
    PtyPeer peer(rate == 9600 ? 1 : 32);
    EXPECT_EQ(VEKser_Initialize(rate == 9600 ? 1 : 32, rate, &handle), VEK_SUCCESS) << rate;
    VEKser_Close(&handle);
    EXPECT_EQ(handle, 0u);
  }
}

TEST(SerConnection, MissingDeviceLeavesTheInvalidHandleAndItsErrorOnce) {
  setenv("VEKKESTRA_COM9", "/nonexistent/vek-tty", 1);
  LogCapture log(kAllTraces);
  ASSERT_TRUE(log.started());
  uint32_t handle = 0;
  EXPECT_EQ(VEKser_Initialize(kTestPort, 9600, &handle), VEK_ERROR_SERIAL_OPEN);
  EXPECT_EQ(handle, plat::kInvalidSerialHandle);
  EXPECT_TRUE(log.HasTrace("Error=NULL - CreateFile() error=" + std::to_string(ENOENT)));
  EXPECT_EQ(VEKser_GetLastError(), static_cast<uint32_t>(ENOENT));
  EXPECT_EQ(VEKser_GetLastError(), 0u);
  // Neither the invalid handle nor 0 reaches the system: standard input survives.
  EXPECT_EQ(ReadSerialBuff(&handle, nullptr, 0, ReadMode::kAnswer), VEK_ERROR_SERIAL_READ);
  VEKser_Close(&handle);
  EXPECT_EQ(VEKser_SendCommand(&handle, "AXRP"), VEK_ERROR_SERIAL_WRITE);
  VEKser_Close(&handle);
  EXPECT_GE(fcntl(0, F_GETFD), 0);
  VEKser_Close(nullptr);
  unsetenv("VEKKESTRA_COM9");
}

using SerOpen = SerialPortTest;

TEST_F(SerOpen, PortIsHeldUntilClosedAndReopensClean) {
  uint32_t second = 0;
  EXPECT_EQ(VEKser_Initialize(kTestPort, 9600, &second), VEK_ERROR_SERIAL_OPEN);
  EXPECT_EQ(VEKser_GetLastError(), static_cast<uint32_t>(EBUSY));
  VEKser_Close(&handle_);
  EXPECT_EQ(VEKser_Initialize(kTestPort, 9600, nullptr), VEK_ERROR_INVALID_PARAMETER);
  gState.serStatusFlags = 0xFFFFu;
  gState.serLastError = 99;
  peer_.Push("stale answer\n%000 00000003\nhalf a li");
  ASSERT_EQ(VEKser_Initialize(kTestPort, 19200, &handle_), VEK_SUCCESS);
  EXPECT_EQ(gState.serStatusFlags, 0x3u);
  EXPECT_EQ(VEKser_GetLastError(), 0u);
  peer_.Reply("AXRP", "12\n");
  EXPECT_EQ(VEKser_Query(&handle_, "AXRP", answer_, 32), VEK_SUCCESS);
  EXPECT_STREQ(answer_, "12");
  EXPECT_EQ(peer_.Received(), "AXRP");  // opening sends nothing
}

TEST_F(SerOpen, PortOpenedOnAStandardStreamNumberIsMovedAboveIt) {
  VEKser_Close(&handle_);
  int savedInput = dup(0);
  close(0);
  uint32_t result = VEKser_Initialize(kTestPort, 9600, &handle_);
  bool inputSlotFree = fcntl(0, F_GETFD) < 0;
  dup2(savedInput, 0);
  close(savedInput);
  ASSERT_EQ(result, VEK_SUCCESS);
  EXPECT_GT(handle_, 2u);
  EXPECT_TRUE(inputSlotFree);
}

using SerExchange = SerialPortTest;

TEST_F(SerExchange, CommandsAreWrittenExactlyUpTo128Characters) {
  const std::string exact(128, 'M');
  EXPECT_EQ(VEKser_SendCommand(&handle_, (exact + "M").c_str()), VEK_ERROR_COMMAND_TOO_LONG);
  EXPECT_EQ(VEKser_Query(&handle_, (exact + "M").c_str(), answer_, 16), VEK_ERROR_COMMAND_TOO_LONG);
  EXPECT_EQ(VEKser_SendCommand(&handle_, "AXMA1000;GD"), VEK_SUCCESS);
  EXPECT_EQ(VEKser_SendCommand(&handle_, exact.c_str()), VEK_SUCCESS);
  ASSERT_TRUE(peer_.WaitForBytes(11 + 128, 1000));
  EXPECT_EQ(peer_.Received(), "AXMA1000;GD" + exact);
  EXPECT_TRUE(log.HasTrace(HandleText(&handle_) + " - Sent=" + exact));
}

TEST_F(SerExchange, QueryReturnsTheAnswerLineAsReceivedCutToItsBuffers) {
  peer_.Reply("AX", "\r1234\r\n");
  std::memset(answer_, 'x', sizeof answer_);
  EXPECT_EQ(VEKser_Query(&handle_, "AX", answer_, 128), VEK_SUCCESS);
  EXPECT_STREQ(answer_, "\r1234\r");
  EXPECT_EQ(answer_[7], '\0');
  peer_.Reply("B", std::string("\0\nAB\0CD\n", 8));
  EXPECT_EQ(VEKser_Query(&handle_, "B", answer_, 128), VEK_SUCCESS);
  EXPECT_STREQ(answer_, "AB");
  // A port set to discard NUL bytes drops them wherever they fall.
  plat::SerialSettings settings;
  ASSERT_TRUE(plat::SerialGetSettings(handle_, &settings));
  settings.discardNul = true;
  ASSERT_TRUE(plat::SerialSetSettings(handle_, &settings));
  peer_.Reply("C", Reply{{std::string("12\0", 3)}, {"3\n", 20}});
  EXPECT_EQ(VEKser_Query(&handle_, "C", answer_, 128), VEK_SUCCESS);
  EXPECT_STREQ(answer_, "123");
  peer_.Reply("N", Reply{{"%000 00000001\n"}, {"\n%000 00000100\n", 20}, {"1%000 000000022,3\n", 20}});
  EXPECT_EQ(VEKser_Query(&handle_, "N", answer_, 128), VEK_SUCCESS);
  EXPECT_STREQ(answer_, "12,3");
  EXPECT_EQ(gState.serStatusFlags, 0x1u | 0x2u | (1u << 10));
  EXPECT_TRUE(log.HasTrace(HandleText(&handle_) + " - VEKser_Query( pCmd=AX  lLen=128)"));
  peer_.Reply("Q127", std::string(127, 'a') + "\n");
  peer_.Reply("Q128", std::string(128, 'b') + "\n");
  peer_.Reply("Q300", std::string(300, 'c') + "\n");
  EXPECT_EQ(VEKser_Query(&handle_, "Q127", answer_, 128), VEK_SUCCESS);
  EXPECT_EQ(std::string(answer_), std::string(127, 'a'));
  std::memset(answer_, 'x', sizeof answer_);
  EXPECT_EQ(VEKser_Query(&handle_, "Q128", answer_, 128), VEK_ERROR_ANSWER_TOO_LONG);
  EXPECT_EQ(std::string(answer_, 129), std::string(128, 'b') + "x");
  EXPECT_EQ(VEKser_Query(&handle_, "Q300", answer_, 512), VEK_SUCCESS);
  EXPECT_EQ(std::string(answer_), std::string(255, 'c'));
  gState.serStatusFlags = 0;
  peer_.Reply("QN", std::string(200, 'd') + "%000 00000001" + std::string(100, 'e') + "\n");
  EXPECT_EQ(VEKser_Query(&handle_, "QN", answer_, 512), VEK_SUCCESS);
  EXPECT_EQ(std::string(answer_), std::string(200, 'd') + std::string(55, 'e'));
  EXPECT_EQ(gState.serStatusFlags, 1u);
}

TEST_F(SerExchange, SilenceEndsTheQueryWithWhatHadArrived) {
  peer_.Reply("PART", "12,3");
  double ms =
      MillisecondsOf([&] { EXPECT_EQ(VEKser_Query(&handle_, "PART", answer_, 128), VEK_ERROR_SERIAL_READ_TIMEOUT); });
  EXPECT_STREQ(answer_, "12,3");
  EXPECT_GE(ms, 95.0);  // 20 empty attempts of 5 ms
  // Pauses of a fifth of the silence are each inside it, however late a
  // loaded machine wakes the peer (up to 80 ms); together they are not.
  peer_.Reply("SLOW", Reply{{"1", 20}, {"2", 20}, {"3", 20}, {"4", 20}, {"5", 20}, {"\n", 20}});
  EXPECT_EQ(VEKser_Query(&handle_, "SLOW", answer_, 128), VEK_SUCCESS);
  EXPECT_STREQ(answer_, "12345");
}

TEST_F(SerExchange, DrainTakesWholeLinesAndWaitsOutAPartialOne) {
  peer_.Push("ab\ncd");
  ReadSerialBuff(&handle_, nullptr, 0, ReadMode::kDrain);
  EXPECT_EQ(log.CountContaining("ReadSerialBuff() timeout="), 20);
  EXPECT_TRUE(log.HasTrace(HandleText(&handle_) + " - ReadSerialBuff() timeout=0, tmp1=cd"));
  // Far more than one line and no line feed: the drain before the command takes it all.
  peer_.Push(std::string(700, 'z') + "%000 00000010");
  peer_.Reply("AXRP", "99\n");
  EXPECT_EQ(VEKser_Query(&handle_, "AXRP", answer_, 128), VEK_SUCCESS);
  EXPECT_STREQ(answer_, "99");
  EXPECT_EQ(gState.serStatusFlags, 0x10u);
}

TEST(SerFilter, CutsNotificationsOutAndKeepsOtherText) {
  struct Case {
    const char* in;
    int result;
    const char* out;
    uint32_t flags;  // accumulated
  } cases[] = {
      {"ab%000 00000004cd", 0, "abcd", 0x4},
      {"%000 81000100%000 00000000\nx", 0, "x", 0x7FFFFFFF},
      {"%000 0000000", 1, "%000 0000000", 0x7FFFFFFF},
      {"no notification here", 1, "no notification here", 0x7FFFFFFF},
      // Other prefixes and one too near the end stay; the character after a rejected "%" is scanned again.
      {"50% %001 00000001 %%000 00000002 abcdefghij%000 0001", 0, "50% %001 00000001 % abcdefghij%000 0001",
       0x7FFFFFFF},
  };
  gState.serStatusFlags = 0;
  for (const Case& c : cases) {
    char line[kTraceBufferSize] = {};
    std::strcpy(line, c.in);
    EXPECT_EQ(FilterSerialStatusFlag(line), c.result) << c.in;
    EXPECT_STREQ(line, c.out);
    EXPECT_EQ(gState.serStatusFlags, c.flags) << c.in;
  }
}

using SerWait = SerialPortTest;

TEST_F(SerWait, DrainsOncePerFiveMs) {
  for (auto [timeout, drains] : {std::pair{5, 1}, {7, 2}, {10, 2}}) {
    log.Clear();
    EXPECT_EQ(WaitOnSerial(&handle_, 1, timeout, 0), VEK_ERROR_WAIT_TIMEOUT) << timeout;
    EXPECT_EQ(log.CountContaining("ReadSerialBuff() timeout=-35"), drains) << timeout;
  }
}

}  // namespace
}  // namespace vek::test
