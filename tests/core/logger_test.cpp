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

using vek::gState;
using vek::test::LogCapture;

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class Logger : public ::testing::Test {
 protected:
  void TearDown() override { VEK_StopDllLogger(); }
  const std::string path_ = "/tmp/vek-core-logger.log";
};

TEST_F(Logger, AcceptsAndRefusesMasksByTheirCategoryRules) {
  struct Case {
    int32_t mask;
    uint32_t result;
  } cases[] = {{0, VEK_ERROR_INVALID_PARAMETER},       {16, VEK_SUCCESS},       {17, VEK_ERROR_INVALID_PARAMETER},
               {0x30000, VEK_ERROR_INVALID_PARAMETER}, {0xA70011, VEK_SUCCESS}, {-1, VEK_SUCCESS}};
  for (const Case& c : cases) {
    EXPECT_EQ(VEK_StartDllLogger(path_.c_str(), c.mask), c.result) << "mask " << c.mask;
    EXPECT_EQ(gState.logPath[0] != '\0', c.result == VEK_SUCCESS) << "mask " << c.mask;
    VEK_StopDllLogger();
  }
  std::remove(path_.c_str());
}

TEST_F(Logger, BadArgumentsLeaveARunningLoggerAsItWas) {
  LogCapture log(1);
  ASSERT_TRUE(log.started());
  std::string longest = "/tmp/" + std::string(246, 'p') + ".log";  // 255 characters
  EXPECT_EQ(VEK_StartDllLogger(nullptr, 1), VEK_ERROR_INVALID_PARAMETER);
  EXPECT_EQ(VEK_StartDllLogger("", 1), VEK_ERROR_INVALID_PARAMETER);
  EXPECT_EQ(VEK_StartDllLogger((longest + "x").c_str(), 1), VEK_ERROR_INVALID_PARAMETER);
  EXPECT_EQ(VEK_StartDllLogger(log.path().c_str(), 0), VEK_ERROR_INVALID_PARAMETER);
  EXPECT_EQ(gState.traceMask, 1);
  EXPECT_STREQ(gState.logPath, log.path().c_str());

  EXPECT_EQ(VEK_StartDllLogger(longest.c_str(), 1), VEK_SUCCESS);
  EXPECT_STREQ(gState.logPath, longest.c_str());
  EXPECT_EQ(VEK_StopDllLogger(), VEK_SUCCESS);
  std::remove(longest.c_str());
}

TEST_F(Logger, RefusedMaskOrUnwritablePathSwitchesARunningLoggerOff) {
  EXPECT_EQ(VEK_StopDllLogger(), VEK_ERROR_LOG_FILE);  // none running
  LogCapture log(1);
  ASSERT_TRUE(log.started());
  EXPECT_EQ(VEK_StartDllLogger(log.path().c_str(), 17), VEK_ERROR_INVALID_PARAMETER);
  EXPECT_EQ(gState.traceMask, 0);
  EXPECT_EQ(VEK_StopDllLogger(), VEK_ERROR_LOG_FILE);

  ASSERT_EQ(VEK_StartDllLogger(log.path().c_str(), 1), VEK_SUCCESS);
  EXPECT_EQ(VEK_StartDllLogger("/nonexistent-dir/x.log", 1), VEK_ERROR_LOG_FILE);
  EXPECT_EQ(gState.traceMask, 0);
  EXPECT_EQ(gState.logPath[0], '\0');
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

  // Bit 4 appends: the first banner and its stop line stay.
  ASSERT_EQ(VEK_StartDllLogger(path_.c_str(), 16), VEK_SUCCESS);
  std::string appended = ReadFile(path_);
  EXPECT_EQ(appended.find("<*> VekKestra DLL Logger <*>"), 0u);
  EXPECT_NE(appended.find("Logger Stop:"), std::string::npos);
  EXPECT_NE(appended.rfind("<*> VekKestra DLL Logger <*>"), 0u);
  std::remove(path_.c_str());
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
  std::vector<std::string> lines = log.RawLines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[lines.size() - 2], "--- %s%n marker ---");  // never taken as a format
  EXPECT_EQ(lines.back(), exact);
}

TEST(Version, CopiesAtMostSizeMinusOneCharactersAndNeverTouchesTheLastByte) {
  LogCapture log(1);
  ASSERT_TRUE(log.started());
  const std::string version = "VekKestra DLL v1.03.02 - ethernet v1.03.01 - serial v1.03.01";
  char buffer[80];
  for (uint32_t size : {80u, 61u, 10u, 1u}) {
    SCOPED_TRACE(size);
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(VEK_GetDLLVersion(buffer, size), buffer);
    std::size_t copied = std::min<std::size_t>(size - 1, version.size());
    EXPECT_EQ(std::string(buffer, copied), version.substr(0, copied));
    EXPECT_EQ(std::string(buffer + copied, size - 1 - copied), std::string(size - 1 - copied, '\0'));
    EXPECT_EQ(buffer[size - 1], '#');
  }
  EXPECT_EQ(VEK_GetDLLVersion(nullptr, 10), nullptr);
  EXPECT_EQ(log.CountContaining("NULL - VEK_GetDLLVersion()"), 5);
}

}  // namespace
