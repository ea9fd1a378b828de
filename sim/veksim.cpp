// veksim: the controller simulator as a program. Its flags become Options;
// it then serves until SIGINT or SIGTERM.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/host.h"
#include "sim/simulator.h"
#include "vekkestra_version.h"

namespace {

using vek::sim::Options;

constexpr int kExitUsage = 2;
constexpr int kLargestCount = 1000000;

// An axis by its letter (either case) or its index 0-9; -1 for anything else.
int AxisOf(char c) {
  static const char kLetters[] = "XYZTUVRSWK";
  for (int i = 0; i < vek::sim::kAxisCount; ++i)
    if (kLetters[i] == c || kLetters[i] == (c & ~0x20)) return i;
  return c >= '0' && c <= '9' ? c - '0' : -1;
}

// A number in plain decimal, the whole text.
bool ParseSteps(const char* text, double* out) {
  char* end = nullptr;
  *out = std::strtod(text, &end);
  return end != text && *end == '\0';
}

// "A", "A+" or "A-": an axis and which of its limit switches.
bool ParseTripLimit(const std::string& s, int* axis, bool* positive) {
  *axis = s.empty() ? -1 : AxisOf(s[0]);
  *positive = s.size() < 2 || s[1] == '+';
  return *axis >= 0 && (s.size() == 1 || (s.size() == 2 && (s[1] == '+' || s[1] == '-')));
}

// "A=POS".
bool ParseHome(const std::string& s, int* axis, double* position) {
  *axis = s.size() < 2 || s[1] != '=' ? -1 : AxisOf(s[0]);
  return *axis >= 0 && ParseSteps(s.c_str() + 2, position);
}

// "A=NEG,POS", the negative switch below the positive one.
bool ParseLimits(const std::string& s, int* axis, double* negative, double* positive) {
  const size_t comma = s.find(',');
  *axis = s.size() < 2 || s[1] != '=' || comma == std::string::npos ? -1 : AxisOf(s[0]);
  return *axis >= 0 && ParseSteps(s.substr(2, comma - 2).c_str(), negative) &&
         ParseSteps(s.c_str() + comma + 1, positive) && *negative < *positive;
}

bool IsAxis(const std::string& s) { return s.size() == 1 && AxisOf(s[0]) >= 0; }
bool IsTripLimit(const std::string& s) {
  int axis = 0;
  bool positive = false;
  return ParseTripLimit(s, &axis, &positive);
}
bool IsHome(const std::string& s) {
  int axis = 0;
  double position = 0.0;
  return ParseHome(s, &axis, &position);
}
bool IsLimits(const std::string& s) {
  int axis = 0;
  double negative = 0.0, positive = 0.0;
  return ParseLimits(s, &axis, &negative, &positive);
}

// Accepts what `accepts` accepts; the option's type name shows the form.
CLI::Validator Form(const char* form, bool (*accepts)(const std::string&)) {
  return CLI::Validator(
      [form, accepts](std::string& s) { return accepts(s) ? std::string() : "\"" + s + "\" is not " + form; }, "");
}

// Counts and times in plain decimal from `low` to `high`: a leading zero does
// not make a number octal, nor does "0x" make it hexadecimal.
CLI::Validator Decimal(int low, int high) {
  return CLI::Validator(
      [low, high](std::string& s) {
        char* end = nullptr;
        long v = s.empty() || s[0] < '0' || s[0] > '9' ? -1 : std::strtol(s.c_str(), &end, 10);
        if (end == nullptr || *end != '\0' || v < low || v > high)
          return "\"" + s + "\" is not a number from " + std::to_string(low) + " to " + std::to_string(high);
        s = std::to_string(v);
        return std::string();
      },
      "");
}

// The axis flags as written, applied once parsing succeeded.
struct AxisFlags {
  std::string slipAxis, tripLimit;
  std::vector<std::string> homes, limits;
};

CLI::Option* AddEndpointFlags(CLI::App& app, Options& o) {
  CLI::App* g = app.add_option_group("Endpoints");
  g->add_option("--port", o.tcpPort, "TCP port; 0 (default) takes a free one and prints it")
      ->type_name("N")
      ->transform(Decimal(0, 65535));
  g->add_option("--bind", o.bindAddress, "IPv4 address to listen on (default 127.0.0.1)")->type_name("ADDRESS");
  CLI::Option* noTcp = g->add_flag("--no-tcp", "no TCP endpoint (then --pty is needed)");
  g->add_flag("--pty", o.enablePty, "also serve a pseudo-terminal in raw mode (its path is printed)");
  g->add_option("--publish-com", o.publishComPort, "set and print VEKKESTRA_COM<N> for the pty (implies --pty)")
      ->type_name("N")
      ->transform(Decimal(1, kLargestCount));
  g->add_option("--command-gap", o.commandGapMs, "pty: silence that ends a command text (default 3)")
      ->type_name("MS")
      ->transform(Decimal(1, kLargestCount));
  g->add_flag("--log", o.logTraffic, "every text received and sent on stderr, control bytes as <06>");
  return noTcp;
}

void AddFaultFlags(CLI::App& app, vek::sim::Faults& f) {
  CLI::App* g =
      app.add_option_group("Faults", "Counters count the commands of each connection (the pty is one) from 1.");
  const struct {
    const char* flag;
    int* value;
    const char* type;
    const char* help;
  } counts[] = {
      {"--latency", &f.replyLatencyMs, "MS", "every reply (TCP) or answer line (pty) leaves MS late"},
      {"--drop-ack-every", &f.dropAckEvery, "N", "every Nth command gets no reply at all"},
      {"--split-delay", &f.splitDelayMs, "MS", "gap between a split ACK and its answer (default 5)"},
      {"--garbage-every", &f.garbageEvery, "N", "every Nth command gets garbage bytes instead of its reply"},
      {"--close-after", &f.closeAfter, "N", "TCP: a connection is closed instead of answering its Nth command"},
      {"--stale-done", &f.staleDoneCopies, "N", "every done report is sent again N times (see --stale-delay)"},
      {"--stale-delay", &f.staleDoneDelayMs, "MS", "the copies of --stale-done come MS late (default 0)"},
      {"--lose-done-every", &f.loseDoneEvery, "N", "the done flags of every Nth report that has any are lost"},
  };
  for (const auto& c : counts)
    g->add_option(c.flag, *c.value, c.help)->type_name(c.type)->transform(Decimal(0, kLargestCount));
  g->add_flag("--split-answers", f.splitAnswers, "TCP: the ACK goes alone, the answer in a later chunk");
  g->add_flag("--notify-inside-answers", f.notifyInsideAnswers,
              "a notification that sets no flag is put inside every answer");
  g->add_option("--refuse", f.refuse, "a command text that holds TEXT is refused (NAK, command-error flag)")
      ->type_name("TEXT");
}

void AddAxisFlags(CLI::App& app, AxisFlags& a) {
  CLI::App* g =
      app.add_option_group("Axes", "A names an axis by letter (X Y Z T U V R S W K, either case) or index 0-9.");
  g->add_option("--slip-axis", a.slipAxis, "axis A slips whenever it moves")
      ->type_name("A")
      ->check(Form("an axis", IsAxis));
  g->add_option("--trip-limit", a.tripLimit, "the positive (default) or negative limit switch of A reads tripped")
      ->type_name("A[+|-]")
      ->check(Form("A, A+ or A-", IsTripLimit));
  g->add_option("--home", a.homes, "home switch of axis A at POS steps (default 0); repeat for more axes")
      ->type_name("A=POS")
      ->allow_extra_args(false)
      ->check(Form("A=POS", IsHome));
  g->add_option("--limits", a.limits, "limit switches of axis A (default -1000000,1000000); repeat for more axes")
      ->type_name("A=NEG,POS")
      ->allow_extra_args(false)
      ->check(Form("A=NEG,POS with NEG below POS", IsLimits));
}

void ApplyAxisFlags(const AxisFlags& flags, Options& o) {
  int axis = 0;
  bool positive = true;
  double first = 0.0, second = 0.0;
  if (!flags.slipAxis.empty()) o.faults.slipAxis = AxisOf(flags.slipAxis[0]);
  if (ParseTripLimit(flags.tripLimit, &axis, &positive)) {
    o.faults.tripLimitAxis = axis;
    o.faults.tripLimitPositive = positive;
  }
  for (const std::string& home : flags.homes)
    if (ParseHome(home, &axis, &first)) o.axes[static_cast<size_t>(axis)].homeSwitch = first;
  for (const std::string& limits : flags.limits) {
    if (ParseLimits(limits, &axis, &first, &second)) {
      o.axes[static_cast<size_t>(axis)].negativeLimit = first;
      o.axes[static_cast<size_t>(axis)].positiveLimit = second;
    }
  }
}

int Serve(const Options& options) {
  vek::host::InstallStopSignals();
  vek::sim::Simulator sim(options);
  std::string error;
  if (!sim.Start(&error)) {
    std::fprintf(stderr, "veksim: %s\n", error.c_str());
    return 1;
  }
  if (options.enableTcp) std::printf("veksim: listening on %s:%u\n", options.bindAddress.c_str(), sim.tcpPort());
  if (options.enablePty) std::printf("veksim: serial on %s\n", sim.ptyPath().c_str());
  if (options.publishComPort > 0) std::printf("VEKKESTRA_COM%d=%s\n", options.publishComPort, sim.ptyPath().c_str());
  std::fflush(stdout);
  while (!vek::host::StopRequested()) vek::host::SleepMilliseconds(20);
  sim.Stop();
  std::printf("veksim: stopped after %llu commands\n", static_cast<unsigned long long>(sim.commandsServed()));
  if (sim.ptyBytesDropped() > 0 || sim.clientsClosedForNotReading() > 0)
    std::printf("veksim: %llu bytes of pty output dropped unread, %llu TCP clients closed for not reading\n",
                static_cast<unsigned long long>(sim.ptyBytesDropped()),
                static_cast<unsigned long long>(sim.clientsClosedForNotReading()));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"veksim: a simulated ten-axis motion controller on TCP and a pseudo-terminal", "veksim"};
  app.set_version_flag("--version", std::string("veksim ") + VEK_PRODUCT_VERSION);
  app.footer("SIGINT or SIGTERM stops it and prints the number of commands served. Usage errors exit with status 2.");
  Options options;
  AxisFlags axisFlags;
  CLI::Option* noTcp = AddEndpointFlags(app, options);
  AddFaultFlags(app, options.faults);
  AddAxisFlags(app, axisFlags);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e) == 0 ? 0 : kExitUsage;
  }
  options.enableTcp = noTcp->count() == 0;
  if (options.publishComPort > 0) options.enablePty = true;
  ApplyAxisFlags(axisFlags, options);
  if (!options.enableTcp && !options.enablePty) {
    std::fprintf(stderr, "veksim: nothing to serve (--no-tcp without --pty)\n");
    return kExitUsage;
  }
  return Serve(options);
}
