// `vekctl call OPERATION [ARGS...]`: any operation of the library's operation
// table by name, through the motion core's vekm_call_<Name>, its arguments
// read by the types its row gives them and its results printed under the
// names the row gives them.
#ifndef VEK_TOOLS_CALL_H
#define VEK_TOOLS_CALL_H

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "tools/session.h"
#include "vekkestra_motion.h"

namespace CLI {
class App;
}  // namespace CLI

namespace vekctl {

// Adds the `call` subcommand to `app`.
void AddCall(CLI::App& app, Session& session, std::function<int()>& action);

// Every operation with its arguments and results, one a line.
void ListCalls(std::FILE* out);

// Runs `words` (the operation's name, then its arguments) on the controller
// that `open` gives once every word has been read (null: it said why):
// kExitUsage for an unknown name or an argument that is not of its type,
// before anything is opened; kExitFailed when nothing could be opened or
// after the core's message for a failed call; kExitOk after the results
// ("gain=25", one a line).
int RunCall(const std::function<VekmController*()>& open, const std::vector<std::string>& words, std::FILE* out,
            std::FILE* err);

}  // namespace vekctl

#endif  // VEK_TOOLS_CALL_H
