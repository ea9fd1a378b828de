// The exact text every command operation sends on both transports, the result of every
// refused argument (with nothing sent), the order of the checks, the entry and worker traces.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "tests/commands/transport_fixture.h"
#include "tests/support/log_capture.h"
#include "vekkestra.h"

namespace vek::test {
namespace {

#define OP(op, ...) #op, TWIN(op, __VA_ARGS__)

struct TextCase {
  const char* op;  // the entry label is "VEKnet_<op>()" / "VEKser_<op>()"
  Invoke invoke;
  uint32_t result;
  const char* sent;              // every byte the controller received
  const char* worker = "";       // the verbose line written once the first checks passed ("" none checked)
  const char* answer = nullptr;  // the controller's answer to a query
  uint32_t nullResult = VEK_ERROR_INVALID_PARAMETER;  // the same call with a null handle
};

const int32_t kXZ[10] = {100, 0, -5};
const int32_t kXY[10] = {2000, -2000};
const int32_t kMin[10] = {INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN,
                          INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN};
int32_t gOut[10];  // what the reads store
uint32_t* const gWord = reinterpret_cast<uint32_t*>(gOut);
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr uint32_t kAxis = VEK_ERROR_INVALID_AXIS;

const TextCase kCases[] = {
    // Moves and jogs; the axis is checked before the kind.
    {OP(MoveAxis, 1, 0, 1000, 0, 0), 0, "AXMA1000;GDID;", "MoveAxis()"},
    {OP(MoveAxis, 2, 1, -250, 1, 0), 0, "AYMR-250;GDIP;"},
    {OP(MoveAxis, 1, 2, 1000, 0, 0), 3, "", "MoveAxis()"},
    {OP(MoveAxis, 1, 0, 1000, 2, 0), 3, ""},
    {OP(MoveAxis, 3, 2, 1000, 0, 0), kAxis, ""},
    {OP(JogAxis, 4, 0, 1500.75), 0, "AZJG1500;", "JogAxis()"},
    {OP(JogAxis, 1, 0, -2147483648.9), 0, "AXJG-2147483648;"},
    {OP(JogAxis, 1, 0, 2147483648.0), 3, ""},
    {OP(JogAxis, 1, 0, kNaN), 3, ""},
    {OP(JogAxis, 4, 1, 1500.75), 0, "AZJF1500.750000;"},
    {OP(JogAxis, 1, 1, 1e200), 3, ""},  // too long for the command
    {OP(JogAxis, 1, 2, 1.0), 3, "", "JogAxis()"},
    // One step: the direction is checked before the axis.
    {OP(MoveAxisOneStep, 1, 1), 0, "AXMMMO;", "SendSingleCommand()"},
    {OP(MoveAxisOneStep, 3, 2), 3, ""},
    // Several axes (time-out 0: no wait).
    {OP(Move, 5, 0, 0, kXZ, 0, 0), 0, "AAMA100,,-5;;GDID;", "Move()"},
    {OP(Move, 2, 1, 3, kXY, 0, 0), 0, "AMML,-2000;;GDID;"},
    {OP(Move, 1024, 0, 0, kXZ, 0, 0), kAxis, ""},
    {OP(Move, 5, 2, 0, kXZ, 0, 0), 3, "", "Move()"},
    {OP(Move, 5, 0, 4, kXZ, 0, 0), 3, ""},
    {OP(Move, 5, 0, 0, nullptr, 0, 0), 3, ""},
    {OP(Move, 5, 0, 0, kXZ, -1, 0), 3, ""},
    {OP(Move, 1023, 0, 0, kMin, 0, 0), 3, ""},  // no room left for the suffix
    {OP(Jog, 3, 0, kXY), 0, "AAJG2000,-2000;", "Jog()"},
    {OP(Jog, 4, 1, kXZ), 0, "AMJG,,-5;"},
    {OP(Jog, 1024, 0, nullptr), kAxis, ""},
    {OP(Jog, 3, -1, kXY), 3, "", "Jog()"},
    {OP(StopMotion, 1023), 0, "SA", "StopMotion()"},
    {OP(KillMotion, 1023), 0, ";AMKL", "KillMotion()"},
    {OP(StopMotion, 512), 0, "SI,,,,,,,,,1;"},
    {OP(KillMotion, 5), 0, "KS1,,1;"},
    {OP(StopMotion, -1), 0, "SI1,1,1,1,1,1,1,1,1,1;"},
    {OP(StopMotion, 1024), kAxis, ""},
    // Searches (time-out 0: no wait, no stop).
    {OP(SetAxisHomeSwitchLogic, 1, 0), 0, "AXHL", "SetAxisHomeSwitchLogic()"},
    {OP(SetAxisHomeSwitchLogic, 3, 2), 3, "", "SetAxisHomeSwitchLogic()"},
    {OP(FindAxisHome, 1, 0, 0, 0, 0), 0, "AXHSHM0;ID", "VEKnet_FindAxisHome()"},
    {OP(FindAxisHome, 3, 2, 2, 0, 0), kAxis, ""},
    {OP(FindAxisHome, 1, 2, 0, 0, 0), 3, "", "VEKnet_FindAxisHome()"},
    {OP(FindAxisHome, 1, 0, 2, 0, 0), 3, ""},
    {OP(FindAxisLimit, 4, 1, -5000, 0), 0, "AZLNJG--5000;", "FindAxisLimit()"},
    {OP(FindAxisLimit, 4, 2, 5000, 0), 3, "", "FindAxisLimit()"},
    {OP(FindAxisLimit, 0, 0, 5000, 0), kAxis, ""},
    {OP(FindAxisLimit, 4, 0, 5000, -1), 3, "AZLNJG5000;SI,,1;"},  // stopped at once
    // Positions.
    {OP(GetAxisMotorPosition, 4, gOut), 0, "AZRP;", "GetAxisMotorPosition()", "5"},
    {OP(GetAxisEncoderPosition, 4, gOut), 0, "AZRE;", "GetAxisEncoderPosition()", "5"},
    {OP(GetAxisMotorPosition, 3, nullptr), kAxis, ""},
    {OP(GetAllAxisMotorPositions, gOut), 0, "PP", "GetAllAxisMotorPositions()", "1,2"},
    {OP(GetAllAxisEncoderPositions, gOut), 0, "PE;", "GetAllAxisEncoderPositions()", "1,2"},
    {OP(GetAllAxisPositions, gOut, nullptr), 3, ""},
    {OP(SetAxisMotorPosition, 1, -1500), 0, "AXLP-1500;", "SetAxisMotorPosition()"},
    {OP(SetMultiAxisMotorPositions, 5, 0, kXZ), 0, "AALP100,,-5;", "SetMultiAxisMotorPositions()"},
    {OP(SetMultiAxisMotorPositions, 5, 2, kXZ), 3, "", "SetMultiAxisMotorPositions()"},
    {OP(SetMultiAxisMotorPositions, 1024, 0, nullptr), kAxis, ""},
    // Velocities and accelerations.
    {OP(GetAxisCurrentVelocity, 1, gOut), 0, "AXRV", "GetAxisCurrentVelocity()", "5"},
    {OP(GetAxisBaseVelocity, 2, gOut), 0, "AY?VB", "GetAxisBaseVelocity()", "=5"},
    {OP(GetAllCurrentVelocities, 0, gOut), 0, "AARV", "GetAllCurrentVelocities()", "1"},
    {OP(GetAllCurrentAccelerations, 1, gOut), 0, "AMRC", "GetAllCurrentAccelerations()", "1"},
    {OP(GetAllCurrentAccelerations, 2, gOut), 3, "", "GetAllCurrentAccelerations()"},
    // Settings built straight from the axis look at it before the handle.
    {OP(SetAxisBaseVelocity, 1, INT32_MIN), 0, "AXVB-2147483648;", "SendSingleParamCommand()"},
    {OP(SetAxisAccelerationCosine, 8), 0, "ATSC;", "SendSingleCommand()"},
    {OP(SetAxisAccelerationLinear, 0), kAxis, "", "SendSingleCommand()", nullptr, kAxis},
    // Servo and encoder settings; the PID selector comes before the axis.
    {OP(SetAxisPID, 128, 0), 0, "ASHF"},
    {OP(SetAxisPID, 3, 2), 3, ""},
    {OP(SetAxisEncoderRatio, 256, INT32_MIN, INT32_MAX), 0, "AWER-2147483648,2147483647;"},
    {OP(SetAxisEncoderRatio, 0, 3, 4), kAxis, ""},
    {OP(SetAxisHoldDeadBand, 1, 5, 10, 20), 0, "AXHD5,10,20;"},
    {OP(SetAxisHoldDeadBand, 1, -5, 0, 0), 0, "AXHD-5,;"},  // zeros leave their fields empty
    {OP(SetAxisHoldDeadBand, 1, 5, -1, 0), 3, ""},
    {OP(SetAxisHoldDeadBand, 1, 5, 10, -1), 3, "", "SetAxisHoldDeadBand()"},
    {OP(SetAxisHoldVelocity, -1, 3), kAxis, "", "", nullptr, kAxis},
    {OP(EnableAxisSlipDectection, 32), 0, "AVIS;"},
    // Overtravel switches trace once the axis is good, also before a bad
    // selector; the travel limits look at the axis before the handle.
    {OP(SetAxisOvertravelDetect, 16, 1u), 0, "AULN;", "SetAxisOvertravelDetect()"},
    {OP(SetAxisOvertravelDetect, 1, 2u), 3, "", "SetAxisOvertravelDetect()"},
    {OP(SetAxisOvertravelSense, 1, 1u), 0, "AXLH;", "SetAxisOvertravelSense()"},
    {OP(SetAxisOvertravelStopMode, 1, 1u), 0, "AXSL;", "SetAxisOvertravelStopMode()"},
    {OP(SetAxisSoftwareTravelLimits, 1, 500, -500), 0, "AXTL500,-500;"},
    {OP(SetAxisSoftwareTravelLimits, 3, 1, 2), kAxis, "", "", nullptr, kAxis},
    // Auxiliary output: the selector comes before the axis and the handle.
    {OP(EnableAxisAux, 1, 1), 0, "AXPA1;", "SendSingleParamCommand()"},
    {OP(EnableAxisAux, 3, 2), 3, ""},
    {OP(EnableAxisAux, 3, 1), kAxis, "", "", nullptr, kAxis},
    {OP(SetAxisAuxDefaultState, 1, 0u), 0, "AXADL"},
    {OP(SetAxisAuxBit, 64, 0u), 0, "ARAF"},
    {OP(SetAxisAuxBit, 1, 0xFFFFFFFFu), 3, ""},
    // Encoder status and I/O reads: the handle, then the axis, then the pointer.
    {OP(GetAxisEncoderStatus, 2, gWord), 0, "AYEA", "GetAxisEncoderStatus()", "EDSPN"},
    {OP(GetAxisEncoderStatus, 3, nullptr), kAxis, ""},
    {OP(GetAxisEncoderStatus, 1, nullptr), 3, ""},
    {OP(GetIOBitsDirection, gWord), 0, "RB", "GetIOBitsDirection()", "=0"},
    {OP(GetIOBitState, 1u, gWord), 0, "BX", "GetIOBitState()", "1"},
    {OP(GetIOBitState, 1u, nullptr), 3, ""},
    // General-purpose I/O: the direction in upper-case hex, the outputs in
    // lower case left-justified in two places, one line by its number.
    {OP(SetIOBitsDirection, 255u), 0, "BDFF;"},
    {OP(SetIOBitsDirection, 65536u), 3, ""},
    {OP(SetOutputBitsState, 165u), 0, "BSa5;"},
    {OP(SetOutputBitsState, 5u), 0, "BS5 ;"},
    {OP(SetOutputBitState, 8, 1), 0, "BH3;", "SetOutputBitState()"},
    {OP(SetOutputBitState, 32768, 0), 0, "BL15;"},
    {OP(SetOutputBitState, 3, 1), 3, ""},
    {OP(SetOutputBitState, 65536, 1), 3, ""},
    {OP(SetOutputBitState, 4, 2), 3, ""},
};

class CommandText : public TransportTest {};

TEST_P(CommandText, EverySendsItsExactTextOrNothing) {
  for (const TextCase& c : kCases) {
    SCOPED_TRACE(std::string(c.op) + " -> \"" + c.sent + "\" #" + std::to_string(&c - kCases));
    EXPECT_EQ(c.nullResult, c.invoke(nullptr, serial()));
    if (c.answer != nullptr) Answer(c.answer);
    LogCapture log(0x1 | 0xA70000);
    ASSERT_TRUE(log.started());
    EXPECT_EQ(c.result, c.invoke(handle(), serial()));
    EXPECT_EQ(c.sent, Sent());  // nothing from the null-handle call
    EXPECT_EQ(HandleText(handle()) + " - " + (serial() ? "VEKser_" : "VEKnet_") + c.op + "()", log.Traces().at(0))
        << "the entry trace first";
    EXPECT_TRUE(c.worker[0] == '\0' || log.HasTrace(HandleText(handle()) + " - " + c.worker)) << c.worker;
  }
}

VEK_TRANSPORT_SUITE(CommandText);

}  // namespace
}  // namespace vek::test
