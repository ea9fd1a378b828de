// The Ethernet transport against a scripted controller on loopback: opening
// and closing, commands and queries, the notification filter, and the wait.
#include "ethernet/ethernet.h"

#include <gtest/gtest.h>

#include <cerrno>
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

  // "0x..." for the address of the socket variable, as traces print it.
  std::string Handle() const { return HandleText(&sock); }

  TcpPeer peer;
  uint32_t sock = 0;
  LogCapture log{kAllTraces};
  char answer[300];
};

class NetConnection : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(log.started());
    VEKnet_GetLastError();
    log.Clear();
  }
  LogCapture log{kAllTraces};
  TcpPeer peer;
};

TEST_F(NetConnection, ConnectsResetsStateAndCloses) {
  gState.netStatusFlags = 0x3FF;
  gState.netLastError = 99;
  uint32_t sock = 0;
  ASSERT_EQ(VEK_SUCCESS, peer.Connect(&sock));
  EXPECT_NE(0u, sock);
  EXPECT_EQ(0u, gState.netStatusFlags);
  EXPECT_EQ(0, VEKnet_GetLastError());
  EXPECT_EQ(1, peer.Connections());

  VEKnet_Close(&sock);
  EXPECT_EQ(0u, sock);
  EXPECT_TRUE(peer.WaitForClientGone());
  // Closing again, or with no handle, does nothing harmful.
  VEKnet_Close(&sock);
  VEKnet_Close(nullptr);
  std::vector<std::string> expected = {
      "NULL - VEKnet_Initialize(ip:127.0.0.1  port:" + std::to_string(peer.port()) + ")",
      "NULL - VEKnet_GetLastError()",
      HandleText(&sock) + " - VEKnet_Close()",
      HandleText(&sock) + " - VEKnet_Close()",
      "NULL - VEKnet_Close()",
  };
  EXPECT_EQ(expected, log.Traces());
}

TEST_F(NetConnection, RefusedArguments) {
  gState.netStatusFlags = 0x5;
  gState.netLastError = 7;
  uint32_t sock = 1234;
  EXPECT_EQ(VEK_ERROR_INVALID_PARAMETER, VEKnet_Initialize("127.0.0.1", 65536, &sock));
  EXPECT_EQ(VEK_ERROR_INVALID_PARAMETER, VEKnet_Initialize(nullptr, 80, &sock));
  EXPECT_EQ(VEK_ERROR_INVALID_PARAMETER, VEKnet_Initialize("127.0.0.1", 80, nullptr));
  EXPECT_EQ(1234u, sock);
  EXPECT_EQ(0x5u, gState.netStatusFlags);
  EXPECT_TRUE(log.Traces().empty());
  EXPECT_EQ(7, VEKnet_GetLastError());

  // An address the conversion does not accept: the unconnected socket stays
  // in the variable until closed.
  sock = 0;
  EXPECT_EQ(VEK_ERROR_INVALID_IP_ADDRESS, VEKnet_Initialize("255.255.255.255", peer.port(), &sock));
  EXPECT_NE(0u, sock);
  VEKnet_Close(&sock);
  EXPECT_EQ(1, log.CountContaining("Error=NULL - VEKnet_Initialize() | inet_addr() error:"));
  EXPECT_EQ(0, peer.Connections());
}

TEST_F(NetConnection, RefusedConnectLeavesZeroAndSendFails) {
  uint16_t port = TcpPeer().port();  // nobody listens there any more
  uint32_t sock = 77;
  EXPECT_EQ(VEK_ERROR_ETHERNET_CONNECT, VEKnet_Initialize("127.0.0.1", port, &sock));
  EXPECT_EQ(0u, sock);
  EXPECT_TRUE(log.HasTrace("Error=NULL - VEKnet_Initialize() | connect() error:" + std::to_string(ECONNREFUSED)));
  // Read once, then reset.
  EXPECT_EQ(ECONNREFUSED, VEKnet_GetLastError());
  EXPECT_EQ(0, VEKnet_GetLastError());

  // A variable of 0 never reaches the system as a descriptor: the command
  // fails on its send.
  EXPECT_EQ(VEK_ERROR_SOCKET_SEND, VEKnet_SendCommand(&sock, "AXST;"));
  EXPECT_NE(0, VEKnet_GetLastError());
  EXPECT_EQ(1, log.CountContaining(HandleText(&sock) + " - Error=SendCommand() error="));
}

// Commands and queries.

using NetExchange = EthernetTest;

TEST_F(NetExchange, CommandVerdictFollowsAckAndNakBytes) {
  struct Case {
    const char* reply;
    uint32_t result;
  } cases[] = {{"\x15", VEK_ERROR_COMMAND_NAK}, {"\x15\x06", VEK_SUCCESS}, {"OK", VEK_ERROR_NO_COMMAND_ACK}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reply);
    peer.ClearReceived();
    peer.QueueReply(c.reply);
    EXPECT_EQ(c.result, VEKnet_SendCommand(&sock, "AXST;"));
    EXPECT_EQ("AXST;", peer.Received());  // sent byte for byte, nothing added
  }
  // A long command is sent whole; only its trace is cut.
  peer.ClearReceived();
  std::string command = std::string(299, 'M') + ";";
  EXPECT_EQ(VEK_SUCCESS, VEKnet_SendCommand(&sock, command.c_str()));
  EXPECT_EQ(command, peer.Received());
  std::string sent = Handle() + " - Sent=";
  EXPECT_TRUE(log.HasTrace(sent + command.substr(0, 255 - sent.size())));
}

TEST_F(NetExchange, QueryAnswerWithTheAckOrAfterIt) {
  // ACK and NAK bytes inside the answer are removed from it.
  peer.QueueReply(Ack("k\x15m"));
  EXPECT_EQ(VEK_SUCCESS, VEKnet_Query(&sock, "AXRP;", answer, sizeof answer));
  EXPECT_STREQ("km", answer);
  peer.QueueReply(Reply{{Ack()}, {"-5\x06m", 50}});
  EXPECT_EQ(VEK_SUCCESS, VEKnet_Query(&sock, "AYRP;", answer, sizeof answer));
  EXPECT_STREQ("-5m", answer);

  // A chunk is text: it ends at the first NUL, and an ACK behind it is lost.
  peer.QueueReply(Ack(std::string("AB\0CD", 5)));
  EXPECT_EQ(VEK_SUCCESS, VEKnet_Query(&sock, "AXRP;", answer, sizeof answer));
  EXPECT_STREQ("AB", answer);
  peer.QueueReply(std::string("\0\x06", 2));
  EXPECT_EQ(VEK_ERROR_NO_COMMAND_ACK, VEKnet_SendCommand(&sock, "AXST;"));

  peer.QueueReply("\x15");
  std::memset(answer, 'z', sizeof answer);
  EXPECT_EQ(VEK_ERROR_COMMAND_NAK, VEKnet_Query(&sock, "ATRP;", answer, sizeof answer));
  EXPECT_STREQ("", answer);
}

TEST_F(NetExchange, OnlyTwoChunksOfAnAnswerAreKeptAndTheRestIsDrained) {
  peer.QueueReply(Reply{{Ack()}, {"AB", 50}, {"CD", 50}});
  EXPECT_EQ(VEK_SUCCESS, VEKnet_Query(&sock, "Q1;", answer, sizeof answer));
  EXPECT_STREQ("AB", answer);
  // "CD" lands after the query; the next command's drain drops it.
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  peer.QueueReply(Ack("EF"));
  EXPECT_EQ(VEK_SUCCESS, VEKnet_Query(&sock, "Q2;", answer, sizeof answer));
  EXPECT_STREQ("EF", answer);
}

TEST_F(NetExchange, NotificationsAcrossChunks) {
  // The reply wait survives one notification-only chunk before the ACK.
  peer.QueueReply(Reply{{Notification(0x1)}, {Ack(), 50}});
  EXPECT_EQ(VEK_SUCCESS, VEKnet_SendCommand(&sock, "AXMA10;GD;"));
  EXPECT_EQ(0x1u, gState.netStatusFlags);

  // A second notification-only chunk ends the reply wait with nothing.
  peer.QueueReply(Reply{{Notification(0x2)}, {Notification(0x100), 50}, {Ack(), 50}});
  EXPECT_EQ(VEK_ERROR_NO_COMMAND_ACK, VEKnet_SendCommand(&sock, "AYMA10;GD;"));
  EXPECT_EQ(0x1u | 0x2u | (1u << 10), gState.netStatusFlags);

  // Split over two reads, a notification is not recognised.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the late ACK is drained
  gState.netStatusFlags = 0;
  peer.QueueReply(Reply{{Ack()}, {"%000 00", 40}, {"000001\r\n", 40}});
  EXPECT_EQ(VEK_SUCCESS, VEKnet_Query(&sock, "AXRP;", answer, sizeof answer));
  EXPECT_STREQ("%000 00", answer);
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  EXPECT_EQ(VEK_SUCCESS, VEKnet_SendCommand(&sock, "AXST;"));
  EXPECT_EQ(0u, gState.netStatusFlags);
}

TEST_F(NetExchange, FullChunksStayTerminatedAndAnswersAreCut) {
  // ACK and 255 characters: one full 256-byte chunk.
  peer.QueueReply(Ack(std::string(255, 'A')));
  EXPECT_EQ(VEK_SUCCESS, VEKnet_Query(&sock, "Q;", answer, sizeof answer));
  EXPECT_EQ(std::string(255, 'A'), answer);
  // A bare ACK, then a full chunk: the accumulator keeps 255 characters.
  peer.QueueReply(Reply{{Ack()}, {std::string(256, 'B'), 50}});
  EXPECT_EQ(VEK_SUCCESS, VEKnet_Query(&sock, "Q;", answer, sizeof answer));
  EXPECT_EQ(std::string(255, 'B'), answer);

  // Longer than the caller's buffer: cut, terminated, nothing past lLen.
  char small[16];
  std::memset(small, '#', sizeof small);
  peer.QueueReply(Ack("0123456789"));
  EXPECT_EQ(VEK_SUCCESS, VEKnet_Query(&sock, "Q;", small, 8));
  EXPECT_STREQ("0123456", small);
  EXPECT_EQ(std::string(8, '#'), std::string(small + 8, 8));
}

TEST_F(NetExchange, BadArgumentsAreRefusedWithoutSending) {
  EXPECT_EQ(VEK_ERROR_INVALID_PARAMETER, VEKnet_SendCommand(nullptr, "AXST;"));
  EXPECT_EQ(VEK_ERROR_INVALID_PARAMETER, VEKnet_SendCommand(&sock, nullptr));
  EXPECT_EQ(VEK_ERROR_INVALID_PARAMETER, VEKnet_Query(nullptr, "AXRP;", answer, sizeof answer));
  EXPECT_EQ(VEK_ERROR_INVALID_PARAMETER, VEKnet_Query(&sock, nullptr, answer, sizeof answer));
  EXPECT_EQ(VEK_ERROR_INVALID_PARAMETER, VEKnet_Query(&sock, "AXRP;", nullptr, 16));
  EXPECT_EQ(VEK_ERROR_INVALID_PARAMETER, VEKnet_Query(&sock, "AXRP;", answer, 0));
  // Nothing reached the controller; the connection still works.
  EXPECT_EQ(VEK_SUCCESS, VEKnet_SendCommand(&sock, "AXST;"));
  EXPECT_EQ("AXST;", peer.Received());
}

TEST_F(NetExchange, TracesOfCommandsAndQueriesNeverFormatCallerText) {
  peer.QueueReply(Ack("%s%n%x"));
  ASSERT_EQ(VEK_SUCCESS, VEKnet_Query(&sock, "%s%n%d;", answer, sizeof answer));
  EXPECT_STREQ("%s%n%x", answer);
  peer.QueueReply("\x15");
  ASSERT_EQ(VEK_ERROR_COMMAND_NAK, VEKnet_SendCommand(&sock, "BAD;"));
  peer.QueueReply("OK");
  ASSERT_EQ(VEK_ERROR_NO_COMMAND_ACK, VEKnet_SendCommand(&sock, "HUH;"));

  const std::string h = Handle();
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

TEST_F(NetExchange, ControllerClosingMidQueryIsAReceiveFailure) {
  peer.QueueReply(Reply{{Ack()}, CloseConnection(30)});
  EXPECT_EQ(VEK_ERROR_SOCKET_RECEIVE, VEKnet_Query(&sock, "AXRP;", answer, sizeof answer));
  EXPECT_STREQ("", answer);
  EXPECT_EQ(0, VEKnet_GetLastError());  // an orderly close is no system error
  EXPECT_TRUE(log.HasTrace(Handle() + " - ReadTCPIP() recv() error:0"));
  // The connection is not reopened: the next command fails on its reply.
  EXPECT_EQ(VEK_ERROR_SOCKET_RECEIVE, VEKnet_SendCommand(&sock, "AXST;"));
  EXPECT_TRUE(log.HasTrace(Handle() + " - Error=SendCommand | ACK/NAK err lRetVal:212  buff:"));
}

// The two 2.5-second silences: a command without reply, and a bare ACK
// without answer.
TEST_F(NetExchange, SilentControllerTimesOut) {
  peer.QueueReply(Reply{});
  double ms = MillisecondsOf([&] { EXPECT_EQ(VEK_ERROR_ACK_NAK_TIMEOUT, VEKnet_SendCommand(&sock, "AXST;")); });
  EXPECT_GE(ms, 2490.0);
  EXPECT_LT(ms, 10000.0);
  EXPECT_TRUE(log.HasTrace(Handle() + " - Error=SendCommand | ACK/NAK err lRetVal:214  buff:"));

  std::memset(answer, 'z', sizeof answer);
  ms = MillisecondsOf(
      [&] { EXPECT_EQ(VEK_ERROR_SOCKET_RECEIVE_TIMEOUT, VEKnet_Query(&sock, "AXRP;", answer, sizeof answer)); });
  EXPECT_GE(ms, 2490.0);
  EXPECT_LT(ms, 10000.0);
  EXPECT_STREQ("", answer);
  EXPECT_TRUE(log.HasTrace(Handle() + " - ReadTCPIP() VEK_ERROR_SOCKET_RECEIVE_TIMEOUT"));
}

// The internal reader used by the waits and the flag getters.
TEST_F(NetExchange, ReadTimeoutValuesTellWhatSilenceMeans) {
  char out[kChunkSize];
  EXPECT_EQ(VEK_ERROR_POLL_TIMEOUT, ReadTCPIP(&sock, out, sizeof out, kPollTimeoutUs));
  EXPECT_EQ(VEK_SUCCESS, ReadTCPIP(&sock, out, sizeof out, kDrainTimeoutUs));

  peer.Push("ab" + Notification(0x4) + "cd");
  EXPECT_EQ(VEK_SUCCESS, ReadTCPIP(&sock, out, sizeof out, 1000000));
  EXPECT_STREQ("abcd", out);
  EXPECT_EQ(0x4u, gState.netStatusFlags);
}

// The notification filter, without any socket.

class NetFilter : public ::testing::Test {
 protected:
  void SetUp() override { gState.netStatusFlags = 0; }

  // Runs the filter over `text` in a chunk buffer; returns the verdict and
  // leaves the rewritten chunk in `chunk`.
  int Filter(const std::string& text) {
    std::memset(chunk, 0, sizeof chunk);
    std::memcpy(chunk, text.data(), text.size());
    return FilterForStatusFlag2(chunk, static_cast<int32_t>(text.size()));
  }

  char chunk[kChunkSize + 1];
};

TEST_F(NetFilter, NotificationsAreRemovedAndFolded) {
  EXPECT_EQ(kFilterOnlyNotifications, Filter(Notification(0x1F)));
  EXPECT_STREQ("", chunk);
  EXPECT_EQ(0x1Fu, gState.netStatusFlags);

  // Back to back, and with text around and between them; flags only add up.
  EXPECT_EQ(kFilterMixed, Filter(Ack("a") + Notification(0x100) + "b" + Notification(0x0) + Notification(0x20) + "c"));
  EXPECT_EQ(Ack("abc"), chunk);
  EXPECT_EQ(0x3Fu | (1u << 10), gState.netStatusFlags);

  // The two characters after the digits are dropped whatever they are.
  gState.netStatusFlags = 0;
  EXPECT_EQ(kFilterOnlyNotifications, Filter(Notification(0x8, "%0")));
  EXPECT_EQ(0x8u, gState.netStatusFlags);
  // A full chunk stays terminated.
  std::string full(kChunkSize, 'Q');
  EXPECT_EQ(kFilterNoNotification, Filter(full));
  EXPECT_EQ(full, std::string(chunk));

  // A notification at the very end of a full chunk still counts.
  EXPECT_EQ(kFilterMixed, Filter(std::string(kChunkSize - 15, 'R') + Notification(0x2)));
  EXPECT_EQ(std::string(kChunkSize - 15, 'R'), std::string(chunk));
  EXPECT_EQ(0xAu, gState.netStatusFlags);
}

TEST_F(NetFilter, PercentThatStartsNoNotificationIsOrdinaryText) {
  for (const char* text : {"100%", "%001 00000001\r\n", "%000 0000000", "x%000 00000001\r", ""}) {
    SCOPED_TRACE(text);
    EXPECT_EQ(kFilterNoNotification, Filter(text));
    EXPECT_STREQ(text, chunk);
  }
  EXPECT_EQ(0u, gState.netStatusFlags);
}

TEST_F(NetFilter, TracesTheFlagsAroundEachNotification) {
  LogCapture log(kAllTraces);
  ASSERT_TRUE(log.started());
  gState.netStatusFlags = 0x2;
  gState.serStatusFlags = 0;
  Filter(Notification(0x01000101));
  EXPECT_TRUE(log.HasTrace("FilterForStatusFlag2() - in - done:0x02 limit:0x00 slip:0x00 err:0x0"));
  EXPECT_TRUE(log.HasTrace("FilterForStatusFlag2() - out - done:0x03 limit:0x01 slip:0x00 err:0x1"));
}

// The motion-completion wait.

using NetWait = EthernetTest;

TEST_F(NetWait, EndsWithoutReadingOnZeroTimeOutOrFlagsSetAtEntry) {
  peer.Push(Notification(0x2));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));  // let it arrive
  EXPECT_EQ(VEK_SUCCESS, WaitOnEthernet(&sock, 1, 0, 0));
  EXPECT_EQ(VEK_ERROR_INVALID_PARAMETER, WaitOnEthernet(&sock, 1, -1, 0));
  EXPECT_TRUE(log.Traces().empty());

  gState.netStatusFlags = 0x5;
  EXPECT_EQ(VEK_SUCCESS, WaitOnEthernet(&sock, 0x5, 1000, 0));
  EXPECT_EQ(0x5u, gState.netStatusFlags);  // the pushed notification is still unread
  EXPECT_TRUE(log.HasTrace(Handle() + " - WaitOnEthernet | start - Axis:0x05  Timeout:1000  lRet:0"));
  EXPECT_EQ(1, log.CountContaining(Handle() + " - WaitOnEthernet | end - Axis:0x05  total elapsed time:0."));
  EXPECT_EQ(2, log.CountContaining("  Timeout:1000  lRet:0"));
}

TEST_F(NetWait, FlagGroupChoosesTheAwaitedBits) {
  struct Case {
    int32_t mask;
    uint32_t group;
    uint32_t flags;  // set before the wait
    uint32_t result;
  } cases[] = {{1, 1, 1u << 10, VEK_SUCCESS},
               {1, 1, 1u << 0, VEK_ERROR_WAIT_TIMEOUT},
               {2, 2, 1u << 21, VEK_SUCCESS},
               {4, 5, 1u << 2, VEK_SUCCESS},
               {0x401, 0, 1u << 0, VEK_ERROR_WAIT_TIMEOUT}};
  // Unknown groups wait for done flags; in group 0, mask bit 10 awaits limit X.
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "mask " << c.mask << " group " << c.group);
    gState.netStatusFlags = c.flags;
    EXPECT_EQ(c.result, WaitOnEthernet(&sock, c.mask, 30, c.group));
  }
}

TEST_F(NetWait, NotificationsCompleteTheWait) {
  peer.Push(Notification(0x1), 20);
  peer.Push(Notification(0x4), 80);
  double ms = MillisecondsOf([&] { EXPECT_EQ(VEK_SUCCESS, WaitOnEthernet(&sock, 0x5, 5000, 0)); });
  EXPECT_EQ(0x5u, gState.netStatusFlags);
  EXPECT_GE(ms, 70.0);
  EXPECT_LT(ms, 3000.0);
}

TEST_F(NetWait, TimesOutOnAQuietOrBrokenConnection) {
  double ms = MillisecondsOf([&] { EXPECT_EQ(VEK_ERROR_WAIT_TIMEOUT, WaitOnEthernet(&sock, 0x1, 100, 0)); });
  EXPECT_GE(ms, 100.0);
  EXPECT_LT(ms, 3000.0);
  EXPECT_NE(std::string::npos, log.Traces().back().find("  Timeout:100  lRet:6"));

  // Failing reads do not end the wait early.
  uint32_t closed = 0;
  ms = MillisecondsOf([&] { EXPECT_EQ(VEK_ERROR_WAIT_TIMEOUT, WaitOnEthernet(&closed, 0x1, 50, 0)); });
  EXPECT_GE(ms, 50.0);
  EXPECT_EQ(VEK_ERROR_INVALID_PARAMETER, WaitOnEthernet(nullptr, 0x1, 50, 0));

  // The time test comes first: a notification that arrives in the first
  // poll, but after the 1 ms limit, is folded and still times out.
  peer.Push(Notification(0x1), 5);
  EXPECT_EQ(VEK_ERROR_WAIT_TIMEOUT, WaitOnEthernet(&sock, 0x1, 1, 0));
  EXPECT_EQ(0x1u, gState.netStatusFlags);
}

}  // namespace
}  // namespace vek::test
