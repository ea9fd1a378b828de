/* Runs the motion core's DLL, loaded through its import library as an
 * application loads it, against two Linux simulators: a plain one, reached
 * over TCP and over a COM port that Wine maps to its pseudo-terminal, and one
 * whose X limit switches stand at -1000000 and 5000. A move ends ok only with
 * its axes at rest at their targets; a move into the limit ends VEKM_LIMIT
 * with X at the switch and the other moved axis stopped short of its target
 * (what vekkestra_motion.h promises). Ends with "N passed, N failed".
 *
 *   wine_motion.exe <version> <tcp port> <COM port> <tcp port of the simulator with the X limit at 5000>
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#include "vekkestra_motion.h"

static int passed = 0;
static int failed = 0;

static int check(int ok, int line, const char* what) {
  if (ok) {
    ++passed;
  } else {
    ++failed;
    printf("FAIL line %d: %s\n", line, what);
  }
  return ok;
}
#define CHECK(cond) check((cond), __LINE__, #cond)
/* A call's result, with the core's message when it is not the expected one. */
#define CHECK_RESULT(expected, call, error)                                                             \
  do {                                                                                                  \
    uint32_t result_ = (call);                                                                          \
    if (!check(result_ == (expected), __LINE__, #call)) printf("  %u: %s\n", result_, (error).message); \
  } while (0)

/* Waits up to 2 s for the axes of `axes` to stand still; returns their motor positions. */
static int at_rest(VekmController* controller, int32_t axes, int32_t* motor) {
  VekmAxisState states[VEK_AXIS_COUNT];
  VekmError error;
  int round, i, resting = 0;
  for (round = 0; round < 40 && !resting; ++round) {
    if (vekm_poll(controller, states, NULL, &error) != VEK_SUCCESS) return 0;
    resting = 1;
    for (i = 0; i < VEK_AXIS_COUNT; ++i) {
      if ((axes & (1 << i)) && states[i].state == VEKM_STATE_MOVING) resting = 0;
      motor[i] = states[i].motor;
    }
    if (!resting) Sleep(50);
  }
  return resting;
}

static void results(const char* version) {
  printf("-- the core's version and its result table\n");
  CHECK(strcmp(vekm_version(), version) == 0);
  CHECK(strcmp(vekm_result_name(VEKM_LIMIT), "VEKM_LIMIT") == 0);
  CHECK(vekm_result_kind(VEKM_LIMIT) == VEKM_KIND_LIMIT);
  CHECK(vekm_result_kind(VEK_ERROR_WAIT_TIMEOUT) == VEKM_KIND_TIMEOUT);
}

static void moves(VekmController* controller, const char* link, int32_t x, int32_t y) {
  int32_t targets[VEK_AXIS_COUNT] = {0};
  int32_t motor[VEK_AXIS_COUNT];
  VekmError error;
  printf("-- %s: a move ends ok at its targets\n", link);
  targets[0] = x;
  targets[1] = y;
  CHECK_RESULT(VEK_SUCCESS, vekm_move(controller, VEK_AXIS_X | VEK_AXIS_Y, targets, 0, 10000, &error), error);
  CHECK(error.code == VEK_SUCCESS && error.message[0] == '\0');
  CHECK(vekm_moving(controller) == 0);
  CHECK_RESULT(VEK_SUCCESS, vekm_positions(controller, motor, NULL, &error), error);
  CHECK(motor[0] == x && motor[1] == y);
  CHECK_RESULT(VEK_SUCCESS, vekm_move_axis(controller, VEK_AXIS_X, -250, VEKM_RELATIVE, 10000, &error), error);
  CHECK_RESULT(VEK_SUCCESS, vekm_positions(controller, motor, NULL, &error), error);
  CHECK(motor[0] == x - 250 && motor[1] == y);
}

static void limit(VekmController* controller) {
  int32_t targets[VEK_AXIS_COUNT] = {9000, 12000};
  int32_t motor[VEK_AXIS_COUNT];
  VekmError error;
  printf("-- TCP: a move into the limit ends VEKM_LIMIT and stops the other axis\n");
  CHECK_RESULT(VEKM_LIMIT, vekm_move(controller, VEK_AXIS_X | VEK_AXIS_Y, targets, 0, 10000, &error), error);
  CHECK(error.code == VEKM_LIMIT && error.kind == VEKM_KIND_LIMIT && strcmp(error.name, "VEKM_LIMIT") == 0);
  CHECK(error.axis == VEK_AXIS_X && error.axis_index == 0);
  CHECK(error.position_read == 1 && error.position == 5000);
  CHECK((error.stopped & VEK_AXIS_Y) != 0);
  if (CHECK(at_rest(controller, VEK_AXIS_X | VEK_AXIS_Y, motor))) CHECK(motor[0] == 5000 && motor[1] < 12000);
  CHECK_RESULT(VEKM_LIMIT, vekm_move_axis(controller, VEK_AXIS_X, 9000, 0, 10000, &error), error);
  CHECK(error.axis == VEK_AXIS_X && error.position_read == 1 && error.position == 5000);
}

int main(int argc, char** argv) {
  VekmController* controller = NULL;
  VekmError error;
  if (argc != 5) {
    printf("usage: wine_motion <version> <tcp port> <COM port> <tcp port, X limit at 5000>\n");
    return 2;
  }
  setvbuf(stdout, NULL, _IONBF, 0);
  results(argv[1]);

  CHECK_RESULT(VEK_SUCCESS, vekm_open_tcp("127.0.0.1", atoi(argv[2]), &controller, &error), error);
  if (controller) moves(controller, "TCP", 2000, -1500);
  vekm_free(controller);

  controller = NULL;
  CHECK_RESULT(VEK_SUCCESS, vekm_open_serial(atoi(argv[3]), 115200, &controller, &error), error);
  if (controller) {
    CHECK(vekm_is_serial(controller) == 1);
    moves(controller, "COM port", -3000, 750);
  }
  vekm_free(controller);

  controller = NULL;
  CHECK_RESULT(VEK_SUCCESS, vekm_open_tcp("127.0.0.1", atoi(argv[4]), &controller, &error), error);
  if (controller) limit(controller);
  vekm_free(controller);

  printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}
