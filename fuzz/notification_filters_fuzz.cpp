// Feeds arbitrary received bytes to both notification filters: whatever the
// controller sends, the filters stay within their buffers, keep the text
// terminated and never make it longer.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "core/state.h"
#include "ethernet/ethernet.h"
#include "serial/serial.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // One receive brings at most 256 bytes; the chunk buffer has room for a
  // terminator after them.
  char chunk[vek::kChunkSize + 1] = {};
  size_t n = size < vek::kChunkSize ? size : vek::kChunkSize;
  std::memcpy(chunk, data, n);
  int32_t length = static_cast<int32_t>(std::strlen(chunk));
  int verdict = vek::FilterForStatusFlag2(chunk, length);
  if (verdict < 0 || verdict > 2) std::abort();
  if (chunk[vek::kChunkSize] != '\0' || std::strlen(chunk) > static_cast<size_t>(length)) std::abort();
  if (verdict == vek::kFilterOnlyNotifications && chunk[0] != '\0') std::abort();
  if (vek::gState.netStatusFlags & 0x80000000u) std::abort();  // bit 31 is never set

  // A serial line holds at most 255 characters and its terminator.
  char line[vek::kTraceBufferSize] = {};
  size_t m = size < vek::kTraceBufferSize - 1 ? size : vek::kTraceBufferSize - 1;
  std::memcpy(line, data, m);
  size_t before = std::strlen(line);
  vek::FilterSerialStatusFlag(line);
  if (std::strlen(line) > before) std::abort();
  if (vek::gState.serStatusFlags & 0x80000000u) std::abort();
  return 0;
}
