#include "commands/axis.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "commands/shapes.h"
#include "core/trace.h"
#include "vekkestra.h"

namespace vek {
namespace {

// `value` in plain decimal, as "%d" writes it; returns the character count
// (at most 11). `out` is not terminated.
std::size_t FormatDecimal(char* out, int32_t value) {
  char digits[10];
  std::size_t count = 0;
  uint32_t magnitude = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
  do {
    digits[count++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  std::size_t used = 0;
  if (value < 0) out[used++] = '-';
  while (count > 0) out[used++] = digits[--count];
  return used;
}

// Command texts use only %c, %s and %d, which are written here without the
// cost of the C library's formatter.
constexpr int kNotPlain = -2;

// Writes `format` with its %c, %s and %d arguments into `out`, terminated;
// returns the length, -1 when it would not fit in `room` bytes, or kNotPlain
// at any other conversion.
int FormatPlain(char* out, std::size_t room, const char* format, va_list args) {
  std::size_t used = 0;
  for (const char* f = format; *f != '\0'; ++f) {
    char converted[12];
    const char* piece = f;
    std::size_t n = 1;
    if (*f == '%') {
      ++f;
      if (*f == 'c') {
        converted[0] = static_cast<char>(va_arg(args, int));
        piece = converted;
      } else if (*f == 'd') {
        n = FormatDecimal(converted, va_arg(args, int));
        piece = converted;
      } else if (*f == 's') {
        piece = va_arg(args, const char*);
        if (piece == nullptr) piece = "";
        n = std::strlen(piece);
      } else {
        return kNotPlain;
      }
    }
    if (used + n >= room) return -1;
    for (std::size_t i = 0; i < n; ++i) out[used++] = piece[i];
  }
  out[used] = '\0';
  return static_cast<int>(used);
}

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
  const std::size_t digits = FormatDecimal(tail, value);
  tail[digits] = ';';
  tail[digits + 1] = '\0';
  return SendAxisText(link, axisBit, "SendSingleParamCommand()", text, tail);
}

// The shapes of a single command to one axis; the builders trace themselves.
uint32_t shape::AxisValue::operator()(Link link, const char* /*label*/, int32_t axis, int32_t value) const {
  return SendSingleParamCommand(link, axis, mnemonic, value);
}

uint32_t shape::AxisText::operator()(Link link, const char* /*label*/, int32_t axis) const {
  return SendSingleCommand(link, axis, text);
}

uint32_t BuildMultiAxisValues(int32_t mask, const int32_t* values, char* command) {
  if (values == nullptr || command == nullptr) return VEK_ERROR_INVALID_PARAMETER;
  // Ten values of 11 characters, nine commas and ";" make 120: always fits.
  char list[kCommandBufferSize] = {};
  std::size_t used = 0;
  const uint32_t bits = static_cast<uint32_t>(mask) & kAllAxesMask;
  for (int32_t i = 0; i < kAxisCount; ++i) {
    if (bits & (1u << i)) {
      used += FormatDecimal(list + used, values[i]);
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
  va_list again;
  va_copy(again, args);
  int n = FormatPlain(piece, sizeof piece, format, args);
  if (n == kNotPlain) n = std::vsnprintf(piece, sizeof piece, format, again);
  va_end(again);
  va_end(args);
  if (n < 0 || used + static_cast<std::size_t>(n) >= kCommandBufferSize) return false;
  std::memcpy(command + used, piece, static_cast<std::size_t>(n) + 1);
  return true;
}

}  // namespace vek
