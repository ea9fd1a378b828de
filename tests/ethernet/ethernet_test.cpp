// The Ethernet transport against a scripted controller on loopback.
#include "ethernet/ethernet.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "core/state.h"
#include "tests/support/log_capture.h"
#include "tests/support/tcp_peer.h"
#include "vekkestra.h"

namespace vek::test {
namespace {

// An ACK followed by `text` (kept apart so that hex digits never join the escape).
inline std::string Ack(const std::string& text = "") { return "\x06" + text; }

class EthernetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(log.started());
    ASSERT_EQ(0u, peer.Connect(&sock));
    gState.netStatusFlags = 0;
    log.Clear();
  }
  void TearDown() override { VEKnet_Close(&sock); }

  TcpPeer peer;
  uint32_t sock = 0;
  LogCapture log{kAllTraces};
  char answer[300];
};

TEST(NetConnection, ConnectsResetsStateAndCloses) {
  TcpPeer peer;
  gState.netStatusFlags = 0x3FF;
  gState.netLastError = 99;
  uint32_t sock = 0;
  ASSERT_EQ(VEK_SUCCESS, peer.Connect(&sock));
  EXPECT_EQ(0u, gState.netStatusFlags);
  EXPECT_EQ(0, VEKnet_GetLastError());
  LogCapture log(kAllTraces);
  VEKnet_Close(&sock);
  EXPECT_EQ(0u, sock);
  EXPECT_TRUE(peer.WaitForHangUp());
  VEKnet_Close(&sock);
  VEKnet_Close(nullptr);
  EXPECT_EQ(2, log.CountContaining(HandleText(&sock) + " - VEKnet_Close()"));
  EXPECT_TRUE(log.HasTrace("NULL - VEKnet_Close()"));
}

TEST(NetConnection, RefusedArgumentsAddressesAndConnects) {
  VEKnet_GetLastError();
  LogCapture log(kAllTraces);
  ASSERT_TRUE(log.started());
  gState.netStatusFlags = 0x5;
  uint32_t sock = 1234;
  EXPECT_EQ(VEK_ERROR_INVALID_PARAMETER, VEKnet_Initialize("127.0.0.1", 65536, &sock));
  EXPECT_EQ(VEK_ERROR_INVALID_PARAMETER, VEKnet_Initialize("127.0.0.1", 80, nullptr));
  EXPECT_EQ(VEK_ERROR_INVALID_PARAMETER, VEKnet_Initialize(nullptr, 80, &sock));
  EXPECT_EQ(1234u, sock);
  EXPECT_EQ(0x5u, gState.netStatusFlags);
  EXPECT_TRUE(log.Traces().empty());
  sock = 0;  // an address the conversion refuses leaves the unconnected socket
  EXPECT_EQ(VEK_ERROR_INVALID_IP_ADDRESS, VEKnet_Initialize("255.255.255.255", 80, &sock));
  EXPECT_NE(0u, sock);
  VEKnet_Close(&sock);
  EXPECT_EQ(1, log.CountContaining("Error=NULL - VEKnet_Initialize() | inet_addr() error:"));

  uint16_t port = TcpPeer().port();  // nobody listens there any more
  sock = 77;
  EXPECT_EQ(VEK_ERROR_ETHERNET_CONNECT, VEKnet_Initialize("127.0.0.1", port, &sock));
  EXPECT_EQ(0u, sock);
  EXPECT_TRUE(log.HasTrace("Error=NULL - VEKnet_Initialize() | connect() error:" + std::to_string(ECONNREFUSED)));
  EXPECT_EQ(ECONNREFUSED, VEKnet_GetLastError());
  EXPECT_EQ(0, VEKnet_GetLastError());
  EXPECT_EQ(VEK_ERROR_SOCKET_SEND, VEKnet_SendCommand(&sock, "AXST;"));
}

using NetExchange = EthernetTest;

TEST_F(NetExchange, AnAckAnywhereInTheReplyWinsAndLongCommandsGoOutWhole) {
  peer.QueueReply("\x15\x06");
  EXPECT_EQ(VEK_SUCCESS, VEKnet_SendCommand(&sock, "AXST;"));
  std::string command = std::string(299, 'M') + ";";
  EXPECT_EQ(VEK_SUCCESS, VEKnet_SendCommand(&sock, command.c_str()));
  EXPECT_EQ("AXST;" + command, peer.Received());
}

TEST_F(NetExchange, QueryAnswersFromUpToTwoChunksCutToTheBuffer) {
  peer.QueueReply(Ack("k\x15m"));
  EXPECT_EQ(VEK_SUCCESS, VEKnet_Query(&sock, "AXRP;", answer, sizeof answer));
  EXPECT_STREQ("km", answer);
  peer.QueueReply(Reply{{Ack()}, {"-5\x06m", 50}});
  EXPECT_EQ(VEK_SUCCESS, VEKnet_Query(&sock, "AYRP;", answer, sizeof answer));
  EXPECT_STREQ("-5m", answer);
  peer.QueueReply(Reply{{Ack()}, {"AB", 50}, {"CD", 50}});
  EXPECT_EQ(VEK_SUCCESS, VEKnet_Query(&sock, "Q1;", answer, sizeof answer));
  EXPECT_STREQ("AB", answer);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  peer.QueueReply(Ack(std::string("EF\0CD", 5)));
  EXPECT_EQ(VEK_SUCCESS, VEKnet_Query(&sock, "Q2;", answer, sizeof answer));
  EXPECT_STREQ("EF", answer);
  peer.QueueReply(std::string("\0\x06", 2));
  EXPECT_EQ(VEK_ERROR_NO_COMMAND_ACK, VEKnet_SendCommand(&sock, "AXST;"));
  peer.QueueReply(Ack(std::string(255, 'A')));
  EXPECT_EQ(VEK_SUCCESS, VEKnet_Query(&sock, "Q;", answer, sizeof answer));
  EXPECT_EQ(std::string(255, 'A'), answer);
  peer.QueueReply(Reply{{Ack()}, {std::string(256, 'B'), 50}});
  EXPECT_EQ(VEK_SUCCESS, VEKnet_Query(&sock, "Q;", answer, sizeof answer));
  EXPECT_EQ(std::string(255, 'B'), answer);
  std::memset(answer, '#', sizeof answer);
  peer.QueueReply(Ack("0123456789"));
  EXPECT_EQ(VEK_SUCCESS, VEKnet_Query(&sock, "Q;", answer, 8));
  EXPECT_EQ(std::string("0123456\0#", 9), std::string(answer, 9));
}

// The answer that starts in the ACK's chunk may end in the next one: the
// query reads once more (10 ms) for it. The rest goes only once the library
// has read the first chunk, so the two never arrive as one.
TEST_F(NetExchange, AnswerBegunWithTheAckEndsInTheFollowUpRead) {
  peer.QueueReply(Reply{{Ack("-12")}, {"34", kAfterRead}});
  EXPECT_EQ(VEK_SUCCESS, VEKnet_Query(&sock, "AXRP;", answer, sizeof answer));
  EXPECT_STREQ("-1234", answer);
}

TEST_F(NetExchange, NotificationOnlyChunksBeforeTheAck) {
  peer.QueueReply(Reply{{Notification(0x1)}, {Ack(), 50}});
  EXPECT_EQ(VEK_SUCCESS, VEKnet_SendCommand(&sock, "AXMA10;GD;"));
  EXPECT_EQ(0x1u, gState.netStatusFlags);
  peer.QueueReply(Reply{{Notification(0x2)}, {Notification(0x100), 50}, {Ack(), 50}});
  EXPECT_EQ(VEK_ERROR_NO_COMMAND_ACK, VEKnet_SendCommand(&sock, "AYMA10;GD;"));
  EXPECT_EQ(0x1u | 0x2u | (1u << 10), gState.netStatusFlags);
}

TEST_F(NetExchange, TracesNeverFormatCallerText) {
  peer.QueueReply(Ack("%s%n%x"));
  ASSERT_EQ(VEK_SUCCESS, VEKnet_Query(&sock, "%s%n%d;", answer, sizeof answer));
  EXPECT_STREQ("%s%n%x", answer);
  peer.QueueReply("\x15");
  ASSERT_EQ(VEK_ERROR_COMMAND_NAK, VEKnet_SendCommand(&sock, "BAD;"));
  peer.QueueReply("OK");
  ASSERT_EQ(VEK_ERROR_NO_COMMAND_ACK, VEKnet_SendCommand(&sock, "HUH;"));
  const std::string h = HandleText(&sock);
  std::vector<std::string> expected = {
      h + " - VEKnet_Query() pCmd=%s%n%d;  lLen=300",
      h + " - Sent=%s%n%d;",
      h + " - SendCommand() | end lRetVal:0",
      h + " - VEKnet_SendCommand()",
      h + " - Sent=BAD;",
      h + " - Error=SendCommand | NAK lRetVal:216  buff:\x15",
      h + " - VEKnet_SendCommand()",
      h + " - Sent=HUH;",
      "0x0 - CheckForAckNak() | VEK_ERROR_NO_COMMAND_ACK | buff=OK  buff_size=2",
      h + " - Error=SendCommand | ACK lRetVal:217  buff:OK",
  };
  EXPECT_EQ(expected, log.Traces());
}

TEST_F(NetExchange, SilentControllerTimesOut) {
  peer.QueueReply(Reply{});
  double ms = MillisecondsOf([&] { EXPECT_EQ(VEK_ERROR_ACK_NAK_TIMEOUT, VEKnet_SendCommand(&sock, "AXST;")); });
  EXPECT_GE(ms, 2490.0);
  EXPECT_TRUE(log.HasTrace(HandleText(&sock) + " - Error=SendCommand | ACK/NAK err lRetVal:214  buff:"));
  ms = MillisecondsOf(
      [&] { EXPECT_EQ(VEK_ERROR_SOCKET_RECEIVE_TIMEOUT, VEKnet_Query(&sock, "AXRP;", answer, sizeof answer)); });
  EXPECT_GE(ms, 2490.0);
}

TEST(NetFilter, NotificationsAreRemovedAndFolded) {
  char chunk[kChunkSize + 1];
  auto filter = [&](const std::string& text) {
    std::memset(chunk, 0, sizeof chunk);
    std::memcpy(chunk, text.data(), text.size());
    return FilterForStatusFlag2(chunk, static_cast<int32_t>(text.size()));
  };
  LogCapture log(kAllTraces);
  gState.netStatusFlags = 0x2;
  EXPECT_EQ(kFilterOnlyNotifications, filter(Notification(0x01000101, "%0")));
  EXPECT_STREQ("", chunk);
  EXPECT_TRUE(log.HasTrace("FilterForStatusFlag2() - out - done:0x03 limit:0x01 slip:0x00 err:0x1"));
  EXPECT_EQ(kFilterMixed, filter(Ack("a") + Notification(0x100) + "b" + Notification(0x0) + Notification(0x20) + "c"));
  EXPECT_EQ(Ack("abc"), chunk);
  EXPECT_EQ(0x40000023u | (1u << 10), gState.netStatusFlags);
  EXPECT_EQ(kFilterMixed, filter(std::string(kChunkSize - 15, 'R') + Notification(0x8)));
  EXPECT_EQ(std::string(kChunkSize - 15, 'R'), std::string(chunk));
  for (const char* text : {"100%", "%001 00000001\r\n", "%000 0000000", "x%000 00000001\r"}) {
    EXPECT_EQ(kFilterNoNotification, filter(text)) << text;
    EXPECT_STREQ(text, chunk);
  }
  EXPECT_EQ(0x4000002Bu | (1u << 10), gState.netStatusFlags);
}

// A clear on one thread never takes away a flag that a read on another
// thread folds in meanwhile: both change the shared word in one step.
TEST(NetFilter, AFoldSurvivesClearsOfOtherAxesOnAnotherThread) {
  uint32_t handle = 0;  // clearing touches the status word only
  gState.netStatusFlags = VEK_AXIS_X;
  ASSERT_EQ(VEK_SUCCESS, VEKnet_ClearMultiAxisDoneFlags(&handle, VEK_AXIS_X));
  ASSERT_EQ(0u, gState.netStatusFlags.load());
  std::atomic<bool> stop{false};
  std::thread clearer([&] {
    while (!stop) VEKnet_ClearMultiAxisDoneFlags(&handle, VEK_AXIS_Z);
  });
  const std::string done = Notification(VEK_AXIS_X);
  char chunk[kChunkSize + 1];
  int lost = 0;
  for (int i = 0; i < 200000 && lost == 0; ++i) {
    VEKnet_ClearMultiAxisDoneFlags(&handle, VEK_AXIS_X);
    std::memcpy(chunk, done.c_str(), done.size() + 1);
    FilterForStatusFlag2(chunk, static_cast<int32_t>(done.size()));
    if ((gState.netStatusFlags.load() & VEK_AXIS_X) == 0) lost = i + 1;
  }
  stop = true;
  clearer.join();
  gState.netStatusFlags = 0;
  EXPECT_EQ(lost, 0) << "the done flag folded in round " << lost << " was lost";
}

using NetWait = EthernetTest;

TEST_F(NetWait, TimesOutInFullOnABrokenConnectionAndAfterALateNotification) {
  uint32_t closed = 0;  // failing reads do not end the wait early
  double ms = MillisecondsOf([&] { EXPECT_EQ(VEK_ERROR_WAIT_TIMEOUT, WaitOnEthernet(&closed, 0x1, 50, 0)); });
  EXPECT_GE(ms, 50.0);
  // Arrives within the first poll but after the 1 ms limit: folded, still late.
  peer.Play({{Notification(0x1), 5}});
  EXPECT_EQ(VEK_ERROR_WAIT_TIMEOUT, WaitOnEthernet(&sock, 0x1, 1, 0));
  EXPECT_EQ(0x1u, gState.netStatusFlags);
}

}  // namespace
}  // namespace vek::test
