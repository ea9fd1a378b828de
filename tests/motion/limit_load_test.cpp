// Many moves into a limit, each of which must end as a limit with the other
// axis stopped short of its target: the race that once let such a move look
// like a success showed only now and then, on a loaded machine. Long, so it
// runs under its own label ("load"); CI runs it beside busy loops.
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/sim/sim_link.h"
#include "vekkestra_motion.h"

namespace vek::test {
namespace {

using sim::Link;

constexpr int kComPort = 28;
constexpr int kRounds = 30;

class LimitUnderLoad : public sim::SimTest {
 protected:
  LimitUnderLoad() : SimTest(kComPort) {}
};

TEST_P(LimitUnderLoad, AMoveIntoALimitNeverReturnsNormally) {
  sim::Options o;
  o.axes[0].positiveLimit = 1500;
  ASSERT_NO_FATAL_FAILURE(StartSim(o));
  VekmController* ctl = nullptr;
  VekmError e;
  ASSERT_EQ(
      serial() ? vekm_open_serial(kComPort, 115200, &ctl, &e) : vekm_open_tcp("127.0.0.1", sim_->tcpPort(), &ctl, &e),
      VEK_SUCCESS)
      << e.message;
  int normal = 0;
  int otherMoving = 0;
  for (int round = 0; round < kRounds; ++round) {
    int32_t into[VEK_AXIS_COUNT] = {3000, 6000};
    const uint32_t rc = vekm_move(ctl, VEK_AXIS_X | VEK_AXIS_Y, into, 0, 10000, &e);
    if (rc == VEK_SUCCESS) ++normal;
    EXPECT_EQ(rc, VEKM_LIMIT) << "round " << round << ": " << e.message;
    EXPECT_EQ(e.axis, VEK_AXIS_X) << "round " << round;
    // The core waits for the stopped axis to stand still before it returns.
    if (sim_->axis(1).moving) ++otherMoving;
    EXPECT_LT(sim_->axis(1).motorPosition, 6000) << "round " << round;
    int32_t back[VEK_AXIS_COUNT] = {0, 0};
    ASSERT_EQ(vekm_move(ctl, VEK_AXIS_X | VEK_AXIS_Y, back, 0, 10000, &e), VEK_SUCCESS) << e.message;
  }
  EXPECT_EQ(normal, 0);
  EXPECT_EQ(otherMoving, 0);
  vekm_free(ctl);
}

VEK_SIM_LINK_SUITE(LimitUnderLoad);

}  // namespace
}  // namespace vek::test
