// The serial notification filter works on one received line in place; no
// port is involved.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/state.h"
#include "serial/serial.h"
#include "tests/serial/serial_fixture.h"
#include "tests/support/log_capture.h"

namespace vek::test {
namespace {

class SerialFilterTest : public ::testing::Test {
 protected:
  void SetUp() override { gState.serStatusFlags = 0; }

  // Runs the filter over a copy of `text` in a line-sized buffer.
  std::string Filter(const std::string& text, int* result = nullptr) {
    char line[kTraceBufferSize] = {};
    std::memcpy(line, text.data(), text.size());
    int r = FilterSerialStatusFlag(line);
    if (result != nullptr) *result = r;
    return line;
  }
};

TEST_F(SerialFilterTest, CutsNotificationsOutAndKeepsTheRestInOrder) {
  int result = -1;
  EXPECT_EQ(Filter("%000 00000001", &result), "");
  EXPECT_EQ(result, 0);
  EXPECT_EQ(gState.serStatusFlags, 0x1u);

  EXPECT_EQ(Filter("ab%000 00000004cd"), "abcd");
  EXPECT_EQ(gState.serStatusFlags, 0x5u);

  // Back to back: both folded, in order, and a following line feed goes too.
  EXPECT_EQ(Filter("%000 00000100%000 00010000\nx"), "x");
  EXPECT_EQ(gState.serStatusFlags, 0x5u | (1u << 10) | (1u << 20));
}

TEST_F(SerialFilterTest, LeavesShortLinesAndLinesWithoutPercentAlone) {
  int result = -1;
  EXPECT_EQ(Filter("%000 0000000", &result), "%000 0000000");  // 12 characters
  EXPECT_EQ(result, 1);
  EXPECT_EQ(Filter("no notification here", &result), "no notification here");
  EXPECT_EQ(result, 1);
  EXPECT_EQ(gState.serStatusFlags, 0u);
}

TEST_F(SerialFilterTest, KeepsPercentTextThatIsNotANotification) {
  int result = -1;
  // Other prefixes, and a prefix too close to the end of the line, stay; the
  // character after a rejected "%" is scanned again, so a notification
  // directly behind one is still found.
  EXPECT_EQ(Filter("50% %001 00000001 %%000 00000002", &result), "50% %001 00000001 %");
  EXPECT_EQ(result, 0);
  EXPECT_EQ(gState.serStatusFlags, 0x2u);
  EXPECT_EQ(Filter("abcdefghij%000 0001"), "abcdefghij%000 0001");
  EXPECT_EQ(gState.serStatusFlags, 0x2u);
}

TEST_F(SerialFilterTest, ReadsValuesAsHexadecimalAndMapsEveryGroup) {
  struct Case {
    const char* digits;
    uint32_t flags;
  } cases[] = {
      {"0000001F", 0x1Fu},             // done X..U
      {"00000300", 0x3u << 10},        // limit X, Y
      {"00800000", 1u << 27},          // slip S
      {"01000000", kCommandErrorBit},  // command error
      {"06000000", 0x3u << 8},         // done W, K
      {"18000000", 0x3u << 18},        // limit W, K
      {"60000000", 0x3u << 28},        // slip W, K
      {"80000000", 0x7FFFFFFFu},       // saturates: bits 0-30
      {"0000zz01", 0u},                // stops at the first non-digit
      {"000001zz", 0x1u},              // the digits before it count
  };
  for (const Case& c : cases) {
    gState.serStatusFlags = 0;
    EXPECT_EQ(Filter(std::string("%000 ") + c.digits), "") << c.digits;
    EXPECT_EQ(gState.serStatusFlags, c.flags) << c.digits;
  }
}

TEST_F(SerialFilterTest, NotificationsOnlySetBits) {
  gState.serStatusFlags = 0x3FFu << 10;
  Filter("%000 00000001");
  EXPECT_EQ(gState.serStatusFlags, (0x3FFu << 10) | 1u);
  Filter("%000 00000000");
  EXPECT_EQ(gState.serStatusFlags, (0x3FFu << 10) | 1u);
}

TEST_F(SerialFilterTest, ProcessFlagTracesTheWordBeforeAndAfter) {
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

}  // namespace
}  // namespace vek::test
