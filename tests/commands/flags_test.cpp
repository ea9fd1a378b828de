// The getters' computations from the status word as the refresh leaves it, the clears
// touching only their own group, and the status-dump lines of the flag operations and a move.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/state.h"
#include "tests/commands/transport_fixture.h"
#include "tests/support/log_capture.h"
#include "vekkestra.h"

namespace vek::test {
namespace {

constexpr uint32_t kAllFlags = 0x7FFFFFFFu;  // every flag of every group, and the command error
constexpr uint32_t kUntouched = 0xA5A5A5A5u;
constexpr uint32_t kLimits = 0x3FFu << 10;

TEST(FlagClear, ClearsOnlyTheNamedFlagsOfItsGroupOnItsOwnTransport) {
  // Clears never talk to the controller: any non-null handle serves.
  const struct {
    Invoke clear;
    uint32_t result;
    uint32_t after;  // the word after the call, starting from kAllFlags
  } cases[] = {
      {TWIN(ClearMultiAxisDoneFlags, 5), VEK_SUCCESS, 0x7FFFFFFAu},
      {TWIN(ClearMultiAxisDoneFlags, 1024), VEK_ERROR_INVALID_PARAMETER, kAllFlags},
      {TWIN(ClearMultiAxisDoneFlags, -1), VEK_SUCCESS, 0x7FFFFC00u},  // passes the range test; low bits clear
      {TWIN(ClearMultiAxisOvertravelFlags, 0x3FF), VEK_SUCCESS, 0x7FF003FFu},
      {TWIN(ClearMultiAxisSlipFlag, 0x3FF), VEK_SUCCESS, 0x400FFFFFu},
      {[](uint32_t* h, bool s) { return Twins(s).ClearCommandErrorFlag(h); }, VEK_SUCCESS, 0x3FFFFFFFu},
  };
  uint32_t handle = 0;
  for (const auto& c : cases) {
    for (bool ser : {false, true}) {
      SCOPED_TRACE(std::to_string(&c - cases) + (ser ? " serial" : " Ethernet"));
      gState.netStatusFlags = gState.serStatusFlags = kAllFlags;
      EXPECT_EQ(VEK_ERROR_INVALID_PARAMETER, c.clear(nullptr, ser));
      EXPECT_EQ(kAllFlags, gState.netStatusFlags & gState.serStatusFlags) << "a null handle clears nothing";
      EXPECT_EQ(c.result, c.clear(&handle, ser));
      EXPECT_EQ(ser ? kAllFlags : c.after, gState.netStatusFlags);
      EXPECT_EQ(ser ? c.after : kAllFlags, gState.serStatusFlags);
    }
  }
}

// Getters: the refresh reads the real connection, then the word is read.
using Getter = uint32_t (*)(uint32_t* handle, bool serial, uint32_t* out);
#define AXIS(op, bit) [](uint32_t* h, bool ser, uint32_t* out) { return Twins(ser).op(h, bit, out); }
#define WORD(op)      [](uint32_t* h, bool ser, uint32_t* out) { return Twins(ser).op(h, out); }

class FlagGetters : public TransportTest {};

TEST_P(FlagGetters, ComputeTheirFlagFromTheWord) {
  // An axis mask is set when every named axis is, and always when it names none.
  const struct {
    Getter get;
    uint32_t word;
    uint32_t result;
    uint32_t value;  // stored on success; otherwise the output keeps kUntouched
  } cases[] = {
      {AXIS(GetAxisDoneFlag, 3), 0x3, VEK_SUCCESS, 1},
      {AXIS(GetAxisDoneFlag, 3), 0x1, VEK_SUCCESS, 0},
      {AXIS(GetAxisDoneFlag, 0), 0x0, VEK_SUCCESS, 1},
      {AXIS(GetAxisDoneFlag, 1024), kAllFlags, VEK_SUCCESS, 0},
      {AXIS(GetAxisDoneFlag, 1023), 0x3FF, VEK_ERROR_INVALID_AXIS, kUntouched},
      {AXIS(GetAxisOvertravelFlag, 1023), kLimits, VEK_SUCCESS, 1},
      {AXIS(GetAxisSlipFlag, 512), 1u << 29, VEK_SUCCESS, 1},
      {WORD(GetAllDoneFlags), 0x40000001u, VEK_SUCCESS, 0x40000001u},  // the whole word
      {WORD(GetAllOvertravelFlags), (0x155u << 10) | 0x2AAu | (0x2AAu << 20), VEK_SUCCESS, 0x155},
      {WORD(GetAllAxesSlipFlag), (0x2AAu << 20) | 0x3FFu | kLimits | 0x40000000u, VEK_SUCCESS, 0x2AA},
      {WORD(GetCommandErrorFlag), 0x40000000u, VEK_SUCCESS, 1},
      {WORD(GetCommandErrorFlag), 0x3FFFFFFFu, VEK_SUCCESS, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    word() = c.word;
    uint32_t value = kUntouched;
    EXPECT_EQ(c.result, c.get(handle(), serial(), &value));
    EXPECT_EQ(c.value, value);
    EXPECT_EQ(c.word, word()) << "a getter never changes the word";
    value = kUntouched;
    EXPECT_EQ(VEK_ERROR_INVALID_PARAMETER, c.get(handle(), serial(), nullptr));
    EXPECT_EQ(VEK_ERROR_INVALID_PARAMETER, c.get(nullptr, serial(), &value));
    EXPECT_EQ(kUntouched, value);
  }
  EXPECT_EQ("", Sent()) << "getters only read";
}

TEST_P(FlagGetters, RefreshFoldsANotificationThatArrivedBeforeTheCall) {
  word() = 0;
  PushFlags(0x00000002u);  // done Y
  uint32_t flag = kUntouched;
  EXPECT_EQ(VEK_SUCCESS, ops().GetAxisDoneFlag(handle(), 2, &flag));
  EXPECT_EQ(1u, flag);
  // "All axes" is refused by the done getter only after the refresh.
  PushFlags(0x00000100u);  // limit X
  flag = kUntouched;
  EXPECT_EQ(VEK_ERROR_INVALID_AXIS, ops().GetAxisDoneFlag(handle(), 1023, &flag));
  EXPECT_EQ(kUntouched, flag);
  EXPECT_EQ(1u << 10, word() & kLimits);
}

TEST_P(FlagGetters, GettersAndClearsDumpTheWordUnderTheirLabels) {
  LogCapture log(0xA70005);  // entry traces, status dumps and verbose lines
  ASSERT_TRUE(log.started());
  word() = 0x40000000u | (0x3FFu << 20) | (5u << 10) | 0x3u;
  uint32_t flag = 0;
  ASSERT_EQ(VEK_SUCCESS, ops().GetAxisDoneFlag(handle(), 1, &flag));
  ASSERT_EQ(VEK_SUCCESS, ops().GetAxisOvertravelFlag(handle(), 4, &flag));
  const std::string h = HandleText(handle()) + (serial() ? " - VEKser_" : " - VEKnet_");
  const std::string fields = " - done:0x03 limit:0x05 slip:0x3FF err:0x1";
  std::vector<std::string> expected = {h + (serial() ? "GetAxisDoneFlag()" : "GetAxisDoneFlag - in"),
                                       h + "GetAxisDoneFlag" + fields, h + "GetAxisOvertravelFlag()",
                                       h + "GetAxisOvertravelFlag()" + fields};
  if (serial()) {  // the serial getter dumps twice, around a line of its own
    expected.push_back(h + "GetAxisOvertravelFlag() limit=0x0 5  Axis=0x0 4");
    expected.push_back(h + "GetAxisOvertravelFlag()" + fields);
  }
  // A clear dumps the word before and after, the error clear once after.
  ASSERT_EQ(VEK_SUCCESS, ops().ClearMultiAxisDoneFlags(handle(), 1));
  ASSERT_EQ(VEK_SUCCESS, ops().ClearCommandErrorFlag(handle()));
  expected.insert(expected.end(), {h + "ClearMultiAxisDoneFlags()", h + "ClearMultiAxisDoneFlags() - in" + fields,
                                   h + "ClearMultiAxisDoneFlags() - out - done:0x02 limit:0x05 slip:0x3FF err:0x1",
                                   h + "ClearCommandErrorFlag()",
                                   h + "ClearCommandErrorFlag() - exit - done:0x02 limit:0x05 slip:0x3FF err:0x0"});
  // The Ethernet move dumps the word before its wait.
  PushFlags(1, 30);
  ASSERT_EQ(VEK_SUCCESS, ops().MoveAxis(handle(), 1, 0, 5, 0, 5000));
  expected.push_back(h + "MoveAxis()");
  if (!serial()) expected.push_back(h + "MoveAxis - done:0x02 limit:0x05 slip:0x3FF err:0x0");
  std::vector<std::string> mine;  // the transports' lines aside
  for (const std::string& t : log.Traces()) {
    if (t.rfind(h, 0) == 0 && t.find("SendCommand") == std::string::npos) mine.push_back(t);
  }
  EXPECT_EQ(expected, mine);
}

VEK_TRANSPORT_SUITE(FlagGetters);

}  // namespace
}  // namespace vek::test
