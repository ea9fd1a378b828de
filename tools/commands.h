// vekctl's subcommands and their command-line syntax.
#ifndef VEK_TOOLS_COMMANDS_H
#define VEK_TOOLS_COMMANDS_H

#include <cstdio>
#include <functional>
#include <string>

#include "tools/session.h"

namespace CLI {
class App;
class ParseError;
}  // namespace CLI

namespace vekctl {

// Adds every subcommand to `app`. The one that the command line names stores
// its action in `action`, which the caller runs after parsing. Inside the
// shell, `shell` and `demo` are left out.
void AddCommands(CLI::App& app, Session& session, std::function<int()>& action, bool inShell);

// The record subcommand.
void AddRecord(CLI::App& app, Session& session, std::function<int()>& action);

// Reports a command line that did not parse on `err`, naming a word that is no
// subcommand, and returns the exit status: kExitOk for --help and --version,
// kExitUsage for the rest.
int ReportParseError(CLI::App& app, const CLI::ParseError& error, std::FILE* err);
// A command line that named no subcommand.
int ReportNoSubcommand(std::FILE* err);

// The library's version text ("VekKestra DLL v1.03.02 - ...").
std::string LibraryVersion();

// The recording beside a picture: "run.csv" for "run.png" or "run.svg", empty
// for a name that ends otherwise.
std::string PlotCsvPath(const std::string& picture);

// The demo: connect (by default to the embedded simulator), home X and Y,
// move them together and show where the axes ended up. With `keepLog` set the
// library's trace log of the run goes to that file; with `plot` set, the
// moves are recorded and drawn into that picture.
int RunDemo(Session& session, const std::string& keepLog, const std::string& plot);

// Reads subcommands line by line from `in` until end of input or "quit".
int RunShell(Session& session, std::FILE* in, bool prompt);

}  // namespace vekctl

#endif  // VEK_TOOLS_COMMANDS_H
