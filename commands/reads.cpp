#include "commands/reads.h"

#include "commands/answers.h"
#include "commands/axis.h"
#include "core/trace.h"
#include "vekkestra.h"

namespace vek {

uint32_t ReadAxisValue(const Link& link, int32_t axisBit, int32_t* value, const AxisReadKind& kind) {
  if (link.Missing()) return VEK_ERROR_INVALID_PARAMETER;
  char letter = 0;
  if (!AxisLetterOf(axisBit, &letter)) return VEK_ERROR_INVALID_AXIS;
  if (value == nullptr) return VEK_ERROR_INVALID_PARAMETER;
  TraceVerbose(link.handle, kind.label);

  char command[kCommandBufferSize] = {};
  if (!AppendCommand(command, "A%c%s", letter, kind.query)) return VEK_ERROR_INVALID_PARAMETER;
  char answer[kCommandBufferSize] = {};
  const uint32_t result = link.Query(command, answer, static_cast<int32_t>(sizeof answer));
  if (result != VEK_SUCCESS) return result;
  // The transport fills at most the capacity; keep the text terminated even
  // when it filled every byte.
  answer[sizeof answer - 1] = '\0';
  if (answer[0] == '\0') return VEK_ERROR_BAD_RESPONSE;

  const bool scanned = kind.skipFirst ? ScanDecimalAfterOne(answer, value) : ScanDecimal(answer, value);
  if (scanned) return VEK_SUCCESS;
  const char* shown = kind.withAnswer ? answer : "";
  if (kind.errorTrace) {
    TraceErrorf(link.handle, "%s%s", kind.badText, shown);
  } else {
    TraceVerbosef(link.handle, "%s%s", kind.badText, shown);
  }
  return VEK_ERROR_BAD_RESPONSE;
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
