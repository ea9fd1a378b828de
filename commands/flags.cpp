// The done, limit, slip and command-error flags as the application sees them.
// Every flag lives in the library's own status word of each transport; the
// controller only ever sets flags (through its notifications), so the getters
// first pull in whatever is already waiting and the clear operations never
// talk to the controller at all. Only the illegal-command query and the slip
// detection switch exchange commands.
#include <cstring>

#include "commands/axis.h"
#include "commands/shapes.h"
#include "commands/workers.h"
#include "core/state.h"
#include "core/trace.h"
#include "vekkestra.h"

namespace vek {
namespace {

// The getters take the AxisBit as a plain bit mask: several bits ask about
// several axes at once, and 0 asks about none (and so is always "set").
uint32_t AxisFlagOf(uint32_t word, uint32_t shift, int32_t axisBit) {
  const uint32_t bits = static_cast<uint32_t>(axisBit);
  return ((word >> shift) & bits & kGroupMask) == bits ? 1u : 0u;
}

// The serial limit getter traces the limit field and the axis it compares,
// between two dumps of the same word.
uint32_t GetOvertravelFlagTraced(const Link& link, int32_t axisBit, uint32_t* flag) {
  if (link.Missing() || flag == nullptr) return VEK_ERROR_INVALID_PARAMETER;
  link.Drain();
  DumpFlags(link, "GetAxisOvertravelFlag()");
  TraceVerbosef(link.handle, "%sGetAxisOvertravelFlag() limit=0x0%2X  Axis=0x0%2X", link.transport->prefix,
                (link.StatusFlags() >> kLimitShift) & kGroupMask, static_cast<uint32_t>(axisBit));
  *flag = AxisFlagOf(link.StatusFlags(), kLimitShift, axisBit);
  DumpFlags(link, "GetAxisOvertravelFlag()");
  return VEK_SUCCESS;
}

}  // namespace

// Every getter first folds the notifications already waiting; silence or a
// failed read leaves the word as it is.
uint32_t shape::AxisFlag::operator()(Link link, const char* /*label*/, int32_t axisBit, uint32_t* flag) const {
  if (link.Missing() || flag == nullptr) return VEK_ERROR_INVALID_PARAMETER;
  link.Drain();
  *flag = AxisFlagOf(link.StatusFlags(), shift, axisBit);
  DumpFlags(link, dump);
  return VEK_SUCCESS;
}

uint32_t shape::StatusField::operator()(Link link, const char* /*label*/, uint32_t* out) const {
  if (link.Missing() || out == nullptr) return VEK_ERROR_INVALID_PARAMETER;
  link.Drain();
  *out = (link.StatusFlags() >> shift) & mask;
  DumpFlags(link, dump);
  return VEK_SUCCESS;
}

// Forgets the flags of one group for the axes in the low ten bits of `axes`.
// A negative mask passes the range test and clears by its low bits.
uint32_t shape::ClearFlags::operator()(Link link, const char* label, int32_t axes) const {
  char dump[kTraceBufferSize];
  DumpFlags(link, FormatText(dump, "%s - in", label));
  if (link.Missing() || axes > kAllAxesMask) return VEK_ERROR_INVALID_PARAMETER;
  // Atomic: a notification folded meanwhile on another connection stays.
  link.StatusFlags().fetch_and(~((static_cast<uint32_t>(axes) & kGroupMask) << shift));
  DumpFlags(link, FormatText(dump, "%s - out", label));
  return VEK_SUCCESS;
}

// The done getter refuses "all axes" only after the refresh has consumed the
// input, so a caller's mistake still folds what was waiting.
uint32_t ops::GetAxisDoneFlag(Link link, int32_t axisBit, uint32_t* flag) {
  if (link.Missing() || flag == nullptr) return VEK_ERROR_INVALID_PARAMETER;
  link.Drain();
  if (axisBit == kAllAxesMask) return VEK_ERROR_INVALID_AXIS;
  *flag = AxisFlagOf(link.StatusFlags(), kDoneShift, axisBit);
  DumpFlags(link, "GetAxisDoneFlag");
  return VEK_SUCCESS;
}

uint32_t ops::GetAxisOvertravelFlag(Link link, int32_t axisBit, uint32_t* flag) {
  if (link.transport->overtravelGetterTracesWord) return GetOvertravelFlagTraced(link, axisBit, flag);
  return shape::AxisFlag(kLimitShift, "GetAxisOvertravelFlag()")(link, "", axisBit, flag);
}

uint32_t ops::ClearCommandErrorFlag(Link link) {
  if (link.Missing()) return VEK_ERROR_INVALID_PARAMETER;
  link.StatusFlags().fetch_and(~kCommandErrorBit);
  DumpFlags(link, "ClearCommandErrorFlag() - exit");
  return VEK_SUCCESS;
}

// The controller's record of the last command it rejected, as free text.
// The stored length never counts past the caller's buffer, whatever the
// query left in it.
uint32_t ops::GetIllegalCommand(Link link, char* text, int32_t textSize, int32_t* textLength) {
  if (link.Missing() || text == nullptr || textLength == nullptr) return VEK_ERROR_INVALID_PARAMETER;
  if (textSize <= 0) {
    // No room even for a terminator: nothing is asked, nothing is stored.
    *textLength = 0;
    return VEK_ERROR_INVALID_PARAMETER;
  }
  TraceVerbose(link.handle, "GetIllegalCommand()");
  const uint32_t result = link.Query("#ER", text, textSize);
  const void* end = std::memchr(text, '\0', static_cast<std::size_t>(textSize));
  *textLength = end != nullptr ? static_cast<int32_t>(static_cast<const char*>(end) - text) : textSize;
  return result;
}

uint32_t ops::EnableAxisSlipDectection(Link link, int32_t axis) {
  if (link.Missing()) return VEK_ERROR_INVALID_PARAMETER;
  return SendSingleCommand(link, axis, "IS;");
}

}  // namespace vek
