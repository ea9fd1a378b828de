// An axis's auxiliary output on both transports: the texts, and the selector
// checked before the axis and the handle.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "tests/commands/transport_fixture.h"
#include "tests/support/log_capture.h"
#include "vekkestra.h"

namespace vek::test {
namespace {

#define AUX_CALL(op, ...) \
  [](uint32_t* h, bool ser) -> uint32_t { return ser ? VEKser_##op(h, __VA_ARGS__) : VEKnet_##op(h, __VA_ARGS__); }

struct SendCase {
  const char* name;
  const char* label;  // the Ethernet twin's entry label
  uint32_t (*call)(uint32_t* handle, bool serial);
  uint32_t result;
  const char* sent;
  uint32_t nullResult;  // the same call with a null handle
};

const SendCase kCases[] = {
    {"enable", "VEKnet_EnableAxisAux()", AUX_CALL(EnableAxisAux, 1, 1), 0, "AXPA1;", 3},
    {"disable", "VEKnet_EnableAxisAux()", AUX_CALL(EnableAxisAux, 1, 0), 0, "AXPA0;", 3},
    {"enable K", "VEKnet_EnableAxisAux()", AUX_CALL(EnableAxisAux, 512, 1), 0, "AKPA1;", 3},
    {"enable selector -1", "VEKnet_EnableAxisAux()", AUX_CALL(EnableAxisAux, 1, -1), 3, "", 3},
    {"enable selector 2 bad axis", "VEKnet_EnableAxisAux()", AUX_CALL(EnableAxisAux, 3, 2), 3, "", 3},
    {"enable bad axis", "VEKnet_EnableAxisAux()", AUX_CALL(EnableAxisAux, 3, 1), 2, "", 2},
    {"settle", "VEKnet_SetAxisAuxSettleTime()", AUX_CALL(SetAxisAuxSettleTime, 1, 50), 0, "AXSE50;", 3},
    {"settle negative", "VEKnet_SetAxisAuxSettleTime()", AUX_CALL(SetAxisAuxSettleTime, 1, -1), 0, "AXSE-1;", 3},
    {"settle bad axis", "VEKnet_SetAxisAuxSettleTime()", AUX_CALL(SetAxisAuxSettleTime, 0, 50), 2, "", 2},
    {"default low", "VEKnet_SetAxisAuxDefaultState()", AUX_CALL(SetAxisAuxDefaultState, 1, 0u), 0, "AXADL", 3},
    {"default high", "VEKnet_SetAxisAuxDefaultState()", AUX_CALL(SetAxisAuxDefaultState, 1, 1u), 0, "AXADH", 3},
    {"default selector 2 bad axis", "VEKnet_SetAxisAuxDefaultState()", AUX_CALL(SetAxisAuxDefaultState, 3, 2u), 3, "",
     3},
    {"default bad axis", "VEKnet_SetAxisAuxDefaultState()", AUX_CALL(SetAxisAuxDefaultState, 1024, 1u), 2, "", 2},
    {"bit off", "VEKnet_SetAxisAuxBit()", AUX_CALL(SetAxisAuxBit, 2, 0u), 0, "AYAF", 3},
    {"bit on", "VEKnet_SetAxisAuxBit()", AUX_CALL(SetAxisAuxBit, 1, 1u), 0, "AXAN", 3},
    {"bit selector max", "VEKnet_SetAxisAuxBit()", AUX_CALL(SetAxisAuxBit, 1, 0xFFFFFFFFu), 3, "", 3},
};

class AuxOutput : public TransportTest {};

TEST_P(AuxOutput, SendsItsTextsOrRefuses) {
  for (const SendCase& c : kCases) {
    SCOPED_TRACE(c.name);
    LogCapture log(1);
    ASSERT_TRUE(log.started());
    EXPECT_EQ(c.result, c.call(handle(), serial()));
    std::string label = c.label;
    if (serial()) label.replace(0, 7, "VEKser_");
    const std::vector<std::string> traces = log.Traces();
    ASSERT_FALSE(traces.empty());
    EXPECT_EQ(HandleText(handle()) + " - " + label, traces.front());
    EXPECT_EQ(c.sent, Sent());
  }
  if (!serial()) {
    RejectNext();
    EXPECT_EQ(VEK_ERROR_COMMAND_NAK, VEKnet_SetAxisAuxBit(handle(), 1, 1u));
  }
}

TEST_P(AuxOutput, NullHandleSendsNothing) {
  for (const SendCase& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.nullResult, c.call(nullptr, serial()));
  }
  EXPECT_EQ("", Sent());
}

VEK_TRANSPORT_SUITE(AuxOutput);

}  // namespace
}  // namespace vek::test
