// The general-purpose I/O operations on both transports: the number forms of
// the settings, the scans of the "RB" and "BX" answers, and the single-bit
// mask rules.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "tests/commands/transport_fixture.h"
#include "tests/support/log_capture.h"
#include "vekkestra.h"

namespace vek::test {
namespace {

#define IO_CALL(op, ...) \
  [](uint32_t* h, bool ser) -> uint32_t { return ser ? VEKser_##op(h, __VA_ARGS__) : VEKnet_##op(h, __VA_ARGS__); }

struct SendCase {
  const char* name;
  uint32_t (*call)(uint32_t* handle, bool serial);
  uint32_t result;
  const char* sent;
};

const SendCase kSendCases[] = {
    {"direction 255", IO_CALL(SetIOBitsDirection, 255u), 0, "BDFF;"},
    {"direction 65535", IO_CALL(SetIOBitsDirection, 65535u), 0, "BDFFFF;"},
    {"direction 0", IO_CALL(SetIOBitsDirection, 0u), 0, "BD0;"},
    {"direction 65536", IO_CALL(SetIOBitsDirection, 65536u), 3, ""},
    {"direction max", IO_CALL(SetIOBitsDirection, 0xFFFFFFFFu), 3, ""},
    {"outputs 5", IO_CALL(SetOutputBitsState, 5u), 0, "BS5 ;"},
    {"outputs 0", IO_CALL(SetOutputBitsState, 0u), 0, "BS0 ;"},
    {"outputs 165", IO_CALL(SetOutputBitsState, 165u), 0, "BSa5;"},
    {"outputs unchecked", IO_CALL(SetOutputBitsState, 74565u), 0, "BS12345;"},
    {"bit 3 high", IO_CALL(SetOutputBitState, 8, 1), 0, "BH3;"},
    {"bit 0 low", IO_CALL(SetOutputBitState, 1, 0), 0, "BL0;"},
    {"bit 15 low", IO_CALL(SetOutputBitState, 32768, 0), 0, "BL15;"},
    {"mask 0", IO_CALL(SetOutputBitState, 0, 1), 3, ""},
    {"mask of two bits", IO_CALL(SetOutputBitState, 3, 1), 3, ""},
    {"mask above bit 15", IO_CALL(SetOutputBitState, 65536, 1), 3, ""},
    {"mask -1", IO_CALL(SetOutputBitState, -1, 1), 3, ""},
    {"level 2", IO_CALL(SetOutputBitState, 4, 2), 3, ""},
    {"level -1", IO_CALL(SetOutputBitState, 4, -1), 3, ""},
};

class IoSettings : public TransportTest {};

TEST_P(IoSettings, SendTheirTextsOrRefuse) {
  for (const SendCase& c : kSendCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.result, c.call(handle(), serial()));
    EXPECT_EQ(c.sent, Sent());
  }
  EXPECT_EQ(VEK_ERROR_INVALID_PARAMETER, CallNull(VEKnet_SetIOBitsDirection, VEKser_SetIOBitsDirection, 1u));
  EXPECT_EQ(VEK_ERROR_INVALID_PARAMETER, CallNull(VEKnet_SetOutputBitsState, VEKser_SetOutputBitsState, 1u));
  EXPECT_EQ(VEK_ERROR_INVALID_PARAMETER, CallNull(VEKnet_SetOutputBitState, VEKser_SetOutputBitState, 1, 1));
  EXPECT_EQ("", Sent());
  if (!serial()) {
    RejectNext();
    EXPECT_EQ(VEK_ERROR_COMMAND_NAK, VEKnet_SetOutputBitsState(handle(), 1u));
  }
}

TEST_P(IoSettings, SingleBitTracesOnlyAValidRequest) {
  LogCapture log(0xA70000);
  ASSERT_TRUE(log.started());
  EXPECT_EQ(VEK_ERROR_INVALID_PARAMETER, Call(VEKnet_SetOutputBitState, VEKser_SetOutputBitState, 4, 2));
  EXPECT_EQ(0, log.CountContaining("SetOutputBitState()"));
  EXPECT_EQ(VEK_SUCCESS, Call(VEKnet_SetOutputBitState, VEKser_SetOutputBitState, 4, 1));
  EXPECT_TRUE(log.HasTrace(HandleText(handle()) + " - SetOutputBitState()"));
  EXPECT_EQ("BH2;", Sent());
}

VEK_TRANSPORT_SUITE(IoSettings);

// ---- Reads ----

constexpr uint32_t kUntouched = 0xDEADBEEFu;

using WordRead = uint32_t(VEK_CALL*)(uint32_t*, uint32_t*);

struct ReadCase {
  const char* name;
  WordRead net;
  WordRead ser;
  const char* query;
  const char* answer;
  uint32_t result;
  uint32_t value;     // kUntouched when nothing is stored
  const char* trace;  // the bad-answer verbose line after the handle ("" none)
};

#define DIRECTION VEKnet_GetIOBitsDirection, VEKser_GetIOBitsDirection, "RB"
#define STATE VEKnet_GetIOBitsState, VEKser_GetIOBitsState, "BX"

const ReadCase kReadCases[] = {
    {"direction echoed", DIRECTION, "=00F0", 0, 240, ""},
    {"direction first digit dropped", DIRECTION, "F0", 0, 0, ""},
    {"direction only the echo", DIRECTION, "=", 215, kUntouched,
     "GetIOBitsDirection() | VEK_ERROR_BAD_RESPONSE | bad receive string: recv ="},
    {"direction prefixed", DIRECTION, "=0xFFFF", 0, 0xFFFF, ""},
    {"state", STATE, "1a", 0, 26, ""},
    {"state upper case and tail", STATE, " FF00 rest", 0, 0xFF00, ""},
    {"state letters", STATE, "zz", 215, kUntouched,
     "GetIOBitsState() | VEK_ERROR_BAD_RESPONSE | bad receive string: recv zz"},
};

class IoReads : public TransportTest {};

TEST_P(IoReads, ScanTheirAnswers) {
  for (const ReadCase& c : kReadCases) {
    SCOPED_TRACE(c.name);
    LogCapture log(0xA70000);
    ASSERT_TRUE(log.started());
    Answer(c.answer);
    uint32_t value = kUntouched;
    EXPECT_EQ(c.result, Call(c.net, c.ser, &value));
    EXPECT_EQ(c.value, value);
    if (c.trace[0] != '\0') {
      EXPECT_TRUE(log.HasTrace(HandleText(handle()) + " - " + c.trace)) << c.trace;
    } else {
      EXPECT_EQ(0, log.CountContaining("BAD_RESPONSE"));
    }
    EXPECT_EQ(c.query, Sent());
  }
}

TEST_P(IoReads, EmptyAnswerNullPointerAndNullHandle) {
  uint32_t value = kUntouched;
  Answer("");
  // A serial controller cannot send an empty line; its silence ends the query.
  EXPECT_EQ(serial() ? VEK_ERROR_SERIAL_READ_TIMEOUT : VEK_ERROR_BAD_RESPONSE,
            Call(VEKnet_GetIOBitsState, VEKser_GetIOBitsState, &value));
  EXPECT_EQ(kUntouched, value);
  EXPECT_EQ("BX", Sent());

  EXPECT_EQ(VEK_ERROR_INVALID_PARAMETER, Call(VEKnet_GetIOBitsDirection, VEKser_GetIOBitsDirection, nullptr));
  EXPECT_EQ(VEK_ERROR_INVALID_PARAMETER, Call(VEKnet_GetIOBitsState, VEKser_GetIOBitsState, nullptr));
  EXPECT_EQ(VEK_ERROR_INVALID_PARAMETER, Call(VEKnet_GetIOBitState, VEKser_GetIOBitState, 1u, nullptr));
  EXPECT_EQ(VEK_ERROR_INVALID_PARAMETER, CallNull(VEKnet_GetIOBitsDirection, VEKser_GetIOBitsDirection, &value));
  EXPECT_EQ(VEK_ERROR_INVALID_PARAMETER, CallNull(VEKnet_GetIOBitState, VEKser_GetIOBitState, 1u, &value));
  EXPECT_EQ(kUntouched, value);
  EXPECT_EQ("", Sent());
}

TEST_P(IoReads, OneBitIsSetOnlyWhenEveryBitOfTheMaskIs) {
  const struct {
    uint32_t mask;
    uint32_t state;
  } cases[] = {{1, 1}, {2, 0}, {5, 1}, {0, 1}, {7, 0}, {0x80000000u, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mask);
    Answer("5");
    uint32_t state = kUntouched;
    EXPECT_EQ(VEK_SUCCESS, Call(VEKnet_GetIOBitState, VEKser_GetIOBitState, c.mask, &state));
    EXPECT_EQ(c.state, state);
  }
  EXPECT_EQ("BXBXBXBXBXBX", Sent());

  LogCapture log(0xA70000);
  ASSERT_TRUE(log.started());
  Answer("zz");
  uint32_t state = kUntouched;
  EXPECT_EQ(VEK_ERROR_BAD_RESPONSE, Call(VEKnet_GetIOBitState, VEKser_GetIOBitState, 0u, &state));
  EXPECT_EQ(kUntouched, state);
  EXPECT_TRUE(
      log.HasTrace(HandleText(handle()) + " - GetIOBitState() | VEK_ERROR_BAD_RESPONSE | bad receive string: recv zz"));
}

VEK_TRANSPORT_SUITE(IoReads);

}  // namespace
}  // namespace vek::test
