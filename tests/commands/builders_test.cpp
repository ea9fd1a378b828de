// The parts of the command set that need no connection: axis letters, the
// value-list builder, the bounded append and the answer parsers.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "commands/answers.h"
#include "commands/axis.h"
#include "vekkestra.h"

namespace vek {
namespace {

TEST(AxisLetterOf, NamesEachOfTheTenAxesAndRefusesEverythingElse) {
  const char expected[] = "XYZTURVSWK";
  for (int i = 0; i < 10; ++i) {
    char letter = 0;
    ASSERT_TRUE(AxisLetterOf(1 << i, &letter)) << i;
    EXPECT_EQ(expected[i], letter) << i;
  }
  for (int32_t bad : {0, 3, 1024, -1, INT32_MIN}) {
    char letter = '?';
    EXPECT_FALSE(AxisLetterOf(bad, &letter)) << bad;
    EXPECT_EQ('?', letter) << bad;
  }
}

struct ListCase {
  int32_t mask;
  int32_t values[10];
  const char* prefix;
  const char* expected;
};

TEST(BuildMultiAxisValues, WorkedExamples) {
  const ListCase cases[] = {
      {5, {100, 0, -5}, "AAMA", "AAMA100,,-5;"},
      {512, {0, 0, 0, 0, 0, 0, 0, 0, 0, 1}, "SI", "SI,,,,,,,,,1;"},
      {0, {1}, "SI", "SI"},
      {0x405, {100, 0, -5}, "AAMA", "AAMA100,,-5;"},  // bit 10 plays no part
      {-1, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, "AALP", "AALP1,2,3,4,5,6,7,8,9,10;"},
      {2, {0, INT32_MIN}, "AMLP", "AMLP,-2147483648;"},
      {1, {0}, "AALP", "AALP0;"},
  };
  for (const ListCase& c : cases) {
    char command[kCommandBufferSize] = {};
    std::strcpy(command, c.prefix);
    EXPECT_EQ(VEK_SUCCESS, BuildMultiAxisValues(c.mask, c.values, command)) << c.expected;
    EXPECT_STREQ(c.expected, command);
  }
}

TEST(BuildMultiAxisValues, FillsTheBufferToItsLastByteAndRefusesNullsAndMore) {
  int32_t values[10] = {INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN,
                        INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN};
  char command[kCommandBufferSize] = "AALP";  // ten of the longest values always fit
  ASSERT_EQ(VEK_SUCCESS, BuildMultiAxisValues(1023, values, command));
  EXPECT_EQ(4u + 120u, std::strlen(command));
  EXPECT_EQ(std::string("AALP-2147483648,"), std::string(command, 16));

  const int32_t xz[10] = {100, 0, -5};
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
  EXPECT_EQ(127u, std::strlen(command));
  EXPECT_FALSE(AppendCommand(command, "%s", "c"));
  EXPECT_EQ(127u, std::strlen(command));
  EXPECT_EQ('b', command[126]);
}

TEST(AnswerParsers, ScanOneNumberAsScanfWould) {
  // 'd' scans a decimal, 'x' a hexadecimal; upper case drops one character first.
  const struct {
    char kind;
    const char* answer;
    bool ok;
    int64_t value;
  } cases[] = {
      {'d', "  -42 counts", true, -42},
      {'d', "+17", true, 17},
      {'d', "abc", false, 0},
      {'d', "", false, 0},
      {'d', "- 5", false, 0},
      {'d', "-2147483648", true, INT32_MIN},
      {'d', "99999999999999999999", true, INT32_MAX},  // saturates
      {'d', "-99999999999999999999", true, INT32_MIN},
      {'D', "=2500", true, 2500},
      {'D', "2500", true, 500},  // the first character is dropped, whatever it is
      {'D', "=  -7x", true, -7},
      {'D', "2", false, 0},
      {'D', "==5", false, 0},
      {'x', " 0x1F", true, 0x1F},
      {'x', "0xg", true, 0},  // "0" then a stray "x"
      {'x', "123456789", true, 0xFFFFFFFF},
      {'x', "zz", false, 0},
      {'X', "=ff", true, 0xFF},
      {'X', "=", false, 0},
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

struct ListParseCase {
  const char* answer;
  int written;
  int32_t slots[10];
};

TEST(AnswerParsers, ValueListsSplitLikeStrtokAndConvertLikeAtoi) {
  const ListParseCase cases[] = {
      {"10,,30", 2, {10, 30, 7, 7, 7, 7, 7, 7, 7, 7}},
      {",,5,", 1, {5, 7, 7, 7, 7, 7, 7, 7, 7, 7}},
      {"1,2,3,4,5,6,7,8,9,10,11,12", 10, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
      {" -4,x,3y, 8", 4, {-4, 0, 3, 8, 7, 7, 7, 7, 7, 7}},
      {"", 0, {7, 7, 7, 7, 7, 7, 7, 7, 7, 7}},
      {"99999999999,-99999999999", 2, {INT32_MAX, INT32_MIN, 7, 7, 7, 7, 7, 7, 7, 7}},
  };
  for (const ListParseCase& c : cases) {
    int32_t slots[10];
    for (int32_t& s : slots) s = 7;
    EXPECT_EQ(c.written, ParseValueList(c.answer, slots, 10)) << c.answer;
    for (int i = 0; i < 10; ++i) EXPECT_EQ(c.slots[i], slots[i]) << c.answer << " slot " << i;
  }
}

}  // namespace
}  // namespace vek
