#include "motion/status.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace vek::motion {
namespace {

// The letter that gives "yes" and "no" at each of the five places.
constexpr char kYes[] = "EESPP";
constexpr char kNo[] = "DDNNN";

bool ParseNumber(const char* text, int length, int32_t* value) {
  char field[24] = {};
  if (length <= 0 || length >= static_cast<int>(sizeof field)) return false;
  std::memcpy(field, text, static_cast<size_t>(length));
  char* end = nullptr;
  errno = 0;
  const long long parsed = std::strtoll(field, &end, 10);
  if (end == field || *end != '\0' || errno != 0 || parsed < INT32_MIN || parsed > INT32_MAX) return false;
  *value = static_cast<int32_t>(parsed);
  return true;
}

}  // namespace

bool ParseStatusLetters(const char* letters, int length, AxisStatus* status) {
  if (length != 5) return false;
  bool flags[5] = {};
  for (int i = 0; i < 5; ++i) {
    if (letters[i] == kYes[i]) {
      flags[i] = true;
    } else if (letters[i] != kNo[i]) {
      return false;
    }
  }
  *status = AxisStatus{flags[0], flags[1], flags[2], flags[3], flags[4]};
  return true;
}

bool ParseAnswer(const char* answer, int statusFields, AxisStatus* status, int numberFields, int32_t* numbers) {
  const int count = statusFields + numberFields;
  const char* field = answer;
  for (int i = 0; i < count; ++i) {
    const char* comma = std::strchr(field, ',');
    const bool last = i == count - 1;
    if (last != (comma == nullptr)) return false;
    const int length = static_cast<int>(last ? std::strlen(field) : comma - field);
    const bool parsed = i < statusFields ? ParseStatusLetters(field, length, &status[i])
                                         : ParseNumber(field, length, &numbers[i - statusFields]);
    if (!parsed) return false;
    field = last ? field : comma + 1;
  }
  return true;
}

}  // namespace vek::motion
