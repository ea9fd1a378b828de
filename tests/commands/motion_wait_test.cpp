// The waits of the moves and searches on both transports: which notification ends them,
// what a time-out returns, and when a search is stopped (the polling: transport tests).
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "core/state.h"
#include "tests/commands/transport_fixture.h"
#include "vekkestra.h"

namespace vek::test {
namespace {

// Notification values: done bits of X, Y, Z in bits 0..2, limits from bit 8.
constexpr uint32_t kDoneX = 0x1, kDoneY = 0x2, kDoneZ = 0x4, kLimitY = 0x200, kLimitZ = 0x400;
constexpr uint32_t kOut = VEK_ERROR_WAIT_TIMEOUT;
constexpr int32_t kX = VEK_AXIS_X, kY = VEK_AXIS_Y, kZ = VEK_AXIS_Z;
const int32_t kXZ[10] = {100, 0, -5};

class MotionWait : public TransportTest {};

TEST_P(MotionWait, EachEndsOnItsOwnFlagsOrTimesOut) {
  const struct {
    const char* name;
    Invoke call;
    uint32_t flags[2];  // notifications sent 20 and 60 ms into the call (0: none)
    uint32_t result;
    const char* sent;
  } cases[] = {
      {"another axis ends no move", TWIN(MoveAxis, kX, 0, 1000, 0, 300), {kDoneY}, kOut, "AXMA1000;GDID;"},
      {"its own axis ends it", TWIN(MoveAxis, kX, 0, 1000, 0, 10000), {kDoneX}, 0, "AXMA1000;GDID;"},
      {"one axis of two", TWIN(Move, kX | kZ, 0, 0, kXZ, 0, 300), {kDoneX}, kOut, "AAMA100,,-5;;GDID;"},
      {"both axes", TWIN(Move, kX | kZ, 0, 2, kXZ, 1, 10000), {kDoneX, kDoneZ}, 0, "AAMT100,,-5;;GDIP;"},
      {"no axes end at once", TWIN(Move, 0, 0, 0, kXZ, 0, 60000), {}, 0, "AAMA;GDID;"},
      {"negative time-out after sending", TWIN(Move, kX, 1, 0, kXZ, 0, -1), {}, 3, "AMMA100;;GDID;"},
      // The serial wait refuses it after the move went out; the Ethernet move does not wait.
      {"one axis, negative time-out", TWIN(MoveAxis, kX, 0, 1000, 0, -1), {}, serial() ? 3u : 0u, "AXMA1000;GDID;"},
      {"home found, not stopped", TWIN(FindAxisHome, kY, 0, 0, 0, 10000), {kDoneY}, 0, "AYHSHM0;ID"},
      {"home: a limit ends nothing", TWIN(FindAxisHome, kY, 1, 1, -100, 300), {kLimitY}, kOut, "AYHEHR-100;IDSI,1;"},
      {"limit: done ends nothing", TWIN(FindAxisLimit, kZ, 0, 5000, 300), {kDoneZ}, kOut, "AZLNJG5000;SI,,1;"},
      {"limit met, stopped", TWIN(FindAxisLimit, kZ, 1, 5000, 10000), {kDoneZ, kLimitZ}, 0, "AZLNJG-5000;SI,,1;"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    gState.netStatusFlags = gState.serStatusFlags = 0;  // nothing set by an earlier case
    if (c.flags[0] != 0) PushFlags(c.flags[0], 20);
    if (c.flags[1] != 0) PushFlags(c.flags[1], 60);
    EXPECT_EQ(c.result, c.call(handle(), serial()));
    EXPECT_EQ(c.sent, Sent());
  }
}

VEK_TRANSPORT_SUITE(MotionWait);

}  // namespace
}  // namespace vek::test
