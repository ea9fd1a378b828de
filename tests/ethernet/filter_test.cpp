// The notification filter and the ACK/NAK helpers, without any socket.
#include <cstring>

#include "ethernet/ethernet.h"
#include "tests/ethernet/ethernet_fixture.h"

namespace vek::test {
namespace {

class FilterTest : public ::testing::Test {
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

TEST_F(FilterTest, NotificationsAreRemovedAndFolded) {
  EXPECT_EQ(kFilterOnlyNotifications, Filter(Notification(0x1F)));
  EXPECT_STREQ("", chunk);
  EXPECT_EQ(0x1Fu, gState.netStatusFlags);

  EXPECT_EQ(kFilterMixed, Filter("\x06" + Notification(0x100) + "answer"));
  EXPECT_STREQ(
      "\x06"
      "answer",
      chunk);
  EXPECT_EQ(0x1Fu | (1u << 10), gState.netStatusFlags);

  // Back to back, and with text around and between them.
  gState.netStatusFlags = 0;
  EXPECT_EQ(kFilterMixed, Filter("a" + Notification(0x1) + "b" + Notification(0x2) + Notification(0x4) + "c"));
  EXPECT_STREQ("abc", chunk);
  EXPECT_EQ(0x7u, gState.netStatusFlags);

  // The two characters after the digits are dropped whatever they are.
  gState.netStatusFlags = 0;
  EXPECT_EQ(kFilterOnlyNotifications, Filter(Notification(0x8, "%0")));
  EXPECT_EQ(0x8u, gState.netStatusFlags);
}

TEST_F(FilterTest, ValueMapsOntoTheTenAxisGroups) {
  struct Case {
    const char* digits;
    uint32_t flags;
  } cases[] = {
      {"00000001", 1u << 0},
      {"00000080", 1u << 7},
      {"00000100", 1u << 10},
      {"00008000", 1u << 17},
      {"00010000", 1u << 20},
      {"00800000", 1u << 27},
      {"01000000", 1u << 30},
      {"02000000", 1u << 8},
      {"04000000", 1u << 9},
      {"08000000", 1u << 18},
      {"10000000", 1u << 19},
      {"20000000", 1u << 28},
      {"40000000", 1u << 29},
      // A first digit of 8 or more saturates: every flag from bit 0 to 30.
      {"80000000", 0x7FFFFFFFu},
      {"FFFFFFFF", 0x7FFFFFFFu},
      // Reading stops at the first character that is not a hex digit.
      {"1G000000", 1u << 0},
      {"G0000001", 0u},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.digits);
    gState.netStatusFlags = 0;
    EXPECT_EQ(kFilterOnlyNotifications, Filter(std::string("%000 ") + c.digits + "\r\n"));
    EXPECT_EQ(c.flags, gState.netStatusFlags);
  }
}

TEST_F(FilterTest, NotificationsNeverClearFlags) {
  gState.netStatusFlags = 0x3FF;
  EXPECT_EQ(kFilterOnlyNotifications, Filter(Notification(0x0)));
  EXPECT_EQ(0x3FFu, gState.netStatusFlags);
}

TEST_F(FilterTest, PercentThatStartsNoNotificationIsOrdinaryText) {
  const char* texts[] = {
      "100%",
      "a%bc",
      "%001 00000001\r\n",  // wrong prefix
      "%000 0000000",       // cut short: 12 characters
      "x%000 00000001\r",   // 15 from "x" but only 14 from "%"
  };
  for (const char* text : texts) {
    SCOPED_TRACE(text);
    EXPECT_EQ(kFilterNoNotification, Filter(text));
    EXPECT_STREQ(text, chunk);
  }
  EXPECT_EQ(0u, gState.netStatusFlags);
  EXPECT_EQ(kFilterNoNotification, Filter(""));
  EXPECT_STREQ("", chunk);
}

TEST_F(FilterTest, FullChunkStaysTerminated) {
  std::string full(kChunkSize, 'Q');
  EXPECT_EQ(kFilterNoNotification, Filter(full));
  EXPECT_EQ(full, std::string(chunk));

  // A notification at the very end of a full chunk still counts.
  std::string text = std::string(kChunkSize - 15, 'R') + Notification(0x2);
  EXPECT_EQ(kFilterMixed, Filter(text));
  EXPECT_EQ(std::string(kChunkSize - 15, 'R'), std::string(chunk));
  EXPECT_EQ(0x2u, gState.netStatusFlags);
}

TEST_F(FilterTest, TracesTheFlagsAroundEachNotification) {
  LogCapture log(kAllTraces);
  ASSERT_TRUE(log.started());
  gState.serStatusFlags = 0;
  Filter(Notification(0x01000101));
  std::vector<std::string> expected = {
      "FilterForStatusFlag2() - in - done:0x00 limit:0x00 slip:0x00 err:0x0",
      "Status Flag change - Ethernet: done:0x01 limit:0x01 slip:0x00 err:0x1  Serial: done:0x00 limit:0x00 "
      "slip:0x00 err:0x0",
      "FilterForStatusFlag2() - out - done:0x01 limit:0x01 slip:0x00 err:0x1",
  };
  EXPECT_EQ(expected, log.Traces());
}

TEST(AckNakTest, StripRemovesBothBytesAndZeroFills) {
  char text[12] =
      "\x06"
      "A\x15"
      "B\x06\x06"
      "C";
  StripAckNak(text, 7);
  EXPECT_STREQ("ABC", text);
  for (int i = 3; i < 7; ++i) EXPECT_EQ('\0', text[i]) << i;

  char untouched[4] = "\x06z";
  StripAckNak(untouched, 0);
  EXPECT_STREQ("\x06z", untouched);
}

}  // namespace
}  // namespace vek::test
