/* The C face of the soak (soak.py): the motion core's own calls (vekm_open_tcp,
 * vekm_move, ...) driven by one command line at a time on standard input, one
 * answer line for each on standard output; the same lines as drive_cpp.cpp:
 *
 *   open tcp HOST PORT | open serial COM | move TIMEOUT_MS A=N ... | slip A... | close | quit
 *   -> "ok", or "error CLASS CODE NAME MESSAGE" (the message on one line)
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "vekkestra_motion.h"

static const char kLetters[] = "XYZTUVRSWK";

static VekmController* ctl;

/* The axis bit of a letter, or 0. */
static int32_t AxisBit(char letter, int* slot) {
  const char* at = letter ? strchr(kLetters, letter) : NULL;
  if (!at) return 0;
  *slot = (int)(at - kLetters);
  return 1 << *slot;
}

static void Close(void) {
  vekm_free(ctl); /* closes; stops nothing, so the soak sees what the call left */
  ctl = NULL;
}

static uint32_t CloseCommand(char* words, VekmError* error) {
  (void)words;
  (void)error;
  Close();
  return VEK_SUCCESS;
}

static uint32_t Open(char* words, VekmError* error) {
  char* link = strtok(words, " ");
  Close();
  if (link && strcmp(link, "tcp") == 0) {
    const char* host = strtok(NULL, " ");
    const char* port = strtok(NULL, " ");
    return vekm_open_tcp(host ? host : "", port ? atoi(port) : 0, &ctl, error);
  }
  const char* com = strtok(NULL, " ");
  return vekm_open_serial(com ? atoi(com) : 0, 115200, &ctl, error);
}

static uint32_t Move(char* words, VekmError* error) {
  int32_t targets[VEK_AXIS_COUNT] = {0};
  int32_t axes = 0;
  const char* timeout = strtok(words, " ");
  for (const char* word = strtok(NULL, " "); word; word = strtok(NULL, " ")) {
    int slot = 0;
    const int32_t bit = AxisBit(word[0], &slot);
    if (!bit || word[1] != '=') return VEKM_BAD_ARGUMENT;
    axes |= bit;
    targets[slot] = atoi(word + 2);
  }
  return vekm_move(ctl, axes, targets, 0, timeout ? atoi(timeout) : 0, error);
}

static uint32_t Slip(char* words, VekmError* error) {
  const char* letters = strtok(words, " ");
  int32_t axes = 0;
  for (const char* c = letters ? letters : ""; *c; ++c) {
    int slot = 0;
    axes |= AxisBit(*c, &slot);
  }
  return vekm_enable_slip_detection(ctl, axes, 0, error);
}

static void Answer(uint32_t code, VekmError* error) {
  if (code == VEK_SUCCESS) {
    puts("ok");
  } else {
    for (char* c = error->message; *c; ++c)
      if (*c == '\n' || *c == '\r') *c = '|';
    printf("error VekmError %u %s %s\n", code, vekm_result_name(code), error->message);
  }
  fflush(stdout);
}

typedef uint32_t (*Command)(char* words, VekmError* error);

static const struct {
  const char* verb;
  Command run;
} kCommands[] = {{"open", Open}, {"move", Move}, {"slip", Slip}, {"close", CloseCommand}};

static Command Find(const char* verb) {
  for (size_t i = 0; i < sizeof kCommands / sizeof kCommands[0]; ++i)
    if (strcmp(verb, kCommands[i].verb) == 0) return kCommands[i].run;
  return NULL;
}

int main(void) {
  char line[512];
  while (fgets(line, sizeof line, stdin)) {
    line[strcspn(line, "\r\n")] = '\0';
    char* rest = strchr(line, ' ');
    if (rest)
      *rest++ = '\0';
    else
      rest = line + strlen(line);
    if (strcmp(line, "quit") == 0) break;
    VekmError error;
    memset(&error, 0, sizeof error);
    const Command command = Find(line);
    Answer(command ? command(rest, &error) : VEKM_BAD_ARGUMENT, &error);
  }
  Close();
  return 0;
}
