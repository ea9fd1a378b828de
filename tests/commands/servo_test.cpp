// Servo and encoder settings on both transports: the exact texts, the order
// of the checks, and the decoding of the encoder-status letters.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "tests/commands/transport_fixture.h"
#include "tests/support/log_capture.h"
#include "vekkestra.h"

namespace vek::test {
namespace {

// One call of either twin: the serial one when `ser` is set.
#define SERVO_CALL(op, ...) \
  [](uint32_t* h, bool ser) -> uint32_t { return ser ? VEKser_##op(h, __VA_ARGS__) : VEKnet_##op(h, __VA_ARGS__); }

struct SendCase {
  const char* name;
  const char* label;  // the Ethernet twin's entry label
  uint32_t (*call)(uint32_t* handle, bool serial);
  uint32_t result;
  const char* sent;     // every byte the controller received
  uint32_t nullResult;  // the same call with a null handle
};

const SendCase kSendCases[] = {
    {"pid off", "VEKnet_SetAxisPID()", SERVO_CALL(SetAxisPID, 1, 0), 0, "AXHF", 3},
    {"pid on", "VEKnet_SetAxisPID()", SERVO_CALL(SetAxisPID, 1, 1), 0, "AXHN", 3},
    {"pid selector 2", "VEKnet_SetAxisPID()", SERVO_CALL(SetAxisPID, 1, 2), 3, "", 3},
    {"pid selector -1", "VEKnet_SetAxisPID()", SERVO_CALL(SetAxisPID, 1, -1), 3, "", 3},
    {"pid bad axis", "VEKnet_SetAxisPID()", SERVO_CALL(SetAxisPID, 3, 1), 2, "", 3},
    {"pid bad selector before bad axis", "VEKnet_SetAxisPID()", SERVO_CALL(SetAxisPID, 3, 2), 3, "", 3},
    {"ratio", "VEKnet_SetAxisEncoderRatio()", SERVO_CALL(SetAxisEncoderRatio, 1, 3, 4), 0, "AXER3,4;", 3},
    {"ratio negative and zero", "VEKnet_SetAxisEncoderRatio()", SERVO_CALL(SetAxisEncoderRatio, 1, -1, 0), 0,
     "AXER-1,0;", 3},
    {"ratio extremes", "VEKnet_SetAxisEncoderRatio()", SERVO_CALL(SetAxisEncoderRatio, 256, INT32_MIN, INT32_MAX), 0,
     "AWER-2147483648,2147483647;", 3},
    {"ratio bad axis", "VEKnet_SetAxisEncoderRatio()", SERVO_CALL(SetAxisEncoderRatio, 0, 3, 4), 2, "", 3},
    {"dead band full", "VEKnet_SetAxisHoldDeadBand()", SERVO_CALL(SetAxisHoldDeadBand, 1, 5, 10, 20), 0, "AXHD5,10,20;",
     3},
    {"dead band no third", "VEKnet_SetAxisHoldDeadBand()", SERVO_CALL(SetAxisHoldDeadBand, 1, 5, 10, 0), 0, "AXHD5,10;",
     3},
    {"dead band empty second", "VEKnet_SetAxisHoldDeadBand()", SERVO_CALL(SetAxisHoldDeadBand, 1, 5, 0, 20), 0,
     "AXHD5,,20;", 3},
    {"dead band alone", "VEKnet_SetAxisHoldDeadBand()", SERVO_CALL(SetAxisHoldDeadBand, 1, 5, 0, 0), 0, "AXHD5,;", 3},
    {"dead band negative", "VEKnet_SetAxisHoldDeadBand()", SERVO_CALL(SetAxisHoldDeadBand, 1, -5, 0, 0), 0, "AXHD-5,;",
     3},
    {"dead band second -1", "VEKnet_SetAxisHoldDeadBand()", SERVO_CALL(SetAxisHoldDeadBand, 1, 5, -1, 20), 3, "", 3},
    {"dead band second -1 third 0", "VEKnet_SetAxisHoldDeadBand()", SERVO_CALL(SetAxisHoldDeadBand, 1, 5, -1, 0), 3, "",
     3},
    {"dead band third -1", "VEKnet_SetAxisHoldDeadBand()", SERVO_CALL(SetAxisHoldDeadBand, 1, 5, 10, -1), 3, "", 3},
    {"dead band bad axis", "VEKnet_SetAxisHoldDeadBand()", SERVO_CALL(SetAxisHoldDeadBand, 1024, 5, -1, -1), 2, "", 3},
    {"slip tolerance", "VEKnet_SetAxisEncoderSlipTolerance()", SERVO_CALL(SetAxisEncoderSlipTolerance, 2, 7), 0,
     "AYES7;", 3},
    {"hold gain", "VEKnet_SetAxisHoldGain()", SERVO_CALL(SetAxisHoldGain, 1, 25), 0, "AXHG25;", 3},
    {"hold velocity", "VEKnet_SetAxisHoldVelocity()", SERVO_CALL(SetAxisHoldVelocity, 512, -3), 0, "AKHV-3;", 3},
    {"hold velocity bad axis", "VEKnet_SetAxisHoldVelocity()", SERVO_CALL(SetAxisHoldVelocity, -1, 3), 2, "", 2},
};

class ServoSettings : public TransportTest {
 protected:
  std::string Label(const char* netLabel) {
    std::string label = netLabel;
    if (serial()) label.replace(0, 7, "VEKser_");
    return label;
  }
};

TEST_P(ServoSettings, SendTheirTextsOrRefuse) {
  for (const SendCase& c : kSendCases) {
    SCOPED_TRACE(c.name);
    LogCapture log(1);
    ASSERT_TRUE(log.started());
    EXPECT_EQ(c.result, c.call(handle(), serial()));
    const std::vector<std::string> traces = log.Traces();
    ASSERT_FALSE(traces.empty());
    EXPECT_EQ(HandleText(handle()) + " - " + Label(c.label), traces.front()) << "the entry trace comes first";
    EXPECT_EQ(c.sent, Sent());
  }
  if (!serial()) {
    RejectNext();
    EXPECT_EQ(VEK_ERROR_COMMAND_NAK, Call(VEKnet_SetAxisHoldGain, VEKser_SetAxisHoldGain, 1, 25));
  }
}

TEST_P(ServoSettings, NullHandleIsRefusedWithNothingSent) {
  for (const SendCase& c : kSendCases) {
    SCOPED_TRACE(c.name);
    // A setting that goes straight to a builder finds a bad axis before the
    // handle; the workers look at the handles first.
    EXPECT_EQ(c.nullResult, c.call(nullptr, serial()));
  }
  EXPECT_EQ("", Sent());
}

TEST_P(ServoSettings, DeadBandTracesBeforeRefusingANegativeField) {
  LogCapture log(0xA70000);
  ASSERT_TRUE(log.started());
  EXPECT_EQ(VEK_ERROR_INVALID_PARAMETER, Call(VEKnet_SetAxisHoldDeadBand, VEKser_SetAxisHoldDeadBand, 1, 5, 10, -1));
  EXPECT_TRUE(log.HasTrace(HandleText(handle()) + " - SetAxisHoldDeadBand()"));
  EXPECT_EQ("", Sent());
}

VEK_TRANSPORT_SUITE(ServoSettings);

// ---- Encoder status ----

constexpr uint32_t kOld = 7;

struct StatusCase {
  const char* answer;
  uint32_t result;
  uint32_t flags[5];
};

const StatusCase kStatusCases[] = {
    {"EDSPN", 0, {1, 0, 1, 1, 0}},         {"EDSPNXYZ", 0, {1, 0, 1, 1, 0}},
    {"DENNP", 0, {0, 1, 0, 0, 1}},         {"EXSPN", 215, {1, kOld, kOld, kOld, kOld}},
    {"ED", 215, {1, 0, kOld, kOld, kOld}}, {"eDSPN", 215, {kOld, kOld, kOld, kOld, kOld}},
    {"EDSP", 215, {1, 0, 1, 1, kOld}},     {" EDSPN", 215, {kOld, kOld, kOld, kOld, kOld}},
};

class EncoderStatus : public TransportTest {};

TEST_P(EncoderStatus, DecodesTheFirstFiveLettersInOrder) {
  for (const StatusCase& c : kStatusCases) {
    SCOPED_TRACE(c.answer);
    Answer(c.answer);
    uint32_t flags[5] = {kOld, kOld, kOld, kOld, kOld};
    EXPECT_EQ(c.result, Call(VEKnet_GetAxisEncoderStatus, VEKser_GetAxisEncoderStatus, 1, flags));
    for (int i = 0; i < 5; ++i) EXPECT_EQ(c.flags[i], flags[i]) << "slot " << i;
    EXPECT_EQ("AXEA", Sent());
  }
}

TEST_P(EncoderStatus, EmptyOrMissingAnswerLeavesTheFlags) {
  Answer("");
  uint32_t flags[5] = {kOld, kOld, kOld, kOld, kOld};
  // A serial controller cannot send an empty line; its silence ends the query.
  const uint32_t expected = serial() ? VEK_ERROR_SERIAL_READ_TIMEOUT : VEK_ERROR_BAD_RESPONSE;
  EXPECT_EQ(expected, Call(VEKnet_GetAxisEncoderStatus, VEKser_GetAxisEncoderStatus, 512, flags));
  for (uint32_t f : flags) EXPECT_EQ(kOld, f);
  EXPECT_EQ("AKEA", Sent());
  if (!serial()) {
    RejectNext();
    EXPECT_EQ(VEK_ERROR_COMMAND_NAK, Call(VEKnet_GetAxisEncoderStatus, VEKser_GetAxisEncoderStatus, 1, flags));
    for (uint32_t f : flags) EXPECT_EQ(kOld, f);
  }
}

TEST_P(EncoderStatus, ChecksHandleThenAxisThenPointer) {
  uint32_t flags[5] = {};
  EXPECT_EQ(VEK_ERROR_INVALID_PARAMETER,
            CallNull(VEKnet_GetAxisEncoderStatus, VEKser_GetAxisEncoderStatus, 3, static_cast<uint32_t*>(nullptr)));
  EXPECT_EQ(VEK_ERROR_INVALID_AXIS,
            Call(VEKnet_GetAxisEncoderStatus, VEKser_GetAxisEncoderStatus, 3, static_cast<uint32_t*>(nullptr)));
  EXPECT_EQ(VEK_ERROR_INVALID_AXIS, Call(VEKnet_GetAxisEncoderStatus, VEKser_GetAxisEncoderStatus, 0, flags));
  EXPECT_EQ(VEK_ERROR_INVALID_PARAMETER,
            Call(VEKnet_GetAxisEncoderStatus, VEKser_GetAxisEncoderStatus, 1, static_cast<uint32_t*>(nullptr)));
  EXPECT_EQ("", Sent());
}

VEK_TRANSPORT_SUITE(EncoderStatus);

}  // namespace
}  // namespace vek::test
