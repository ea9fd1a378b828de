// The controller link that vekctl drives: Ethernet or serial, with one table
// of the library's exports per transport so that every subcommand is written
// once and runs on either.
#ifndef VEK_TOOLS_LINK_H
#define VEK_TOOLS_LINK_H

#include <cstdint>
#include <memory>
#include <string>

#include "commands/operations.h"
#include "vekkestra.h"

namespace vekctl {

// The exports of one transport, from the library's operation table: the
// VEKnet_ and VEKser_ twins share their signatures, so one table type serves
// both, and every subcommand is written once.
const vek::Exports& EthernetOps();
const vek::Exports& SerialOps();

// Where to connect. With neither a TCP address nor a COM port the link
// starts the embedded simulator and connects to it.
struct LinkTarget {
  std::string tcp;  // "HOST" or "HOST:PORT"
  int com = 0;      // 1..32, 0 for none
  int baud = 115200;
};

inline constexpr uint32_t kDefaultTcpPort = 5001;

// Splits "HOST[:PORT]". Returns false for an empty host or a port that is not
// 1..65535, with `problem` naming the part that is wrong.
bool SplitHostPort(const std::string& text, std::string* host, uint32_t* port, std::string* problem);

class EmbeddedSimulator;

// One open connection. Opening reports what it did on `note` (for example that
// it started the embedded simulator) and gives the library's result. An
// address that never reached the library (a bad port, a host name that does
// not resolve) gives VEK_ERROR_INVALID_IP_ADDRESS and says why in `failure`.
class Link {
 public:
  Link();
  ~Link();
  Link(const Link&) = delete;
  Link& operator=(const Link&) = delete;

  uint32_t Open(const LinkTarget& target, std::string* note, std::string* failure);
  void Close();
  bool IsOpen() const { return handle_ != 0; }

  uint32_t* handle() { return &handle_; }
  const vek::Exports& ops() const { return *ops_; }
  // "ethernet" or "serial".
  const char* transportName() const { return serial_ ? "serial" : "ethernet"; }
  // "127.0.0.1:40123", "COM3 at 115200 baud".
  const std::string& description() const { return description_; }

 private:
  uint32_t handle_ = 0;
  const vek::Exports* ops_;
  bool serial_ = false;
  std::string description_;
  std::unique_ptr<EmbeddedSimulator> simulator_;
};

}  // namespace vekctl

#endif  // VEK_TOOLS_LINK_H
