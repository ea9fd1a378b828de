// The workers of the command set, one per row of VEK_OPERATIONS whose Work
// is Worker: each takes the link of the twin export that called it and that
// export's parameters. They are defined in the sources of their groups
// (motion.cpp, flags.cpp ...); a worker whose parameters drift from its row
// no longer links. The other rows are shapes (commands/shapes.h).
#ifndef VEK_COMMANDS_WORKERS_H
#define VEK_COMMANDS_WORKERS_H

#include <cstdint>

#include "commands/link.h"
#include "commands/operations.h"

namespace vek::ops {

#define VEK_DECLARE_WORKER(Name, ...) \
  VEK_IF(VEK_IS_WORKER(__VA_ARGS__))(uint32_t Name(Link link VEK_MORE(VEK_PAIR_DECL, __VA_ARGS__));, )
VEK_OPERATIONS(VEK_DECLARE_WORKER)
#undef VEK_DECLARE_WORKER

}  // namespace vek::ops

#endif  // VEK_COMMANDS_WORKERS_H
