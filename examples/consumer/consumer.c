/* A program built outside the VekKestra tree against an installed library.
 * It prints the library's version text, then asks for a controller where none
 * listens (127.0.0.1, port 1) and prints what the library answers: the
 * connection result code and the system's error number. No hardware and no
 * simulator needed; a refused connection is the outcome it expects. */
#include <stdio.h>

#include "vekkestra.h"

int main(void) {
  char version[128];
  uint32_t link = 0;
  uint32_t result;

  printf("version: %s\n", VEK_GetDLLVersion(version, sizeof version));

  result = VEKnet_Initialize("127.0.0.1", 1, &link);
  printf("connect 127.0.0.1:1: result %u, system error %d\n", (unsigned)result, (int)VEKnet_GetLastError());
  if (result == VEK_SUCCESS) {
    VEKnet_Close(&link);
  }
  return result == VEK_ERROR_ETHERNET_CONNECT ? 0 : 1;
}
