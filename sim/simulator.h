// The controller simulator as a component: a model of the ten-axis controller
// behind a TCP endpoint and, optionally, a pseudo-terminal that stands in for
// a COM port. Tests and the command-line tool embed it; the `veksim`
// executable is a thin command line around it.
//
// Start() runs the endpoints on one background thread. Every other member may
// be called from any thread while it runs: the model is guarded by a mutex.
// The thread never waits for a reader: output a connection cannot take yet is
// queued, within the limits below, and written as the connection drains.
#ifndef VEK_SIM_SIMULATOR_H
#define VEK_SIM_SIMULATOR_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace vek::sim {

inline constexpr int kAxisCount = 10;
inline constexpr int kIoLineCount = 16;

// Output queued for one connection beyond what the operating system buffers.
// A serial line has no flow control, so past its limit the pty loses its
// oldest queued output, as a line with nobody listening would; a TCP client
// whose queue overflows has stopped reading and is closed.
inline constexpr size_t kPtyOutputLimit = 16 * 1024;
inline constexpr size_t kTcpOutputLimit = 64 * 1024;

// Ways the controller can misbehave, to rehearse a bad day. Counters count the
// command texts received on one connection (TCP) or on the pty, from 1.
struct Faults {
  int replyLatencyMs = 0;            // every reply (TCP) or answer line (pty) goes out this late
  int dropAckEvery = 0;              // 0: off; N: the reply to every Nth command is never sent
  bool splitAnswers = false;         // TCP: ACK alone, the answer in a later chunk
  int splitDelayMs = 5;              // gap between the ACK and the answer when split
  bool notifyInsideAnswers = false;  // a harmless notification is put inside every answer
  int garbageEvery = 0;              // 0: off; N: every Nth command gets garbage bytes instead of its reply
  int closeAfter = 0;                // 0: off; N: a TCP connection is closed instead of answering command N
  int slipAxis = -1;                 // axis index (0-9) whose encoder slips whenever it moves; -1 none
  int tripLimitAxis = -1;            // axis index whose limit switch reads tripped from the start; -1 none
  bool tripLimitPositive = true;     // which of its two switches
  int staleDoneCopies = 0;           // every done report is sent again this many times ...
  int staleDoneDelayMs = 0;          // ... this late: reports of a motion that has ended, for the next one
  int loseDoneEvery = 0;             // 0: off; N: the done flags of every Nth report with any are never sent
  std::string refuse;                // a command text holding this is refused (NAK, command-error flag)
};

// Where the switches of one axis sit, in motor steps.
struct AxisSetup {
  double homeSwitch = 0.0;
  double negativeLimit = -1.0e6;
  double positiveLimit = 1.0e6;
};

struct Options {
  std::string bindAddress = "127.0.0.1";
  uint16_t tcpPort = 0;  // 0: an ephemeral port, see tcpPort()
  bool enableTcp = true;
  bool enablePty = false;
  int publishComPort = 0;   // n > 0: sets VEKKESTRA_COM<n> to the pty's slave path
  int commandGapMs = 3;     // on the pty, this much silence ends a command text
  bool logTraffic = false;  // every text received and sent, on stderr
  Faults faults;
  std::array<AxisSetup, kAxisCount> axes{};
};

// One axis as the model sees it at this moment.
struct AxisSnapshot {
  double motorPosition = 0.0;
  double encoderPosition = 0.0;
  double velocity = 0.0;  // steps per second, signed
  bool moving = false;
  bool auxOutput = false;
  bool slipped = false;
};

class Simulator {
 public:
  explicit Simulator(Options options = Options());
  ~Simulator();
  Simulator(const Simulator&) = delete;
  Simulator& operator=(const Simulator&) = delete;

  // Opens the endpoints and starts serving. False with a reason when a socket
  // or the pty cannot be opened; nothing is left running then.
  bool Start(std::string* error);
  // Closes every connection and the endpoints, dropping what is still
  // queued; returns within a few milliseconds whatever the readers do.
  // Idempotent.
  void Stop();
  bool running() const;

  uint16_t tcpPort() const;     // the port actually listened on
  std::string ptyPath() const;  // the slave path, empty without a pty

  // Fault injection, effective for the next command; the command counters of
  // every connection start again from 1.
  void SetFaults(const Faults& faults);
  Faults faults() const;

  // The simulator side of the controller.
  void SetInput(int line, bool level);            // an input line (0-15) as the outside world drives it
  void TripLimit(int axis, bool positive);        // the switch trips: reported; an axis running toward it stops
  void MakeAxisSlip(int axis, bool slip = true);  // the encoder of the axis falls behind while it moves
  void SetHomeSwitch(int axis, double position);
  void SetLimitSwitches(int axis, double negative, double positive);

  // Looking at the model.
  AxisSnapshot axis(int axis) const;
  uint16_t outputWord() const;     // the output latch
  uint16_t directionWord() const;  // 1 bits are outputs
  std::string lastIllegalCommand() const;
  uint64_t commandsServed() const;   // command texts executed (all endpoints)
  uint64_t ptyBytesDropped() const;  // pty output lost because nobody read it
  uint64_t clientsClosedForNotReading() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace vek::sim

#endif  // VEK_SIM_SIMULATOR_H
