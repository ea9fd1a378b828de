// Trace categories, handle choice, formats and bounds of the trace writer.
#include "core/trace.h"

#include <gtest/gtest.h>

#include <string>

#include "core/state.h"
#include "tests/support/log_capture.h"

using vek::test::HandleText;
using vek::test::LogCapture;

namespace {

constexpr int32_t kAll = 0xA70007;

struct Handles {
  uint32_t net = 0;
  uint32_t ser = 0;
};

class Trace : public ::testing::Test {
 protected:
  void SetUp() override {
    vek::gState.netStatusFlags = 0;
    vek::gState.serStatusFlags = 0;
  }
  void TearDown() override {
    vek::gState.netStatusFlags = 0;
    vek::gState.serStatusFlags = 0;
  }
  Handles h;
};

// Writes one trace of every kind and returns how many lines each produced.
struct Written {
  int entry, sent, dump, verbose, error;
};
Written WriteEveryKind(const LogCapture& log, Handles& h) {
  vek::TraceEntry(&h.net, "entry-label");
  vek::TraceSent(&h.net, nullptr, "sent-text");
  vek::TraceStatusFlags(&h.net, nullptr, "dump-label");
  vek::TraceVerbose(&h.net, nullptr, "verbose-text");
  vek::TraceError(&h.net, nullptr, "error-text");
  return {log.CountContaining("entry-label"), log.CountContaining("Sent=sent-text"), log.CountContaining("dump-label"),
          log.CountContaining("verbose-text"), log.CountContaining("error-text")};
}

TEST_F(Trace, EachCategoryFollowsItsPartOfTheMask) {
  struct Case {
    int32_t mask;
    Written expected;
  } cases[] = {
      {1, {1, 0, 0, 0, 1}},
      {2, {0, 1, 0, 0, 1}},
      {4, {0, 0, 1, 0, 1}},
      {8, {0, 0, 0, 0, 1}},  // bit 3 switches nothing but errors (the mask is positive)
      {0xA70000, {0, 0, 0, 1, 1}},
      {kAll, {1, 1, 1, 1, 1}},
      {static_cast<int32_t>(0x80000007u), {1, 1, 1, 0, 0}},  // negative: no error traces
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mask);
    LogCapture log(c.mask);
    ASSERT_TRUE(log.started());
    Written w = WriteEveryKind(log, h);
    EXPECT_EQ(w.entry, c.expected.entry);
    EXPECT_EQ(w.sent, c.expected.sent);
    EXPECT_EQ(w.dump, c.expected.dump);
    EXPECT_EQ(w.verbose, c.expected.verbose);
    EXPECT_EQ(w.error, c.expected.error);
  }
}

TEST_F(Trace, SerialHandleWinsAndNullHandlesSwitchFormat) {
  LogCapture log(kAll);
  ASSERT_TRUE(log.started());
  vek::TraceVerbose(&h.net, &h.ser, "both");
  vek::TraceVerbose(nullptr, nullptr, "none");
  vek::TraceVerbose(nullptr, nullptr, "");
  vek::TraceError(&h.net, &h.ser, "e-both");
  vek::TraceError(&h.net, nullptr, "e-net");
  vek::TraceError(nullptr, nullptr, "e-none");
  vek::TraceError(nullptr, nullptr, "");
  vek::TraceSent(nullptr, &h.ser, "s-ser");
  vek::TraceSent(nullptr, nullptr, "s-none");
  vek::TraceEntry(nullptr, "entry");
  std::vector<std::string> expected = {
      HandleText(&h.ser) + " - both",        "0x0 - none",   HandleText(&h.ser) + " - Error=e-both",
      HandleText(&h.net) + " - Error=e-net", "Error=e-none", "Error=",
      HandleText(&h.ser) + " - Sent=s-ser",  "Sent=s-none",  "NULL - entry"};
  EXPECT_EQ(log.Traces(), expected);
}

TEST_F(Trace, StatusDumpPrintsTheFieldsOfTheChosenWordOrOfBoth) {
  LogCapture log(4);
  ASSERT_TRUE(log.started());
  vek::gState.netStatusFlags = 0x3FF | (5u << 10) | (1u << 30);
  vek::gState.serStatusFlags = (0x3FFu << 20);
  vek::TraceStatusFlags(&h.net, nullptr, "L1");
  vek::TraceStatusFlags(&h.net, &h.ser, "L2");
  vek::TraceStatusFlags(nullptr, nullptr, "L3");
  std::vector<std::string> expected = {
      HandleText(&h.net) + " - L1 - done:0x3FF limit:0x05 slip:0x00 err:0x1",
      HandleText(&h.ser) + " - L2 - done:0x00 limit:0x00 slip:0x3FF err:0x0",
      "L3 - Ethernet: done:0x3FF limit:0x05 slip:0x00 err:0x1  Serial: done:0x00 limit:0x00 slip:0x3FF err:0x0"};
  EXPECT_EQ(log.Traces(), expected);
}

TEST_F(Trace, LongAndHostileTextsAreCutAndNeverFormatted) {
  LogCapture log(kAll);
  ASSERT_TRUE(log.started());
  std::string longText(400, 'x');
  vek::TraceVerbose(&h.net, nullptr, longText.c_str());
  vek::TraceEntryf(nullptr, "VEKnet_Query() pCmd=%s  lLen=%d", longText.c_str(), 7);
  vek::TraceSent(&h.net, nullptr, "%s%n%x");
  std::vector<std::string> traces = log.Traces();
  ASSERT_EQ(traces.size(), 3u);
  EXPECT_EQ(traces[0].size(), 255u);  // a 256-byte trace buffer, terminated
  EXPECT_EQ(traces[0].substr(0, HandleText(&h.net).size() + 3), HandleText(&h.net) + " - ");
  EXPECT_EQ(traces[1].size(), 255u);
  EXPECT_EQ(traces[2], HandleText(&h.net) + " - Sent=%s%n%x");
}

}  // namespace
