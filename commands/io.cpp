// The controller's general-purpose I/O lines: the direction word, the state
// word, one line's state, and one output's level. These commands address the
// controller as a whole and carry no axis letter. The controller answers "RB"
// with one leading character before the hexadecimal word and "BX" with the
// bare word.
#include "commands/answers.h"
#include "commands/axis.h"
#include "commands/shapes.h"
#include "commands/workers.h"
#include "core/trace.h"
#include "vekkestra.h"

namespace vek {
namespace {

constexpr uint32_t kMaxDirectionWord = 0xFFFF;
constexpr int32_t kIoLineCount = 16;

// Runs `query`, scans its answer with `scan` and traces an answer that holds
// no number under `label`; `word` is written only when a number was found.
uint32_t QueryWord(Link link, const char* query, bool (*scan)(const char*, uint32_t*), const char* label,
                   uint32_t* word) {
  char answer[kCommandBufferSize] = {};
  const uint32_t result = link.Query(query, answer, static_cast<int32_t>(sizeof answer));
  if (result != VEK_SUCCESS) return result;
  answer[sizeof answer - 1] = '\0';
  if (answer[0] == '\0') return VEK_ERROR_BAD_RESPONSE;
  if (!scan(answer, word)) {
    TraceVerbosef(link.handle, "%s | VEK_ERROR_BAD_RESPONSE | bad receive string: recv %s", label, answer);
    return VEK_ERROR_BAD_RESPONSE;
  }
  return VEK_SUCCESS;
}

// The line number of a mask naming exactly one of lines 0 to 15, else -1.
int32_t LineOf(int32_t bitMask) {
  for (int32_t line = 0; line < kIoLineCount; ++line) {
    if (bitMask == (1 << line)) return line;
  }
  return -1;
}

}  // namespace

uint32_t shape::IoWord::operator()(Link link, const char* label, uint32_t* word) const {
  if (link.Missing()) return VEK_ERROR_INVALID_PARAMETER;
  if (word == nullptr) return VEK_ERROR_INVALID_PARAMETER;
  TraceVerbose(link.handle, label);
  return QueryWord(link, query, scan, label, word);
}

uint32_t ops::SetOutputBitState(Link link, int32_t bitMask, int32_t level) {
  static constexpr char kLevelLetters[2] = {'L', 'H'};
  if (link.Missing()) return VEK_ERROR_INVALID_PARAMETER;
  const int32_t line = LineOf(bitMask);
  if (line < 0) return VEK_ERROR_INVALID_PARAMETER;
  if (level != 0 && level != 1) return VEK_ERROR_INVALID_PARAMETER;
  char command[kCommandBufferSize] = {};
  FormatText(command, "B%c%d;", kLevelLetters[level], static_cast<int>(line));
  TraceVerbose(link.handle, "SetOutputBitState()");
  return link.Send(command);
}

// The word settings have no worker check: the transport's send refuses a
// missing handle, after the direction word has been checked.
uint32_t ops::SetIOBitsDirection(Link link, uint32_t direction) {
  if (direction > kMaxDirectionWord) return VEK_ERROR_INVALID_PARAMETER;
  char command[kCommandBufferSize] = {};
  FormatText(command, "BD%X;", direction);
  return link.Send(command);
}

// The output word, unchecked, in lower-case hexadecimal left-justified in two
// places: a word below 16 is followed by a space ("BS5 ;").
uint32_t ops::SetOutputBitsState(Link link, uint32_t outputs) {
  char command[kCommandBufferSize] = {};
  FormatText(command, "BS%-2x;", outputs);
  return link.Send(command);
}

// 1 when every line of the mask is set; a mask of 0 is always set.
uint32_t ops::GetIOBitState(Link link, uint32_t bitMask, uint32_t* state) {
  if (link.Missing()) return VEK_ERROR_INVALID_PARAMETER;
  if (state == nullptr) return VEK_ERROR_INVALID_PARAMETER;
  TraceVerbose(link.handle, "GetIOBitState()");
  uint32_t word = 0;
  const uint32_t result = QueryWord(link, "BX", ScanHex, "GetIOBitState()", &word);
  if (result != VEK_SUCCESS) return result;
  *state = (word & bitMask) == bitMask ? 1u : 0u;
  return VEK_SUCCESS;
}

}  // namespace vek
