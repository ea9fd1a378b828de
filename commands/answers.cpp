#include "commands/answers.h"

#include <cctype>
#include <cstdint>

namespace vek {
namespace {

bool IsBlank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Decimal digits from `p` with an optional sign, saturated to 32 bits.
// Returns the position after the number, or nullptr when there is none.
const char* ReadDecimal(const char* p, int32_t* value) {
  bool negative = false;
  if (*p == '+' || *p == '-') negative = (*p++ == '-');
  if (*p < '0' || *p > '9') return nullptr;
  int64_t magnitude = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    if (magnitude <= 0x80000000LL) magnitude = magnitude * 10 + (*p - '0');
  }
  int64_t signedValue = negative ? -magnitude : magnitude;
  if (signedValue > INT32_MAX) signedValue = INT32_MAX;
  if (signedValue < INT32_MIN) signedValue = INT32_MIN;
  *value = static_cast<int32_t>(signedValue);
  return p;
}

}  // namespace

bool ScanDecimal(const char* answer, int32_t* value) {
  if (answer == nullptr) return false;
  const char* p = answer;
  while (IsBlank(*p)) ++p;
  int32_t parsed = 0;
  if (ReadDecimal(p, &parsed) == nullptr) return false;
  *value = parsed;
  return true;
}

bool ScanDecimalAfterOne(const char* answer, int32_t* value) {
  if (answer == nullptr || answer[0] == '\0') return false;
  return ScanDecimal(answer + 1, value);
}

bool ScanHex(const char* answer, uint32_t* value) {
  if (answer == nullptr) return false;
  const char* p = answer;
  while (IsBlank(*p)) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = (*p++ == '-');
  // "0x" counts as a prefix only when a digit follows; a lone "0" is a number.
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && HexDigit(p[2]) >= 0) p += 2;
  if (HexDigit(*p) < 0) return false;
  uint64_t magnitude = 0;
  for (; HexDigit(*p) >= 0; ++p) {
    if (magnitude <= 0xFFFFFFFFull) magnitude = magnitude * 16 + static_cast<uint64_t>(HexDigit(*p));
  }
  if (magnitude > 0xFFFFFFFFull) magnitude = 0xFFFFFFFFull;
  uint32_t result = static_cast<uint32_t>(magnitude);
  *value = negative ? 0u - result : result;
  return true;
}

bool ScanHexAfterOne(const char* answer, uint32_t* value) {
  if (answer == nullptr || answer[0] == '\0') return false;
  return ScanHex(answer + 1, value);
}

int ParseValueList(const char* answer, int32_t* values, int slots) {
  if (answer == nullptr || values == nullptr) return 0;
  int written = 0;
  const char* p = answer;
  while (*p != '\0' && written < slots) {
    while (*p == ',') ++p;  // a run of commas is one separator
    if (*p == '\0') break;
    // atoi over the field: blanks, sign, digits; 0 when there are none.
    const char* q = p;
    while (IsBlank(*q)) ++q;
    int32_t parsed = 0;
    if (ReadDecimal(q, &parsed) == nullptr) parsed = 0;
    values[written++] = parsed;
    while (*p != '\0' && *p != ',') ++p;
  }
  return written;
}

}  // namespace vek
