// vekctl's subcommands and their command-line syntax.
#ifndef VEK_TOOLS_COMMANDS_H
#define VEK_TOOLS_COMMANDS_H

#include <functional>

#include "tools/session.h"

namespace CLI {
class App;
}

namespace vekctl {

// Adds every subcommand to `app`. The one that the command line names stores
// its action in `action`, which the caller runs after parsing. Inside the
// shell, `shell` and `demo` are left out.
void AddCommands(CLI::App& app, Session& session, std::function<int()>& action, bool inShell);

// The demo: connect (by default to the embedded simulator), home X and Y,
// move them together, show the positions and the end of the trace log.
int RunDemo(Session& session, const std::string& keepLog);

// Reads subcommands line by line from `in` until end of input or "quit".
int RunShell(Session& session, std::FILE* in, bool prompt);

}  // namespace vekctl

#endif  // VEK_TOOLS_COMMANDS_H
