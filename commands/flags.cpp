// The done, limit, slip and command-error flags as the application sees them.
// Every flag lives in the library's own status word of each transport; the
// controller only ever sets flags (through its notifications), so the getters
// first pull in whatever is already waiting and the clear operations never
// talk to the controller at all. Only the illegal-command query and the slip
// detection switch exchange commands.
#include <cstring>

#include "commands/axis.h"
#include "core/state.h"
#include "core/trace.h"
#include "ethernet/ethernet.h"
#include "serial/serial.h"
#include "vekkestra.h"

namespace vek {
namespace {

// One transport's side of a flag operation: its handle and its status word.
struct Link {
  uint32_t* handle;
  bool serial;

  uint32_t* net() const { return serial ? nullptr : handle; }
  uint32_t* ser() const { return serial ? handle : nullptr; }
  std::atomic<uint32_t>& word() const { return serial ? gState.serStatusFlags : gState.netStatusFlags; }

  // Folds the notifications already waiting; silence or a failed read leaves
  // the word as it is, so the result is of no interest.
  void Refresh() const {
    if (serial) {
      (void)ReadSerialBuff(handle, nullptr, 0, ReadMode::kDrain);
    } else {
      (void)ReadTCPIP(handle, nullptr, 0, kDrainTimeoutUs);
    }
  }

  // With a null handle the dump shows both transports' words.
  void Dump(const char* label) const { TraceStatusFlags(net(), ser(), label); }
};

Link Net(uint32_t* handle) { return Link{handle, false}; }
Link Ser(uint32_t* handle) { return Link{handle, true}; }

// The getters take the AxisBit as a plain bit mask: several bits ask about
// several axes at once, and 0 asks about none (and so is always "set").
uint32_t AxisFlagOf(uint32_t word, uint32_t shift, int32_t axisBit) {
  const uint32_t bits = static_cast<uint32_t>(axisBit);
  return ((word >> shift) & bits & kGroupMask) == bits ? 1u : 0u;
}

uint32_t GetAxisFlag(Link link, int32_t axisBit, uint32_t* flag, uint32_t shift, const char* dumpLabel) {
  if (link.handle == nullptr || flag == nullptr) return VEK_ERROR_INVALID_PARAMETER;
  link.Refresh();
  *flag = AxisFlagOf(link.word(), shift, axisBit);
  link.Dump(dumpLabel);
  return VEK_SUCCESS;
}

// The done getter refuses "all axes" only after the refresh has consumed the
// input, so a caller's mistake still folds what was waiting.
uint32_t GetDoneFlag(Link link, int32_t axisBit, uint32_t* flag, const char* dumpLabel) {
  if (link.handle == nullptr || flag == nullptr) return VEK_ERROR_INVALID_PARAMETER;
  link.Refresh();
  if (axisBit == kAllAxesMask) return VEK_ERROR_INVALID_AXIS;
  *flag = AxisFlagOf(link.word(), kDoneShift, axisBit);
  link.Dump(dumpLabel);
  return VEK_SUCCESS;
}

// One field of the word: (word >> shift) & mask.
uint32_t GetField(Link link, uint32_t* out, uint32_t shift, uint32_t mask, const char* dumpLabel) {
  if (link.handle == nullptr || out == nullptr) return VEK_ERROR_INVALID_PARAMETER;
  link.Refresh();
  *out = (link.word() >> shift) & mask;
  link.Dump(dumpLabel);
  return VEK_SUCCESS;
}

// Forgets the flags of one group for the axes in the low ten bits of `axes`.
// A negative mask passes the range test and clears by its low bits.
uint32_t ClearGroup(Link link, int32_t axes, uint32_t shift, const char* inLabel, const char* outLabel) {
  link.Dump(inLabel);
  if (link.handle == nullptr || axes > kAllAxesMask) return VEK_ERROR_INVALID_PARAMETER;
  // Atomic: a notification folded meanwhile on another connection stays.
  link.word().fetch_and(~((static_cast<uint32_t>(axes) & kGroupMask) << shift));
  link.Dump(outLabel);
  return VEK_SUCCESS;
}

uint32_t ClearCommandError(Link link, const char* exitLabel) {
  if (link.handle == nullptr) return VEK_ERROR_INVALID_PARAMETER;
  link.word().fetch_and(~kCommandErrorBit);
  link.Dump(exitLabel);
  return VEK_SUCCESS;
}

// The controller's record of the last command it rejected, as free text.
// The stored length never counts past the caller's buffer, whatever the
// query left in it.
uint32_t GetIllegalCommand(Link link, char* text, int32_t textSize, int32_t* textLength) {
  if (link.handle == nullptr || text == nullptr || textLength == nullptr) return VEK_ERROR_INVALID_PARAMETER;
  if (textSize <= 0) {
    // No room even for a terminator: nothing is asked, nothing is stored.
    *textLength = 0;
    return VEK_ERROR_INVALID_PARAMETER;
  }
  TraceVerbose(link.net(), link.ser(), "GetIllegalCommand()");
  const uint32_t result = QueryOn(link.net(), link.ser(), "#ER", text, textSize);
  const void* end = std::memchr(text, '\0', static_cast<std::size_t>(textSize));
  *textLength = end != nullptr ? static_cast<int32_t>(static_cast<const char*>(end) - text) : textSize;
  return result;
}

uint32_t EnableSlipDetection(Link link, int32_t axis) {
  if (link.handle == nullptr) return VEK_ERROR_INVALID_PARAMETER;
  return SendSingleCommand(link.net(), link.ser(), axis, "IS;");
}

uint32_t GetOvertravelFlagSerial(uint32_t* handle, int32_t axisBit, uint32_t* flag) {
  const Link link = Ser(handle);
  if (handle == nullptr || flag == nullptr) return VEK_ERROR_INVALID_PARAMETER;
  link.Refresh();
  link.Dump("VEKser_GetAxisOvertravelFlag()");
  TraceVerbosef(nullptr, handle, "VEKser_GetAxisOvertravelFlag() limit=0x0%2X  Axis=0x0%2X",
                (link.word() >> kLimitShift) & kGroupMask, static_cast<uint32_t>(axisBit));
  *flag = AxisFlagOf(link.word(), kLimitShift, axisBit);
  link.Dump("VEKser_GetAxisOvertravelFlag()");
  return VEK_SUCCESS;
}

// The done getter hands out the whole word; the error flag is one bit.
constexpr uint32_t kWholeWord = 0xFFFFFFFFu;
constexpr uint32_t kCommandErrorShift = 30;

}  // namespace
}  // namespace vek

using vek::Net;
using vek::Ser;
using vek::TraceEntry;

// ---- Ethernet ----

extern "C" VEK_API uint32_t VEK_CALL VEKnet_GetAxisDoneFlag(uint32_t* handle, int32_t axisBit, uint32_t* flag) {
  TraceEntry(handle, "VEKnet_GetAxisDoneFlag - in");
  return vek::GetDoneFlag(Net(handle), axisBit, flag, "VEKnet_GetAxisDoneFlag");
}

extern "C" VEK_API uint32_t VEK_CALL VEKnet_GetAllDoneFlags(uint32_t* handle, uint32_t* flags) {
  TraceEntry(handle, "VEKnet_GetAllDoneFlags()");
  return vek::GetField(Net(handle), flags, 0, vek::kWholeWord, "VEKnet_GetAllDoneFlags()");
}

extern "C" VEK_API uint32_t VEK_CALL VEKnet_ClearMultiAxisDoneFlags(uint32_t* handle, int32_t axes) {
  TraceEntry(handle, "VEKnet_ClearMultiAxisDoneFlags()");
  return vek::ClearGroup(Net(handle), axes, vek::kDoneShift, "VEKnet_ClearMultiAxisDoneFlags() - in",
                         "VEKnet_ClearMultiAxisDoneFlags() - out");
}

extern "C" VEK_API uint32_t VEK_CALL VEKnet_GetAxisOvertravelFlag(uint32_t* handle, int32_t axisBit, uint32_t* flag) {
  TraceEntry(handle, "VEKnet_GetAxisOvertravelFlag()");
  return vek::GetAxisFlag(Net(handle), axisBit, flag, vek::kLimitShift, "VEKnet_GetAxisOvertravelFlag()");
}

extern "C" VEK_API uint32_t VEK_CALL VEKnet_GetAllOvertravelFlags(uint32_t* handle, uint32_t* flags) {
  TraceEntry(handle, "VEKnet_GetAllOvertravelFlags()");
  return vek::GetField(Net(handle), flags, vek::kLimitShift, vek::kGroupMask, "VEKnet_GetAllOvertravelFlags()");
}

extern "C" VEK_API uint32_t VEK_CALL VEKnet_ClearMultiAxisOvertravelFlags(uint32_t* handle, int32_t axes) {
  TraceEntry(handle, "VEKnet_ClearMultiAxisOvertravelFlags()");
  return vek::ClearGroup(Net(handle), axes, vek::kLimitShift, "VEKnet_ClearMultiAxisOvertravelFlags() - in",
                         "VEKnet_ClearMultiAxisOvertravelFlags() - out");
}

extern "C" VEK_API uint32_t VEK_CALL VEKnet_GetCommandErrorFlag(uint32_t* handle, uint32_t* flag) {
  TraceEntry(handle, "VEKnet_GetCommandErrorFlag()");
  return vek::GetField(Net(handle), flag, vek::kCommandErrorShift, 1, "VEKnet_GetCommandErrorFlag() - exit");
}

extern "C" VEK_API uint32_t VEK_CALL VEKnet_ClearCommandErrorFlag(uint32_t* handle) {
  TraceEntry(handle, "VEKnet_ClearCommandErrorFlag()");
  return vek::ClearCommandError(Net(handle), "VEKnet_ClearCommandErrorFlag() - exit");
}

extern "C" VEK_API uint32_t VEK_CALL VEKnet_GetIllegalCommand(uint32_t* handle, char* text, int32_t textSize,
                                                              int32_t* textLength) {
  TraceEntry(handle, "VEKnet_GetIllegalCommand()");
  return vek::GetIllegalCommand(Net(handle), text, textSize, textLength);
}

extern "C" VEK_API uint32_t VEK_CALL VEKnet_EnableAxisSlipDectection(uint32_t* handle, int32_t axis) {
  TraceEntry(handle, "VEKnet_EnableAxisSlipDectection()");
  return vek::EnableSlipDetection(Net(handle), axis);
}

extern "C" VEK_API uint32_t VEK_CALL VEKnet_GetAxisSlipFlag(uint32_t* handle, int32_t axisBit, uint32_t* flag) {
  TraceEntry(handle, "VEKnet_GetAxisSlipFlag()");
  return vek::GetAxisFlag(Net(handle), axisBit, flag, vek::kSlipShift, "VEKnet_GetAxisSlipFlag");
}

extern "C" VEK_API uint32_t VEK_CALL VEKnet_GetAllAxesSlipFlag(uint32_t* handle, uint32_t* flags) {
  TraceEntry(handle, "VEKnet_GetAllAxesSlipFlag()");
  return vek::GetField(Net(handle), flags, vek::kSlipShift, vek::kGroupMask, "VEKnet_GetAllAxesSlipFlag");
}

extern "C" VEK_API uint32_t VEK_CALL VEKnet_ClearMultiAxisSlipFlag(uint32_t* handle, int32_t axes) {
  TraceEntry(handle, "VEKnet_ClearMultiAxisSlipFlag()");
  return vek::ClearGroup(Net(handle), axes, vek::kSlipShift, "VEKnet_ClearMultiAxisSlipFlag() - in",
                         "VEKnet_ClearMultiAxisSlipFlag() - out");
}

// ---- Serial ----

extern "C" VEK_API uint32_t VEK_CALL VEKser_GetAxisDoneFlag(uint32_t* handle, int32_t axisBit, uint32_t* flag) {
  TraceEntry(handle, "VEKser_GetAxisDoneFlag()");
  return vek::GetDoneFlag(Ser(handle), axisBit, flag, "VEKser_GetAxisDoneFlag");
}

extern "C" VEK_API uint32_t VEK_CALL VEKser_GetAllDoneFlags(uint32_t* handle, uint32_t* flags) {
  TraceEntry(handle, "VEKser_GetAllDoneFlags()");
  return vek::GetField(Ser(handle), flags, 0, vek::kWholeWord, "VEKser_GetAllDoneFlags()");
}

extern "C" VEK_API uint32_t VEK_CALL VEKser_ClearMultiAxisDoneFlags(uint32_t* handle, int32_t axes) {
  TraceEntry(handle, "VEKser_ClearMultiAxisDoneFlags()");
  return vek::ClearGroup(Ser(handle), axes, vek::kDoneShift, "VEKser_ClearMultiAxisDoneFlags() - in",
                         "VEKser_ClearMultiAxisDoneFlags() - out");
}

extern "C" VEK_API uint32_t VEK_CALL VEKser_GetAxisOvertravelFlag(uint32_t* handle, int32_t axisBit, uint32_t* flag) {
  TraceEntry(handle, "VEKser_GetAxisOvertravelFlag()");
  return vek::GetOvertravelFlagSerial(handle, axisBit, flag);
}

extern "C" VEK_API uint32_t VEK_CALL VEKser_GetAllOvertravelFlags(uint32_t* handle, uint32_t* flags) {
  TraceEntry(handle, "VEKser_GetAllOvertravelFlags()");
  return vek::GetField(Ser(handle), flags, vek::kLimitShift, vek::kGroupMask, "VEKser_GetAllOvertravelFlags()");
}

extern "C" VEK_API uint32_t VEK_CALL VEKser_ClearMultiAxisOvertravelFlags(uint32_t* handle, int32_t axes) {
  TraceEntry(handle, "VEKser_ClearMultiAxisOvertravelFlags()");
  return vek::ClearGroup(Ser(handle), axes, vek::kLimitShift, "VEKser_ClearMultiAxisOvertravelFlags() - in",
                         "VEKser_ClearMultiAxisOvertravelFlags() - out");
}

extern "C" VEK_API uint32_t VEK_CALL VEKser_GetCommandErrorFlag(uint32_t* handle, uint32_t* flag) {
  TraceEntry(handle, "VEKser_GetCommandErrorFlag()");
  return vek::GetField(Ser(handle), flag, vek::kCommandErrorShift, 1, "VEKser_GetCommandErrorFlag() - exit");
}

extern "C" VEK_API uint32_t VEK_CALL VEKser_ClearCommandErrorFlag(uint32_t* handle) {
  TraceEntry(handle, "VEKser_ClearCommandErrorFlag()");
  return vek::ClearCommandError(Ser(handle), "VEKser_ClearCommandErrorFlag() - exit");
}

extern "C" VEK_API uint32_t VEK_CALL VEKser_GetIllegalCommand(uint32_t* handle, char* text, int32_t textSize,
                                                              int32_t* textLength) {
  TraceEntry(handle, "VEKser_GetIllegalCommand()");
  return vek::GetIllegalCommand(Ser(handle), text, textSize, textLength);
}

extern "C" VEK_API uint32_t VEK_CALL VEKser_EnableAxisSlipDectection(uint32_t* handle, int32_t axis) {
  TraceEntry(handle, "VEKser_EnableAxisSlipDectection()");
  return vek::EnableSlipDetection(Ser(handle), axis);
}

extern "C" VEK_API uint32_t VEK_CALL VEKser_GetAxisSlipFlag(uint32_t* handle, int32_t axisBit, uint32_t* flag) {
  TraceEntry(handle, "VEKser_GetAxisSlipFlag()");
  return vek::GetAxisFlag(Ser(handle), axisBit, flag, vek::kSlipShift, "VEKser_GetAxisSlipFlag");
}

extern "C" VEK_API uint32_t VEK_CALL VEKser_GetAllAxesSlipFlag(uint32_t* handle, uint32_t* flags) {
  TraceEntry(handle, "VEKser_GetAllAxesSlipFlag()");
  return vek::GetField(Ser(handle), flags, vek::kSlipShift, vek::kGroupMask, "VEKser_GetAllAxesSlipFlag");
}

extern "C" VEK_API uint32_t VEK_CALL VEKser_ClearMultiAxisSlipFlag(uint32_t* handle, int32_t axes) {
  TraceEntry(handle, "VEKser_ClearMultiAxisSlipFlag()");
  return vek::ClearGroup(Ser(handle), axes, vek::kSlipShift, "VEKser_ClearMultiAxisSlipFlag() - in",
                         "VEKser_ClearMultiAxisSlipFlag() - out");
}
