// Whether vekctl's standard streams are terminals: a terminal gets a progress
// line rewritten in place (on standard error) and a shell prompt, a pipe or
// file gets plain lines.
#ifndef VEK_TOOLS_TERMINAL_H
#define VEK_TOOLS_TERMINAL_H

namespace vekctl {

bool StderrIsTerminal();
bool StdinIsTerminal();

}  // namespace vekctl

#endif  // VEK_TOOLS_TERMINAL_H
