#include "tools/link.h"

#include <cstdio>
#include <cstdlib>

#include "tools/embedded_sim.h"
#include "tools/report.h"

namespace vekctl {

const vek::Exports& EthernetOps() {
  static const vek::Exports ops = VEK_NET_EXPORTS;
  return ops;
}

const vek::Exports& SerialOps() {
  static const vek::Exports ops = VEK_SER_EXPORTS;
  return ops;
}

bool SplitHostPort(const std::string& text, std::string* host, uint32_t* port) {
  const size_t colon = text.rfind(':');
  *host = text.substr(0, colon);
  *port = kDefaultTcpPort;
  if (host->empty()) return false;
  if (colon == std::string::npos) return true;
  int32_t value = 0;
  if (!ParseInt32(text.substr(colon + 1), &value) || value < 1 || value > 65535) return false;
  *port = static_cast<uint32_t>(value);
  return true;
}

Link::Link() : ops_(&EthernetOps()) {}

Link::~Link() { Close(); }

uint32_t Link::Open(const LinkTarget& target, std::string* note) {
  Close();
  char text[128];
  if (target.com != 0) {
    ops_ = &SerialOps();
    serial_ = true;
    std::snprintf(text, sizeof text, "COM%d at %d baud", target.com, target.baud);
    description_ = text;
    return VEKser_Initialize(target.com, target.baud, &handle_);
  }
  ops_ = &EthernetOps();
  serial_ = false;
  std::string host;
  uint32_t port = 0;
  if (!target.tcp.empty()) {
    if (!SplitHostPort(target.tcp, &host, &port)) return VEK_ERROR_INVALID_PARAMETER;
  } else {
    simulator_ = std::make_unique<EmbeddedSimulator>();
    std::string failure;
    if (!simulator_->Start(&port, &failure)) {
      simulator_.reset();
      if (note != nullptr) *note = "could not start the embedded simulator: " + failure;
      return VEK_ERROR_ETHERNET_CONNECT;
    }
    host = "127.0.0.1";
    std::snprintf(text, sizeof text, "started the embedded simulator on 127.0.0.1:%u", static_cast<unsigned>(port));
    if (note != nullptr) *note = text;
  }
  std::snprintf(text, sizeof text, "%s:%u", host.c_str(), static_cast<unsigned>(port));
  description_ = text;
  return VEKnet_Initialize(host.c_str(), port, &handle_);
}

void Link::Close() {
  if (handle_ != 0) {
    if (serial_) {
      VEKser_Close(&handle_);
    } else {
      VEKnet_Close(&handle_);
    }
    handle_ = 0;
  }
  simulator_.reset();
}

}  // namespace vekctl
