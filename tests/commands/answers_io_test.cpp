// How the position and velocity reads treat the controller's answers, on both
// transports: what is stored, what is left alone, and which trace tells of a
// bad answer.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "tests/commands/transport_fixture.h"
#include "tests/support/log_capture.h"
#include "vekkestra.h"

namespace vek::test {
namespace {

using ReadOne = uint32_t (*)(uint32_t* handle, bool serial, int32_t* out);

#define READ_ONE(op) \
  [](uint32_t* h, bool ser, int32_t* out) -> uint32_t { return ser ? VEKser_##op(h, 1, out) : VEKnet_##op(h, 1, out); }

constexpr int32_t kUntouched = 0x5A5A;

struct OneCase {
  const char* name;
  ReadOne read;
  const char* answer;
  uint32_t result;
  int32_t value;      // stored on success
  const char* trace;  // the bad-response trace line after "0x... - " ("" none)
};

const std::string k127Digits(127, '9');

const OneCase kOneCases[] = {
    {"blanks and a unit", READ_ONE(GetAxisMotorPosition), "  -42 counts", 0, -42, ""},
    {"motor letters", READ_ONE(GetAxisMotorPosition), "abc", 215, 0, "Error=GetAxisMotorPosition() bad response"},
    {"encoder letters", READ_ONE(GetAxisEncoderPosition), "abc", 215, 0,
     "Error=GetAxisEncoderPosition() bad receive string: recv abc"},
    {"encoder plain", READ_ONE(GetAxisEncoderPosition), "-1500", 0, -1500, ""},
    {"current velocity blank", READ_ONE(GetAxisCurrentVelocity), " 2500", 0, 2500, ""},
    {"current velocity letter", READ_ONE(GetAxisCurrentVelocity), "x", 215, 0,
     "Error=VEKnet_GetAxisCurrentVelocity() bad receive string: recv x"},
    {"current acceleration letter", READ_ONE(GetAxisCurrentAcceleration), "x", 215, 0,
     "GetAxisCurrentAcceleration() | VEK_ERROR_BAD_RESPONSE | bad receive string: recv x"},
    {"base echoed", READ_ONE(GetAxisBaseVelocity), "=2500", 0, 2500, ""},
    {"base first digit dropped", READ_ONE(GetAxisBaseVelocity), "2500", 0, 500, ""},
    {"base one character", READ_ONE(GetAxisBaseVelocity), "2", 215, 0,
     "GetAxisBaseVelocity() | VEK_ERROR_BAD_RESPONSE | bad receive string: recv 2"},
    {"max negative", READ_ONE(GetAxisMaxVelocity), "=-7", 0, -7, ""},
    {"max letters", READ_ONE(GetAxisMaxVelocity), "=abc", 215, 0,
     "GetAxisMaxVelocity() | VEK_ERROR_BAD_RESPONSE | bad receive string: recv =abc"},
    {"acceleration bare sign", READ_ONE(GetAxisAcceleration), "=-", 215, 0,
     "GetAxisAcceleration() | VEK_ERROR_BAD_RESPONSE | bad receive string: recv =-"},
    {"too many digits", READ_ONE(GetAxisMotorPosition), k127Digits.c_str(), 0, INT32_MAX, ""},
};

class AnswerParsing : public TransportTest {};

TEST_P(AnswerParsing, SingleAxisReadsStoreOrLeaveTheOutput) {
  for (const OneCase& c : kOneCases) {
    SCOPED_TRACE(c.name);
    LogCapture log(0x1 | 0xA70000);
    ASSERT_TRUE(log.started());
    Answer(c.answer);
    int32_t out = kUntouched;
    EXPECT_EQ(c.result, c.read(handle(), serial(), &out));
    EXPECT_EQ(c.result == 0 ? c.value : kUntouched, out);
    if (c.trace[0] != '\0') {
      EXPECT_TRUE(log.HasTrace(HandleText(handle()) + " - " + c.trace)) << c.trace;
    }
    if (c.result == 0) {
      EXPECT_EQ(0, log.CountContaining("bad re"));
    }
  }
}

TEST_P(AnswerParsing, AnEmptyAnswerIsABadResponseWithoutTrace) {
  // A serial controller cannot send an empty answer line (empty lines are
  // skipped); its silence ends the query with the reader's time-out instead.
  const uint32_t expected = serial() ? VEK_ERROR_SERIAL_READ_TIMEOUT : VEK_ERROR_BAD_RESPONSE;
  LogCapture log(0x7FFFFFFF);
  ASSERT_TRUE(log.started());
  int32_t out = kUntouched;
  Answer("");
  EXPECT_EQ(expected, Call(VEKnet_GetAxisMotorPosition, VEKser_GetAxisMotorPosition, 1, &out));
  EXPECT_EQ(kUntouched, out);
  int32_t list[10];
  for (int32_t& v : list) v = 7;
  Answer("");
  EXPECT_EQ(expected, Call(VEKnet_GetAllAxisEncoderPositions, VEKser_GetAllAxisEncoderPositions, list));
  for (int32_t v : list) EXPECT_EQ(7, v);
  EXPECT_EQ(0, log.CountContaining("bad re"));
}

struct ListCase {
  const char* name;
  int kind;  // 0 motor "PP", 1 encoder "PE;", 2 velocities "AARV", 3 accelerations "AMRC"
  const char* answer;
  int32_t slots[10];
};

const ListCase kListCases[] = {
    {"three of ten", 0, "10,20,30", {10, 20, 30, 0, 0, 0, 0, 0, 0, 0}},
    {"empty field takes no slot", 0, "10,,30", {10, 30, 0, 0, 0, 0, 0, 0, 0, 0}},
    {"twelve values", 1, "1,2,3,4,5,6,7,8,9,10,11,12", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
    {"junk fields", 1, "-4, x ,3y", {-4, 0, 3, 0, 0, 0, 0, 0, 0, 0}},
    {"too many digits", 0, k127Digits.c_str(), {INT32_MAX, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {"velocities keep the rest", 2, "1,2,3", {1, 2, 3, 7, 7, 7, 7, 7, 7, 7}},
    {"accelerations twelve", 3, "1,2,3,4,5,6,7,8,9,10,11,12", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
    {"accelerations one", 3, "-9", {-9, 7, 7, 7, 7, 7, 7, 7, 7, 7}},
};

TEST_P(AnswerParsing, AllAxesReadsFillSlotsInAnswerOrder) {
  for (const ListCase& c : kListCases) {
    SCOPED_TRACE(c.name);
    int32_t list[10];
    for (int32_t& v : list) v = 7;
    Answer(c.answer);
    uint32_t result = 0;
    switch (c.kind) {
      case 0:
        result = Call(VEKnet_GetAllAxisMotorPositions, VEKser_GetAllAxisMotorPositions, list);
        break;
      case 1:
        result = Call(VEKnet_GetAllAxisEncoderPositions, VEKser_GetAllAxisEncoderPositions, list);
        break;
      case 2:
        result = Call(VEKnet_GetAllCurrentVelocities, VEKser_GetAllCurrentVelocities, 0, list);
        break;
      default:
        result = Call(VEKnet_GetAllCurrentAccelerations, VEKser_GetAllCurrentAccelerations, 1, list);
        break;
    }
    EXPECT_EQ(0u, result);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(c.slots[i], list[i]) << "slot " << i;
  }
}

TEST_P(AnswerParsing, MotorListAnswerIsTraced) {
  LogCapture log(0xA70000);
  ASSERT_TRUE(log.started());
  int32_t list[10] = {};
  Answer("10,20,30");
  ASSERT_EQ(0u, Call(VEKnet_GetAllAxisMotorPositions, VEKser_GetAllAxisMotorPositions, list));
  EXPECT_TRUE(log.HasTrace(HandleText(handle()) + " - GetAllAxisMotorPositions() receive string: recv 10,20,30"));
}

TEST_P(AnswerParsing, BothListsComeFromTwoQueries) {
  int32_t motor[10];
  int32_t encoder[10];
  for (int i = 0; i < 10; ++i) motor[i] = encoder[i] = 7;
  Answer("1,2");
  Answer("3");
  ASSERT_EQ(0u, Call(VEKnet_GetAllAxisPositions, VEKser_GetAllAxisPositions, motor, encoder));
  EXPECT_EQ("PPPE;", Sent());
  const int32_t wantMotor[10] = {1, 2};
  const int32_t wantEncoder[10] = {3};
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(wantMotor[i], motor[i]) << i;
    EXPECT_EQ(wantEncoder[i], encoder[i]) << i;
  }
}

TEST_P(AnswerParsing, AFailedMotorReadLeavesTheEncoderListAlone) {
  int32_t motor[10];
  int32_t encoder[10];
  for (int i = 0; i < 10; ++i) motor[i] = encoder[i] = 7;
  uint32_t expected = VEK_ERROR_SERIAL_READ_TIMEOUT;  // a silent serial controller
  if (!serial()) {
    RejectNext();
    expected = VEK_ERROR_COMMAND_NAK;
  }
  EXPECT_EQ(expected, Call(VEKnet_GetAllAxisPositions, VEKser_GetAllAxisPositions, motor, encoder));
  EXPECT_EQ("PP", Sent());
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(7, motor[i]);
    EXPECT_EQ(7, encoder[i]);
  }
}

TEST_P(AnswerParsing, ARejectedCommandPassesTheTransportResultThrough) {
  if (serial()) GTEST_SKIP() << "a serial controller acknowledges nothing";
  int32_t out = kUntouched;
  RejectNext();
  EXPECT_EQ(VEK_ERROR_COMMAND_NAK, Call(VEKnet_GetAxisBaseVelocity, VEKser_GetAxisBaseVelocity, 1, &out));
  EXPECT_EQ(kUntouched, out);
  const int32_t targets[10] = {1};
  RejectNext();
  // A refused move starts no wait, so the long time-out costs nothing.
  EXPECT_EQ(VEK_ERROR_COMMAND_NAK, Call(VEKnet_Move, VEKser_Move, 1, 0, 0, targets, 0, 60000));
  RejectNext();
  EXPECT_EQ(VEK_ERROR_COMMAND_NAK, Call(VEKnet_FindAxisLimit, VEKser_FindAxisLimit, 1, 0, 10, 60000));
  EXPECT_EQ("AX?VBAAMA1;;GDID;AXLNJG10;", Sent());  // no stop after a refused search
}

VEK_TRANSPORT_SUITE(AnswerParsing);

}  // namespace
}  // namespace vek::test
