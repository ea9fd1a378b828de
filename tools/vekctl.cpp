// vekctl: drives a controller from the command line, through the motion core
// (libvekkestra-motion). With no --tcp or --com it runs the simulator inside
// its own process, on a thread, and connects to that.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <functional>

#include "tools/commands.h"
#include "tools/session.h"
#include "tools/terminal.h"
#include "vekkestra_version.h"

namespace {

// A bad address is a usage error, found before anything is started.
CLI::Validator AddressCheck() {
  return CLI::Validator(
      [](std::string& text) {
        std::string host;
        std::string problem;
        int32_t port = 0;
        return vekctl::ParseTcpAddress(text, &host, &port, &problem) ? std::string() : problem;
      },
      "HOST[:PORT]");
}

}  // namespace

int main(int argc, char** argv) {
  vekctl::Session session(stdout, stderr, vekctl::StderrIsTerminal());
  CLI::App app{"vekctl: drive a ten-axis motion controller through the VekKestra library", "vekctl"};
  app.require_subcommand(0, 1);
  app.fallthrough();
  vekctl::LinkTarget& target = session.target();
  app.set_version_flag("--version",
                       [] { return "vekctl " VEK_PRODUCT_VERSION "\nlibrary: " + vekctl::LibraryVersion(); });
  CLI::Option* tcp =
      app.add_option("--tcp", target.tcp,
                     "controller at HOST[:PORT]: a host name or a four-part address such as 192.168.0.50 (port 5001 "
                     "by default)");
  tcp->check(AddressCheck());
  CLI::Option* com = app.add_option("--com", target.com, "serial port number 1-32")->check(CLI::Range(1, 32));
  app.add_option("--baud", target.baud, "serial baud rate")
      ->capture_default_str()
      ->check(CLI::IsMember({9600, 19200, 38400, 57600, 115200}))
      ->needs(com);
  tcp->excludes(com);
  std::string logFile;
  std::string logMask = "0xA70007";
  app.add_option("--log", logFile, "write the library's trace log to this file during the run");
  app.add_option("--log-mask", logMask, "trace mask for --log")->capture_default_str();
  app.footer(
      "With neither --tcp nor --com, vekctl runs the simulator inside its own process, on a free loopback port.\n"
      "Results go to standard output; notes, progress and errors to standard error.\n"
      "Errors name the result code, what happened and what to do, and exit with status 1; usage errors exit with 2.\n"
      "SIGINT (Ctrl-C), SIGTERM and SIGHUP stop the axes that vekctl set moving and exit with status 130, 143 and\n"
      "129; a second signal exits at once.");

  std::function<int()> action;
  vekctl::AddCommands(app, session, action, false);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return vekctl::ReportParseError(app, e, stderr);
  }
  if (!action) return vekctl::ReportNoSubcommand(stderr);
  if (!logFile.empty()) {
    int32_t mask = 0;
    if (!vekctl::ParseInt32(logMask, &mask)) {
      std::fprintf(stderr, "vekctl: \"%s\" is not a trace mask\n", logMask.c_str());
      return vekctl::kExitUsage;
    }
    if (int code = session.Check("--log", VEK_StartDllLogger(logFile.c_str(), mask))) return code;
  }
  // From here a signal ends the core's wait in progress (which stops its
  // axes), and the axes that vekctl set moving otherwise are stopped before
  // it exits.
  vekctl::CatchEndSignals();
  const int code = session.Finish(action());
  session.Disconnect();
  if (!logFile.empty()) VEK_StopDllLogger();
  return code;
}
