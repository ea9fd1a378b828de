// Text that vekctl reads and shows: addresses, axis lists, the position
// table, the flag table and the progress line. Nothing here talks to a
// controller, so every piece can be checked on its own. Result codes are the
// motion core's to name (vekm_result_name, VekmError.message).
#ifndef VEK_TOOLS_REPORT_H
#define VEK_TOOLS_REPORT_H

#include <cstdint>
#include <string>
#include <vector>

#include "core/axes.h"

namespace vekctl {

inline constexpr int kAxisCount = vek::axes::kCount;
inline constexpr const char* kAxisLetters = vek::axes::kLetters;

inline constexpr int32_t kDefaultTcpPort = 5001;

// Reads "HOST[:PORT]" as --tcp takes it. HOST is a host name (letters,
// digits, "-" and "_" in dot-separated labels, not all of them numbers) or a
// dotted address of exactly four decimal parts from 0 to 255, which comes
// back in its plain form ("010.0.0.1" is 10.0.0.1, never octal): the
// system's resolver would read "1.2.3" as 1.2.0.3 and "0x7f.1" as 127.0.0.1.
// PORT is 1 to 65535 (5001 when left out). False with `problem` naming the
// part at fault.
bool ParseTcpAddress(const std::string& text, std::string* host, int32_t* port, std::string* problem);

// Index 0..9 of an axis letter (either case), or -1.
int AxisIndexOf(char letter);

// Parses an axis list: letters run together or separated by commas ("XY",
// "x,z"), "all", or a number (decimal or 0x hex) taken as a mask of bits 0-9.
// Returns false for anything else, an empty list, or a repeated axis.
bool ParseAxisMask(const std::string& text, int32_t* mask);

// Parses "X=1000" (axis letter, "=" or ":", a signed 32-bit integer).
bool ParseAxisValue(const std::string& text, int* axisIndex, int32_t* value);

// Parses a signed 32-bit integer, decimal (leading zeros too) or 0x hex, with
// nothing after it.
bool ParseInt32(const std::string& text, int32_t* value);

// "X Y" for a mask.
std::string AxisListText(int32_t mask);

// The position table: a header and one row per axis with motor and encoder
// position and their difference.
std::string PositionTable(const int32_t motor[kAxisCount], const int32_t encoder[kAxisCount]);

// The flag table from a transport's status word: one row per axis with its
// done, limit and slip flags, then the command-error flag.
std::string FlagTable(uint32_t statusWord);

// The I/O words as a row of sixteen bits, bit 15 first.
std::string IoTable(uint32_t direction, uint32_t state);

// How far a set of axes has come from its start toward its targets, 0-100,
// the mean over the axes of the mask; axes whose target equals their start
// count as arrived. Returns -1 when there are no targets to measure against.
int ProgressPercent(int32_t mask, const int32_t start[kAxisCount], const int32_t now[kAxisCount],
                    const int32_t* target);

// One progress line without a line end: the positions of the axes in the
// mask, the percent (or "--" when it is -1) and the elapsed seconds.
std::string ProgressLine(const char* what, int32_t mask, const int32_t now[kAxisCount], int percent,
                         double elapsedSeconds);

// The last `count` lines of a text file, or an empty list when it cannot be read.
std::vector<std::string> TailLines(const std::string& path, int count);

}  // namespace vekctl

#endif  // VEK_TOOLS_REPORT_H
