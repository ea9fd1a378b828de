// Feeds arbitrary controller answers to the answer parsers and arbitrary
// value lists to the multi-axis builder: nothing reads or writes past its
// buffer and a built command always fits the 128-byte command buffer.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "commands/answers.h"
#include "commands/axis.h"
#include "core/state.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  char answer[vek::kCommandBufferSize] = {};
  std::memcpy(answer, data, size < sizeof answer - 1 ? size : sizeof answer - 1);

  int32_t value = 0;
  uint32_t word = 0;
  vek::ScanDecimal(answer, &value);
  vek::ScanDecimalAfterOne(answer, &value);
  vek::ScanHex(answer, &word);
  vek::ScanHexAfterOne(answer, &word);
  int32_t slots[vek::kAxisCount + 1];
  slots[vek::kAxisCount] = 0x5A5A5A5A;  // a guard after the ten slots
  int filled = vek::ParseValueList(answer, slots, vek::kAxisCount);
  if (filled < 0 || filled > vek::kAxisCount || slots[vek::kAxisCount] != 0x5A5A5A5A) std::abort();

  // A mask, a prefix length and ten values from the input.
  if (size < 2 + 10 * sizeof(int32_t)) return 0;
  int32_t mask = static_cast<int32_t>(data[0] | (data[1] << 8));
  int32_t values[vek::kAxisCount];
  std::memcpy(values, data + 2, sizeof values);
  char command[vek::kCommandBufferSize] = {};
  size_t prefix = (size - 2 - sizeof values) % vek::kCommandBufferSize;
  std::memset(command, 'P', prefix);
  command[vek::kCommandBufferSize - 1] = '\0';
  uint32_t result = vek::BuildMultiAxisValues(mask, values, command);
  if (std::strlen(command) >= vek::kCommandBufferSize) std::abort();
  if (result != 0 && std::strspn(command, "P") != std::strlen(command)) std::abort();  // unchanged on refusal
  return 0;
}
