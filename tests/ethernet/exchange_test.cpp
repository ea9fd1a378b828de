// Commands and queries against a scripted controller on loopback.
#include <cstring>
#include <thread>

#include "ethernet/ethernet.h"
#include "tests/ethernet/ethernet_fixture.h"

namespace vek::test {
namespace {

using ExchangeTest = EthernetTest;

TEST_F(ExchangeTest, CommandVerdictFollowsAckAndNakBytes) {
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
}

TEST_F(ExchangeTest, QueryAnswerWithTheAckOrAfterIt) {
  char answer[128];
  // ACK and NAK bytes inside the answer are removed from it.
  peer.QueueReply(Ack("k\x15m"));
  EXPECT_EQ(VEK_SUCCESS, VEKnet_Query(&sock, "AXRP;", answer, sizeof answer));
  EXPECT_STREQ("km", answer);
  peer.QueueReply(Reply{{Ack()}, {"-5\x06m", 50}});
  EXPECT_EQ(VEK_SUCCESS, VEKnet_Query(&sock, "AYRP;", answer, sizeof answer));
  EXPECT_STREQ("-5m", answer);

  peer.QueueReply("\x15");
  std::memset(answer, 'z', sizeof answer);
  EXPECT_EQ(VEK_ERROR_COMMAND_NAK, VEKnet_Query(&sock, "ATRP;", answer, sizeof answer));
  EXPECT_STREQ("", answer);
}

TEST_F(ExchangeTest, OnlyTwoChunksOfAnAnswerAreKeptAndTheRestIsDrained) {
  char answer[128];
  peer.QueueReply(Reply{{Ack()}, {"AB", 50}, {"CD", 50}});
  EXPECT_EQ(VEK_SUCCESS, VEKnet_Query(&sock, "Q1;", answer, sizeof answer));
  EXPECT_STREQ("AB", answer);
  // "CD" lands after the query; the next command's drain drops it.
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  peer.QueueReply(Ack("EF"));
  EXPECT_EQ(VEK_SUCCESS, VEKnet_Query(&sock, "Q2;", answer, sizeof answer));
  EXPECT_STREQ("EF", answer);
}

TEST_F(ExchangeTest, NotificationOnlyChunkBeforeTheAckIsSurvivedOnce) {
  peer.QueueReply(Reply{{Notification(0x1)}, {Ack(), 50}});
  EXPECT_EQ(VEK_SUCCESS, VEKnet_SendCommand(&sock, "AXMA10;GD;"));
  EXPECT_EQ(0x1u, gState.netStatusFlags);

  // A second notification-only chunk ends the reply wait with nothing.
  peer.QueueReply(Reply{{Notification(0x2)}, {Notification(0x100), 50}, {Ack(), 50}});
  EXPECT_EQ(VEK_ERROR_NO_COMMAND_ACK, VEKnet_SendCommand(&sock, "AYMA10;GD;"));
  EXPECT_EQ(0x1u | 0x2u | (1u << 10), gState.netStatusFlags);
}

TEST_F(ExchangeTest, NotificationSplitOverTwoReadsIsNotRecognised) {
  char answer[128];
  peer.QueueReply(Reply{{Ack()}, {"%000 00", 40}, {"000001\r\n", 40}});
  EXPECT_EQ(VEK_SUCCESS, VEKnet_Query(&sock, "AXRP;", answer, sizeof answer));
  EXPECT_STREQ("%000 00", answer);
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  EXPECT_EQ(VEK_SUCCESS, VEKnet_SendCommand(&sock, "AXST;"));
  EXPECT_EQ(0u, gState.netStatusFlags);
}

TEST_F(ExchangeTest, ChunksAreTextThatEndsAtTheFirstNul) {
  char answer[128];
  peer.QueueReply(Ack(std::string("AB\0CD", 5)));
  EXPECT_EQ(VEK_SUCCESS, VEKnet_Query(&sock, "AXRP;", answer, sizeof answer));
  EXPECT_STREQ("AB", answer);
  // An ACK behind a NUL is not part of the reply text.
  peer.QueueReply(std::string("\0\x06", 2));
  EXPECT_EQ(VEK_ERROR_NO_COMMAND_ACK, VEKnet_SendCommand(&sock, "AXST;"));
}

TEST_F(ExchangeTest, FullChunksStayTerminatedAndAnswersAreCut) {
  char answer[300];
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

TEST_F(ExchangeTest, BadArgumentsAreRefusedWithoutSending) {
  char answer[16];
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

TEST_F(ExchangeTest, LongCommandIsSentWholeAndOnlyItsTraceIsCut) {
  std::string command(299, 'M');
  command += ';';
  EXPECT_EQ(VEK_SUCCESS, VEKnet_SendCommand(&sock, command.c_str()));
  EXPECT_EQ(command, peer.Received());
  std::string sent = Handle() + " - Sent=";
  EXPECT_TRUE(log.HasTrace(sent + command.substr(0, 255 - sent.size())));
}

TEST_F(ExchangeTest, TracesOfCommandsAndQueriesNeverFormatCallerText) {
  char answer[64];
  peer.QueueReply(Ack("%s%n%x"));
  ASSERT_EQ(VEK_SUCCESS, VEKnet_Query(&sock, "%s%n%d;", answer, sizeof answer));
  EXPECT_STREQ("%s%n%x", answer);
  peer.QueueReply("\x15");
  ASSERT_EQ(VEK_ERROR_COMMAND_NAK, VEKnet_SendCommand(&sock, "BAD;"));
  peer.QueueReply("OK");
  ASSERT_EQ(VEK_ERROR_NO_COMMAND_ACK, VEKnet_SendCommand(&sock, "HUH;"));

  const std::string h = Handle();
  std::vector<std::string> expected = {
      h + " - VEKnet_Query() pCmd=%s%n%d;  lLen=64",
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

TEST_F(ExchangeTest, ControllerClosingMidQueryIsAReceiveFailure) {
  char answer[64];
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
TEST_F(ExchangeTest, SilentControllerTimesOut) {
  peer.QueueReply(Reply{});
  uint32_t result = 0;
  double ms = MillisecondsOf([&] { result = VEKnet_SendCommand(&sock, "AXST;"); });
  EXPECT_EQ(VEK_ERROR_ACK_NAK_TIMEOUT, result);
  EXPECT_GE(ms, 2490.0);
  EXPECT_LT(ms, 10000.0);
  EXPECT_TRUE(log.HasTrace(Handle() + " - Error=SendCommand | ACK/NAK err lRetVal:214  buff:"));

  char answer[64];
  std::memset(answer, 'z', sizeof answer);
  ms = MillisecondsOf([&] { result = VEKnet_Query(&sock, "AXRP;", answer, sizeof answer); });
  EXPECT_EQ(VEK_ERROR_SOCKET_RECEIVE_TIMEOUT, result);
  EXPECT_GE(ms, 2490.0);
  EXPECT_LT(ms, 10000.0);
  EXPECT_STREQ("", answer);
  EXPECT_TRUE(log.HasTrace(Handle() + " - ReadTCPIP() VEK_ERROR_SOCKET_RECEIVE_TIMEOUT"));
}

// The internal reader used by the waits and the flag getters.
TEST_F(ExchangeTest, ReadTimeoutValuesTellWhatSilenceMeans) {
  char out[kChunkSize];
  EXPECT_EQ(VEK_ERROR_POLL_TIMEOUT, ReadTCPIP(&sock, out, sizeof out, kPollTimeoutUs));
  EXPECT_EQ(VEK_SUCCESS, ReadTCPIP(&sock, out, sizeof out, kDrainTimeoutUs));

  peer.Push("ab" + Notification(0x4) + "cd");
  EXPECT_EQ(VEK_SUCCESS, ReadTCPIP(&sock, out, sizeof out, 1000000));
  EXPECT_STREQ("abcd", out);
  EXPECT_EQ(0x4u, gState.netStatusFlags);
  // Without an out buffer the chunk is still filtered.
  peer.Push(Notification(0x8));
  EXPECT_EQ(VEK_SUCCESS, ReadTCPIP(&sock, nullptr, 0, 1000000));
  EXPECT_EQ(0xCu, gState.netStatusFlags);
}

}  // namespace
}  // namespace vek::test
