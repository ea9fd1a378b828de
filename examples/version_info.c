/* Prints the library's version text: the smallest program that links the
 * library and calls it. */
#include <stdio.h>

#include "vekkestra.h"

int main(void) {
  char version[64];
  VEK_GetDLLVersion(version, sizeof version);
  printf("%s\n", version);
  return 0;
}
