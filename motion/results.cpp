#include "motion/results.h"

#include "commands/operations.h"
#include "vekkestra_motion.h"

namespace vek::motion {
namespace {

#define VEKM_ROW(code, kind, text, hint) \
  { code, #code, kind, text, hint }

// The hints point at docs/troubleshooting.md, installed with the documentation.
constexpr ResultRow kRows[] = {
    VEKM_ROW(VEK_SUCCESS, VEKM_KIND_NONE, "success", ""),
    VEKM_ROW(VEK_ERROR_INVALID_AXIS, VEKM_KIND_OTHER, "not one of the ten axis bits, or an axis mask above 1023", ""),
    VEKM_ROW(VEK_ERROR_INVALID_PARAMETER, VEKM_KIND_OTHER, "a null handle or pointer, or an argument outside its range",
             ""),
    VEKM_ROW(VEK_ERROR_COMMAND_TOO_LONG, VEKM_KIND_OTHER, "a serial command text over 128 characters", ""),
    VEKM_ROW(VEK_ERROR_WAIT_TIMEOUT, VEKM_KIND_TIMEOUT, "the motion did not end within its time-out",
             "give the motion more time, or check the axis's velocity and acceleration"),
    VEKM_ROW(VEK_ERROR_ANSWER_TOO_LONG, VEKM_KIND_OTHER, "a serial answer line as long as the buffer or longer", ""),
    VEKM_ROW(VEK_ERROR_LOG_FILE, VEKM_KIND_OTHER, "the log file could not be opened or closed, or no log runs",
             "check that the log's folder exists and is writable"),
    VEKM_ROW(VEK_ERROR_POLL_TIMEOUT, VEKM_KIND_OTHER,
             "another connection of the same transport read the notification this wait was after", ""),
    VEKM_ROW(VEK_ERROR_INVALID_IP_ADDRESS, VEKM_KIND_CONNECTION,
             "the address is not a dotted IPv4 address, or the host name has none", ""),
    VEKM_ROW(VEK_ERROR_ETHERNET_CONNECT, VEKM_KIND_CONNECTION, "the TCP connection to the controller failed",
             "check that the controller is on, its address and port, and any firewall on the way "
             "(docs/troubleshooting.md)"),
    VEKM_ROW(VEK_ERROR_SOCKET_SEND, VEKM_KIND_CONNECTION, "sending to the controller failed", ""),
    VEKM_ROW(VEK_ERROR_SOCKET_RECEIVE, VEKM_KIND_CONNECTION,
             "receiving from the controller failed, or it closed the connection", ""),
    VEKM_ROW(VEK_ERROR_SOCKET_RECEIVE_TIMEOUT, VEKM_KIND_TIMEOUT,
             "the controller acknowledged a query but sent no answer within 2.5 s",
             "the controller or the network is slow; see \"reply time-outs\" in docs/troubleshooting.md"),
    VEKM_ROW(VEK_ERROR_ACK_NAK_TIMEOUT, VEKM_KIND_TIMEOUT, "the controller did not reply within 2.5 s",
             "the controller or the network is slow or gone; see \"reply time-outs\" in docs/troubleshooting.md"),
    VEKM_ROW(VEK_ERROR_BAD_RESPONSE, VEKM_KIND_OTHER, "the controller's answer was empty or did not parse", ""),
    VEKM_ROW(VEK_ERROR_COMMAND_NAK, VEKM_KIND_OTHER, "the controller refused the command",
             "the controller's record of the refused text is its illegal-command read"),
    VEKM_ROW(VEK_ERROR_NO_COMMAND_ACK, VEKM_KIND_CONNECTION, "the controller's reply held neither ACK nor NAK", ""),
    VEKM_ROW(VEK_ERROR_SERIAL_OPEN, VEKM_KIND_CONNECTION, "the serial port could not be opened or set up", ""),
    VEKM_ROW(VEK_ERROR_SERIAL_WRITE, VEKM_KIND_CONNECTION, "writing to the serial port failed", ""),
    VEKM_ROW(VEK_ERROR_SERIAL_READ, VEKM_KIND_CONNECTION, "reading from the serial port failed", ""),
    VEKM_ROW(VEK_ERROR_SERIAL_READ_TIMEOUT, VEKM_KIND_TIMEOUT,
             "no complete answer line came before about 100 ms of silence",
             "check the cable, the baud rate and that the controller is on (docs/troubleshooting.md)"),
    VEKM_ROW(VEKM_LIMIT, VEKM_KIND_LIMIT, "a moved axis met a limit switch; the other moved axes were stopped",
             "move the axis back off the switch, the other way"),
    VEKM_ROW(VEKM_SLIP, VEKM_KIND_SLIP, "a moved axis slipped; the other moved axes were stopped",
             "check the load, the velocity and the acceleration, then home the axis again"),
    VEKM_ROW(VEKM_INTERRUPTED, VEKM_KIND_INTERRUPTED,
             "a moved axis came to rest short of its target: something else stopped or killed it", ""),
    VEKM_ROW(VEKM_CANCELLED, VEKM_KIND_CANCELLED, "the wait was cancelled; its axes were stopped", ""),
    VEKM_ROW(VEKM_CLOSED, VEKM_KIND_CLOSED, "the controller is closed", ""),
    VEKM_ROW(VEKM_BAD_ARGUMENT, VEKM_KIND_ARGUMENT, "an argument is outside its range", ""),
};

#undef VEKM_ROW

constexpr int32_t kRowCount = static_cast<int32_t>(sizeof kRows / sizeof kRows[0]);

constexpr bool Listed(uint32_t code) {
  for (const ResultRow& row : kRows) {
    if (row.code == code) return true;
  }
  return false;
}

// Every result code of the library's header has its row.
#define VEKM_LISTED(code) static_assert(Listed(code), #code " has no row in the result table");
VEK_RESULT_CODES(VEKM_LISTED)
#undef VEKM_LISTED

constexpr const char* kKindNames[] = {"none",  "other", "timeout",     "connection", "closed",
                                      "limit", "slip",  "interrupted", "cancelled",  "argument"};

}  // namespace

const ResultRow* FindResult(uint32_t code) {
  for (const ResultRow& row : kRows) {
    if (row.code == code) return &row;
  }
  return nullptr;
}

int32_t ResultCount() { return kRowCount; }

const ResultRow& ResultAt(int32_t index) { return kRows[index]; }

const char* NameOf(uint32_t code) {
  const ResultRow* row = FindResult(code);
  return row != nullptr ? row->name : "VEK_ERROR_UNKNOWN";
}

int32_t KindOf(uint32_t code) {
  const ResultRow* row = FindResult(code);
  return row != nullptr ? row->kind : VEKM_KIND_OTHER;
}

bool Passing(uint32_t code) {
  return KindOf(code) == VEKM_KIND_TIMEOUT || code == VEK_ERROR_BAD_RESPONSE || code == VEK_ERROR_NO_COMMAND_ACK ||
         code == VEK_ERROR_ANSWER_TOO_LONG || code == VEK_ERROR_SOCKET_RECEIVE || code == VEK_ERROR_SOCKET_SEND;
}

const char* KindName(int32_t kind) {
  const int32_t count = static_cast<int32_t>(sizeof kKindNames / sizeof kKindNames[0]);
  return kind >= 0 && kind < count ? kKindNames[kind] : "other";
}

}  // namespace vek::motion
