// How the reads treat the controller's answers, on both transports: what is
// stored, what is left alone, and which trace tells of a bad answer. The
// number scans themselves are checked directly in builders_test.cpp.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "tests/commands/transport_fixture.h"
#include "tests/support/log_capture.h"
#include "vekkestra.h"

namespace vek::test {
namespace {

constexpr int32_t kUntouched = 0x5A5A;
const std::string k127Digits(127, '9');
int32_t gList[10];
uint32_t gWord = 0;
#define IO(op, ...) #op "()", TWIN(op, __VA_ARGS__)
#define READ_ONE(op) VEKnet_##op, VEKser_##op

using List = std::vector<int32_t>;
List Slots(const int32_t* p) { return List(p, p + 10); }

class Answers : public TransportTest {
 protected:
  // A serial controller cannot send an empty answer line (empty lines are
  // skipped); its silence ends the query with the reader's time-out instead.
  uint32_t EmptyAnswerResult() const { return serial() ? VEK_ERROR_SERIAL_READ_TIMEOUT : VEK_ERROR_BAD_RESPONSE; }
};

TEST_P(Answers, SingleAxisReadsStoreOrLeaveTheOutput) {
  const struct {
    uint32_t(VEK_CALL* net)(uint32_t*, int32_t, int32_t*);
    uint32_t(VEK_CALL* ser)(uint32_t*, int32_t, int32_t*);
    const char* answer;
    uint32_t result;
    int32_t value;      // stored on success
    const char* trace;  // the bad-response trace line after "0x... - " ("" none)
  } cases[] = {
      {READ_ONE(GetAxisMotorPosition), "  -42 counts", 0, -42, ""},
      {READ_ONE(GetAxisMotorPosition), k127Digits.c_str(), 0, INT32_MAX, ""},  // a full answer stays terminated
      {READ_ONE(GetAxisMotorPosition), "abc", 215, 0, "Error=GetAxisMotorPosition() bad response"},
      {READ_ONE(GetAxisEncoderPosition), "abc", 215, 0, "Error=GetAxisEncoderPosition() bad receive string: recv abc"},
      {READ_ONE(GetAxisCurrentVelocity), "x", 215, 0,
       "Error=VEKnet_GetAxisCurrentVelocity() bad receive string: recv x"},
      {READ_ONE(GetAxisCurrentAcceleration), "x", 215, 0,
       "GetAxisCurrentAcceleration() | VEK_ERROR_BAD_RESPONSE | bad receive string: recv x"},
      {READ_ONE(GetAxisBaseVelocity), "2500", 0, 500, ""},  // the first character is dropped, whatever it is
      {READ_ONE(GetAxisMaxVelocity), "=abc", 215, 0,
       "GetAxisMaxVelocity() | VEK_ERROR_BAD_RESPONSE | bad receive string: recv =abc"},
      {READ_ONE(GetAxisMotorPosition), "", EmptyAnswerResult(), 0, ""},  // without a trace
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.answer);
    LogCapture log(0x1 | 0xA70000);
    ASSERT_TRUE(log.started());
    Answer(c.answer);
    int32_t out = kUntouched;
    EXPECT_EQ(c.result, Call(c.net, c.ser, 1, &out));
    EXPECT_EQ(c.result == 0 ? c.value : kUntouched, out);
    EXPECT_TRUE(c.trace[0] == '\0' || log.HasTrace(HandleText(handle()) + " - " + c.trace)) << c.trace;
    EXPECT_EQ(c.trace[0] == '\0' ? 0 : 1, log.CountContaining("bad re"));
  }
}

TEST_P(Answers, AllAxesReadsFillSlotsInAnswerOrder) {
  // The position lists start from zeros; the velocity lists keep the rest;
  // an empty answer leaves every slot.
  const struct {
    Invoke read;
    const char* answer;
    uint32_t result;
    List slots;
  } cases[] = {
      {TWIN(GetAllAxisMotorPositions, gList), "10,,30", 0, {10, 30, 0, 0, 0, 0, 0, 0, 0, 0}},
      {TWIN(GetAllAxisEncoderPositions, gList), "1,2,3,4,5,6,7,8,9,10,11", 0, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
      {TWIN(GetAllCurrentVelocities, 0, gList), "1,2,3", 0, {1, 2, 3, 7, 7, 7, 7, 7, 7, 7}},
      {TWIN(GetAllAxisEncoderPositions, gList), "", EmptyAnswerResult(), List(10, 7)},
  };
  LogCapture log(0xA70000);
  ASSERT_TRUE(log.started());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.answer);
    for (int32_t& v : gList) v = 7;
    Answer(c.answer);
    EXPECT_EQ(c.result, c.read(handle(), serial()));
    EXPECT_EQ(c.slots, Slots(gList));
  }
  // Only the motor list traces its answer.
  EXPECT_TRUE(log.HasTrace(HandleText(handle()) + " - GetAllAxisMotorPositions() receive string: recv 10,,30"));
  EXPECT_EQ(1, log.CountContaining("receive string"));
}

TEST_P(Answers, BothListsComeFromTwoQueriesAndAFailedFirstLeavesBoth) {
  int32_t motor[10] = {7, 7, 7, 7, 7, 7, 7, 7, 7, 7};
  int32_t encoder[10] = {7, 7, 7, 7, 7, 7, 7, 7, 7, 7};
  serial() ? Answer("") : tcp_->QueueReply("\x15");  // a silent serial controller, a refusing Ethernet one
  EXPECT_EQ(serial() ? VEK_ERROR_SERIAL_READ_TIMEOUT : VEK_ERROR_COMMAND_NAK,
            Call(VEKnet_GetAllAxisPositions, VEKser_GetAllAxisPositions, motor, encoder));
  EXPECT_EQ("PP", Sent());
  EXPECT_EQ(List(10, 7), Slots(motor));
  EXPECT_EQ(List(10, 7), Slots(encoder));
  Answer("1,2");
  Answer("3");
  ASSERT_EQ(0u, Call(VEKnet_GetAllAxisPositions, VEKser_GetAllAxisPositions, motor, encoder));
  EXPECT_EQ("PPPE;", Sent());
  EXPECT_EQ(List({1, 2, 0, 0, 0, 0, 0, 0, 0, 0}), Slots(motor));
  EXPECT_EQ(List({3, 0, 0, 0, 0, 0, 0, 0, 0, 0}), Slots(encoder));
}

TEST_P(Answers, ARejectedMoveOrSearchPassesTheTransportResultThroughAndIsNotStopped) {
  if (serial()) GTEST_SKIP() << "a serial controller acknowledges nothing";
  const int32_t targets[10] = {1};
  tcp_->QueueReply("\x15");  // the long time-outs cost nothing: no wait starts
  EXPECT_EQ(VEK_ERROR_COMMAND_NAK, Call(VEKnet_Move, VEKser_Move, 1, 0, 0, targets, 0, 60000));
  tcp_->QueueReply("\x15");
  EXPECT_EQ(VEK_ERROR_COMMAND_NAK, Call(VEKnet_FindAxisLimit, VEKser_FindAxisLimit, 1, 0, 10, 60000));
  EXPECT_EQ("AAMA1;;GDID;AXLNJG10;", Sent());
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
      {"EDSP", 215, {1, 0, 1, 1, kOld}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.answer);
    Answer(c.answer);
    uint32_t flags[5] = {kOld, kOld, kOld, kOld, kOld};
    EXPECT_EQ(c.result, Call(VEKnet_GetAxisEncoderStatus, VEKser_GetAxisEncoderStatus, 512, flags));
    EXPECT_EQ(List(c.flags, c.flags + 5), List(flags, flags + 5));
    EXPECT_EQ("AKEA", Sent());
  }
}

TEST_P(Answers, IoReadsScanTheirAnswers) {
  // A single line is set only when every bit of its mask is; a mask of 0 always is.
  constexpr uint32_t kOld = 0xDEADBEEFu;
  const struct {
    const char* label;
    Invoke read;
    const char* answer;
    uint32_t result;
    uint32_t value;
  } cases[] = {
      {IO(GetIOBitsDirection, &gWord), "=00F0", 0, 240},
      {IO(GetIOBitsDirection, &gWord), "=", 215, kOld},
      {IO(GetIOBitsState, &gWord), " FF00 rest", 0, 0xFF00},
      {IO(GetIOBitsState, &gWord), "zz", 215, kOld},
      {IO(GetIOBitState, 5u, &gWord), "5", 0, 1},
      {IO(GetIOBitState, 7u, &gWord), "5", 0, 0},
      {IO(GetIOBitState, 0u, &gWord), "5", 0, 1},
      {IO(GetIOBitState, 0u, &gWord), "zz", 215, kOld},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.label) + " " + c.answer);
    LogCapture log(0xA70000);
    ASSERT_TRUE(log.started());
    Answer(c.answer);
    gWord = kOld;
    EXPECT_EQ(c.result, c.read(handle(), serial()));
    EXPECT_EQ(c.value, gWord);
    const std::string bad = c.label + std::string(" | VEK_ERROR_BAD_RESPONSE | bad receive string: recv ") + c.answer;
    EXPECT_EQ(c.result != 0, log.HasTrace(HandleText(handle()) + " - " + bad));
    EXPECT_EQ(c.result != 0 ? 1 : 0, log.CountContaining("BAD_RESPONSE"));
  }
}

TEST_P(Answers, IllegalCommandFitsItsBufferAndRefusesMissingOnes) {
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
  // The serial reader fills the buffer without a terminator and says so; the
  // Ethernet query cuts the answer to fit with its terminator.
  EXPECT_EQ(serial() ? VEK_ERROR_ANSWER_TOO_LONG : VEK_SUCCESS, result);
  EXPECT_EQ(serial() ? 8 : 7, length);
  EXPECT_EQ(serial() ? std::string("AXMA1000") : std::string("AXMA100\0", 8), std::string(text, 8));
  EXPECT_EQ(std::string(8, '~'), std::string(text + 8, 8)) << "nothing written past the buffer";

  // Missing buffers are refused before anything is asked.
  std::strcpy(text, "old");
  length = 99;
  EXPECT_EQ(3u, Call(VEKnet_GetIllegalCommand, VEKser_GetIllegalCommand, static_cast<char*>(nullptr), 16, &length));
  EXPECT_EQ(3u, Call(VEKnet_GetIllegalCommand, VEKser_GetIllegalCommand, text, 16, static_cast<int32_t*>(nullptr)));
  EXPECT_EQ(3u, (serial() ? VEKser_GetIllegalCommand : VEKnet_GetIllegalCommand)(nullptr, text, 16, &length));
  EXPECT_EQ(99, length);
  EXPECT_EQ(3u, Call(VEKnet_GetIllegalCommand, VEKser_GetIllegalCommand, text, 0, &length));
  EXPECT_EQ(0, length);
  EXPECT_STREQ("old", text);
  EXPECT_EQ("#ER", Sent());
}

VEK_TRANSPORT_SUITE(Answers);

}  // namespace
}  // namespace vek::test
