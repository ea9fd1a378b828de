// The one table of result codes: the library's and the motion core's, each
// with its name, its kind, a sentence on what it means and, where there is
// one, what to do about it. Every face names and sorts codes through it
// (vekm_result_name, vekm_result_kind), so none keeps a list of its own.
#ifndef VEK_MOTION_RESULTS_H
#define VEK_MOTION_RESULTS_H

#include <cstdint>

namespace vek::motion {

struct ResultRow {
  uint32_t code;
  const char* name;
  int32_t kind;
  const char* text;
  const char* hint;  // empty when there is nothing to add
};

// The row of a code, or nullptr for a code nobody defined.
const ResultRow* FindResult(uint32_t code);
int32_t ResultCount();
const ResultRow& ResultAt(int32_t index);

const char* NameOf(uint32_t code);
int32_t KindOf(uint32_t code);
const char* KindName(int32_t kind);
// A failure of one look that the next look may well not meet: a reply lost,
// late or garbled on the line (the link has reopened or drained by then).
bool Passing(uint32_t code);

}  // namespace vek::motion

#endif  // VEK_MOTION_RESULTS_H
