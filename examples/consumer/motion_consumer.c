/* A program built outside the VekKestra tree against the installed motion
 * core. It prints the core's version, the name and kind of one of the core's
 * own result codes, then opens a controller where none listens (127.0.0.1,
 * port 1) and prints what the core answers: the result's name, code and kind,
 * and that nothing was left open. No hardware and no simulator needed; a
 * refused connection is the outcome it expects. */
#include <stdio.h>

#include "vekkestra_motion.h"

int main(void) {
  VekmController* controller = NULL;
  VekmError error;
  uint32_t result;

  printf("motion core: %s\n", vekm_version());
  printf("code %u: %s, kind %s\n", (unsigned)VEKM_LIMIT, vekm_result_name(VEKM_LIMIT),
         vekm_kind_name(vekm_result_kind(VEKM_LIMIT)));

  result = vekm_open_tcp("127.0.0.1", 1, &controller, &error);
  printf("open 127.0.0.1:1: %s (%u), kind %s, controller %s\n", error.name, (unsigned)result,
         vekm_kind_name(error.kind), controller == NULL ? "none" : "open");
  vekm_free(controller);
  return result == VEK_ERROR_ETHERNET_CONNECT && controller == NULL ? 0 : 1;
}
