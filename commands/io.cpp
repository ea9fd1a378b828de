// The controller's general-purpose I/O lines: the direction word, the state
// word, one line's state, and one output's level. These commands address the
// controller as a whole and carry no axis letter. The controller answers "RB"
// with one leading character before the hexadecimal word and "BX" with the
// bare word.
#include "commands/answers.h"
#include "commands/axis.h"
#include "core/trace.h"
#include "vekkestra.h"

namespace vek {
namespace {

constexpr uint32_t kMaxDirectionWord = 0xFFFF;
constexpr int32_t kIoLineCount = 16;

// A word read: its query, its label and its scan ("%*c%x" or "%x").
struct WordRead {
  const char* query;
  const char* label;
  bool (*scan)(const char*, uint32_t*);
};

constexpr WordRead kDirectionRead = {"RB", "GetIOBitsDirection()", ScanHexAfterOne};
constexpr WordRead kStateRead = {"BX", "GetIOBitsState()", ScanHex};
constexpr WordRead kBitRead = {"BX", "GetIOBitState()", ScanHex};

// Runs the read's query and scans its answer; `word` is written only when a
// number was found.
uint32_t QueryWord(uint32_t* net, uint32_t* ser, const WordRead& read, uint32_t* word) {
  char answer[kCommandBufferSize] = {};
  const uint32_t result = QueryOn(net, ser, read.query, answer, static_cast<int32_t>(sizeof answer));
  if (result != VEK_SUCCESS) return result;
  answer[sizeof answer - 1] = '\0';
  if (answer[0] == '\0') return VEK_ERROR_BAD_RESPONSE;
  if (!read.scan(answer, word)) {
    TraceVerbosef(net, ser, "%s | VEK_ERROR_BAD_RESPONSE | bad receive string: recv %s", read.label, answer);
    return VEK_ERROR_BAD_RESPONSE;
  }
  return VEK_SUCCESS;
}

uint32_t GetIoWord(uint32_t* net, uint32_t* ser, uint32_t* word, const WordRead& read) {
  if (net == nullptr && ser == nullptr) return VEK_ERROR_INVALID_PARAMETER;
  if (word == nullptr) return VEK_ERROR_INVALID_PARAMETER;
  TraceVerbose(net, ser, read.label);
  return QueryWord(net, ser, read, word);
}

// 1 when every line of the mask is set; a mask of 0 is always set.
uint32_t GetIoBitState(uint32_t* net, uint32_t* ser, uint32_t bitMask, uint32_t* state) {
  if (net == nullptr && ser == nullptr) return VEK_ERROR_INVALID_PARAMETER;
  if (state == nullptr) return VEK_ERROR_INVALID_PARAMETER;
  TraceVerbose(net, ser, kBitRead.label);
  uint32_t word = 0;
  const uint32_t result = QueryWord(net, ser, kBitRead, &word);
  if (result != VEK_SUCCESS) return result;
  *state = (word & bitMask) == bitMask ? 1u : 0u;
  return VEK_SUCCESS;
}

// The line number of a mask naming exactly one of lines 0 to 15, else -1.
int32_t LineOf(int32_t bitMask) {
  for (int32_t line = 0; line < kIoLineCount; ++line) {
    if (bitMask == (1 << line)) return line;
  }
  return -1;
}

uint32_t SetOutputBitState(uint32_t* net, uint32_t* ser, int32_t bitMask, int32_t level) {
  static constexpr char kLevelLetters[2] = {'L', 'H'};
  if (net == nullptr && ser == nullptr) return VEK_ERROR_INVALID_PARAMETER;
  const int32_t line = LineOf(bitMask);
  if (line < 0) return VEK_ERROR_INVALID_PARAMETER;
  if (level != 0 && level != 1) return VEK_ERROR_INVALID_PARAMETER;
  char command[kCommandBufferSize] = {};
  FormatText(command, "B%c%d;", kLevelLetters[level], static_cast<int>(line));
  TraceVerbose(net, ser, "SetOutputBitState()");
  return SendOn(net, ser, command);
}

// The direction word, "BD" and upper-case hexadecimal; false above 16 lines.
bool BuildDirection(uint32_t direction, char* command) {
  if (direction > kMaxDirectionWord) return false;
  FormatText(command, kCommandBufferSize, "BD%X;", direction);
  return true;
}

// The output word, unchecked, in lower-case hexadecimal left-justified in two
// places: a word below 16 is followed by a space ("BS5 ;").
void BuildOutputs(uint32_t outputs, char* command) { FormatText(command, kCommandBufferSize, "BS%-2x;", outputs); }

}  // namespace
}  // namespace vek

using vek::TraceEntry;

// ---- Ethernet ----

extern "C" VEK_API uint32_t VEK_CALL VEKnet_GetIOBitsDirection(uint32_t* handle, uint32_t* direction) {
  TraceEntry(handle, "VEKnet_GetIOBitsDirection()");
  return vek::GetIoWord(handle, nullptr, direction, vek::kDirectionRead);
}

extern "C" VEK_API uint32_t VEK_CALL VEKnet_SetIOBitsDirection(uint32_t* handle, uint32_t direction) {
  TraceEntry(handle, "VEKnet_SetIOBitsDirection()");
  char command[vek::kCommandBufferSize] = {};
  if (!vek::BuildDirection(direction, command)) return VEK_ERROR_INVALID_PARAMETER;
  return VEKnet_SendCommand(handle, command);
}

extern "C" VEK_API uint32_t VEK_CALL VEKnet_GetIOBitsState(uint32_t* handle, uint32_t* state) {
  TraceEntry(handle, "VEKnet_GetIOBitsState()");
  return vek::GetIoWord(handle, nullptr, state, vek::kStateRead);
}

extern "C" VEK_API uint32_t VEK_CALL VEKnet_SetOutputBitsState(uint32_t* handle, uint32_t outputs) {
  TraceEntry(handle, "VEKnet_SetOutputBitsState()");
  char command[vek::kCommandBufferSize] = {};
  vek::BuildOutputs(outputs, command);
  return VEKnet_SendCommand(handle, command);
}

extern "C" VEK_API uint32_t VEK_CALL VEKnet_GetIOBitState(uint32_t* handle, uint32_t bitMask, uint32_t* state) {
  TraceEntry(handle, "VEKnet_GetIOBitState()");
  return vek::GetIoBitState(handle, nullptr, bitMask, state);
}

extern "C" VEK_API uint32_t VEK_CALL VEKnet_SetOutputBitState(uint32_t* handle, int32_t bitMask, int32_t level) {
  TraceEntry(handle, "VEKnet_SetOutputBitState()");
  return vek::SetOutputBitState(handle, nullptr, bitMask, level);
}

// ---- Serial ----

extern "C" VEK_API uint32_t VEK_CALL VEKser_GetIOBitsDirection(uint32_t* handle, uint32_t* direction) {
  TraceEntry(handle, "VEKser_GetIOBitsDirection()");
  return vek::GetIoWord(nullptr, handle, direction, vek::kDirectionRead);
}

extern "C" VEK_API uint32_t VEK_CALL VEKser_SetIOBitsDirection(uint32_t* handle, uint32_t direction) {
  TraceEntry(handle, "VEKser_SetIOBitsDirection()");
  char command[vek::kCommandBufferSize] = {};
  if (!vek::BuildDirection(direction, command)) return VEK_ERROR_INVALID_PARAMETER;
  return VEKser_SendCommand(handle, command);
}

extern "C" VEK_API uint32_t VEK_CALL VEKser_GetIOBitsState(uint32_t* handle, uint32_t* state) {
  TraceEntry(handle, "VEKser_GetIOBitsState()");
  return vek::GetIoWord(nullptr, handle, state, vek::kStateRead);
}

extern "C" VEK_API uint32_t VEK_CALL VEKser_SetOutputBitsState(uint32_t* handle, uint32_t outputs) {
  TraceEntry(handle, "VEKser_SetOutputBitsState()");
  char command[vek::kCommandBufferSize] = {};
  vek::BuildOutputs(outputs, command);
  return VEKser_SendCommand(handle, command);
}

extern "C" VEK_API uint32_t VEK_CALL VEKser_GetIOBitState(uint32_t* handle, uint32_t bitMask, uint32_t* state) {
  TraceEntry(handle, "VEKser_GetIOBitState()");
  return vek::GetIoBitState(nullptr, handle, bitMask, state);
}

extern "C" VEK_API uint32_t VEK_CALL VEKser_SetOutputBitState(uint32_t* handle, int32_t bitMask, int32_t level) {
  TraceEntry(handle, "VEKser_SetOutputBitState()");
  return vek::SetOutputBitState(nullptr, handle, bitMask, level);
}
