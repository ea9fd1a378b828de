// How the reads treat the controller's answers, on both transports: what is
// stored, what is left alone, and which trace tells of a bad answer. The
// number scans themselves are checked directly in builders_test.cpp.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>

#include "tests/commands/transport_fixture.h"
#include "tests/support/log_capture.h"
#include "vekkestra.h"

namespace vek::test {
namespace {

constexpr int32_t kUntouched = 0x5A5A;
const std::string k127Digits(127, '9');
int32_t gList[10];

#define READ_ONE(op) VEKnet_##op, VEKser_##op

struct OneCase {
  uint32_t(VEK_CALL* net)(uint32_t*, int32_t, int32_t*);
  uint32_t(VEK_CALL* ser)(uint32_t*, int32_t, int32_t*);
  const char* answer;
  uint32_t result;
  int32_t value;      // stored on success
  const char* trace;  // the bad-response trace line after "0x... - " ("" none)
};

const OneCase kOneCases[] = {
    {READ_ONE(GetAxisMotorPosition), "  -42 counts", 0, -42, ""},
    {READ_ONE(GetAxisMotorPosition), k127Digits.c_str(), 0, INT32_MAX, ""},  // a full answer stays terminated
    {READ_ONE(GetAxisMotorPosition), "abc", 215, 0, "Error=GetAxisMotorPosition() bad response"},
    {READ_ONE(GetAxisEncoderPosition), "abc", 215, 0, "Error=GetAxisEncoderPosition() bad receive string: recv abc"},
    {READ_ONE(GetAxisCurrentVelocity), "x", 215, 0, "Error=VEKnet_GetAxisCurrentVelocity() bad receive string: recv x"},
    {READ_ONE(GetAxisCurrentAcceleration), "x", 215, 0,
     "GetAxisCurrentAcceleration() | VEK_ERROR_BAD_RESPONSE | bad receive string: recv x"},
    {READ_ONE(GetAxisBaseVelocity), "2500", 0, 500, ""},  // the first character is dropped, whatever it is
    {READ_ONE(GetAxisBaseVelocity), "2", 215, 0,
     "GetAxisBaseVelocity() | VEK_ERROR_BAD_RESPONSE | bad receive string: recv 2"},
    {READ_ONE(GetAxisMaxVelocity), "=-7", 0, -7, ""},
    {READ_ONE(GetAxisMaxVelocity), "=abc", 215, 0,
     "GetAxisMaxVelocity() | VEK_ERROR_BAD_RESPONSE | bad receive string: recv =abc"},
    {READ_ONE(GetAxisAcceleration), "=-", 215, 0,
     "GetAxisAcceleration() | VEK_ERROR_BAD_RESPONSE | bad receive string: recv =-"},
};

class Answers : public TransportTest {
 protected:
  // A serial controller cannot send an empty answer line (empty lines are
  // skipped); its silence ends the query with the reader's time-out instead.
  uint32_t EmptyAnswerResult() const { return serial() ? VEK_ERROR_SERIAL_READ_TIMEOUT : VEK_ERROR_BAD_RESPONSE; }
};

TEST_P(Answers, SingleAxisReadsStoreOrLeaveTheOutput) {
  for (const OneCase& c : kOneCases) {
    SCOPED_TRACE(c.answer);
    LogCapture log(0x1 | 0xA70000);
    ASSERT_TRUE(log.started());
    Answer(c.answer);
    int32_t out = kUntouched;
    EXPECT_EQ(c.result, Call(c.net, c.ser, 1, &out));
    EXPECT_EQ(c.result == 0 ? c.value : kUntouched, out);
    EXPECT_TRUE(c.trace[0] == '\0' || log.HasTrace(HandleText(handle()) + " - " + c.trace)) << c.trace;
    EXPECT_EQ(c.result == 0 ? 0 : 1, log.CountContaining("bad re"));
  }
}

TEST_P(Answers, AnEmptyAnswerIsABadResponseWithoutTrace) {
  LogCapture log(0x7FFFFFFF);
  ASSERT_TRUE(log.started());
  int32_t out = kUntouched;
  Answer("");
  EXPECT_EQ(EmptyAnswerResult(), Call(VEKnet_GetAxisMotorPosition, VEKser_GetAxisMotorPosition, 1, &out));
  EXPECT_EQ(kUntouched, out);
  int32_t list[10];
  for (int32_t& v : list) v = 7;
  Answer("");
  EXPECT_EQ(EmptyAnswerResult(), Call(VEKnet_GetAllAxisEncoderPositions, VEKser_GetAllAxisEncoderPositions, list));
  for (int32_t v : list) EXPECT_EQ(7, v);
  EXPECT_EQ(0, log.CountContaining("bad re"));
}

TEST_P(Answers, AllAxesReadsFillSlotsInAnswerOrder) {
  // The position lists start from zeros; the velocity lists keep the rest.
  const struct {
    Invoke read;
    const char* answer;
    int32_t slots[10];
  } cases[] = {
      {TWIN(GetAllAxisMotorPositions, gList), "10,,30", {10, 30, 0, 0, 0, 0, 0, 0, 0, 0}},
      {TWIN(GetAllAxisMotorPositions, gList), k127Digits.c_str(), {INT32_MAX, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {TWIN(GetAllAxisEncoderPositions, gList), "1,2,3,4,5,6,7,8,9,10,11,12", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
      {TWIN(GetAllCurrentVelocities, 0, gList), "1,2,3", {1, 2, 3, 7, 7, 7, 7, 7, 7, 7}},
      {TWIN(GetAllCurrentAccelerations, 1, gList), "-9", {-9, 7, 7, 7, 7, 7, 7, 7, 7, 7}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.answer);
    for (int32_t& v : gList) v = 7;
    Answer(c.answer);
    EXPECT_EQ(0u, c.read(handle(), serial()));
    for (int i = 0; i < 10; ++i) EXPECT_EQ(c.slots[i], gList[i]) << "slot " << i;
  }
}

TEST_P(Answers, MotorListAnswerIsTraced) {
  LogCapture log(0xA70000);
  ASSERT_TRUE(log.started());
  Answer("10,20,30");
  ASSERT_EQ(0u, Call(VEKnet_GetAllAxisMotorPositions, VEKser_GetAllAxisMotorPositions, gList));
  EXPECT_TRUE(log.HasTrace(HandleText(handle()) + " - GetAllAxisMotorPositions() receive string: recv 10,20,30"));
}

TEST_P(Answers, BothListsComeFromTwoQueriesAndAFailedFirstLeavesBoth) {
  int32_t motor[10];
  int32_t encoder[10];
  for (int i = 0; i < 10; ++i) motor[i] = encoder[i] = 7;
  serial() ? Answer("") : RejectNext();  // a silent serial controller, a refusing Ethernet one
  EXPECT_EQ(serial() ? VEK_ERROR_SERIAL_READ_TIMEOUT : VEK_ERROR_COMMAND_NAK,
            Call(VEKnet_GetAllAxisPositions, VEKser_GetAllAxisPositions, motor, encoder));
  EXPECT_EQ("PP", Sent());
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(7, motor[i]) << i;
    EXPECT_EQ(7, encoder[i]) << i;
  }

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

TEST_P(Answers, ARejectedCommandPassesTheTransportResultThrough) {
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

TEST_P(Answers, EncoderStatusDecodesTheFirstFiveLettersInOrder) {
  constexpr uint32_t kOld = 7;
  const struct {
    const char* answer;
    uint32_t result;
    uint32_t flags[5];
  } cases[] = {
      {"EDSPNXYZ", 0, {1, 0, 1, 1, 0}},
      {"DENNP", 0, {0, 1, 0, 0, 1}},
      {"EXSPN", 215, {1, kOld, kOld, kOld, kOld}},
      {"eDSPN", 215, {kOld, kOld, kOld, kOld, kOld}},
      {"EDSP", 215, {1, 0, 1, 1, kOld}},
      {"", EmptyAnswerResult(), {kOld, kOld, kOld, kOld, kOld}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.answer);
    Answer(c.answer);
    uint32_t flags[5] = {kOld, kOld, kOld, kOld, kOld};
    EXPECT_EQ(c.result, Call(VEKnet_GetAxisEncoderStatus, VEKser_GetAxisEncoderStatus, 512, flags));
    for (int i = 0; i < 5; ++i) EXPECT_EQ(c.flags[i], flags[i]) << "slot " << i;
    EXPECT_EQ("AKEA", Sent());
  }
  // The handle, then the axis, then the pointer; nothing is asked.
  uint32_t* const none = nullptr;
  EXPECT_EQ(VEK_ERROR_INVALID_PARAMETER, CallNull(VEKnet_GetAxisEncoderStatus, VEKser_GetAxisEncoderStatus, 3, none));
  EXPECT_EQ(VEK_ERROR_INVALID_AXIS, Call(VEKnet_GetAxisEncoderStatus, VEKser_GetAxisEncoderStatus, 3, none));
  EXPECT_EQ(VEK_ERROR_INVALID_PARAMETER, Call(VEKnet_GetAxisEncoderStatus, VEKser_GetAxisEncoderStatus, 1, none));
  EXPECT_EQ("", Sent());
}

TEST_P(Answers, IoReadsScanTheirAnswers) {
  using WordRead = uint32_t(VEK_CALL*)(uint32_t*, uint32_t*);
  constexpr uint32_t kOld = 0xDEADBEEFu;
  const struct {
    WordRead net, ser;
    const char* answer;
    uint32_t result;
    uint32_t value;
    const char* sent;
  } cases[] = {
      {VEKnet_GetIOBitsDirection, VEKser_GetIOBitsDirection, "=00F0", 0, 240, "RB"},
      {VEKnet_GetIOBitsDirection, VEKser_GetIOBitsDirection, "F0", 0, 0, "RB"},  // the first character is dropped
      {VEKnet_GetIOBitsDirection, VEKser_GetIOBitsDirection, "=", 215, kOld, "RB"},
      {VEKnet_GetIOBitsState, VEKser_GetIOBitsState, " FF00 rest", 0, 0xFF00, "BX"},
      {VEKnet_GetIOBitsState, VEKser_GetIOBitsState, "zz", 215, kOld, "BX"},
      {VEKnet_GetIOBitsState, VEKser_GetIOBitsState, "", EmptyAnswerResult(), kOld, "BX"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.answer);
    LogCapture log(0xA70000);
    ASSERT_TRUE(log.started());
    Answer(c.answer);
    uint32_t value = kOld;
    EXPECT_EQ(c.result, Call(c.net, c.ser, &value));
    EXPECT_EQ(c.value, value);
    const std::string bad = HandleText(handle()) + " - " +
                            (c.sent[0] == 'R' ? "GetIOBitsDirection()" : "GetIOBitsState()") +
                            " | VEK_ERROR_BAD_RESPONSE | bad receive string: recv " + c.answer;
    const bool traced = c.result == VEK_ERROR_BAD_RESPONSE && c.answer[0] != '\0';  // an empty answer is not
    EXPECT_EQ(traced, log.HasTrace(bad));
    EXPECT_EQ(traced ? 1 : 0, log.CountContaining("BAD_RESPONSE"));
    EXPECT_EQ(c.sent, Sent());
  }
  uint32_t value = kOld;
  EXPECT_EQ(VEK_ERROR_INVALID_PARAMETER, Call(VEKnet_GetIOBitsState, VEKser_GetIOBitsState, nullptr));
  EXPECT_EQ(VEK_ERROR_INVALID_PARAMETER, Call(VEKnet_GetIOBitState, VEKser_GetIOBitState, 1u, nullptr));
  EXPECT_EQ(VEK_ERROR_INVALID_PARAMETER, CallNull(VEKnet_GetIOBitsDirection, VEKser_GetIOBitsDirection, &value));
  EXPECT_EQ(VEK_ERROR_INVALID_PARAMETER, CallNull(VEKnet_GetIOBitState, VEKser_GetIOBitState, 1u, &value));
  EXPECT_EQ(kOld, value);
  EXPECT_EQ("", Sent());
}

TEST_P(Answers, OneIoBitIsSetOnlyWhenEveryBitOfTheMaskIs) {
  for (const auto& [mask, state] : {std::pair<uint32_t, uint32_t>{1, 1}, {2, 0}, {5, 1}, {0, 1}, {7, 0}}) {
    SCOPED_TRACE(mask);
    Answer("5");
    uint32_t got = 0xDEADBEEFu;
    EXPECT_EQ(VEK_SUCCESS, Call(VEKnet_GetIOBitState, VEKser_GetIOBitState, mask, &got));
    EXPECT_EQ(state, got);
  }
  EXPECT_EQ("BXBXBXBXBX", Sent());
  LogCapture log(0xA70000);
  ASSERT_TRUE(log.started());
  Answer("zz");
  uint32_t got = 0xDEADBEEFu;
  EXPECT_EQ(VEK_ERROR_BAD_RESPONSE, Call(VEKnet_GetIOBitState, VEKser_GetIOBitState, 0u, &got));
  EXPECT_EQ(0xDEADBEEFu, got);
  EXPECT_TRUE(
      log.HasTrace(HandleText(handle()) + " - GetIOBitState() | VEK_ERROR_BAD_RESPONSE | bad receive string: recv zz"));
}

TEST_P(Answers, IllegalCommandReturnsTheAnswerAndItsLengthWithinTheBuffer) {
  Answer("AXFOO bad");
  char text[16];
  int32_t length = -1;
  EXPECT_EQ(VEK_SUCCESS, Call(VEKnet_GetIllegalCommand, VEKser_GetIllegalCommand, text, 16, &length));
  EXPECT_STREQ("AXFOO bad", text);
  EXPECT_EQ(9, length);
  EXPECT_EQ("#ER", Sent());

  Answer("AXMA1000;AYMA2000;AZ");
  std::memset(text, '~', sizeof text);
  const uint32_t result = Call(VEKnet_GetIllegalCommand, VEKser_GetIllegalCommand, text, 8, &length);
  if (serial()) {
    // The serial reader fills the buffer without a terminator and says so.
    EXPECT_EQ(VEK_ERROR_ANSWER_TOO_LONG, result);
    EXPECT_EQ(8, length);
    EXPECT_EQ("AXMA1000", std::string(text, 8));
  } else {
    // The Ethernet query cuts the answer to fit with its terminator.
    EXPECT_EQ(VEK_SUCCESS, result);
    EXPECT_EQ(7, length);
    EXPECT_STREQ("AXMA100", text);
  }
  EXPECT_EQ(std::string(8, '~'), std::string(text + 8, 8)) << "nothing written past the buffer";
}

TEST_P(Answers, IllegalCommandRefusesMissingBuffersBeforeAsking) {
  char text[32] = "old";
  int32_t length = 99;
  char* const noText = nullptr;
  int32_t* const noLength = nullptr;
  EXPECT_EQ(VEK_ERROR_INVALID_PARAMETER, Call(VEKnet_GetIllegalCommand, VEKser_GetIllegalCommand, noText, 32, &length));
  EXPECT_EQ(VEK_ERROR_INVALID_PARAMETER, Call(VEKnet_GetIllegalCommand, VEKser_GetIllegalCommand, text, 32, noLength));
  EXPECT_EQ(VEK_ERROR_INVALID_PARAMETER,
            CallNull(VEKnet_GetIllegalCommand, VEKser_GetIllegalCommand, text, 32, &length));
  EXPECT_EQ(99, length);
  EXPECT_EQ(VEK_ERROR_INVALID_PARAMETER, Call(VEKnet_GetIllegalCommand, VEKser_GetIllegalCommand, text, 0, &length));
  EXPECT_EQ(0, length);
  EXPECT_STREQ("old", text);
  EXPECT_EQ("", Sent());
}

VEK_TRANSPORT_SUITE(Answers);

}  // namespace
}  // namespace vek::test
