#include "commands/axis.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "core/trace.h"
#include "ethernet/ethernet.h"
#include "serial/serial.h"
#include "vekkestra.h"

namespace vek {
namespace {

// Builds "A<letter><text>" plus `tail` and sends it; shared by both builders.
uint32_t SendAxisText(uint32_t* net, uint32_t* ser, int32_t axisBit, const char* label, const char* text,
                      const char* tail) {
  TraceVerbose(net, ser, label);
  char letter = 0;
  if (!AxisLetterOf(axisBit, &letter)) return VEK_ERROR_INVALID_AXIS;
  char command[kCommandBufferSize] = {};
  // Every caller passes a short fixed text; a longer one is refused rather
  // than cut, so a half command never reaches the controller.
  if (!AppendCommand(command, "A%c%s%s", letter, text != nullptr ? text : "", tail)) {
    return VEK_ERROR_INVALID_PARAMETER;
  }
  return SendOn(net, ser, command);
}

}  // namespace

bool AxisLetterOf(int32_t axisBit, char* letter) {
  const int32_t index = axes::IndexOf(axisBit);
  if (index < 0) return false;
  *letter = axes::kLetters[index];
  return true;
}

uint32_t SendSingleCommand(uint32_t* net, uint32_t* ser, int32_t axisBit, const char* text) {
  return SendAxisText(net, ser, axisBit, "SendSingleCommand()", text, "");
}

uint32_t SendSingleParamCommand(uint32_t* net, uint32_t* ser, int32_t axisBit, const char* text, int32_t value) {
  char tail[16];
  std::snprintf(tail, sizeof tail, "%d;", static_cast<int>(value));
  return SendAxisText(net, ser, axisBit, "SendSingleParamCommand()", text, tail);
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

uint32_t SendOn(uint32_t* net, uint32_t* ser, const char* command) {
  return ser != nullptr ? VEKser_SendCommand(ser, command) : VEKnet_SendCommand(net, command);
}

uint32_t QueryOn(uint32_t* net, uint32_t* ser, const char* command, char* answer, int32_t answerSize) {
  return ser != nullptr ? VEKser_Query(ser, command, answer, answerSize)
                        : VEKnet_Query(net, command, answer, answerSize);
}

uint32_t WaitOn(uint32_t* net, uint32_t* ser, int32_t axisMask, int32_t timeoutMs, uint32_t flagGroup) {
  return ser != nullptr ? WaitOnSerial(ser, axisMask, timeoutMs, flagGroup)
                        : WaitOnEthernet(net, axisMask, timeoutMs, flagGroup);
}

uint32_t StopOn(uint32_t* net, uint32_t* ser, int32_t axisMask) {
  return ser != nullptr ? VEKser_StopMotion(ser, axisMask) : VEKnet_StopMotion(net, axisMask);
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
