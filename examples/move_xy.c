/* A first program with VekKestra: connect to a controller over TCP, home the
 * X and Y axes, move them together, and print where every axis stands.
 *
 *   move_xy [HOST [PORT]]        (default 127.0.0.1 5001)
 *
 * Start the simulator first (build/sim/veksim --port 5001) to try it without
 * a controller. */
#include <stdio.h>
#include <stdlib.h>

#include "vekkestra.h"

/* Every operation returns VEK_SUCCESS (0) or a VEK_ERROR_* code. */
static int Failed(const char* what, uint32_t result) {
  if (result == VEK_SUCCESS) return 0;
  fprintf(stderr, "%s failed with result %u (see the VEK_ERROR_* codes in vekkestra.h)\n", what, (unsigned)result);
  return 1;
}

int main(int argc, char** argv) {
  const char* host = argc > 1 ? argv[1] : "127.0.0.1";
  const uint32_t port = argc > 2 ? (uint32_t)strtoul(argv[2], NULL, 10) : 5001u;
  char version[80];
  /* The connection lives in our own variable; its address is the handle. */
  uint32_t link = 0;
  int32_t targets[VEK_AXIS_COUNT] = {0};
  int32_t motor[VEK_AXIS_COUNT];
  int32_t encoder[VEK_AXIS_COUNT];
  int axis;
  int status = 1;

  printf("%s\n", VEK_GetDLLVersion(version, sizeof version));
  if (Failed("connect", VEKnet_Initialize(host, port, &link))) return 1;
  printf("connected to %s:%u\n", host, (unsigned)port);

  /* Home search on X, then Y: search command 0 ("HS"), home command 0
   * ("HM") with the value 0, waiting up to 10 s for the axis to report done.
   * A done flag stays set until it is cleared, so clear it before each wait:
   * otherwise the done of an earlier motion would end the wait at once. */
  if (Failed("clear X", VEKnet_ClearMultiAxisDoneFlags(&link, VEK_AXIS_X))) goto done;
  if (Failed("home X", VEKnet_FindAxisHome(&link, VEK_AXIS_X, 0, 0, 0, 10000))) goto done;
  if (Failed("clear Y", VEKnet_ClearMultiAxisDoneFlags(&link, VEK_AXIS_Y))) goto done;
  if (Failed("home Y", VEKnet_FindAxisHome(&link, VEK_AXIS_Y, 0, 0, 0, 10000))) goto done;
  printf("X and Y are homed\n");

  /* A coordinated absolute move ("AA", "MA"): the value list has one slot
   * per axis, and only the slots of the axes in the mask are read. */
  targets[0] = 4000;  /* X */
  targets[1] = -2500; /* Y */
  if (Failed("clear X and Y", VEKnet_ClearMultiAxisDoneFlags(&link, VEK_AXIS_X | VEK_AXIS_Y))) goto done;
  if (Failed("move", VEKnet_Move(&link, VEK_AXIS_X | VEK_AXIS_Y, 0, 0, targets, 0, 10000))) goto done;
  printf("X and Y have arrived\n");

  if (Failed("read positions", VEKnet_GetAllAxisPositions(&link, motor, encoder))) goto done;
  printf("axis      motor    encoder\n");
  for (axis = 0; axis < VEK_AXIS_COUNT; ++axis) {
    printf("%c    %10d %10d\n", "XYZTUVRSWK"[axis], (int)motor[axis], (int)encoder[axis]);
  }
  status = 0;

done:
  VEKnet_Close(&link);
  return status;
}
