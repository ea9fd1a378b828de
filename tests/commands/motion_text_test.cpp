// The exact text of every motion, stop, search, position and velocity
// operation on both transports, the result of every refused argument (with
// nothing sent), and the entry and worker traces. One table serves both
// transports.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "tests/commands/transport_fixture.h"
#include "tests/support/log_capture.h"
#include "vekkestra.h"

namespace vek::test {
namespace {

using Invoke = uint32_t (*)(uint32_t* handle, bool serial);

// A lambda that calls the twin of one operation for the transport in use.
#define TWIN(op, ...) \
  [](uint32_t* h, bool ser) -> uint32_t { return ser ? VEKser_##op(h, __VA_ARGS__) : VEKnet_##op(h, __VA_ARGS__); }

struct TextCase {
  const char* name;
  const char* op;  // the operation; its entry label is "VEKnet_<op>()" / "VEKser_<op>()"
  Invoke invoke;
  const char* answer;  // what the controller answers to a query (nullptr: a plain command)
  uint32_t result;
  const char* sent;    // every byte the controller received
  const char* worker;  // the verbose label written once the first checks passed ("" none)
};

const int32_t kXZ[10] = {100, 0, -5};
const int32_t kXY[10] = {2000, -2000};
const int32_t kZ7[10] = {0, 0, 7};
const int32_t kMin[10] = {INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN,
                          INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN};
const int32_t kOneToTen[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
int32_t gOut = 0;
int32_t gList[10];
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
#define MIN10                                                                                                     \
  "-2147483648,-2147483648,-2147483648,-2147483648,-2147483648,-2147483648,-2147483648,-2147483648,-2147483648,-" \
  "2147483648;"

const TextCase kCases[] = {
    // Single-axis moves.
    {"move absolute", "MoveAxis", TWIN(MoveAxis, 1, 0, 1000, 0, 0), nullptr, 0, "AXMA1000;GDID;", "MoveAxis()"},
    {"move relative", "MoveAxis", TWIN(MoveAxis, 2, 1, -250, 1, 0), nullptr, 0, "AYMR-250;GDIP;", "MoveAxis()"},
    {"move extreme", "MoveAxis", TWIN(MoveAxis, 512, 0, INT32_MIN, 0, 0), nullptr, 0, "AKMA-2147483648;GDID;",
     "MoveAxis()"},
    {"move kind 2", "MoveAxis", TWIN(MoveAxis, 1, 2, 1000, 0, 0), nullptr, 3, "", "MoveAxis()"},
    {"move kind -1", "MoveAxis", TWIN(MoveAxis, 1, -1, 1000, 0, 0), nullptr, 3, "", "MoveAxis()"},
    {"move axis before kind", "MoveAxis", TWIN(MoveAxis, 3, 2, 1000, 0, 0), nullptr, 2, "", ""},
    {"move axis 0", "MoveAxis", TWIN(MoveAxis, 0, 0, 1, 0, 0), nullptr, 2, "", ""},
    {"move axis 1024", "MoveAxis", TWIN(MoveAxis, 1024, 0, 1, 0, 0), nullptr, 2, "", ""},
    {"move axis -1", "MoveAxis", TWIN(MoveAxis, -1, 0, 1, 0, 0), nullptr, 2, "", ""},
    {"move axis sign bit", "MoveAxis", TWIN(MoveAxis, INT32_MIN, 0, 1, 0, 0), nullptr, 2, "", ""},
    {"move suffix 2", "MoveAxis", TWIN(MoveAxis, 1, 0, 1000, 2, 0), nullptr, 3, "", "MoveAxis()"},
    // Single-axis jogs.
    {"jog whole", "JogAxis", TWIN(JogAxis, 4, 0, 1500.75), nullptr, 0, "AZJG1500;", "JogAxis()"},
    {"jog cut toward zero", "JogAxis", TWIN(JogAxis, 1, 0, -2.9), nullptr, 0, "AXJG-2;", "JogAxis()"},
    {"jog lowest whole", "JogAxis", TWIN(JogAxis, 1, 0, -2147483648.9), nullptr, 0, "AXJG-2147483648;", "JogAxis()"},
    {"jog fraction", "JogAxis", TWIN(JogAxis, 1, 1, 0.5), nullptr, 0, "AXJF0.500000;", "JogAxis()"},
    {"jog six decimals", "JogAxis", TWIN(JogAxis, 4, 1, 1500.75), nullptr, 0, "AZJF1500.750000;", "JogAxis()"},
    {"jog kind 2", "JogAxis", TWIN(JogAxis, 1, 2, 1.0), nullptr, 3, "", "JogAxis()"},
    {"jog NaN", "JogAxis", TWIN(JogAxis, 1, 0, kNaN), nullptr, 3, "", "JogAxis()"},
    {"jog infinite", "JogAxis", TWIN(JogAxis, 1, 0, -kInf), nullptr, 3, "", "JogAxis()"},
    {"jog above int32", "JogAxis", TWIN(JogAxis, 1, 0, 2147483648.0), nullptr, 3, "", "JogAxis()"},
    {"jog below int32", "JogAxis", TWIN(JogAxis, 1, 0, -2147483649.0), nullptr, 3, "", "JogAxis()"},
    {"jog fraction NaN", "JogAxis", TWIN(JogAxis, 1, 1, kNaN), nullptr, 3, "", "JogAxis()"},
    {"jog fraction too long", "JogAxis", TWIN(JogAxis, 1, 1, 1e200), nullptr, 3, "", "JogAxis()"},
    {"jog axis 3", "JogAxis", TWIN(JogAxis, 3, 0, 1.0), nullptr, 2, "", ""},
    // One step: the direction is checked before the axis.
    {"step minus", "MoveAxisOneStep", TWIN(MoveAxisOneStep, 1, 1), nullptr, 0, "AXMMMO;", "SendSingleCommand()"},
    {"step plus", "MoveAxisOneStep", TWIN(MoveAxisOneStep, 256, 0), nullptr, 0, "AWMPMO;", "SendSingleCommand()"},
    {"step direction first", "MoveAxisOneStep", TWIN(MoveAxisOneStep, 3, 2), nullptr, 3, "", ""},
    {"step axis 1024", "MoveAxisOneStep", TWIN(MoveAxisOneStep, 1024, 0), nullptr, 2, "", "SendSingleCommand()"},
    // Multi-axis moves (time-out 0: no wait).
    {"move list", "Move", TWIN(Move, 5, 0, 0, kXZ, 0, 0), nullptr, 0, "AAMA100,,-5;;GDID;", "Move()"},
    {"move list MT IP", "Move", TWIN(Move, 5, 0, 2, kXZ, 1, 0), nullptr, 0, "AAMT100,,-5;;GDIP;", "Move()"},
    {"move list AM ML", "Move", TWIN(Move, 2, 1, 3, kXY, 0, 0), nullptr, 0, "AMML,-2000;;GDID;", "Move()"},
    {"move list MR", "Move", TWIN(Move, 1, 0, 1, kXY, 0, 0), nullptr, 0, "AAMR2000;;GDID;", "Move()"},
    {"move no axes", "Move", TWIN(Move, 0, 0, 0, kXZ, 0, 0), nullptr, 0, "AAMA;GDID;", "Move()"},
    {"move negative mask", "Move", TWIN(Move, -1, 0, 0, kOneToTen, 0, 0), nullptr, 0, "AAMA1,2,3,4,5,6,7,8,9,10;;GDID;",
     "Move()"},
    {"move mask 1024", "Move", TWIN(Move, 1024, 0, 0, kXZ, 0, 0), nullptr, 2, "", ""},
    {"move mask max", "Move", TWIN(Move, 0x7FFFFFFF, 0, 0, kXZ, 0, 0), nullptr, 2, "", ""},
    {"move addressing 2", "Move", TWIN(Move, 5, 2, 0, kXZ, 0, 0), nullptr, 3, "", "Move()"},
    {"move kind 4", "Move", TWIN(Move, 5, 0, 4, kXZ, 0, 0), nullptr, 3, "", "Move()"},
    {"move null targets", "Move", TWIN(Move, 5, 0, 0, nullptr, 0, 0), nullptr, 3, "", "Move()"},
    {"move suffix -1", "Move", TWIN(Move, 5, 0, 0, kXZ, -1, 0), nullptr, 3, "", "Move()"},
    {"move too long", "Move", TWIN(Move, 1023, 0, 0, kMin, 0, 0), nullptr, 3, "", "Move()"},
    // Multi-axis jogs.
    {"jog list", "Jog", TWIN(Jog, 3, 0, kXY), nullptr, 0, "AAJG2000,-2000;", "Jog()"},
    {"jog list AM", "Jog", TWIN(Jog, 4, 1, kZ7), nullptr, 0, "AMJG,,7;", "Jog()"},
    {"jog no axes", "Jog", TWIN(Jog, 0, 0, kXY), nullptr, 0, "AAJG", "Jog()"},
    {"jog longest", "Jog", TWIN(Jog, 1023, 0, kMin), nullptr, 0, "AAJG" MIN10, "Jog()"},
    {"jog null list", "Jog", TWIN(Jog, 3, 0, nullptr), nullptr, 3, "", ""},
    {"jog mask before list", "Jog", TWIN(Jog, 1024, 0, nullptr), nullptr, 2, "", ""},
    {"jog addressing -1", "Jog", TWIN(Jog, 3, -1, kXY), nullptr, 3, "", "Jog()"},
    // Stop and kill.
    {"stop all", "StopMotion", TWIN(StopMotion, 1023), nullptr, 0, "SA", "StopMotion()"},
    {"kill all", "KillMotion", TWIN(KillMotion, 1023), nullptr, 0, ";AMKL", "KillMotion()"},
    {"stop all but X", "StopMotion", TWIN(StopMotion, 1022), nullptr, 0, "SI,1,1,1,1,1,1,1,1,1;", "StopMotion()"},
    {"kill all but X", "KillMotion", TWIN(KillMotion, 1022), nullptr, 0, "KS,1,1,1,1,1,1,1,1,1;", "KillMotion()"},
    {"stop K", "StopMotion", TWIN(StopMotion, 512), nullptr, 0, "SI,,,,,,,,,1;", "StopMotion()"},
    {"stop X Z", "StopMotion", TWIN(StopMotion, 5), nullptr, 0, "SI1,,1;", "StopMotion()"},
    {"kill X Z", "KillMotion", TWIN(KillMotion, 5), nullptr, 0, "KS1,,1;", "KillMotion()"},
    {"kill Y", "KillMotion", TWIN(KillMotion, 2), nullptr, 0, "KS,1;", "KillMotion()"},
    {"stop none", "StopMotion", TWIN(StopMotion, 0), nullptr, 0, "SI", "StopMotion()"},
    {"kill none", "KillMotion", TWIN(KillMotion, 0), nullptr, 0, "KS", "KillMotion()"},
    {"stop negative mask", "StopMotion", TWIN(StopMotion, -1), nullptr, 0, "SI1,1,1,1,1,1,1,1,1,1;", "StopMotion()"},
    {"stop mask 1024", "StopMotion", TWIN(StopMotion, 1024), nullptr, 2, "", ""},
    {"kill mask max", "KillMotion", TWIN(KillMotion, 0x7FFFFFFF), nullptr, 2, "", ""},
    // Searches (time-out 0: no wait, no stop).
    {"switch low", "SetAxisHomeSwitchLogic", TWIN(SetAxisHomeSwitchLogic, 1, 0), nullptr, 0, "AXHL",
     "SetAxisHomeSwitchLogic()"},
    {"switch high", "SetAxisHomeSwitchLogic", TWIN(SetAxisHomeSwitchLogic, 1, 1), nullptr, 0, "AXHH",
     "SetAxisHomeSwitchLogic()"},
    {"switch logic first", "SetAxisHomeSwitchLogic", TWIN(SetAxisHomeSwitchLogic, 3, 2), nullptr, 3, "",
     "SetAxisHomeSwitchLogic()"},
    {"switch axis 3", "SetAxisHomeSwitchLogic", TWIN(SetAxisHomeSwitchLogic, 3, 1), nullptr, 2, "",
     "SendSingleCommand()"},
    {"home HS HM", "FindAxisHome", TWIN(FindAxisHome, 1, 0, 0, 0, 0), nullptr, 0, "AXHSHM0;ID",
     "VEKnet_FindAxisHome()"},
    {"home HE HR", "FindAxisHome", TWIN(FindAxisHome, 2, 1, 1, -100, 0), nullptr, 0, "AYHEHR-100;ID",
     "VEKnet_FindAxisHome()"},
    {"home axis 3", "FindAxisHome", TWIN(FindAxisHome, 3, 2, 2, 0, 0), nullptr, 2, "", ""},
    {"home search 2", "FindAxisHome", TWIN(FindAxisHome, 1, 2, 0, 0, 0), nullptr, 3, "", "VEKnet_FindAxisHome()"},
    {"home command 2", "FindAxisHome", TWIN(FindAxisHome, 1, 0, 2, 0, 0), nullptr, 3, "", "VEKnet_FindAxisHome()"},
    {"home negative time-out", "FindAxisHome", TWIN(FindAxisHome, 2, 0, 0, 0, -1), nullptr, 3, "AYHSHM0;IDSI,1;",
     "VEKnet_FindAxisHome()"},
    {"limit positive", "FindAxisLimit", TWIN(FindAxisLimit, 4, 0, 5000, 0), nullptr, 0, "AZLNJG5000;",
     "FindAxisLimit()"},
    {"limit negative", "FindAxisLimit", TWIN(FindAxisLimit, 4, 1, 5000, 0), nullptr, 0, "AZLNJG-5000;",
     "FindAxisLimit()"},
    {"limit double minus", "FindAxisLimit", TWIN(FindAxisLimit, 4, 1, -5000, 0), nullptr, 0, "AZLNJG--5000;",
     "FindAxisLimit()"},
    {"limit direction 2", "FindAxisLimit", TWIN(FindAxisLimit, 4, 2, 5000, 0), nullptr, 3, "", "FindAxisLimit()"},
    {"limit axis 0", "FindAxisLimit", TWIN(FindAxisLimit, 0, 0, 5000, 0), nullptr, 2, "", ""},
    {"limit negative time-out", "FindAxisLimit", TWIN(FindAxisLimit, 4, 0, 5000, -1), nullptr, 3, "AZLNJG5000;SI,,1;",
     "FindAxisLimit()"},
    // Positions.
    {"motor position", "GetAxisMotorPosition", TWIN(GetAxisMotorPosition, 4, &gOut), "5", 0, "AZRP;",
     "GetAxisMotorPosition()"},
    {"encoder position", "GetAxisEncoderPosition", TWIN(GetAxisEncoderPosition, 4, &gOut), "5", 0, "AZRE;",
     "GetAxisEncoderPosition()"},
    {"position axis first", "GetAxisMotorPosition", TWIN(GetAxisMotorPosition, 3, nullptr), nullptr, 2, "", ""},
    {"position null output", "GetAxisEncoderPosition", TWIN(GetAxisEncoderPosition, 1, nullptr), nullptr, 3, "", ""},
    {"all motor", "GetAllAxisMotorPositions", TWIN(GetAllAxisMotorPositions, gList), "1,2", 0, "PP",
     "GetAllAxisMotorPositions()"},
    {"all encoder", "GetAllAxisEncoderPositions", TWIN(GetAllAxisEncoderPositions, gList), "1,2", 0, "PE;",
     "GetAllAxisEncoderPositions()"},
    {"all null list", "GetAllAxisMotorPositions", TWIN(GetAllAxisMotorPositions, nullptr), nullptr, 3, "", ""},
    {"both null encoder", "GetAllAxisPositions", TWIN(GetAllAxisPositions, gList, nullptr), nullptr, 3, "", ""},
    {"set position", "SetAxisMotorPosition", TWIN(SetAxisMotorPosition, 2, 0), nullptr, 0, "AYLP0;",
     "SetAxisMotorPosition()"},
    {"set negative position", "SetAxisMotorPosition", TWIN(SetAxisMotorPosition, 1, -1500), nullptr, 0, "AXLP-1500;",
     "SetAxisMotorPosition()"},
    {"set position axis 3", "SetAxisMotorPosition", TWIN(SetAxisMotorPosition, 3, 0), nullptr, 2, "", ""},
    {"set list", "SetMultiAxisMotorPositions", TWIN(SetMultiAxisMotorPositions, 5, 0, kXZ), nullptr, 0, "AALP100,,-5;",
     "SetMultiAxisMotorPositions()"},
    {"set list none", "SetMultiAxisMotorPositions", TWIN(SetMultiAxisMotorPositions, 0, 1, kXZ), nullptr, 0, "AMLP",
     "SetMultiAxisMotorPositions()"},
    {"set list longest", "SetMultiAxisMotorPositions", TWIN(SetMultiAxisMotorPositions, 1023, 0, kMin), nullptr, 0,
     "AALP" MIN10, "SetMultiAxisMotorPositions()"},
    {"set list selector 2", "SetMultiAxisMotorPositions", TWIN(SetMultiAxisMotorPositions, 5, 2, kXZ), nullptr, 3, "",
     "SetMultiAxisMotorPositions()"},
    {"set list mask first", "SetMultiAxisMotorPositions", TWIN(SetMultiAxisMotorPositions, 1024, 0, nullptr), nullptr,
     2, "", ""},
    {"set list null", "SetMultiAxisMotorPositions", TWIN(SetMultiAxisMotorPositions, 5, 0, nullptr), nullptr, 3, "",
     ""},
    // Velocities and accelerations.
    {"current velocity", "GetAxisCurrentVelocity", TWIN(GetAxisCurrentVelocity, 1, &gOut), "5", 0, "AXRV",
     "GetAxisCurrentVelocity()"},
    {"current acceleration", "GetAxisCurrentAcceleration", TWIN(GetAxisCurrentAcceleration, 1, &gOut), "5", 0, "AXRC",
     "GetAxisCurrentAcceleration()"},
    {"base velocity", "GetAxisBaseVelocity", TWIN(GetAxisBaseVelocity, 2, &gOut), "=5", 0, "AY?VB",
     "GetAxisBaseVelocity()"},
    {"max velocity", "GetAxisMaxVelocity", TWIN(GetAxisMaxVelocity, 1, &gOut), "=5", 0, "AX?VL",
     "GetAxisMaxVelocity()"},
    {"acceleration", "GetAxisAcceleration", TWIN(GetAxisAcceleration, 1, &gOut), "=5", 0, "AX?AC",
     "GetAxisAcceleration()"},
    {"velocity axis first", "GetAxisBaseVelocity", TWIN(GetAxisBaseVelocity, 1024, nullptr), nullptr, 2, "", ""},
    {"velocity null output", "GetAxisMaxVelocity", TWIN(GetAxisMaxVelocity, 1, nullptr), nullptr, 3, "", ""},
    {"all velocities AA", "GetAllCurrentVelocities", TWIN(GetAllCurrentVelocities, 0, gList), "1", 0, "AARV",
     "GetAllCurrentVelocities()"},
    {"all velocities AM", "GetAllCurrentVelocities", TWIN(GetAllCurrentVelocities, 1, gList), "1", 0, "AMRV",
     "GetAllCurrentVelocities()"},
    {"all accelerations AA", "GetAllCurrentAccelerations", TWIN(GetAllCurrentAccelerations, 0, gList), "1", 0, "AARC",
     "GetAllCurrentAccelerations()"},
    {"all accelerations AM", "GetAllCurrentAccelerations", TWIN(GetAllCurrentAccelerations, 1, gList), "1", 0, "AMRC",
     "GetAllCurrentAccelerations()"},
    {"all accelerations selector 2", "GetAllCurrentAccelerations", TWIN(GetAllCurrentAccelerations, 2, gList), nullptr,
     3, "", "GetAllCurrentAccelerations()"},
    {"all velocities null", "GetAllCurrentVelocities", TWIN(GetAllCurrentVelocities, 0, nullptr), nullptr, 3, "", ""},
    {"set base", "SetAxisBaseVelocity", TWIN(SetAxisBaseVelocity, 1, 500), nullptr, 0, "AXVB500;",
     "SendSingleParamCommand()"},
    {"set base negative", "SetAxisBaseVelocity", TWIN(SetAxisBaseVelocity, 1, -5), nullptr, 0, "AXVB-5;",
     "SendSingleParamCommand()"},
    {"set max", "SetAxisMaxVelocity", TWIN(SetAxisMaxVelocity, 1, 500), nullptr, 0, "AXVL500;",
     "SendSingleParamCommand()"},
    {"set acceleration", "SetAxisAcceleration", TWIN(SetAxisAcceleration, 1, 20000), nullptr, 0, "AXAC20000;",
     "SendSingleParamCommand()"},
    {"set parabolic", "SetAxisAccelerationParabolic", TWIN(SetAxisAccelerationParabolic, 1, 500), nullptr, 0,
     "AXPR500;", "SendSingleParamCommand()"},
    {"set s-curve", "SetAxisAccelerationSCurve", TWIN(SetAxisAccelerationSCurve, 1, INT32_MIN), nullptr, 0,
     "AXSS-2147483648;", "SendSingleParamCommand()"},
    {"set cosine", "SetAxisAccelerationCosine", TWIN(SetAxisAccelerationCosine, 8), nullptr, 0, "ATSC;",
     "SendSingleCommand()"},
    {"set linear", "SetAxisAccelerationLinear", TWIN(SetAxisAccelerationLinear, 1), nullptr, 0, "AXLA;",
     "SendSingleCommand()"},
    {"set linear axis 0", "SetAxisAccelerationLinear", TWIN(SetAxisAccelerationLinear, 0), nullptr, 2, "",
     "SendSingleCommand()"},
    {"set max axis -1", "SetAxisMaxVelocity", TWIN(SetAxisMaxVelocity, -1, 5), nullptr, 2, "",
     "SendSingleParamCommand()"},
};

std::string EntryLabel(const TextCase& c, bool serial) {
  // The serial maximum-velocity setting has always logged under this spelling.
  if (serial && std::string(c.op) == "SetAxisMaxVelocity") return "VEKser_SetAxisMaxVelcoity()";
  return std::string(serial ? "VEKser_" : "VEKnet_") + c.op + "()";
}

class CommandText : public TransportTest {};

TEST_P(CommandText, EverySendsItsExactTextOrNothing) {
  for (const TextCase& c : kCases) {
    SCOPED_TRACE(c.name);
    if (c.answer != nullptr) Answer(c.answer);
    LogCapture log(0x1 | 0xA70000);
    ASSERT_TRUE(log.started());
    EXPECT_EQ(c.result, c.invoke(handle(), serial()));
    EXPECT_EQ(c.sent, Sent());
    EXPECT_TRUE(log.HasTrace(HandleText(handle()) + " - " + EntryLabel(c, serial())));
    if (c.worker[0] != '\0') {
      EXPECT_TRUE(log.HasTrace(HandleText(handle()) + " - " + c.worker)) << c.worker;
    }
  }
}

TEST_P(CommandText, ANullHandleIsRefusedBeforeAnythingElse) {
  for (const TextCase& c : kCases) {
    if (c.result != 0) continue;
    SCOPED_TRACE(c.name);
    EXPECT_EQ(VEK_ERROR_INVALID_PARAMETER, c.invoke(nullptr, serial()));
  }
  EXPECT_EQ("", Sent());
  // Both handles null wins over a bad mask too.
  EXPECT_EQ(VEK_ERROR_INVALID_PARAMETER, VEKnet_StopMotion(nullptr, 1024));
  EXPECT_EQ(VEK_ERROR_INVALID_PARAMETER, VEKser_Move(nullptr, 1024, 9, 9, nullptr, 9, -1));
}

VEK_TRANSPORT_SUITE(CommandText);

}  // namespace
}  // namespace vek::test
