#include "tools/terminal.h"

#include "platform/host.h"

namespace vekctl {

// Standard input and error are descriptors 0 and 2 on every host that runs vekctl.
bool StderrIsTerminal() { return vek::host::IsTerminal(2); }
bool StdinIsTerminal() { return vek::host::IsTerminal(0); }

}  // namespace vekctl
