#include "tools/report.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fstream>

#include "vekkestra.h"
#include "vekkestra_motion.h"

namespace vekctl {
namespace {

constexpr int kAddressParts = 4;
constexpr long kLargestAddressPart = 255;

std::string Trim(const std::string& text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
  while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
  return text.substr(begin, end - begin);
}

std::vector<std::string> Labels(const std::string& host) {
  std::vector<std::string> labels(1);
  for (char c : host) {
    if (c == '.') {
      labels.emplace_back();
    } else {
      labels.back() += c;
    }
  }
  return labels;
}

// A label that the resolver takes as a number: decimal, octal or 0x hex.
bool Numeric(const std::string& label) {
  if (label.empty()) return true;
  const bool hex = label.size() > 1 && label[0] == '0' && (label[1] == 'x' || label[1] == 'X');
  for (size_t i = hex ? 2 : 0; i < label.size(); ++i) {
    const auto c = static_cast<unsigned char>(label[i]);
    if (!(hex ? std::isxdigit(c) : std::isdigit(c))) return false;
  }
  return true;
}

bool DecimalPart(const std::string& label, long* value) {
  if (label.empty() || label.size() > 3) return false;
  for (char c : label) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  }
  *value = std::strtol(label.c_str(), nullptr, 10);
  return *value <= kLargestAddressPart;
}

bool CheckHost(const std::string& host, std::string* plain, std::string* problem) {
  const std::vector<std::string> labels = Labels(host);
  bool numeric = true;
  for (const std::string& label : labels) numeric = numeric && Numeric(label);
  if (numeric) {
    std::string text;
    long value = 0;
    for (const std::string& label : labels) {
      if (labels.size() != kAddressParts || !DecimalPart(label, &value)) {
        *problem = "\"" + host +
                   "\" is not an IPv4 address: give four numbers from 0 to 255 with dots between (192.168.0.50), or a "
                   "host name";
        return false;
      }
      text += (text.empty() ? "" : ".") + std::to_string(value);
    }
    *plain = text;
    return true;
  }
  for (const std::string& label : labels) {
    const bool fine = !label.empty() && std::all_of(label.begin(), label.end(), [](char c) {
      return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_';
    });
    if (!fine) {
      *problem = "\"" + host + "\" is neither an IPv4 address nor a host name (letters, digits and \"-\" between dots)";
      return false;
    }
  }
  *plain = host;
  return true;
}

}  // namespace

bool ParseTcpAddress(const std::string& text, std::string* host, int32_t* port, std::string* problem) {
  const size_t colon = text.rfind(':');
  const std::string name = text.substr(0, colon);
  *port = kDefaultTcpPort;
  if (name.empty()) {
    *problem = "no host before the port in \"" + text + "\"";
    return false;
  }
  if (colon != std::string::npos) {
    const std::string portText = text.substr(colon + 1);
    int32_t value = 0;
    if (!ParseInt32(portText, &value) || value < 1 || value > 65535) {
      *problem = "the port \"" + portText + "\" of \"" + text + "\" is not a number from 1 to 65535";
      return false;
    }
    *port = value;
  }
  return CheckHost(name, host, problem);
}

int AxisIndexOf(char letter) {
  const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  for (int i = 0; i < kAxisCount; ++i) {
    if (kAxisLetters[i] == upper) return i;
  }
  return -1;
}

bool ParseInt32(const std::string& text, int32_t* value) {
  const std::string trimmed = Trim(text);
  if (trimmed.empty()) return false;
  // Decimal unless "0x": a leading zero does not make the number octal.
  const size_t digits = trimmed[0] == '-' || trimmed[0] == '+' ? 1 : 0;
  const bool hex = trimmed.size() > digits + 1 && trimmed[digits] == '0' &&
                   (trimmed[digits + 1] == 'x' || trimmed[digits + 1] == 'X');
  errno = 0;
  char* end = nullptr;
  const long long parsed = std::strtoll(trimmed.c_str(), &end, hex ? 16 : 10);
  if (errno != 0 || end == trimmed.c_str() || *end != '\0') return false;
  if (parsed < INT32_MIN || parsed > INT32_MAX) return false;
  *value = static_cast<int32_t>(parsed);
  return true;
}

bool ParseAxisMask(const std::string& text, int32_t* mask) {
  const std::string trimmed = Trim(text);
  if (trimmed.empty()) return false;
  if (trimmed == "all" || trimmed == "ALL") {
    *mask = VEK_ALL_AXES;
    return true;
  }
  if (std::isdigit(static_cast<unsigned char>(trimmed[0]))) {
    int32_t number = 0;
    if (!ParseInt32(trimmed, &number) || number <= 0 || number > VEK_ALL_AXES) return false;
    *mask = number;
    return true;
  }
  int32_t result = 0;
  for (char c : trimmed) {
    if (c == ',' || c == ' ') continue;
    const int index = AxisIndexOf(c);
    if (index < 0 || (result & (1 << index)) != 0) return false;
    result |= 1 << index;
  }
  if (result == 0) return false;
  *mask = result;
  return true;
}

bool ParseAxisValue(const std::string& text, int* axisIndex, int32_t* value) {
  const std::string trimmed = Trim(text);
  if (trimmed.size() < 3 || (trimmed[1] != '=' && trimmed[1] != ':')) return false;
  const int index = AxisIndexOf(trimmed[0]);
  if (index < 0) return false;
  int32_t parsed = 0;
  if (!ParseInt32(trimmed.substr(2), &parsed)) return false;
  *axisIndex = index;
  *value = parsed;
  return true;
}

std::string AxisListText(int32_t mask) {
  std::string text;
  for (int i = 0; i < kAxisCount; ++i) {
    if ((mask & (1 << i)) == 0) continue;
    if (!text.empty()) text += ' ';
    text += kAxisLetters[i];
  }
  return text;
}

std::string PositionTable(const int32_t motor[kAxisCount], const int32_t encoder[kAxisCount]) {
  std::string table = "axis        motor      encoder    following\n";
  char row[96];
  for (int i = 0; i < kAxisCount; ++i) {
    const long long difference = static_cast<long long>(motor[i]) - encoder[i];
    std::snprintf(row, sizeof row, "%c    %12" PRId32 " %12" PRId32 " %12lld\n", kAxisLetters[i], motor[i], encoder[i],
                  difference);
    table += row;
  }
  return table;
}

std::string FlagTable(uint32_t statusWord) {
  std::string table = "axis  done  limit  slip\n";
  char row[64];
  for (int i = 0; i < kAxisCount; ++i) {
    const bool done = (statusWord & VEKM_DONE_BIT(i)) != 0;
    const bool limit = (statusWord & VEKM_LIMIT_BIT(i)) != 0;
    const bool slip = (statusWord & VEKM_SLIP_BIT(i)) != 0;
    std::snprintf(row, sizeof row, "%c     %-4s  %-5s  %s\n", kAxisLetters[i], done ? "yes" : "-", limit ? "yes" : "-",
                  slip ? "yes" : "-");
    table += row;
  }
  std::snprintf(row, sizeof row, "command error: %s\n", (statusWord & VEKM_COMMAND_ERROR_BIT) != 0 ? "yes" : "no");
  table += row;
  return table;
}

std::string IoTable(uint32_t direction, uint32_t state) {
  std::string table = "bit        ";
  char cell[8];
  for (int bit = 15; bit >= 0; --bit) {
    std::snprintf(cell, sizeof cell, "%3d", bit);
    table += cell;
  }
  table += "\ndirection  ";
  for (int bit = 15; bit >= 0; --bit) table += ((direction >> bit) & 1u) ? "  o" : "  i";
  table += "\nstate      ";
  for (int bit = 15; bit >= 0; --bit) table += ((state >> bit) & 1u) ? "  1" : "  0";
  char words[64];
  std::snprintf(words, sizeof words, "\n(direction 0x%04" PRIX32 ", o = output; state 0x%04" PRIX32 ")\n",
                direction & 0xFFFFu, state & 0xFFFFu);
  table += words;
  return table;
}

int ProgressPercent(int32_t mask, const int32_t start[kAxisCount], const int32_t now[kAxisCount],
                    const int32_t* target) {
  if (target == nullptr) return -1;
  double sum = 0.0;
  int axes = 0;
  for (int i = 0; i < kAxisCount; ++i) {
    if ((mask & (1 << i)) == 0) continue;
    ++axes;
    const double whole = static_cast<double>(target[i]) - start[i];
    if (whole == 0.0) {
      sum += 1.0;
      continue;
    }
    double part = (static_cast<double>(now[i]) - start[i]) / whole;
    if (part < 0.0) part = 0.0;
    if (part > 1.0) part = 1.0;
    sum += part;
  }
  if (axes == 0) return 100;
  return static_cast<int>(sum * 100.0 / axes);
}

std::string ProgressLine(const char* what, int32_t mask, const int32_t now[kAxisCount], int percent,
                         double elapsedSeconds) {
  char piece[48];
  std::string line = what;
  for (int i = 0; i < kAxisCount; ++i) {
    if ((mask & (1 << i)) == 0) continue;
    std::snprintf(piece, sizeof piece, "  %c=%" PRId32, kAxisLetters[i], now[i]);
    line += piece;
  }
  if (percent < 0) {
    std::snprintf(piece, sizeof piece, "  --%%  %.2f s", elapsedSeconds);
  } else {
    std::snprintf(piece, sizeof piece, "  %3d%%  %.2f s", percent, elapsedSeconds);
  }
  line += piece;
  return line;
}

std::vector<std::string> TailLines(const std::string& path, int count) {
  std::deque<std::string> lines;
  std::ifstream file(path);
  std::string line;
  while (count > 0 && std::getline(file, line)) {
    lines.push_back(line);
    if (static_cast<int>(lines.size()) > count) lines.pop_front();
  }
  return std::vector<std::string>(lines.begin(), lines.end());
}

}  // namespace vekctl
