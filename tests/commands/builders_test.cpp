// The parts of the command set that need no connection: the value-list
// builder, the bounded append and the answer parsers.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "commands/answers.h"
#include "commands/axis.h"
#include "vekkestra.h"

namespace vek {
namespace {

TEST(BuildMultiAxisValues, WritesNamedAxesOnlyAndFillsTheBufferToItsLastByte) {
  const struct {
    int32_t mask;
    int32_t values[10];
    const char* expected;  // after the prefix "P"
  } cases[] = {
      {2, {0, INT32_MIN}, "P,-2147483648;"},
      {1, {0}, "P0;"},
  };
  for (const auto& c : cases) {
    char command[kCommandBufferSize] = "P";
    EXPECT_EQ(VEK_SUCCESS, BuildMultiAxisValues(c.mask, c.values, command)) << c.expected;
    EXPECT_STREQ(c.expected, command);
  }

  const int32_t xz[10] = {100, 0, -5};
  char command[kCommandBufferSize];
  std::memset(command, 'P', 120);  // 120 + "100,,-5;" = 128
  command[120] = '\0';
  ASSERT_EQ(VEK_ERROR_INVALID_PARAMETER, BuildMultiAxisValues(5, xz, command));
  EXPECT_EQ(std::string(120, 'P'), command);
  command[119] = '\0';  // 119 + 8 = 127: the longest command
  ASSERT_EQ(VEK_SUCCESS, BuildMultiAxisValues(5, xz, command));
  EXPECT_EQ(std::string(119, 'P') + "100,,-5;", command);

  std::strcpy(command, "SI");  // null pointers are refused even for an empty mask
  EXPECT_EQ(VEK_ERROR_INVALID_PARAMETER, BuildMultiAxisValues(0, nullptr, command));
  EXPECT_EQ(VEK_ERROR_INVALID_PARAMETER, BuildMultiAxisValues(5, xz, nullptr));
  EXPECT_STREQ("SI", command);
}

TEST(AppendCommand, StopsShortOfTheLastByteAndLeavesTheTextOnRefusal) {
  char command[kCommandBufferSize] = {};
  ASSERT_TRUE(AppendCommand(command, "%s", std::string(100, 'a').c_str()));
  ASSERT_TRUE(AppendCommand(command, "%s", std::string(27, 'b').c_str()));  // 127 in all
  EXPECT_FALSE(AppendCommand(command, "%s", "c"));
  EXPECT_EQ(std::string(100, 'a') + std::string(27, 'b'), command);
}

TEST(AnswerParsers, ScanOneNumberAsScanfWould) {
  // 'd' scans a decimal, 'x' a hexadecimal; upper case drops one character first.
  const struct {
    char kind;
    const char* answer;
    bool ok;
    int64_t value;
  } cases[] = {
      {'d', "- 5", false, 0},
      {'d', "99999999999999999999", true, INT32_MAX},  // saturates
      {'D', "=  -7x", true, -7},
      {'D', "2", false, 0},
      {'D', "==5", false, 0},
      {'x', " 0x1F", true, 0x1F},
      {'x', "0xg", true, 0},  // "0" then a stray "x"
      {'x', "123456789", true, 0xFFFFFFFF},
  };
  for (const auto& c : cases) {
    int32_t decimal = 12345;
    uint32_t hex = 12345;
    const bool ok = c.kind == 'd'   ? ScanDecimal(c.answer, &decimal)
                    : c.kind == 'D' ? ScanDecimalAfterOne(c.answer, &decimal)
                    : c.kind == 'x' ? ScanHex(c.answer, &hex)
                                    : ScanHexAfterOne(c.answer, &hex);
    EXPECT_EQ(c.ok, ok) << c.kind << " \"" << c.answer << '"';
    EXPECT_EQ(c.ok ? c.value : 12345, c.kind == 'd' || c.kind == 'D' ? decimal : int64_t{hex}) << c.answer;
  }
}

TEST(AnswerParsers, ValueListsSplitLikeStrtokAndConvertLikeAtoi) {
  const struct {
    const char* answer;
    int written;
    std::vector<int32_t> slots;
  } cases[] = {
      {",,5,", 1, {5, 7, 7, 7, 7, 7, 7, 7, 7, 7}},
      {" -4,x,3y, 8", 4, {-4, 0, 3, 8, 7, 7, 7, 7, 7, 7}},
      {"99999999999,-99999999999", 2, {INT32_MAX, INT32_MIN, 7, 7, 7, 7, 7, 7, 7, 7}},
  };
  for (const auto& c : cases) {
    int32_t slots[10] = {7, 7, 7, 7, 7, 7, 7, 7, 7, 7};
    EXPECT_EQ(c.written, ParseValueList(c.answer, slots, 10)) << c.answer;
    EXPECT_EQ(c.slots, std::vector<int32_t>(slots, slots + 10)) << c.answer;
  }
}

}  // namespace
}  // namespace vek
