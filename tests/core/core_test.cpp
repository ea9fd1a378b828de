// The core: the logger, the version text, the trace writer and notification values.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <regex>
#include <string>
#include <utility>

#include "core/notification.h"
#include "core/state.h"
#include "core/trace.h"
#include "tests/support/log_capture.h"
#include "vekkestra.h"

using vek::gState;
using vek::test::HandleText;
using vek::test::LogCapture;

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class Logger : public ::testing::Test {
 protected:
  void TearDown() override {
    VEK_StopDllLogger();
    std::remove(path_.c_str());
  }
  // A file of each test's own: CTest runs the tests in parallel processes.
  const std::string path_ = vek::test::NewTempPath();
};

// Masks above 16 need all of the verbose group; a refused mask or file stops a running logger.
TEST_F(Logger, RefusedArgumentsAndMasks) {
  for (auto [mask, result] : {std::pair<int32_t, uint32_t>{0, 3}, {17, 3}, {0x30000, 3}, {0xA70011, 0}, {-1, 0}}) {
    EXPECT_EQ(VEK_StartDllLogger(path_.c_str(), mask), result) << "mask " << mask;
    EXPECT_EQ(gState.logPath[0] != '\0', result == VEK_SUCCESS) << "mask " << mask;
    VEK_StopDllLogger();
  }
  EXPECT_EQ(VEK_StopDllLogger(), VEK_ERROR_LOG_FILE);  // none running
  LogCapture log(1);
  ASSERT_TRUE(log.started());
  std::string longest = "/tmp/" + std::string(246, 'p') + ".log";  // 255 characters
  EXPECT_EQ(VEK_StartDllLogger(nullptr, 1), VEK_ERROR_INVALID_PARAMETER);
  EXPECT_EQ(VEK_StartDllLogger("", 1), VEK_ERROR_INVALID_PARAMETER);
  EXPECT_EQ(VEK_StartDllLogger((longest + "x").c_str(), 1), VEK_ERROR_INVALID_PARAMETER);
  EXPECT_EQ(gState.traceMask, 1);
  EXPECT_STREQ(gState.logPath, log.path().c_str());
  EXPECT_EQ(VEK_StartDllLogger(log.path().c_str(), 17), VEK_ERROR_INVALID_PARAMETER);
  EXPECT_EQ(gState.traceMask, 0);
  EXPECT_EQ(VEK_StopDllLogger(), VEK_ERROR_LOG_FILE);
  EXPECT_EQ(VEK_StartDllLogger(longest.c_str(), 1), VEK_SUCCESS);
  EXPECT_STREQ(gState.logPath, longest.c_str());
  EXPECT_EQ(VEK_StartDllLogger("/nonexistent-dir/x.log", 1), VEK_ERROR_LOG_FILE);
  EXPECT_EQ(gState.traceMask, 0);
  EXPECT_EQ(gState.logPath[0], '\0');
  std::remove(longest.c_str());
}

TEST_F(Logger, WritesTheBannersAndTruncatesOrAppends) {
  { std::ofstream(path_) << "old content\n"; }
  ASSERT_EQ(VEK_StartDllLogger(path_.c_str(), 1), VEK_SUCCESS);
  std::regex banner(
      R"(<\*> VekKestra DLL Logger <\*>\nDll version: VekKestra DLL v1\.03\.02 - ethernet v1\.03\.01 - )"
      R"(serial v1\.03\.01\nLogger Start: \d{1,2}:\d{1,2}:\d{1,2}\.\d{1,3}  )"
      R"((Sunday|Monday|Tuesday|Wednesday|Thursday|Friday|Saturday) \d{4}-(January|February|March|April|May|)"
      R"(June|July|August|September|October|November|December)-\d{1,2}\n\n)");
  std::string text = ReadFile(path_);
  EXPECT_TRUE(std::regex_match(text, banner)) << text;
  ASSERT_EQ(VEK_StopDllLogger(), VEK_SUCCESS);
  EXPECT_TRUE(std::regex_search(
      ReadFile(path_), std::regex(R"(\n\nLogger Stop: \d{1,2}:\d{1,2}:\d{1,2}\.\d{1,3}  \w+ \d{4}-\w+-\d{1,2}\n$)")));
  // Bit 4 appends.
  ASSERT_EQ(VEK_StartDllLogger(path_.c_str(), 16), VEK_SUCCESS);
  std::string appended = ReadFile(path_);
  EXPECT_EQ(appended.find("<*> VekKestra DLL Logger <*>\nDll"), 0u);
  EXPECT_NE(appended.find("Logger Stop:"), std::string::npos);
}

TEST_F(Logger, MarkerRules) {
  EXPECT_EQ(VEK_DllLoggerLineMarker(nullptr), VEK_ERROR_INVALID_PARAMETER);
  EXPECT_EQ(VEK_DllLoggerLineMarker("no logger"), VEK_ERROR_LOG_FILE);
  LogCapture log(-1);  // a negative mask: no traces at all except the marker
  ASSERT_TRUE(log.started());
  std::string exact(256, 'm');
  EXPECT_EQ(VEK_DllLoggerLineMarker("--- %s%n marker ---"), VEK_SUCCESS);
  EXPECT_EQ(VEK_DllLoggerLineMarker(exact.c_str()), VEK_SUCCESS);
  EXPECT_EQ(VEK_DllLoggerLineMarker((exact + "m").c_str()), VEK_ERROR_INVALID_PARAMETER);
  std::string text = ReadFile(log.path());
  EXPECT_EQ(text.substr(text.size() - 277), "--- %s%n marker ---\n" + exact + "\n");  // never taken as a format
}

TEST(Version, CopiesAtMostSizeMinusOneCharactersAndNeverTouchesTheLastByte) {
  LogCapture log(1);
  ASSERT_TRUE(log.started());
  const std::string version = "VekKestra DLL v1.03.02 - ethernet v1.03.01 - serial v1.03.01";
  char buffer[80];
  for (uint32_t size : {80u, 10u, 1u}) {
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(VEK_GetDLLVersion(buffer, size), buffer);
    EXPECT_EQ(std::string(buffer, size), (version + std::string(80, '\0')).substr(0, size - 1) + "#") << size;
  }
  EXPECT_EQ(VEK_GetDLLVersion(nullptr, 10), nullptr);
  EXPECT_EQ(log.CountContaining("NULL - VEK_GetDLLVersion()"), 4);
}

uint32_t net = 0;
uint32_t ser = 0;

TEST(Trace, EachCategoryFollowsItsPartOfTheMask) {
  // Lines written by an entry, sent, flag-dump, verbose and error trace;
  // bit 3 switches nothing but errors, and a negative mask no errors.
  struct Case {
    int32_t mask;
    std::array<int, 5> lines;
  } cases[] = {
      {1, {1, 0, 0, 0, 1}}, {2, {0, 1, 0, 0, 1}},        {4, {0, 0, 1, 0, 1}},
      {8, {0, 0, 0, 0, 1}}, {0xA70000, {0, 0, 0, 1, 1}}, {static_cast<int32_t>(0x80000007u), {1, 1, 1, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mask);
    LogCapture log(c.mask);
    ASSERT_TRUE(log.started());
    vek::TraceEntry(&net, "entry-label");
    vek::TraceSent(&net, "sent-text");
    vek::TraceStatusWord(&net, "dump-label", 0);
    vek::TraceVerbose(&net, "verbose-text");
    vek::TraceError(&net, "error-text");
    std::array<int, 5> lines = {log.CountContaining("entry-label"), log.CountContaining("Sent=sent-text"),
                                log.CountContaining("dump-label"), log.CountContaining("verbose-text"),
                                log.CountContaining("error-text")};
    EXPECT_EQ(lines, c.lines);
  }
}

TEST(Trace, FormatsWithAndWithoutAHandleAndBounds) {
  LogCapture log(vek::test::kAllTraces);
  ASSERT_TRUE(log.started());
  vek::TraceVerbose(&ser, "verbose");
  vek::TraceVerbose(nullptr, "no handle");
  vek::TraceError(&net, "e-net");
  vek::TraceError(nullptr, "");
  vek::TraceSent(&ser, "s-ser");
  vek::TraceSent(nullptr, "s-none");
  vek::TraceStatusWord(&ser, "L1", 0x5u | (0x3FFu << 10));
  gState.netStatusFlags = 0x3FF | (5u << 10) | (1u << 30);
  gState.serStatusFlags = (0x3FFu << 20);
  vek::TraceStatusWords("L3");
  gState.netStatusFlags = gState.serStatusFlags = 0;
  std::string longText(400, 'x');
  vek::TraceVerbose(&net, longText.c_str());
  vek::TraceEntryf(nullptr, "VEKnet_Query() pCmd=%s  lLen=%d", longText.c_str(), 7);
  std::vector<std::string> expected = {
      HandleText(&ser) + " - verbose",
      "0x0 - no handle",
      HandleText(&net) + " - Error=e-net",
      "Error=",
      HandleText(&ser) + " - Sent=s-ser",
      "Sent=s-none",
      HandleText(&ser) + " - L1 - done:0x05 limit:0x3FF slip:0x00 err:0x0",
      "L3 - Ethernet: done:0x3FF limit:0x05 slip:0x00 err:0x1  Serial: done:0x00 limit:0x00 slip:0x3FF err:0x0",
      HandleText(&net) + " - " + longText.substr(0, 255 - HandleText(&net).size() - 3),
      "NULL - VEKnet_Query() pCmd=" + longText.substr(0, 255 - 27)};
  EXPECT_EQ(log.Traces(), expected);
}

TEST(NotificationValue, ParsesLikeHexStrtolSaturatedAndMapsEachByteOntoItsGroup) {
  for (auto [text, value] : {std::pair{"0000001F", 0x1F},
                             {"0000a0B0", 0xA0B0},
                             {"80000000", 0x7FFFFFFF},
                             {"0001x234", 0x1},
                             {" 0x00010", 0x10}})
    EXPECT_EQ(vek::ParseNotificationValue(text), value) << text;
  struct Case {
    uint32_t n, flags;
  } cases[] = {{0x0000001F, 0x1F},    {0x00000100, 1u << 10}, {0x00FF0000, 0xFFu << 20}, {0x01000000, 1u << 30},
               {0x06000000, 3u << 8}, {0x18000000, 3u << 18}, {0x60000000, 3u << 28},    {0x80000001u, 1}};
  for (const auto& c : cases)  // bit 31 is ignored
    EXPECT_EQ(vek::MapNotificationValue(static_cast<int32_t>(c.n)), c.flags) << std::hex << c.n;
}

}  // namespace
