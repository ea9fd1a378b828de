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
    {OP(MoveAxis, VEK_AXIS_X, 0, 1000, 0, 0), 0, "AXMA1000;GDID;", "MoveAxis()"},
    {OP(MoveAxis, VEK_AXIS_Y, 1, -250, 1, 0), 0, "AYMR-250;GDIP;"},
    {OP(MoveAxis, VEK_AXIS_X, 2, 1000, 0, 0), 3, "", "MoveAxis()"},
    {OP(MoveAxis, VEK_AXIS_X, 0, 1000, 2, 0), 3, ""},
    {OP(MoveAxis, 3, 2, 1000, 0, 0), kAxis, ""},
    {OP(JogAxis, VEK_AXIS_Z, 0, 1500.75), 0, "AZJG1500;", "JogAxis()"},
    {OP(JogAxis, VEK_AXIS_X, 0, -2147483648.9), 0, "AXJG-2147483648;"},
    {OP(JogAxis, VEK_AXIS_X, 0, 2147483648.0), 3, ""},
    {OP(JogAxis, VEK_AXIS_X, 0, kNaN), 3, ""},
    {OP(JogAxis, VEK_AXIS_Z, 1, 1500.75), 0, "AZJF1500.750000;"},
    {OP(JogAxis, VEK_AXIS_X, 1, 1e200), 3, ""},  // too long for the command
    {OP(JogAxis, VEK_AXIS_X, 2, 1.0), 3, "", "JogAxis()"},
    // One step: the direction is checked before the axis.
    {OP(MoveAxisOneStep, VEK_AXIS_X, 1), 0, "AXMMMO;", "SendSingleCommand()"},
    {OP(MoveAxisOneStep, 3, 2), 3, ""},
    // Several axes (time-out 0: no wait).
    {OP(Move, VEK_AXIS_X | VEK_AXIS_Z, 0, 0, kXZ, 0, 0), 0, "AAMA100,,-5;;GDID;", "Move()"},
    {OP(Move, VEK_AXIS_Y, 1, 3, kXY, 0, 0), 0, "AMML,-2000;;GDID;"},
    {OP(Move, 1024, 0, 0, kXZ, 0, 0), kAxis, ""},
    {OP(Move, 5, 2, 0, kXZ, 0, 0), 3, "", "Move()"},
    {OP(Move, 5, 0, 4, kXZ, 0, 0), 3, ""},
    {OP(Move, 5, 0, 0, nullptr, 0, 0), 3, ""},
    {OP(Move, 5, 0, 0, kXZ, -1, 0), 3, ""},
    {OP(Move, 1023, 0, 0, kMin, 0, 0), 3, ""},  // no room left for the suffix
    {OP(Jog, VEK_AXIS_X | VEK_AXIS_Y, 0, kXY), 0, "AAJG2000,-2000;", "Jog()"},
    {OP(Jog, VEK_AXIS_Z, 1, kXZ), 0, "AMJG,,-5;"},
    {OP(Jog, 1024, 0, nullptr), kAxis, ""},
    {OP(Jog, 3, -1, kXY), 3, "", "Jog()"},
    {OP(StopMotion, VEK_ALL_AXES), 0, "SA", "StopMotion()"},
    {OP(KillMotion, VEK_ALL_AXES), 0, ";AMKL", "KillMotion()"},
    {OP(StopMotion, VEK_AXIS_K), 0, "SI,,,,,,,,,1;"},
    {OP(KillMotion, VEK_AXIS_X | VEK_AXIS_Z), 0, "KS1,,1;"},
    {OP(StopMotion, -1), 0, "SI1,1,1,1,1,1,1,1,1,1;"},
    {OP(StopMotion, 1024), kAxis, ""},
    // Searches (time-out 0: no wait, no stop).
    {OP(SetAxisHomeSwitchLogic, VEK_AXIS_X, 0), 0, "AXHL", "SetAxisHomeSwitchLogic()"},
    {OP(SetAxisHomeSwitchLogic, 3, 2), 3, "", "SetAxisHomeSwitchLogic()"},
    {OP(FindAxisHome, VEK_AXIS_X, 0, 0, 0, 0), 0, "AXHSHM0;ID", "VEKnet_FindAxisHome()"},
    {OP(FindAxisHome, 3, 2, 2, 0, 0), kAxis, ""},
    {OP(FindAxisHome, VEK_AXIS_X, 2, 0, 0, 0), 3, "", "VEKnet_FindAxisHome()"},
    {OP(FindAxisHome, VEK_AXIS_X, 0, 2, 0, 0), 3, ""},
    {OP(FindAxisLimit, VEK_AXIS_Z, 1, -5000, 0), 0, "AZLNJG--5000;", "FindAxisLimit()"},
    {OP(FindAxisLimit, VEK_AXIS_Z, 2, 5000, 0), 3, "", "FindAxisLimit()"},
    {OP(FindAxisLimit, 0, 0, 5000, 0), kAxis, ""},
    {OP(FindAxisLimit, VEK_AXIS_Z, 0, 5000, -1), 3, "AZLNJG5000;SI,,1;"},  // stopped at once
    // Positions.
    {OP(GetAxisMotorPosition, VEK_AXIS_Z, gOut), 0, "AZRP;", "GetAxisMotorPosition()", "5"},
    {OP(GetAxisEncoderPosition, VEK_AXIS_Z, gOut), 0, "AZRE;", "GetAxisEncoderPosition()", "5"},
    {OP(GetAxisMotorPosition, 3, nullptr), kAxis, ""},
    {OP(GetAllAxisMotorPositions, gOut), 0, "PP", "GetAllAxisMotorPositions()", "1,2"},
    {OP(GetAllAxisEncoderPositions, gOut), 0, "PE;", "GetAllAxisEncoderPositions()", "1,2"},
    {OP(GetAllAxisPositions, gOut, nullptr), 3, ""},
    {OP(SetAxisMotorPosition, VEK_AXIS_X, -1500), 0, "AXLP-1500;", "SetAxisMotorPosition()"},
    {OP(SetMultiAxisMotorPositions, VEK_AXIS_X | VEK_AXIS_Z, 0, kXZ), 0, "AALP100,,-5;",
     "SetMultiAxisMotorPositions()"},
    {OP(SetMultiAxisMotorPositions, 5, 2, kXZ), 3, "", "SetMultiAxisMotorPositions()"},
    {OP(SetMultiAxisMotorPositions, 1024, 0, nullptr), kAxis, ""},
    // Velocities and accelerations.
    {OP(GetAxisCurrentVelocity, VEK_AXIS_X, gOut), 0, "AXRV", "GetAxisCurrentVelocity()", "5"},
    {OP(GetAxisBaseVelocity, VEK_AXIS_Y, gOut), 0, "AY?VB", "GetAxisBaseVelocity()", "=5"},
    {OP(GetAxisMaxVelocity, VEK_AXIS_W, gOut), 0, "AW?VL", "GetAxisMaxVelocity()", "=5"},
    {OP(GetAxisAcceleration, VEK_AXIS_K, gOut), 0, "AK?AC", "GetAxisAcceleration()", "=5"},
    {OP(GetAllCurrentVelocities, 0, gOut), 0, "AARV", "GetAllCurrentVelocities()", "1"},
    {OP(GetAllCurrentAccelerations, 1, gOut), 0, "AMRC", "GetAllCurrentAccelerations()", "1"},
    {OP(GetAllCurrentAccelerations, 2, gOut), 3, "", "GetAllCurrentAccelerations()"},
    // Settings built straight from the axis look at it before the handle.
    {OP(SetAxisBaseVelocity, VEK_AXIS_X, INT32_MIN), 0, "AXVB-2147483648;", "SendSingleParamCommand()"},
    {OP(SetAxisAccelerationCosine, VEK_AXIS_T), 0, "ATSC;", "SendSingleCommand()"},
    {OP(SetAxisAccelerationLinear, 0), kAxis, "", "SendSingleCommand()", nullptr, kAxis},
    {OP(SetAxisAcceleration, VEK_AXIS_Y, 250000), 0, "AYAC250000;", "SendSingleParamCommand()"},
    {OP(SetAxisAccelerationParabolic, VEK_AXIS_Z, 3), 0, "AZPR3;"},
    {OP(SetAxisAccelerationSCurve, VEK_AXIS_U, -7), 0, "AUSS-7;"},
    // Servo and encoder settings; the PID selector comes before the axis.
    {OP(SetAxisPID, VEK_AXIS_S, 0), 0, "ASHF"},
    {OP(SetAxisPID, 3, 2), 3, ""},
    {OP(SetAxisEncoderRatio, VEK_AXIS_W, INT32_MIN, INT32_MAX), 0, "AWER-2147483648,2147483647;"},
    {OP(SetAxisEncoderRatio, 0, 3, 4), kAxis, ""},
    {OP(SetAxisHoldDeadBand, VEK_AXIS_X, 5, 10, 20), 0, "AXHD5,10,20;"},
    {OP(SetAxisHoldDeadBand, VEK_AXIS_X, -5, 0, 0), 0, "AXHD-5,;"},  // zeros leave their fields empty
    {OP(SetAxisHoldDeadBand, VEK_AXIS_X, 5, -1, 0), 3, ""},
    {OP(SetAxisHoldDeadBand, VEK_AXIS_X, 5, 10, -1), 3, "", "SetAxisHoldDeadBand()"},
    {OP(SetAxisHoldGain, VEK_AXIS_R, 25), 0, "ARHG25;", "SendSingleParamCommand()"},
    {OP(SetAxisHoldVelocity, -1, 3), kAxis, "", "", nullptr, kAxis},
    {OP(EnableAxisSlipDectection, VEK_AXIS_V), 0, "AVIS;"},
    // Overtravel switches trace once the axis is good, also before a bad
    // selector; the travel limits look at the axis before the handle.
    {OP(SetAxisOvertravelDetect, VEK_AXIS_U, 1u), 0, "AULN;", "SetAxisOvertravelDetect()"},
    {OP(SetAxisOvertravelDetect, VEK_AXIS_X, 2u), 3, "", "SetAxisOvertravelDetect()"},
    {OP(SetAxisOvertravelSense, VEK_AXIS_X, 1u), 0, "AXLH;", "SetAxisOvertravelSense()"},
    {OP(SetAxisOvertravelStopMode, VEK_AXIS_X, 1u), 0, "AXSL;", "SetAxisOvertravelStopMode()"},
    {OP(SetAxisSoftwareTravelLimits, VEK_AXIS_X, 500, -500), 0, "AXTL500,-500;"},
    {OP(SetAxisSoftwareTravelLimits, 3, 1, 2), kAxis, "", "", nullptr, kAxis},
    // Auxiliary output: the selector comes before the axis and the handle.
    {OP(EnableAxisAux, VEK_AXIS_K, 1), 0, "AKPA1;", "SendSingleParamCommand()"},
    {OP(EnableAxisAux, 3, 2), 3, ""},
    {OP(EnableAxisAux, 3, 1), kAxis, "", "", nullptr, kAxis},
    {OP(SetAxisAuxSettleTime, VEK_AXIS_K, 50), 0, "AKSE50;", "SendSingleParamCommand()"},
    {OP(SetAxisAuxDefaultState, VEK_AXIS_X, 0u), 0, "AXADL"},
    {OP(SetAxisAuxBit, VEK_AXIS_R, 0u), 0, "ARAF"},
    {OP(SetAxisAuxBit, VEK_AXIS_X, 0xFFFFFFFFu), 3, ""},
    // Encoder status and I/O reads: the handle, then the axis, then the pointer.
    {OP(GetAxisEncoderStatus, VEK_AXIS_Y, gWord), 0, "AYEA", "GetAxisEncoderStatus()", "EDSPN"},
    {OP(GetAxisEncoderStatus, 3, nullptr), kAxis, ""},
    {OP(GetAxisEncoderStatus, VEK_AXIS_X, nullptr), 3, ""},
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
