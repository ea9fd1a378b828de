// The logger's start, stop and marker rules, the banners and the version text.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <regex>
#include <string>

#include "core/state.h"
#include "tests/support/log_capture.h"
#include "vekkestra.h"

using vek::test::LogCapture;

namespace {

std::string TempPath(const char* name) { return std::string("/tmp/vek-core-") + name; }

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class Logger : public ::testing::Test {
 protected:
  void TearDown() override { VEK_StopDllLogger(); }
};

TEST_F(Logger, AcceptsAndRefusesMasksByTheirCategoryRules) {
  struct Case {
    int32_t mask;
    uint32_t result;
  } cases[] = {
      {0, VEK_ERROR_INVALID_PARAMETER},
      {1, VEK_SUCCESS},
      {8, VEK_SUCCESS},
      {16, VEK_SUCCESS},
      {17, VEK_ERROR_INVALID_PARAMETER},  // entry traces plus append, without the verbose group
      {0x30000, VEK_ERROR_INVALID_PARAMETER},
      {0xA70000, VEK_SUCCESS},
      {0xA70011, VEK_SUCCESS},
      {-1, VEK_SUCCESS},
      {static_cast<int32_t>(0x80000000u), VEK_SUCCESS},
  };
  std::string path = TempPath("masks.log");
  for (const Case& c : cases) {
    EXPECT_EQ(VEK_StartDllLogger(path.c_str(), c.mask), c.result) << "mask " << c.mask;
    bool on = vek::gState.logPath[0] != '\0';
    EXPECT_EQ(on, c.result == VEK_SUCCESS) << "mask " << c.mask;
    VEK_StopDllLogger();
  }
  std::remove(path.c_str());
}

TEST_F(Logger, RefusedMaskAboveSixteenSwitchesARunningLoggerOff) {
  LogCapture log(1);
  ASSERT_TRUE(log.started());
  EXPECT_EQ(VEK_StartDllLogger(log.path().c_str(), 17), VEK_ERROR_INVALID_PARAMETER);
  EXPECT_EQ(vek::gState.traceMask, 0);
  EXPECT_EQ(VEK_StopDllLogger(), VEK_ERROR_LOG_FILE);
}

TEST_F(Logger, BadPathsLeaveARunningLoggerAsItWas) {
  LogCapture log(1);
  ASSERT_TRUE(log.started());
  std::string longPath(256, 'a');
  EXPECT_EQ(VEK_StartDllLogger(nullptr, 1), VEK_ERROR_INVALID_PARAMETER);
  EXPECT_EQ(VEK_StartDllLogger("", 1), VEK_ERROR_INVALID_PARAMETER);
  EXPECT_EQ(VEK_StartDllLogger(longPath.c_str(), 1), VEK_ERROR_INVALID_PARAMETER);
  EXPECT_EQ(VEK_StartDllLogger(log.path().c_str(), 0), VEK_ERROR_INVALID_PARAMETER);
  EXPECT_EQ(vek::gState.traceMask, 1);
  EXPECT_STREQ(vek::gState.logPath, log.path().c_str());
}

TEST_F(Logger, PathOf255CharactersIsAcceptedAnd256Refused) {
  std::string path = "/tmp/";
  path += std::string(255 - path.size() - 4, 'p') + ".log";
  ASSERT_EQ(path.size(), 255u);
  EXPECT_EQ(VEK_StartDllLogger(path.c_str(), 1), VEK_SUCCESS);
  EXPECT_STREQ(vek::gState.logPath, path.c_str());
  EXPECT_EQ(VEK_StopDllLogger(), VEK_SUCCESS);
  std::remove(path.c_str());
  EXPECT_EQ(VEK_StartDllLogger((path + "x").c_str(), 1), VEK_ERROR_INVALID_PARAMETER);
}

TEST_F(Logger, UnwritableDirectoryGivesLogFileErrorAndLeavesLoggingOff) {
  LogCapture log(1);
  ASSERT_TRUE(log.started());
  EXPECT_EQ(VEK_StartDllLogger("/nonexistent-dir/x.log", 1), VEK_ERROR_LOG_FILE);
  EXPECT_EQ(vek::gState.traceMask, 0);
  EXPECT_EQ(vek::gState.logPath[0], '\0');
}

TEST_F(Logger, WritesTheStartBannerAndTruncatesOrAppends) {
  std::string path = TempPath("banner.log");
  { std::ofstream(path) << "old content\n"; }
  ASSERT_EQ(VEK_StartDllLogger(path.c_str(), 1), VEK_SUCCESS);
  std::string text = ReadFile(path);
  EXPECT_EQ(text.find("old content"), std::string::npos);
  std::regex banner(
      "<\\*> VekKestra DLL Logger <\\*>\n"
      "Dll version: VekKestra DLL v1\\.03\\.02 - ethernet v1\\.03\\.01 - serial v1\\.03\\.01\n"
      "Logger Start: \\d{1,2}:\\d{1,2}:\\d{1,2}\\.\\d{1,3}  "
      "(Sunday|Monday|Tuesday|Wednesday|Thursday|Friday|Saturday) \\d{4}-"
      "(January|February|March|April|May|June|July|August|September|October|November|December)-\\d{1,2}\n\n");
  EXPECT_TRUE(std::regex_match(text, banner)) << text;

  ASSERT_EQ(VEK_StopDllLogger(), VEK_SUCCESS);
  EXPECT_TRUE(
      std::regex_search(ReadFile(path), std::regex("\n\nLogger Stop: \\d{1,2}:\\d{1,2}:\\d{1,2}\\.\\d{1,3}  \\w+ "
                                                   "\\d{4}-\\w+-\\d{1,2}\n$")));

  // Bit 4 appends: the first banner and its stop line stay.
  ASSERT_EQ(VEK_StartDllLogger(path.c_str(), 16), VEK_SUCCESS);
  std::string appended = ReadFile(path);
  EXPECT_EQ(appended.find("<*> VekKestra DLL Logger <*>"), 0u);
  EXPECT_NE(appended.find("Logger Stop:"), std::string::npos);
  EXPECT_NE(appended.rfind("<*> VekKestra DLL Logger <*>"), 0u);
  std::remove(path.c_str());
}

TEST_F(Logger, StopWithoutALoggerReportsLogFile) { EXPECT_EQ(VEK_StopDllLogger(), VEK_ERROR_LOG_FILE); }

TEST_F(Logger, MarkerRules) {
  EXPECT_EQ(VEK_DllLoggerLineMarker(nullptr), VEK_ERROR_INVALID_PARAMETER);
  EXPECT_EQ(VEK_DllLoggerLineMarker("no logger"), VEK_ERROR_LOG_FILE);

  LogCapture log(-1);  // a negative mask: no traces at all except the marker
  ASSERT_TRUE(log.started());
  std::string exact(256, 'm');
  std::string over(257, 'm');
  EXPECT_EQ(VEK_DllLoggerLineMarker("--- %s%n marker ---"), VEK_SUCCESS);
  EXPECT_EQ(VEK_DllLoggerLineMarker(exact.c_str()), VEK_SUCCESS);
  EXPECT_EQ(VEK_DllLoggerLineMarker(over.c_str()), VEK_ERROR_INVALID_PARAMETER);
  std::vector<std::string> lines = log.RawLines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[lines.size() - 2], "--- %s%n marker ---");  // never taken as a format
  EXPECT_EQ(lines.back(), exact);
}

TEST(Version, CopiesAtMostSizeMinusOneCharactersAndNeverTouchesTheLastByte) {
  const std::string version = "VekKestra DLL v1.03.02 - ethernet v1.03.01 - serial v1.03.01";
  char buffer[80];
  for (uint32_t size : {80u, 62u, 61u, 10u, 1u}) {
    SCOPED_TRACE(size);
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(VEK_GetDLLVersion(buffer, size), buffer);
    std::size_t copied = std::min<std::size_t>(size - 1, version.size());
    EXPECT_EQ(std::string(buffer, copied), version.substr(0, copied)) << size;
    for (uint32_t i = copied; i + 1 < size; ++i) EXPECT_EQ(buffer[i], '\0') << size << " byte " << i;
    EXPECT_EQ(buffer[size - 1], '#') << size;
  }
  EXPECT_EQ(VEK_GetDLLVersion(nullptr, 10), nullptr);
}

TEST(Version, WritesItsEntryTrace) {
  LogCapture log(1);
  ASSERT_TRUE(log.started());
  char buffer[64];
  VEK_GetDLLVersion(buffer, sizeof buffer);
  EXPECT_TRUE(log.HasTrace("NULL - VEK_GetDLLVersion()"));
}

}  // namespace
