#include "tools/report.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <utility>

namespace vekctl {
namespace {

// --tcp takes host names and four-part dotted addresses, whose parts are
// decimal: the resolver would take "1.2.3" as 1.2.0.3 and "010" as octal.
TEST(ReportText, TcpAddresses) {
  const struct {
    const char* text;
    const char* host;  // null: refused
    int32_t port;
  } rows[] = {
      {"192.168.0.50", "192.168.0.50", 5001},
      {"010.000.0.1:5002", "10.0.0.1", 5002},
      {"localhost", "localhost", 5001},
      {"ctl-1.lab_a:0x1389", "ctl-1.lab_a", 5001},
      {"1.2.3", nullptr, 0},
      {"1.2.3.4.5", nullptr, 0},
      {"256.1.1.1", nullptr, 0},
      {"0x7f.0.0.1", nullptr, 0},
      {"1..2.3", nullptr, 0},
      {"1.2.3.4.", nullptr, 0},
      {"ctl..lab", nullptr, 0},
      {"a b", nullptr, 0},
      {":5001", nullptr, 0},
      {"host:70000", nullptr, 0},
      {"host:abc", nullptr, 0},
  };
  for (const auto& row : rows) {
    std::string host = "unchanged";
    std::string problem;
    int32_t port = 0;
    const bool taken = ParseTcpAddress(row.text, &host, &port, &problem);
    EXPECT_EQ(taken, row.host != nullptr) << row.text << ": " << problem;
    if (taken) {
      EXPECT_EQ(host, row.host) << row.text;
      EXPECT_EQ(port, row.port) << row.text;
    } else {
      EXPECT_NE(problem.find(std::string(row.text).substr(0, 3)), std::string::npos) << row.text << ": " << problem;
    }
  }
}

TEST(ReportText, AxisListsAndValues) {
  // A refused list leaves the mask alone (-1 here).
  const std::pair<const char*, int32_t> masks[] = {{"XY", 3}, {"x,z,k", 0x205}, {"all", 0x3FF}, {"0x100", 0x100},
                                                   {"", -1},  {"Q", -1},        {"XX", -1},     {"1024", -1},
                                                   {"0", -1}, {"-1", -1},       {"X;Y", -1}};
  for (const auto& [text, expected] : masks) {
    int32_t mask = -1;
    EXPECT_EQ(ParseAxisMask(text, &mask), expected != -1) << text;
    EXPECT_EQ(mask, expected) << text;
  }

  int index = -1;
  int32_t value = 0;
  EXPECT_TRUE(ParseAxisValue("y=-2147483648", &index, &value));
  EXPECT_EQ(index, 1);
  EXPECT_EQ(value, INT32_MIN);
  EXPECT_TRUE(ParseAxisValue("K:0x10", &index, &value));
  EXPECT_EQ(index, 9);
  EXPECT_EQ(value, 16);
  // A leading zero keeps the number decimal.
  EXPECT_TRUE(ParseAxisValue("X=-010", &index, &value));
  EXPECT_EQ(value, -10);
  for (const char* bad : {"X", "X=", "X=12a", "Q=1", "X=2147483648", "XY=1", "X=0x"}) {
    EXPECT_FALSE(ParseAxisValue(bad, &index, &value)) << bad;
  }
}

TEST(ReportText, ProgressMeasuresTowardTheTargets) {
  const int32_t start[kAxisCount] = {0, 1000};
  const int32_t target[kAxisCount] = {1000, 1000};
  int32_t now[kAxisCount] = {250, 1000};
  // X a quarter of the way, Y already there (no distance): the mean of both.
  EXPECT_EQ(ProgressPercent(3, start, now, target), 62);
  EXPECT_EQ(ProgressPercent(1, start, now, target), 25);
  for (const auto& [x, percent] : {std::pair{-40, 0}, std::pair{1200, 100}}) {  // overshoot is clamped
    now[0] = x;
    EXPECT_EQ(ProgressPercent(1, start, now, target), percent) << x;
  }
  EXPECT_EQ(ProgressPercent(1, start, now, nullptr), -1);

  EXPECT_EQ(ProgressLine("move", 3, now, 62, 1.5), "move  X=1200  Y=1000   62%  1.50 s");
  EXPECT_EQ(ProgressLine("home X", 1, now, -1, 0.25), "home X  X=1200  --%  0.25 s");
}

TEST(ReportText, TablesShowEveryAxis) {
  int32_t motor[kAxisCount] = {8000, -5000};
  int32_t encoder[kAxisCount] = {7990, -5000};
  motor[9] = INT32_MIN;
  encoder[9] = INT32_MAX;
  const std::string positions = PositionTable(motor, encoder);
  EXPECT_NE(positions.find("Y           -5000        -5000            0\n"), std::string::npos) << positions;
  // The difference of the extremes does not wrap.
  EXPECT_NE(positions.find("-4294967295\n"), std::string::npos) << positions;

  // Slip on K and the command error (done and limit columns, and the I/O
  // table, show in the vekctl runs).
  const std::string flags = FlagTable((1u << 29) | (1u << 30));
  EXPECT_NE(flags.find("K     -     -      yes\n"), std::string::npos) << flags;
  EXPECT_NE(flags.find("command error: yes"), std::string::npos) << flags;
}

TEST(ReportText, TailKeepsTheLastLines) {
  const std::string path = testing::TempDir() + "vekctl_tail_test.log";
  {
    std::ofstream file(path);
    for (int i = 1; i <= 25; ++i) file << "line " << i << "\n";
  }
  EXPECT_EQ(TailLines(path, 3), (std::vector<std::string>{"line 23", "line 24", "line 25"}));
  EXPECT_EQ(TailLines(path, 100).size(), 25u);
  EXPECT_TRUE(TailLines(path + ".missing", 3).empty());
  std::remove(path.c_str());
}

}  // namespace
}  // namespace vekctl
