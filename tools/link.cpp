#include "tools/link.h"

#include <cstdio>
#include <cstdlib>

#include "platform/host.h"
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

bool SplitHostPort(const std::string& text, std::string* host, uint32_t* port, std::string* problem) {
  const size_t colon = text.rfind(':');
  *host = text.substr(0, colon);
  *port = kDefaultTcpPort;
  if (host->empty()) {
    *problem = "no host before the port in \"" + text + "\"";
    return false;
  }
  if (colon == std::string::npos) return true;
  const std::string portText = text.substr(colon + 1);
  int32_t value = 0;
  if (!ParseInt32(portText, &value) || value < 1 || value > 65535) {
    *problem = "the port \"" + portText + "\" of \"" + text + "\" is not a number from 1 to 65535";
    return false;
  }
  *port = static_cast<uint32_t>(value);
  return true;
}

namespace {

// The address to give the library, which takes dotted IPv4 text only.
bool Resolve(const std::string& host, std::string* dotted, std::string* failure) {
  char address[64] = {};
  char reason[160] = {};
  if (!vek::host::ResolveIPv4(host.c_str(), address, sizeof address, reason, sizeof reason)) {
    *failure = "\"" + host + "\" does not resolve to an IPv4 address (" + reason + ")";
    return false;
  }
  *dotted = address;
  return true;
}

}  // namespace

Link::Link() : ops_(&EthernetOps()) {}

Link::~Link() { Close(); }

uint32_t Link::Open(const LinkTarget& target, std::string* note, std::string* failure) {
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
  std::string address = "127.0.0.1";
  if (!target.tcp.empty()) {
    description_ = target.tcp;
    if (!SplitHostPort(target.tcp, &host, &port, failure) || !Resolve(host, &address, failure))
      return VEK_ERROR_INVALID_IP_ADDRESS;
  } else {
    simulator_ = std::make_unique<EmbeddedSimulator>();
    std::string reason;
    if (!simulator_->Start(&port, &reason)) {
      simulator_.reset();
      if (note != nullptr) *note = "could not start the embedded simulator: " + reason;
      return VEK_ERROR_ETHERNET_CONNECT;
    }
    host = address;
    std::snprintf(text, sizeof text, "started the embedded simulator on 127.0.0.1:%u", static_cast<unsigned>(port));
    if (note != nullptr) *note = text;
  }
  // A name is shown with the address it resolved to.
  std::snprintf(text, sizeof text, "%s:%u", host.c_str(), static_cast<unsigned>(port));
  description_ = text;
  if (host != address) description_ += " = " + address;
  return VEKnet_Initialize(address.c_str(), port, &handle_);
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
