#include "tools/terminal.h"

#include "platform/host.h"

namespace vekctl {

// Standard input and output are descriptors 0 and 1 on every host that runs vekctl.
bool StdoutIsTerminal() { return vek::host::IsTerminal(1); }
bool StdinIsTerminal() { return vek::host::IsTerminal(0); }

}  // namespace vekctl
