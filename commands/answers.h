// Parsing of the controller's answers, free of I/O. Each parser reads the
// whole NUL-terminated answer as the matching scanf conversion would; numbers
// beyond the 32-bit range saturate instead of being undefined.
#ifndef VEK_COMMANDS_ANSWERS_H
#define VEK_COMMANDS_ANSWERS_H

#include <cstdint>

namespace vek {

// "%d": blanks skipped, optional sign, decimal digits; the rest ignored.
bool ScanDecimal(const char* answer, int32_t* value);
// "%*c%d": exactly one character discarded, whatever it is, then "%d".
bool ScanDecimalAfterOne(const char* answer, int32_t* value);
// "%x": blanks skipped, optional sign, optional 0x/0X, hexadecimal digits.
bool ScanHex(const char* answer, uint32_t* value);
// "%*c%x".
bool ScanHexAfterOne(const char* answer, uint32_t* value);

// Splits at commas as strtok does (runs of commas are one separator, empty
// fields take no slot) and converts up to `slots` fields as atoi does into
// consecutive slots. Returns the number of slots written.
int ParseValueList(const char* answer, int32_t* values, int slots);

}  // namespace vek

#endif  // VEK_COMMANDS_ANSWERS_H
