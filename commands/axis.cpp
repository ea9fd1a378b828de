#include "commands/axis.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "core/trace.h"
#include "vekkestra.h"

namespace vek {
namespace {

// Builds "A<letter><text>" plus `tail` and sends it; shared by both builders.
uint32_t SendAxisText(const Link& link, int32_t axisBit, const char* label, const char* text, const char* tail) {
  TraceVerbose(link.handle, label);
  char letter = 0;
  if (!AxisLetterOf(axisBit, &letter)) return VEK_ERROR_INVALID_AXIS;
  char command[kCommandBufferSize] = {};
  // Every caller passes a short fixed text; a longer one is refused rather
  // than cut, so a half command never reaches the controller.
  if (!AppendCommand(command, "A%c%s%s", letter, text != nullptr ? text : "", tail)) {
    return VEK_ERROR_INVALID_PARAMETER;
  }
  return link.Send(command);
}

}  // namespace

bool AxisLetterOf(int32_t axisBit, char* letter) {
  const int32_t index = axes::IndexOf(axisBit);
  if (index < 0) return false;
  *letter = axes::kLetters[index];
  return true;
}

uint32_t SendSingleCommand(const Link& link, int32_t axisBit, const char* text) {
  return SendAxisText(link, axisBit, "SendSingleCommand()", text, "");
}

uint32_t SendSingleParamCommand(const Link& link, int32_t axisBit, const char* text, int32_t value) {
  char tail[16];
  std::snprintf(tail, sizeof tail, "%d;", static_cast<int>(value));
  return SendAxisText(link, axisBit, "SendSingleParamCommand()", text, tail);
}

uint32_t BuildMultiAxisValues(int32_t mask, const int32_t* values, char* command) {
  if (values == nullptr || command == nullptr) return VEK_ERROR_INVALID_PARAMETER;
  // Ten values of 11 characters, nine commas and ";" make 120: always fits.
  char list[kCommandBufferSize] = {};
  std::size_t used = 0;
  const uint32_t bits = static_cast<uint32_t>(mask) & kAllAxesMask;
  for (int32_t i = 0; i < kAxisCount; ++i) {
    if (bits & (1u << i)) {
      used += std::snprintf(list + used, sizeof list - used, "%d", static_cast<int>(values[i]));
    }
    if (bits >> (i + 1)) list[used++] = ',';
  }
  if (used == 0) return VEK_SUCCESS;
  list[used++] = ';';
  if (std::strlen(command) + used >= kCommandBufferSize) return VEK_ERROR_INVALID_PARAMETER;
  std::strcat(command, list);
  return VEK_SUCCESS;
}

bool AppendCommand(char* command, const char* format, ...) {
  std::size_t used = std::strlen(command);
  char piece[kCommandBufferSize];
  va_list args;
  va_start(args, format);
  int n = std::vsnprintf(piece, sizeof piece, format, args);
  va_end(args);
  if (n < 0 || used + static_cast<std::size_t>(n) >= kCommandBufferSize) return false;
  std::memcpy(command + used, piece, static_cast<std::size_t>(n) + 1);
  return true;
}

}  // namespace vek
