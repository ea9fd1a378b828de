// The veksim command line: flags into Options, then serve until a stop signal.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/host.h"
#include "sim/simulator.h"

namespace vek::sim {

namespace {

constexpr char kUsage[] =
    "usage: veksim [flags]\n"
    "  --port N                 TCP port (default 0: any free port, printed)\n"
    "  --bind ADDRESS           IPv4 address to listen on (default 127.0.0.1)\n"
    "  --no-tcp                 no TCP endpoint\n"
    "  --pty                    also serve a pseudo-terminal (its path is printed)\n"
    "  --publish-com N          set VEKKESTRA_COM<N> to the pty path (implies --pty)\n"
    "  --command-gap MS         pty: silence that ends a command text (default 3)\n"
    "  --latency MS             delay every reply by MS\n"
    "  --drop-ack-every N       never reply to every Nth command\n"
    "  --split-answers          TCP: ACK alone, the answer in a later chunk\n"
    "  --split-delay MS         gap between ACK and answer when split (default 5)\n"
    "  --notify-inside-answers  put a notification inside every answer\n"
    "  --garbage-every N        answer every Nth command with garbage bytes\n"
    "  --close-after N          TCP: close a connection at its Nth command\n"
    "  --slip-axis A            axis A (X..K or 0-9) slips whenever it moves\n"
    "  --trip-limit A[+|-]      the positive (+, default) or negative limit of A reads tripped\n"
    "  --home A=POS             home switch of axis A at POS steps (default 0)\n"
    "  --limits A=NEG,POS       limit switches of axis A (default -1000000,1000000)\n"
    "  --log                    print every text received and sent on stderr\n"
    "  --help                   this text\n";

int ParseAxis(const char* text) {
  static const char kLetters[] = "XYZTUVRSWK";
  if (text[0] == '\0') return -1;
  if (text[1] == '\0' || text[1] == '+' || text[1] == '-' || text[1] == '=') {
    const char* p = std::strchr(kLetters, text[0] & ~0x20);
    if (p != nullptr && (text[0] & ~0x20) != 0) return static_cast<int>(p - kLetters);
    if (text[0] >= '0' && text[0] <= '9') return text[0] - '0';
  }
  return -1;
}

bool ParseInt(const char* text, int* out) {
  char* end = nullptr;
  long v = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || v < 0 || v > 1000000) return false;
  *out = static_cast<int>(v);
  return true;
}

bool Fail(const char* flag) {
  std::fprintf(stderr, "veksim: bad or missing value for %s\n%s", flag, kUsage);
  return false;
}

bool ParseFlags(int argc, char** argv, Options* o, bool* help) {
  for (int i = 1; i < argc; ++i) {
    std::string flag = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    auto number = [&](int* out) {
      if (value == nullptr || !ParseInt(value, out)) return false;
      ++i;
      return true;
    };
    int n = 0;
    if (flag == "--help" || flag == "-h") {
      *help = true;
    } else if (flag == "--port") {
      if (!number(&n) || n > 65535) return Fail("--port");
      o->tcpPort = static_cast<uint16_t>(n);
    } else if (flag == "--bind") {
      if (value == nullptr) return Fail("--bind");
      o->bindAddress = value;
      ++i;
    } else if (flag == "--no-tcp") {
      o->enableTcp = false;
    } else if (flag == "--pty") {
      o->enablePty = true;
    } else if (flag == "--publish-com") {
      if (!number(&o->publishComPort) || o->publishComPort < 1) return Fail("--publish-com");
      o->enablePty = true;
    } else if (flag == "--command-gap") {
      if (!number(&o->commandGapMs) || o->commandGapMs < 1) return Fail("--command-gap");
    } else if (flag == "--latency") {
      if (!number(&o->faults.replyLatencyMs)) return Fail("--latency");
    } else if (flag == "--drop-ack-every") {
      if (!number(&o->faults.dropAckEvery)) return Fail("--drop-ack-every");
    } else if (flag == "--split-answers") {
      o->faults.splitAnswers = true;
    } else if (flag == "--split-delay") {
      if (!number(&o->faults.splitDelayMs)) return Fail("--split-delay");
    } else if (flag == "--notify-inside-answers") {
      o->faults.notifyInsideAnswers = true;
    } else if (flag == "--garbage-every") {
      if (!number(&o->faults.garbageEvery)) return Fail("--garbage-every");
    } else if (flag == "--close-after") {
      if (!number(&o->faults.closeAfter)) return Fail("--close-after");
    } else if (flag == "--slip-axis") {
      if (value == nullptr || (o->faults.slipAxis = ParseAxis(value)) < 0) return Fail("--slip-axis");
      ++i;
    } else if (flag == "--trip-limit") {
      if (value == nullptr || (o->faults.tripLimitAxis = ParseAxis(value)) < 0) return Fail("--trip-limit");
      o->faults.tripLimitPositive = value[1] != '-';
      ++i;
    } else if (flag == "--home" || flag == "--limits") {
      int axis = value != nullptr ? ParseAxis(value) : -1;
      const char* eq = value != nullptr ? std::strchr(value, '=') : nullptr;
      if (axis < 0 || eq == nullptr) return Fail(flag.c_str());
      char* end = nullptr;
      double first = std::strtod(eq + 1, &end);
      if (end == eq + 1) return Fail(flag.c_str());
      if (flag == "--home") {
        if (*end != '\0') return Fail("--home");
        o->axes[axis].homeSwitch = first;
      } else {
        const char* rest = end;
        if (*rest != ',') return Fail("--limits");
        double second = std::strtod(rest + 1, &end);
        if (end == rest + 1 || *end != '\0' || second <= first) return Fail("--limits");
        o->axes[axis].negativeLimit = first;
        o->axes[axis].positiveLimit = second;
      }
      ++i;
    } else if (flag == "--log") {
      o->logTraffic = true;
    } else {
      std::fprintf(stderr, "veksim: unknown flag %s\n%s", flag.c_str(), kUsage);
      return false;
    }
  }
  return true;
}

}  // namespace

int RunCommandLine(int argc, char** argv) {
  Options options;
  bool help = false;
  if (!ParseFlags(argc, argv, &options, &help)) return 2;
  if (help) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (!options.enableTcp && !options.enablePty) {
    std::fprintf(stderr, "veksim: nothing to serve (--no-tcp without --pty)\n");
    return 2;
  }
  host::InstallStopSignals();
  Simulator sim(options);
  std::string error;
  if (!sim.Start(&error)) {
    std::fprintf(stderr, "veksim: %s\n", error.c_str());
    return 1;
  }
  if (options.enableTcp) std::printf("veksim: listening on %s:%u\n", options.bindAddress.c_str(), sim.tcpPort());
  if (options.enablePty) std::printf("veksim: serial on %s\n", sim.ptyPath().c_str());
  if (options.publishComPort > 0) std::printf("VEKKESTRA_COM%d=%s\n", options.publishComPort, sim.ptyPath().c_str());
  std::fflush(stdout);
  while (!host::StopRequested()) host::SleepMilliseconds(20);
  sim.Stop();
  std::printf("veksim: stopped after %llu commands\n", static_cast<unsigned long long>(sim.commandsServed()));
  if (sim.ptyBytesDropped() > 0 || sim.clientsClosedForNotReading() > 0)
    std::printf("veksim: %llu bytes of pty output dropped unread, %llu TCP clients closed for not reading\n",
                static_cast<unsigned long long>(sim.ptyBytesDropped()),
                static_cast<unsigned long long>(sim.clientsClosedForNotReading()));
  return 0;
}

}  // namespace vek::sim
