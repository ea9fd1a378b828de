#include "tools/link.h"

#include "tools/embedded_sim.h"
#include "tools/report.h"

namespace vekctl {
namespace {

std::string Where(VekmController* controller) {
  char text[200] = {};
  vekm_describe(controller, text, sizeof text);
  return text;
}

}  // namespace

Link::Link() = default;

Link::~Link() { Close(); }

bool Link::Open(const LinkTarget& target, std::string* note, std::string* failure) {
  Close();
  VekmError error;
  uint32_t code = VEK_SUCCESS;
  const char* transport = "TCP";
  if (target.com != 0) {
    transport = "serial";
    code = vekm_open_serial(target.com, target.baud, &controller_, &error);
  } else if (!target.tcp.empty()) {
    std::string host;
    int32_t port = 0;
    if (!ParseTcpAddress(target.tcp, &host, &port, failure)) return false;
    code = vekm_open_tcp(host.c_str(), port, &controller_, &error);
  } else {
    simulator_ = std::make_unique<EmbeddedSimulator>();
    uint32_t port = 0;
    std::string reason;
    if (!simulator_->Start(&port, &reason)) {
      simulator_.reset();
      *failure = "could not start the embedded simulator: " + reason;
      return false;
    }
    code = vekm_open_tcp("127.0.0.1", static_cast<int32_t>(port), &controller_, &error);
    if (code == VEK_SUCCESS) {
      *note = "connected to the embedded simulator, which runs inside vekctl (on " + Where(controller_) +
              "; --tcp or --com reach a real controller)";
      return true;
    }
  }
  if (code != VEK_SUCCESS) {
    *failure = error.message;
    Close();
    return false;
  }
  *note = "connected to " + Where(controller_) + " (" + transport + ")";
  return true;
}

void Link::Close() {
  vekm_free(controller_);
  controller_ = nullptr;
  simulator_.reset();
}

}  // namespace vekctl
