// The notification filter and the ACK/NAK strip, without any socket.
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

  // Back to back, and with text around and between them; flags only add up.
  EXPECT_EQ(kFilterMixed, Filter(Ack("a") + Notification(0x100) + "b" + Notification(0x0) + Notification(0x20) + "c"));
  EXPECT_EQ(Ack("abc"), chunk);
  EXPECT_EQ(0x3Fu | (1u << 10), gState.netStatusFlags);

  // The two characters after the digits are dropped whatever they are.
  gState.netStatusFlags = 0;
  EXPECT_EQ(kFilterOnlyNotifications, Filter(Notification(0x8, "%0")));
  EXPECT_EQ(0x8u, gState.netStatusFlags);
}

TEST_F(FilterTest, PercentThatStartsNoNotificationIsOrdinaryText) {
  for (const char* text : {"100%", "%001 00000001\r\n", "%000 0000000", "x%000 00000001\r", ""}) {
    SCOPED_TRACE(text);
    EXPECT_EQ(kFilterNoNotification, Filter(text));
    EXPECT_STREQ(text, chunk);
  }
  EXPECT_EQ(0u, gState.netStatusFlags);
}

TEST_F(FilterTest, FullChunkStaysTerminated) {
  std::string full(kChunkSize, 'Q');
  EXPECT_EQ(kFilterNoNotification, Filter(full));
  EXPECT_EQ(full, std::string(chunk));

  // A notification at the very end of a full chunk still counts.
  EXPECT_EQ(kFilterMixed, Filter(std::string(kChunkSize - 15, 'R') + Notification(0x2)));
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
  char text[12] = "\x06k\x15m\x06\x06n";
  StripAckNak(text, 7);
  EXPECT_STREQ("kmn", text);
  for (int i = 3; i < 7; ++i) EXPECT_EQ('\0', text[i]) << i;
}

}  // namespace
}  // namespace vek::test
