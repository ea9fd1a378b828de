#include "core/state.h"

namespace vek {

State gState{};

}  // namespace vek
