// Servo and encoder settings of one axis, and the encoder status read. The
// controller answers "EA" with five status letters, one pair of letters per
// position; everything else here only sends and waits for the verdict.
#include "commands/axis.h"
#include "core/trace.h"
#include "vekkestra.h"

namespace vek {
namespace {

constexpr int kStatusFlagCount = 5;

// The two letters each status position may hold: the first means 0, the
// second 1. Compared case-sensitively.
constexpr char kStatusLetters[kStatusFlagCount][2] = {{'D', 'E'}, {'D', 'E'}, {'N', 'S'}, {'N', 'P'}, {'N', 'P'}};

// Decodes the first five characters of the answer in order. A character
// outside its position's pair (the end of a short answer included) stops the
// decoding; the flags before it keep their new values. A NUL matches no
// letter, so the decoding never reads past the answer.
uint32_t DecodeEncoderStatus(const char* answer, uint32_t* status) {
  for (int i = 0; i < kStatusFlagCount; ++i) {
    const char c = answer[i];
    if (c == kStatusLetters[i][0]) {
      status[i] = 0;
    } else if (c == kStatusLetters[i][1]) {
      status[i] = 1;
    } else {
      return VEK_ERROR_BAD_RESPONSE;
    }
  }
  return VEK_SUCCESS;
}

uint32_t GetAxisEncoderStatus(uint32_t* net, uint32_t* ser, int32_t axis, uint32_t* status) {
  if (net == nullptr && ser == nullptr) return VEK_ERROR_INVALID_PARAMETER;
  char letter = 0;
  if (!AxisLetterOf(axis, &letter)) return VEK_ERROR_INVALID_AXIS;
  if (status == nullptr) return VEK_ERROR_INVALID_PARAMETER;
  TraceVerbose(net, ser, "GetAxisEncoderStatus()");
  char command[kCommandBufferSize] = {};
  AppendCommand(command, "A%cEA", letter);
  char answer[kCommandBufferSize] = {};
  const uint32_t result = QueryOn(net, ser, command, answer, static_cast<int32_t>(sizeof answer));
  if (result != VEK_SUCCESS) return result;
  answer[sizeof answer - 1] = '\0';
  if (answer[0] == '\0') return VEK_ERROR_BAD_RESPONSE;
  return DecodeEncoderStatus(answer, status);
}

uint32_t SetAxisPid(uint32_t* net, uint32_t* ser, int32_t axis, int32_t selector) {
  static constexpr const char* kTexts[2] = {"HF", "HN"};
  if (net == nullptr && ser == nullptr) return VEK_ERROR_INVALID_PARAMETER;
  if (selector != 0 && selector != 1) return VEK_ERROR_INVALID_PARAMETER;
  return SendSingleCommand(net, ser, axis, kTexts[selector]);
}

uint32_t SetAxisEncoderRatio(uint32_t* net, uint32_t* ser, int32_t axis, int32_t first, int32_t second) {
  if (net == nullptr && ser == nullptr) return VEK_ERROR_INVALID_PARAMETER;
  char letter = 0;
  if (!AxisLetterOf(axis, &letter)) return VEK_ERROR_INVALID_AXIS;
  TraceVerbose(net, ser, "SetAxisEncoderRatio()");
  char command[kCommandBufferSize] = {};
  AppendCommand(command, "A%cER%d,%d;", letter, static_cast<int>(first), static_cast<int>(second));
  return SendOn(net, ser, command);
}

// "A<letter>HD<band>" then the two optional fields: a zero second value
// leaves its field empty, a zero third value leaves out its field and comma.
uint32_t SetAxisHoldDeadBand(uint32_t* net, uint32_t* ser, int32_t axis, int32_t band, int32_t second, int32_t third) {
  if (net == nullptr && ser == nullptr) return VEK_ERROR_INVALID_PARAMETER;
  char letter = 0;
  if (!AxisLetterOf(axis, &letter)) return VEK_ERROR_INVALID_AXIS;
  TraceVerbose(net, ser, "SetAxisHoldDeadBand()");
  char command[kCommandBufferSize] = {};
  AppendCommand(command, "A%cHD%d", letter, static_cast<int>(band));
  if (second < 0) return VEK_ERROR_INVALID_PARAMETER;
  if (second > 0) {
    AppendCommand(command, ",%d", static_cast<int>(second));
  } else {
    AppendCommand(command, ",");
  }
  if (third < 0) return VEK_ERROR_INVALID_PARAMETER;
  if (third > 0) {
    AppendCommand(command, ",%d;", static_cast<int>(third));
  } else {
    AppendCommand(command, ";");
  }
  // The longest text, "AXHD-2147483648,2147483647,2147483647;", is 38 characters.
  return SendOn(net, ser, command);
}

}  // namespace
}  // namespace vek

using vek::TraceEntry;

// ---- Ethernet ----

extern "C" VEK_API uint32_t VEK_CALL VEKnet_GetAxisEncoderStatus(uint32_t* handle, int32_t axis, uint32_t* status) {
  TraceEntry(handle, "VEKnet_GetAxisEncoderStatus()");
  return vek::GetAxisEncoderStatus(handle, nullptr, axis, status);
}

extern "C" VEK_API uint32_t VEK_CALL VEKnet_SetAxisPID(uint32_t* handle, int32_t axis, int32_t selector) {
  TraceEntry(handle, "VEKnet_SetAxisPID()");
  return vek::SetAxisPid(handle, nullptr, axis, selector);
}

extern "C" VEK_API uint32_t VEK_CALL VEKnet_SetAxisEncoderRatio(uint32_t* handle, int32_t axis, int32_t firstTerm,
                                                                int32_t secondTerm) {
  TraceEntry(handle, "VEKnet_SetAxisEncoderRatio()");
  return vek::SetAxisEncoderRatio(handle, nullptr, axis, firstTerm, secondTerm);
}

extern "C" VEK_API uint32_t VEK_CALL VEKnet_SetAxisHoldDeadBand(uint32_t* handle, int32_t axis, int32_t deadBand,
                                                                int32_t secondValue, int32_t thirdValue) {
  TraceEntry(handle, "VEKnet_SetAxisHoldDeadBand()");
  return vek::SetAxisHoldDeadBand(handle, nullptr, axis, deadBand, secondValue, thirdValue);
}

extern "C" VEK_API uint32_t VEK_CALL VEKnet_SetAxisEncoderSlipTolerance(uint32_t* handle, int32_t axis,
                                                                        int32_t tolerance) {
  TraceEntry(handle, "VEKnet_SetAxisEncoderSlipTolerance()");
  return vek::SendSingleParamCommand(handle, nullptr, axis, "ES", tolerance);
}

extern "C" VEK_API uint32_t VEK_CALL VEKnet_SetAxisHoldGain(uint32_t* handle, int32_t axis, int32_t gain) {
  TraceEntry(handle, "VEKnet_SetAxisHoldGain()");
  return vek::SendSingleParamCommand(handle, nullptr, axis, "HG", gain);
}

extern "C" VEK_API uint32_t VEK_CALL VEKnet_SetAxisHoldVelocity(uint32_t* handle, int32_t axis, int32_t velocity) {
  TraceEntry(handle, "VEKnet_SetAxisHoldVelocity()");
  return vek::SendSingleParamCommand(handle, nullptr, axis, "HV", velocity);
}

// ---- Serial ----

extern "C" VEK_API uint32_t VEK_CALL VEKser_GetAxisEncoderStatus(uint32_t* handle, int32_t axis, uint32_t* status) {
  TraceEntry(handle, "VEKser_GetAxisEncoderStatus()");
  return vek::GetAxisEncoderStatus(nullptr, handle, axis, status);
}

extern "C" VEK_API uint32_t VEK_CALL VEKser_SetAxisPID(uint32_t* handle, int32_t axis, int32_t selector) {
  TraceEntry(handle, "VEKser_SetAxisPID()");
  return vek::SetAxisPid(nullptr, handle, axis, selector);
}

extern "C" VEK_API uint32_t VEK_CALL VEKser_SetAxisEncoderRatio(uint32_t* handle, int32_t axis, int32_t firstTerm,
                                                                int32_t secondTerm) {
  TraceEntry(handle, "VEKser_SetAxisEncoderRatio()");
  return vek::SetAxisEncoderRatio(nullptr, handle, axis, firstTerm, secondTerm);
}

extern "C" VEK_API uint32_t VEK_CALL VEKser_SetAxisHoldDeadBand(uint32_t* handle, int32_t axis, int32_t deadBand,
                                                                int32_t secondValue, int32_t thirdValue) {
  TraceEntry(handle, "VEKser_SetAxisHoldDeadBand()");
  return vek::SetAxisHoldDeadBand(nullptr, handle, axis, deadBand, secondValue, thirdValue);
}

extern "C" VEK_API uint32_t VEK_CALL VEKser_SetAxisEncoderSlipTolerance(uint32_t* handle, int32_t axis,
                                                                        int32_t tolerance) {
  TraceEntry(handle, "VEKser_SetAxisEncoderSlipTolerance()");
  return vek::SendSingleParamCommand(nullptr, handle, axis, "ES", tolerance);
}

extern "C" VEK_API uint32_t VEK_CALL VEKser_SetAxisHoldGain(uint32_t* handle, int32_t axis, int32_t gain) {
  TraceEntry(handle, "VEKser_SetAxisHoldGain()");
  return vek::SendSingleParamCommand(nullptr, handle, axis, "HG", gain);
}

extern "C" VEK_API uint32_t VEK_CALL VEKser_SetAxisHoldVelocity(uint32_t* handle, int32_t axis, int32_t velocity) {
  TraceEntry(handle, "VEKser_SetAxisHoldVelocity()");
  return vek::SendSingleParamCommand(nullptr, handle, axis, "HV", velocity);
}
