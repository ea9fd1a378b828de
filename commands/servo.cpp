// Servo and encoder settings of one axis, and the encoder status read. The
// controller answers "EA" with five status letters, one pair of letters per
// position; everything else here only sends and waits for the verdict.
#include "commands/axis.h"
#include "commands/workers.h"
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

}  // namespace

uint32_t ops::GetAxisEncoderStatus(Link link, int32_t axis, uint32_t* status) {
  if (link.Missing()) return VEK_ERROR_INVALID_PARAMETER;
  char letter = 0;
  if (!AxisLetterOf(axis, &letter)) return VEK_ERROR_INVALID_AXIS;
  if (status == nullptr) return VEK_ERROR_INVALID_PARAMETER;
  TraceVerbose(link.handle, "GetAxisEncoderStatus()");
  char command[kCommandBufferSize] = {};
  AppendCommand(command, "A%cEA", letter);
  char answer[kCommandBufferSize] = {};
  const uint32_t result = link.Query(command, answer, static_cast<int32_t>(sizeof answer));
  if (result != VEK_SUCCESS) return result;
  answer[sizeof answer - 1] = '\0';
  if (answer[0] == '\0') return VEK_ERROR_BAD_RESPONSE;
  return DecodeEncoderStatus(answer, status);
}

uint32_t ops::SetAxisEncoderRatio(Link link, int32_t axis, int32_t first, int32_t second) {
  if (link.Missing()) return VEK_ERROR_INVALID_PARAMETER;
  char letter = 0;
  if (!AxisLetterOf(axis, &letter)) return VEK_ERROR_INVALID_AXIS;
  TraceVerbose(link.handle, "SetAxisEncoderRatio()");
  char command[kCommandBufferSize] = {};
  AppendCommand(command, "A%cER%d,%d;", letter, static_cast<int>(first), static_cast<int>(second));
  return link.Send(command);
}

// "A<letter>HD<band>" then the two optional fields: a zero second value
// leaves its field empty, a zero third value leaves out its field and comma.
uint32_t ops::SetAxisHoldDeadBand(Link link, int32_t axis, int32_t band, int32_t second, int32_t third) {
  if (link.Missing()) return VEK_ERROR_INVALID_PARAMETER;
  char letter = 0;
  if (!AxisLetterOf(axis, &letter)) return VEK_ERROR_INVALID_AXIS;
  TraceVerbose(link.handle, "SetAxisHoldDeadBand()");
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
  return link.Send(command);
}

uint32_t ops::SetAxisPID(Link link, int32_t axis, int32_t selector) {
  static constexpr const char* kTexts[2] = {"HF", "HN"};
  if (link.Missing()) return VEK_ERROR_INVALID_PARAMETER;
  if (selector != 0 && selector != 1) return VEK_ERROR_INVALID_PARAMETER;
  return SendSingleCommand(link, axis, kTexts[selector]);
}

}  // namespace vek
