// Overtravel switches and software travel limits on both transports: each
// switch's own meaning of its selector, the texts, and the order of checks.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "tests/commands/transport_fixture.h"
#include "tests/support/log_capture.h"
#include "vekkestra.h"

namespace vek::test {
namespace {

#define TRAVEL_CALL(op, ...) \
  [](uint32_t* h, bool ser) -> uint32_t { return ser ? VEKser_##op(h, __VA_ARGS__) : VEKnet_##op(h, __VA_ARGS__); }

struct SendCase {
  const char* name;
  const char* label;  // the worker's verbose label ("" for the travel limits)
  uint32_t (*call)(uint32_t* handle, bool serial);
  uint32_t result;
  const char* sent;
  uint32_t nullResult;  // the same call with a null handle
};

const SendCase kCases[] = {
    {"detect on", "SetAxisOvertravelDetect()", TRAVEL_CALL(SetAxisOvertravelDetect, 16, 1u), 0, "AULN;", 3},
    {"detect off", "SetAxisOvertravelDetect()", TRAVEL_CALL(SetAxisOvertravelDetect, 1, 0u), 0, "AXLF;", 3},
    {"detect selector 2", "SetAxisOvertravelDetect()", TRAVEL_CALL(SetAxisOvertravelDetect, 1, 2u), 3, "", 3},
    {"detect bad axis", "SetAxisOvertravelDetect()", TRAVEL_CALL(SetAxisOvertravelDetect, 3, 1u), 2, "", 3},
    {"sense high", "SetAxisOvertravelSense()", TRAVEL_CALL(SetAxisOvertravelSense, 1, 1u), 0, "AXLH;", 3},
    {"sense low", "SetAxisOvertravelSense()", TRAVEL_CALL(SetAxisOvertravelSense, 1, 0u), 0, "AXLL;", 3},
    {"sense on U", "SetAxisOvertravelSense()", TRAVEL_CALL(SetAxisOvertravelSense, 16, 1u), 0, "AULH;", 3},
    {"sense selector max", "SetAxisOvertravelSense()", TRAVEL_CALL(SetAxisOvertravelSense, 1, 0xFFFFFFFFu), 3, "", 3},
    {"stop mode on", "SetAxisOvertravelStopMode()", TRAVEL_CALL(SetAxisOvertravelStopMode, 1, 1u), 0, "AXSL;", 3},
    {"stop mode off", "SetAxisOvertravelStopMode()", TRAVEL_CALL(SetAxisOvertravelStopMode, 16, 0u), 0, "AUSF;", 3},
    {"stop mode bad axis", "SetAxisOvertravelStopMode()", TRAVEL_CALL(SetAxisOvertravelStopMode, 1024, 0u), 2, "", 3},
    {"limits", "", TRAVEL_CALL(SetAxisSoftwareTravelLimits, 16, -1000, 250000), 0, "AUTL-1000,250000;", 3},
    {"limits reversed", "", TRAVEL_CALL(SetAxisSoftwareTravelLimits, 1, 500, -500), 0, "AXTL500,-500;", 3},
    {"limits equal", "", TRAVEL_CALL(SetAxisSoftwareTravelLimits, 512, 0, 0), 0, "AKTL0,0;", 3},
    // The travel limits look at the axis before the handle.
    {"limits bad axis", "", TRAVEL_CALL(SetAxisSoftwareTravelLimits, 3, 1, 2), 2, "", 2},
};

class Overtravel : public TransportTest {};

TEST_P(Overtravel, SendsEachSwitchsOwnMnemonic) {
  for (const SendCase& c : kCases) {
    SCOPED_TRACE(c.name);
    LogCapture log(0xA70000);
    ASSERT_TRUE(log.started());
    EXPECT_EQ(c.result, c.call(handle(), serial()));
    // The switches trace once the axis is known good, also before a bad
    // selector; the travel limits write no verbose line of their own.
    const bool traced = c.label[0] != '\0' && c.result != VEK_ERROR_INVALID_AXIS;
    EXPECT_EQ(traced ? 1 : 0, log.CountContaining(c.label[0] != '\0' ? c.label : "TravelLimits"));
    EXPECT_EQ(c.sent, Sent());
  }
}

TEST_P(Overtravel, NullHandleSendsNothing) {
  for (const SendCase& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.nullResult, c.call(nullptr, serial()));
  }
  EXPECT_EQ("", Sent());
}

TEST_P(Overtravel, EntryLabelsCarryTheTwinsName) {
  LogCapture log(1);
  ASSERT_TRUE(log.started());
  EXPECT_EQ(VEK_SUCCESS, Call(VEKnet_SetAxisSoftwareTravelLimits, VEKser_SetAxisSoftwareTravelLimits, 1, -1, 1));
  EXPECT_EQ(VEK_SUCCESS, Call(VEKnet_SetAxisOvertravelStopMode, VEKser_SetAxisOvertravelStopMode, 1, 1u));
  const std::string h = HandleText(handle());
  const std::string twin = serial() ? "VEKser_" : "VEKnet_";
  EXPECT_TRUE(log.HasTrace(h + " - " + twin + "SetAxisSoftwareTravelLimits()"));
  EXPECT_TRUE(log.HasTrace(h + " - " + twin + "SetAxisOvertravelStopMode()"));
  if (!serial()) {
    RejectNext();
    EXPECT_EQ(VEK_ERROR_COMMAND_NAK, VEKnet_SetAxisSoftwareTravelLimits(handle(), 1, -1, 1));
  }
}

VEK_TRANSPORT_SUITE(Overtravel);

}  // namespace
}  // namespace vek::test
