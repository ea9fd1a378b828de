// Trace categories, handle choice, formats and bounds of the trace writer.
#include "core/trace.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "core/state.h"
#include "tests/support/log_capture.h"

using vek::test::HandleText;
using vek::test::LogCapture;

namespace {

constexpr int32_t kAll = 0xA70007;
uint32_t net = 0;
uint32_t ser = 0;

TEST(Trace, EachCategoryFollowsItsPartOfTheMask) {
  // Lines written by an entry, sent, flag-dump, verbose and error trace.
  struct Case {
    int32_t mask;
    std::array<int, 5> lines;
  } cases[] = {
      {1, {1, 0, 0, 0, 1}},        {2, {0, 1, 0, 0, 1}},
      {4, {0, 0, 1, 0, 1}},        {8, {0, 0, 0, 0, 1}},  // bit 3 switches nothing but errors (the mask is positive)
      {0xA70000, {0, 0, 0, 1, 1}}, {static_cast<int32_t>(0x80000007u), {1, 1, 1, 0, 0}},  // negative: no errors
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mask);
    LogCapture log(c.mask);
    ASSERT_TRUE(log.started());
    vek::TraceEntry(&net, "entry-label");
    vek::TraceSent(&net, nullptr, "sent-text");
    vek::TraceStatusFlags(&net, nullptr, "dump-label");
    vek::TraceVerbose(&net, nullptr, "verbose-text");
    vek::TraceError(&net, nullptr, "error-text");
    std::array<int, 5> lines = {log.CountContaining("entry-label"), log.CountContaining("Sent=sent-text"),
                                log.CountContaining("dump-label"), log.CountContaining("verbose-text"),
                                log.CountContaining("error-text")};
    EXPECT_EQ(lines, c.lines);
  }
}

TEST(Trace, SerialHandleWinsAndNullHandlesSwitchFormat) {
  LogCapture log(kAll);
  ASSERT_TRUE(log.started());
  vek::TraceVerbose(&net, &ser, "both");
  vek::TraceVerbose(nullptr, nullptr, "none");
  vek::TraceVerbose(nullptr, nullptr, "");
  vek::TraceError(&net, &ser, "e-both");
  vek::TraceError(&net, nullptr, "e-net");
  vek::TraceError(nullptr, nullptr, "e-none");
  vek::TraceError(nullptr, nullptr, "");
  vek::TraceSent(nullptr, &ser, "s-ser");
  vek::TraceSent(nullptr, nullptr, "s-none");
  vek::TraceEntry(nullptr, "entry");
  std::vector<std::string> expected = {
      HandleText(&ser) + " - both",        "0x0 - none",   HandleText(&ser) + " - Error=e-both",
      HandleText(&net) + " - Error=e-net", "Error=e-none", "Error=",
      HandleText(&ser) + " - Sent=s-ser",  "Sent=s-none",  "NULL - entry"};
  EXPECT_EQ(log.Traces(), expected);
}

TEST(Trace, StatusDumpPrintsTheFieldsOfTheChosenWordOrOfBoth) {
  LogCapture log(4);
  ASSERT_TRUE(log.started());
  vek::gState.netStatusFlags = 0x3FF | (5u << 10) | (1u << 30);
  vek::gState.serStatusFlags = (0x3FFu << 20);
  vek::TraceStatusFlags(&net, nullptr, "L1");
  vek::TraceStatusFlags(&net, &ser, "L2");
  vek::TraceStatusFlags(nullptr, nullptr, "L3");
  vek::gState.netStatusFlags = vek::gState.serStatusFlags = 0;
  std::vector<std::string> expected = {
      HandleText(&net) + " - L1 - done:0x3FF limit:0x05 slip:0x00 err:0x1",
      HandleText(&ser) + " - L2 - done:0x00 limit:0x00 slip:0x3FF err:0x0",
      "L3 - Ethernet: done:0x3FF limit:0x05 slip:0x00 err:0x1  Serial: done:0x00 limit:0x00 slip:0x3FF err:0x0"};
  EXPECT_EQ(log.Traces(), expected);
}

TEST(Trace, LongAndHostileTextsAreCutAndNeverFormatted) {
  LogCapture log(kAll);
  ASSERT_TRUE(log.started());
  std::string longText(400, 'x');
  vek::TraceVerbose(&net, nullptr, longText.c_str());
  vek::TraceEntryf(nullptr, "VEKnet_Query() pCmd=%s  lLen=%d", longText.c_str(), 7);
  vek::TraceSent(&net, nullptr, "%s%n%x");
  std::vector<std::string> traces = log.Traces();
  ASSERT_EQ(traces.size(), 3u);
  // A 256-byte trace buffer, terminated.
  EXPECT_EQ(traces[0], HandleText(&net) + " - " + longText.substr(0, 255 - HandleText(&net).size() - 3));
  EXPECT_EQ(traces[1], "NULL - VEKnet_Query() pCmd=" + longText.substr(0, 255 - 27));
  EXPECT_EQ(traces[2], HandleText(&net) + " - Sent=%s%n%x");
}

}  // namespace
