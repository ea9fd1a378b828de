// The serial notification filter works on one received line in place; no
// port is involved.
#include <cstring>

#include "tests/serial/serial_fixture.h"

namespace vek::test {
namespace {

class SerialFilterTest : public ::testing::Test {
 protected:
  void SetUp() override { gState.serStatusFlags = 0; }

  // Runs the filter over a copy of `text` in a line-sized buffer.
  std::string Filter(const std::string& text, int expectedResult) {
    char line[kTraceBufferSize] = {};
    std::memcpy(line, text.data(), text.size());
    EXPECT_EQ(FilterSerialStatusFlag(line), expectedResult) << text;
    return line;
  }
};

TEST_F(SerialFilterTest, CutsNotificationsOutAndKeepsTheRestInOrder) {
  EXPECT_EQ(Filter("%000 00000001", 0), "");
  EXPECT_EQ(gState.serStatusFlags, 0x1u);
  EXPECT_EQ(Filter("ab%000 00000004cd", 0), "abcd");
  EXPECT_EQ(gState.serStatusFlags, 0x5u);
  // Back to back: both folded, and a following line feed goes too; flags
  // are only ever added.
  EXPECT_EQ(Filter("%000 81000100%000 00000000\nx", 0), "x");
  EXPECT_EQ(gState.serStatusFlags, 0x7FFFFFFFu);
}

TEST_F(SerialFilterTest, KeepsTextThatIsNotANotification) {
  // Short lines and lines without "%" are not looked at.
  EXPECT_EQ(Filter("%000 0000000", 1), "%000 0000000");
  EXPECT_EQ(Filter("no notification here", 1), "no notification here");
  // Other prefixes, and a prefix too close to the end of the line, stay; the
  // character after a rejected "%" is scanned again, so a notification
  // directly behind one is still found.
  EXPECT_EQ(Filter("50% %001 00000001 %%000 00000002", 0), "50% %001 00000001 %");
  EXPECT_EQ(gState.serStatusFlags, 0x2u);
  EXPECT_EQ(Filter("abcdefghij%000 0001", 0), "abcdefghij%000 0001");
  EXPECT_EQ(gState.serStatusFlags, 0x2u);
}

TEST_F(SerialFilterTest, ProcessFlagTracesTheWordBeforeAndAfter) {
  LogCapture log(kAllTraces);
  ASSERT_TRUE(log.started());
  gState.serStatusFlags = 0x2u;
  gState.netStatusFlags = 0;
  ProcessFlag("%000 01000101");
  std::vector<std::string> expected = {
      "ProcessFlag() - in - done:0x02 limit:0x00 slip:0x00 err:0x0",
      "Status Flag change - Ethernet: done:0x00 limit:0x00 slip:0x00 err:0x0  "
      "Serial: done:0x03 limit:0x01 slip:0x00 err:0x1",
      "ProcessFlag() - out - done:0x03 limit:0x01 slip:0x00 err:0x1",
  };
  EXPECT_EQ(log.Traces(), expected);
}

}  // namespace
}  // namespace vek::test
