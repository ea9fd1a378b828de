/* Calls one export many times against a running controller, so that
 * callgrind, collecting only inside that export, counts the user-space
 * instructions of one call:
 *   instruction_probe PORT CALLS typed|query
 * "typed" is VEKnet_GetAxisMotorPosition(X), "query" VEKnet_Query("AXRP;").
 * Written in C against the installed header, as an application calls it. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "vekkestra.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    fprintf(stderr, "usage: %s PORT CALLS typed|query\n", argv[0]);
    return 2;
  }
  const uint32_t port = (uint32_t)strtoul(argv[1], NULL, 10);
  const long calls = strtol(argv[2], NULL, 10);
  const int typed = strcmp(argv[3], "typed") == 0;
  uint32_t link = 0;
  uint32_t result = VEKnet_Initialize("127.0.0.1", port, &link);
  if (result != VEK_SUCCESS) {
    fprintf(stderr, "connect: %u\n", result);
    return 1;
  }
  int32_t position = 0;
  char answer[256] = "";
  long failed = 0;
  for (long i = 0; i < calls; ++i) {
    result = typed ? VEKnet_GetAxisMotorPosition(&link, VEK_AXIS_X, &position)
                   : VEKnet_Query(&link, "AXRP;", answer, (int32_t)sizeof answer);
    if (result != VEK_SUCCESS) ++failed;
  }
  VEKnet_Close(&link);
  if (failed != 0) fprintf(stderr, "%ld of %ld calls failed\n", failed, calls);
  return failed == 0 ? 0 : 1;
}
