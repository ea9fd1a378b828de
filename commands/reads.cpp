#include "commands/reads.h"

#include "commands/answers.h"
#include "commands/axis.h"
#include "commands/shapes.h"
#include "core/trace.h"
#include "vekkestra.h"

namespace vek {
namespace {

// The line a single-axis read writes when its answer holds no number.
void TraceUnparsed(const Link& link, shape::Unparsed unparsed, const char* label, const char* answer) {
  switch (unparsed) {
    case shape::kVerbose:
      TraceVerbosef(link.handle, "%s | VEK_ERROR_BAD_RESPONSE | bad receive string: recv %s", label, answer);
      break;
    case shape::kError:
      TraceErrorf(link.handle, "%s bad receive string: recv %s", label, answer);
      break;
    case shape::kErrorNet:
      TraceErrorf(link.handle, "VEKnet_%s bad receive string: recv %s", label, answer);
      break;
    case shape::kErrorNoAnswer:
      TraceErrorf(link.handle, "%s bad response", label);
      break;
  }
}

}  // namespace

// Checks handles, axis and output in that order, traces, queries and scans.
// The output is written only when a number was scanned.
uint32_t shape::AxisRead::operator()(Link link, const char* label, int32_t axis, int32_t* value) const {
  if (link.Missing()) return VEK_ERROR_INVALID_PARAMETER;
  char letter = 0;
  if (!AxisLetterOf(axis, &letter)) return VEK_ERROR_INVALID_AXIS;
  if (value == nullptr) return VEK_ERROR_INVALID_PARAMETER;
  TraceVerbose(link.handle, label);

  char command[kCommandBufferSize] = {};
  if (!AppendCommand(command, "A%c%s", letter, query)) return VEK_ERROR_INVALID_PARAMETER;
  char answer[kCommandBufferSize] = {};
  const uint32_t result = link.Query(command, answer, static_cast<int32_t>(sizeof answer));
  if (result != VEK_SUCCESS) return result;
  // The transport fills at most the capacity; keep the text terminated even
  // when it filled every byte.
  answer[sizeof answer - 1] = '\0';
  if (answer[0] == '\0') return VEK_ERROR_BAD_RESPONSE;

  const bool setting = query[0] == '?';
  if (setting ? ScanDecimalAfterOne(answer, value) : ScanDecimal(answer, value)) return VEK_SUCCESS;
  TraceUnparsed(link, unparsed, label, answer);
  return VEK_ERROR_BAD_RESPONSE;
}

uint32_t shape::AllAxesRead::operator()(Link link, const char* label, int32_t addressing, int32_t* values) const {
  if (link.Missing() || values == nullptr) return VEK_ERROR_INVALID_PARAMETER;
  TraceVerbose(link.handle, label);
  if (addressing != 0 && addressing != 1) return VEK_ERROR_INVALID_PARAMETER;
  return ReadValueList(link, commands[addressing], values, false, nullptr);
}

uint32_t ReadValueList(const Link& link, const char* command, int32_t* values, bool clearFirst,
                       const char* answerLabel) {
  char answer[kCommandBufferSize] = {};
  const uint32_t result = link.Query(command, answer, static_cast<int32_t>(sizeof answer));
  if (result != VEK_SUCCESS) return result;
  answer[sizeof answer - 1] = '\0';
  if (answerLabel != nullptr) TraceVerbosef(link.handle, "%s receive string: recv %s", answerLabel, answer);
  if (answer[0] == '\0') return VEK_ERROR_BAD_RESPONSE;
  if (clearFirst) {
    for (int32_t i = 0; i < kAxisCount; ++i) values[i] = 0;
  }
  ParseValueList(answer, values, kAxisCount);
  return VEK_SUCCESS;
}

}  // namespace vek
