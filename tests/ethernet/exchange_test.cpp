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
  } cases[] = {
      {"\x06", VEK_SUCCESS},     {"\x15", VEK_ERROR_COMMAND_NAK},
      {"\x15\x06", VEK_SUCCESS},  // an ACK anywhere wins over a NAK
      {"x\x06y", VEK_SUCCESS},   {"OK", VEK_ERROR_NO_COMMAND_ACK},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reply);
    peer.ClearReceived();
    peer.QueueReply(c.reply);
    EXPECT_EQ(c.result, VEKnet_SendCommand(&sock, "AXST;"));
    // Sent byte for byte, nothing added.
    EXPECT_EQ("AXST;", peer.Received());
  }
}

TEST_F(ExchangeTest, QueryAnswerWithTheAckOrAfterIt) {
  char answer[128];
  peer.QueueReply(
      "\x06"
      "1234");
  EXPECT_EQ(VEK_SUCCESS, VEKnet_Query(&sock, "AXRP;", answer, sizeof answer));
  EXPECT_STREQ("1234", answer);

  peer.QueueReply(Reply{{"\x06"}, {"-56", 50}});
  EXPECT_EQ(VEK_SUCCESS, VEKnet_Query(&sock, "AYRP;", answer, sizeof answer));
  EXPECT_STREQ("-56", answer);

  // ACK and NAK bytes inside the answer are removed from it, with the ACK
  // and after it.
  peer.QueueReply(
      "\x06"
      "1\x15"
      "2\x06"
      "3");
  EXPECT_EQ(VEK_SUCCESS, VEKnet_Query(&sock, "AZRP;", answer, sizeof answer));
  EXPECT_STREQ("123", answer);
  peer.QueueReply(Reply{{"\x06"},
                        {"4\x06"
                         "5\x15",
                         30}});
  EXPECT_EQ(VEK_SUCCESS, VEKnet_Query(&sock, "AZRP;", answer, sizeof answer));
  EXPECT_STREQ("45", answer);

  peer.QueueReply("\x15");
  std::memset(answer, 'z', sizeof answer);
  EXPECT_EQ(VEK_ERROR_COMMAND_NAK, VEKnet_Query(&sock, "ATRP;", answer, sizeof answer));
  EXPECT_STREQ("", answer);
}

TEST_F(ExchangeTest, OnlyTwoChunksOfAnAnswerAreKeptAndTheRestIsDrained) {
  char answer[128];
  peer.QueueReply(Reply{{"\x06"}, {"AB", 50}, {"CD", 50}});
  EXPECT_EQ(VEK_SUCCESS, VEKnet_Query(&sock, "Q1;", answer, sizeof answer));
  EXPECT_STREQ("AB", answer);
  // The third part lands after the query; the next command's drain drops it
  // instead of taking it for its reply.
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  peer.QueueReply(
      "\x06"
      "EF");
  EXPECT_EQ(VEK_SUCCESS, VEKnet_Query(&sock, "Q2;", answer, sizeof answer));
  EXPECT_STREQ("EF", answer);
}

TEST_F(ExchangeTest, NotificationOnlyChunkBeforeTheAckIsSurvivedOnce) {
  peer.QueueReply(Reply{{Notification(0x1)}, {"\x06", 50}});
  EXPECT_EQ(VEK_SUCCESS, VEKnet_SendCommand(&sock, "AXMA10;GD;"));
  EXPECT_EQ(0x1u, gState.netStatusFlags);

  // A second notification-only chunk ends the reply wait with nothing.
  peer.QueueReply(Reply{{Notification(0x2)}, {Notification(0x100), 50}, {"\x06", 50}});
  EXPECT_EQ(VEK_ERROR_NO_COMMAND_ACK, VEKnet_SendCommand(&sock, "AYMA10;GD;"));
  EXPECT_EQ(0x1u | 0x2u | (1u << 10), gState.netStatusFlags);
}

TEST_F(ExchangeTest, NotificationsInsideAnswersAreFoldedAndRemoved) {
  char answer[128];
  peer.QueueReply(
      "\x06"
      "12" +
      Notification(0x01000000) + "34");
  EXPECT_EQ(VEK_SUCCESS, VEKnet_Query(&sock, "AXRP;", answer, sizeof answer));
  EXPECT_STREQ("1234", answer);
  EXPECT_EQ(kCommandErrorBit, gState.netStatusFlags);

  // Split over two reads, a notification is not recognised: its characters
  // stay in the text and no flag is set.
  gState.netStatusFlags = 0;
  peer.QueueReply(Reply{{"\x06"}, {"%000 00", 40}, {"000001\r\n", 40}});
  EXPECT_EQ(VEK_SUCCESS, VEKnet_Query(&sock, "AXRP;", answer, sizeof answer));
  EXPECT_STREQ("%000 00", answer);
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  EXPECT_EQ(VEK_SUCCESS, VEKnet_SendCommand(&sock, "AXST;"));
  EXPECT_EQ(0u, gState.netStatusFlags);
}

TEST_F(ExchangeTest, ChunksAreTextThatEndsAtTheFirstNul) {
  char answer[128];
  peer.QueueReply(
      std::string("\x06"
                  "AB\0CD",
                  6));
  EXPECT_EQ(VEK_SUCCESS, VEKnet_Query(&sock, "AXRP;", answer, sizeof answer));
  EXPECT_STREQ("AB", answer);
  // An ACK behind a NUL is not part of the reply text.
  peer.QueueReply(std::string("\0\x06", 2));
  EXPECT_EQ(VEK_ERROR_NO_COMMAND_ACK, VEKnet_SendCommand(&sock, "AXST;"));
}

TEST_F(ExchangeTest, FullChunksStayTerminatedAndAnswersAreCut) {
  char answer[300];
  // ACK and 255 characters: one full 256-byte chunk.
  peer.QueueReply("\x06" + std::string(255, 'A'));
  EXPECT_EQ(VEK_SUCCESS, VEKnet_Query(&sock, "Q;", answer, sizeof answer));
  EXPECT_EQ(std::string(255, 'A'), answer);

  // A bare ACK, then a full chunk: the accumulator keeps 255 characters.
  peer.QueueReply(Reply{{"\x06"}, {std::string(256, 'B'), 50}});
  EXPECT_EQ(VEK_SUCCESS, VEKnet_Query(&sock, "Q;", answer, sizeof answer));
  EXPECT_EQ(std::string(255, 'B'), answer);

  // A full chunk with neither ACK nor NAK.
  peer.QueueReply(std::string(256, 'C'));
  EXPECT_EQ(VEK_ERROR_NO_COMMAND_ACK, VEKnet_Query(&sock, "Q;", answer, sizeof answer));
  EXPECT_STREQ("", answer);

  // An answer longer than the caller's buffer: cut, terminated, and nothing
  // written past lLen bytes.
  char small[16];
  std::memset(small, '#', sizeof small);
  peer.QueueReply(
      "\x06"
      "0123456789");
  EXPECT_EQ(VEK_SUCCESS, VEKnet_Query(&sock, "Q;", small, 8));
  EXPECT_STREQ("0123456", small);
  for (int i = 8; i < 16; ++i) EXPECT_EQ('#', small[i]) << i;
}

TEST_F(ExchangeTest, BadArgumentsAreRefusedWithoutSending) {
  char answer[16];
  EXPECT_EQ(VEK_ERROR_INVALID_PARAMETER, VEKnet_SendCommand(nullptr, "AXST;"));
  EXPECT_EQ(VEK_ERROR_INVALID_PARAMETER, VEKnet_SendCommand(&sock, nullptr));
  EXPECT_EQ(VEK_ERROR_INVALID_PARAMETER, VEKnet_Query(nullptr, "AXRP;", answer, sizeof answer));
  EXPECT_EQ(VEK_ERROR_INVALID_PARAMETER, VEKnet_Query(&sock, nullptr, answer, sizeof answer));
  EXPECT_EQ(VEK_ERROR_INVALID_PARAMETER, VEKnet_Query(&sock, "AXRP;", nullptr, 16));
  EXPECT_EQ(VEK_ERROR_INVALID_PARAMETER, VEKnet_Query(&sock, "AXRP;", answer, 0));
  EXPECT_EQ(VEK_ERROR_INVALID_PARAMETER, VEKnet_Query(&sock, "AXRP;", answer, -5));
  // Nothing reached the controller; the connection still works.
  EXPECT_EQ(VEK_SUCCESS, VEKnet_SendCommand(&sock, "AXST;"));
  EXPECT_EQ("AXST;", peer.Received());
}

TEST_F(ExchangeTest, LongCommandIsSentWholeAndOnlyItsTracesAreCut) {
  LogCapture log(kAllTraces);
  ASSERT_TRUE(log.started());
  std::string command(300, 'M');
  command.back() = ';';
  EXPECT_EQ(VEK_SUCCESS, VEKnet_SendCommand(&sock, command.c_str()));
  EXPECT_EQ(command, peer.Received());

  std::string sent = Handle() + " - Sent=";
  int found = 0;
  for (const std::string& line : log.Traces()) {
    if (line.rfind(sent, 0) != 0) continue;
    ++found;
    EXPECT_EQ(255u, line.size());
    EXPECT_EQ(sent + command.substr(0, 255 - sent.size()), line);
  }
  EXPECT_EQ(1, found);
}

TEST_F(ExchangeTest, CallerTextIsNeverAFormat) {
  LogCapture log(kAllTraces);
  ASSERT_TRUE(log.started());
  char answer[128];
  peer.QueueReply(
      "\x06"
      "%s%n%x");
  EXPECT_EQ(VEK_SUCCESS, VEKnet_Query(&sock, "%s%n%d;", answer, sizeof answer));
  EXPECT_STREQ("%s%n%x", answer);
  EXPECT_EQ("%s%n%d;", peer.Received());
  EXPECT_TRUE(log.HasTrace(Handle() + " - VEKnet_Query() pCmd=%s%n%d;  lLen=128"));
  EXPECT_TRUE(log.HasTrace(Handle() + " - Sent=%s%n%d;"));
}

TEST_F(ExchangeTest, TracesOfCommandsAndQueries) {
  LogCapture log(kAllTraces);
  ASSERT_TRUE(log.started());
  char answer[64];
  peer.QueueReply(
      "\x06"
      "7");
  ASSERT_EQ(VEK_SUCCESS, VEKnet_Query(&sock, "AXRP;", answer, sizeof answer));
  peer.QueueReply("\x15");
  ASSERT_EQ(VEK_ERROR_COMMAND_NAK, VEKnet_SendCommand(&sock, "BAD;"));
  peer.QueueReply("OK");
  ASSERT_EQ(VEK_ERROR_NO_COMMAND_ACK, VEKnet_SendCommand(&sock, "HUH;"));

  const std::string h = Handle();
  std::vector<std::string> expected = {
      h + " - VEKnet_Query() pCmd=AXRP;  lLen=64",
      h + " - Sent=AXRP;",
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
  LogCapture log(kAllTraces);
  ASSERT_TRUE(log.started());
  char answer[64];
  peer.QueueReply(Reply{{"\x06"}, CloseConnection(30)});
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
  LogCapture log(kAllTraces);
  ASSERT_TRUE(log.started());
  peer.QueueReply(Reply{});
  uint32_t result = 0;
  double ms = MillisecondsOf([&] { result = VEKnet_SendCommand(&sock, "AXST;"); });
  EXPECT_EQ(VEK_ERROR_ACK_NAK_TIMEOUT, result);
  EXPECT_GE(ms, 2490.0);
  EXPECT_LT(ms, 10000.0);
  EXPECT_TRUE(log.HasTrace(Handle() + " - ReadTCPIP() ACK_NAK_TIMEOUT"));
  EXPECT_TRUE(log.HasTrace(Handle() + " - Error=SendCommand | ACK/NAK err lRetVal:214  buff:"));

  char answer[64];
  std::memset(answer, 'z', sizeof answer);
  peer.QueueReply("\x06");
  ms = MillisecondsOf([&] { result = VEKnet_Query(&sock, "AXRP;", answer, sizeof answer); });
  EXPECT_EQ(VEK_ERROR_SOCKET_RECEIVE_TIMEOUT, result);
  EXPECT_GE(ms, 2490.0);
  EXPECT_LT(ms, 10000.0);
  EXPECT_STREQ("", answer);
  EXPECT_TRUE(log.HasTrace(Handle() + " - ReadTCPIP() VEK_ERROR_SOCKET_RECEIVE_TIMEOUT"));
  EXPECT_EQ(0, VEKnet_GetLastError());
}

// Internal readers used by the waits and the flag getters.
TEST_F(ExchangeTest, ReadTimeoutValuesTellWhatSilenceMeans) {
  char out[kChunkSize];
  EXPECT_EQ(VEK_ERROR_POLL_TIMEOUT, ReadTCPIP(&sock, out, sizeof out, kPollTimeoutUs));
  EXPECT_EQ(VEK_SUCCESS, ReadTCPIP(&sock, out, sizeof out, kDrainTimeoutUs));
  EXPECT_EQ(VEK_SUCCESS, ReadTCPIP(&sock, nullptr, 0, 20000));

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
