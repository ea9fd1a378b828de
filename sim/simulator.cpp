#include "sim/simulator.h"

#include <atomic>
#include <cstdio>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/host.h"
#include "sim/model.h"

namespace vek::sim {

namespace {

constexpr char kAck = 0x06;
constexpr char kNak = 0x15;
constexpr size_t kReadSize = 4096;
// Bytes that are neither ACK, NAK, a line feed, a "%" nor NUL, so that a
// reader takes them for text and keeps waiting for its verdict or line end.
constexpr char kGarbage[] = "#?~!garbage@*";

struct Client {
  int fd = -1;
  bool tcp = true;
  uint64_t commands = 0;    // since the faults were last set
  uint64_t generation = 0;  // which setting of the faults `commands` counts under
  std::string pending;      // pty: bytes of a text still arriving
  int64_t lastByteUs = 0;
  // Output the descriptor has not taken yet, chunk by chunk in the order it
  // was sent; the first chunk may be partly written.
  std::deque<std::string> queue;
  size_t queuedBytes = 0;  // not yet written, of every chunk
  size_t frontWritten = 0;
  bool stalled = false;  // TCP: the queue overflowed
  bool gone = false;     // closed by the peer or by a fault; dropped at the end of the pass
};

struct Outgoing {
  int64_t dueUs;
  int fd;
  std::string bytes;
};

std::string Printable(const std::string& s) {
  std::string out;
  for (char ch : s) {
    const auto c = static_cast<unsigned char>(ch);
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "<%02X>", c);
      out += hex;
    }
  }
  return out;
}

}  // namespace

struct Simulator::Impl {
  Options options;
  mutable std::mutex mutex;  // guards model, faults and counters
  Model model;
  Faults faults;
  uint64_t faultGeneration = 0;
  uint64_t doneReports = 0;  // reports with done flags, for the lose-done fault
  int64_t startUs = 0;
  std::atomic<bool> stop{false};
  std::atomic<bool> running{false};
  std::thread thread;
  int listener = -1;
  int ptyMaster = -1, ptySlave = -1;
  uint16_t port = 0;
  std::string ptyPath;
  std::vector<Client> clients;
  std::vector<Outgoing> outgoing;  // output held back by a latency fault
  std::atomic<uint64_t> served{0};
  std::atomic<uint64_t> ptyDropped{0};
  std::atomic<uint64_t> stalledClosed{0};

  explicit Impl(Options o) : options(std::move(o)), model(options.axes), faults(options.faults) {
    if (faults.tripLimitAxis >= 0) model.LatchLimit(faults.tripLimitAxis, faults.tripLimitPositive);
    if (faults.slipAxis >= 0) model.SetSlip(faults.slipAxis, true, 0.0);
  }

  double Now() const { return static_cast<double>(host::MonotonicMicroseconds() - startUs) / 1e6; }

  void Log(const char* what, int fd, const std::string& bytes) const {
    if (options.logTraffic) std::fprintf(stderr, "veksim %s fd %d: %s\n", what, fd, Printable(bytes).c_str());
  }

  Client* Find(int fd) {
    for (Client& c : clients)
      if (c.fd == fd) return &c;
    return nullptr;
  }

  void Send(Client& c, std::string bytes, int64_t delayUs) {
    if (bytes.empty()) return;
    if (delayUs > 0)
      outgoing.push_back(Outgoing{host::MonotonicMicroseconds() + delayUs, c.fd, std::move(bytes)});
    else
      Enqueue(c, std::move(bytes));
  }

  void Enqueue(Client& c, std::string bytes) {
    if (c.stalled) return;
    if (c.tcp && c.queuedBytes + bytes.size() > kTcpOutputLimit) {
      c.stalled = true;
      return;
    }
    Log("sent", c.fd, bytes);
    if (!c.tcp) MakeRoom(c, &bytes);
    c.queuedBytes += bytes.size();
    c.queue.push_back(std::move(bytes));
  }

  // Nobody reads the serial line fast enough: the oldest whole chunks go, so
  // that what does arrive is never half a line, except the chunk that is
  // partly on the line already. A single chunk longer than the limit keeps
  // its end.
  void MakeRoom(Client& c, std::string* bytes) {
    size_t keep = c.frontWritten > 0 ? 1 : 0;
    while (c.queuedBytes + bytes->size() > kPtyOutputLimit && c.queue.size() > keep) {
      auto oldest = c.queue.begin() + static_cast<long>(keep);
      Dropped(c, *oldest);
      c.queuedBytes -= oldest->size();
      c.queue.erase(oldest);
    }
    size_t room = kPtyOutputLimit - c.queuedBytes;
    if (bytes->size() > room) {
      Dropped(c, bytes->substr(0, bytes->size() - room));
      bytes->erase(0, bytes->size() - room);
    }
  }

  void Dropped(const Client& c, const std::string& bytes) {
    uint64_t total = ptyDropped += bytes.size();
    if (options.logTraffic)
      std::fprintf(stderr, "veksim dropped fd %d (%llu bytes so far): %s\n", c.fd,
                   static_cast<unsigned long long>(total), Printable(bytes).c_str());
  }

  // Writes as much of the queue as the descriptor takes now.
  void Flush(Client& c) {
    while (!c.queue.empty()) {
      const std::string& front = c.queue.front();
      long n = host::WriteSome(c.fd, front.data() + c.frontWritten, front.size() - c.frontWritten);
      if (n < 0 && c.tcp) c.gone = true;
      if (n <= 0) return;
      c.frontWritten += static_cast<size_t>(n);
      c.queuedBytes -= static_cast<size_t>(n);
      if (c.frontWritten == front.size()) {
        c.queue.pop_front();
        c.frontWritten = 0;
      }
    }
  }

  void QueueDue() {
    int64_t nowUs = host::MonotonicMicroseconds();
    for (size_t i = 0; i < outgoing.size();) {
      if (outgoing[i].dueUs <= nowUs) {
        Outgoing o = std::move(outgoing[i]);
        outgoing.erase(outgoing.begin() + static_cast<long>(i));
        if (Client* c = Find(o.fd)) Enqueue(*c, std::move(o.bytes));
      } else {
        ++i;
      }
    }
  }

  // The flags of every event since the last call, folded into one word. The
  // lose-done fault drops the done flags of every Nth word that has any.
  uint32_t TakeFlags() {
    uint32_t flags = 0;
    for (uint32_t f : model.TakeEvents()) flags |= f;
    if (faults.loseDoneEvery > 0 && (flags & 0x3FFu) != 0 &&
        ++doneReports % static_cast<uint64_t>(faults.loseDoneEvery) == 0)
      flags &= ~0x3FFu;
    return flags;
  }

  std::string NotificationFor(const Client& c, uint32_t flags) const {
    uint32_t n = NotificationValueFromFlags(flags);
    return c.tcp ? TcpNotification(n) : SerialNotification(n);
  }

  // Notifications go to every connection; `except` gets its copy with its reply.
  void Broadcast(uint32_t flags, int except) {
    if (flags == 0) return;
    for (Client& c : clients) {
      if (c.fd == except) continue;
      Send(c, NotificationFor(c, flags), 0);
      SendStaleDone(c, flags, 0);
    }
  }

  // The stale-done fault: the done flags of a report come again, all at once
  // after the fault's delay, as reports of an ended motion would.
  void SendStaleDone(Client& c, uint32_t flags, int64_t delayUs) {
    const Faults& f = faults;
    const uint32_t done = flags & 0x3FFu;
    if (f.staleDoneCopies <= 0 || done == 0) return;
    std::string copies;
    for (int i = 0; i < f.staleDoneCopies; ++i) copies += NotificationFor(c, done);
    Send(c, copies, delayUs + static_cast<int64_t>(f.staleDoneDelayMs) * 1000);
  }

  std::string Reply(const Client& c, const ExecResult& r, const Faults& f, std::string* late) const {
    std::string body;
    for (size_t i = 0; i < r.answers.size(); ++i) {
      if (c.tcp && i) body += ',';
      body += r.answers[i];
      if (!c.tcp) body += '\n';
    }
    if (f.notifyInsideAnswers) {
      // A notification that changes no flag, right inside the answer text.
      std::string n = c.tcp ? TcpNotification(0) : SerialNotification(0).substr(0, 13);
      body.insert(body.size() / 2, n);
    }
    if (!c.tcp) return body;
    std::string head(1, r.accepted ? kAck : kNak);
    if (f.splitAnswers && !body.empty()) {
      *late = body;
      return head;
    }
    return head + body;
  }

  // Runs one command text from a client and queues what goes back.
  bool HandleText(Client& c, const std::string& text) {
    std::lock_guard<std::mutex> lock(mutex);
    const Faults f = faults;
    Log("received", c.fd, text);
    if (c.generation != faultGeneration) {
      c.generation = faultGeneration;
      c.commands = 0;
    }
    uint64_t n = ++c.commands;
    if (c.tcp && f.closeAfter > 0 && n >= static_cast<uint64_t>(f.closeAfter)) return false;
    double now = Now();
    ExecResult r = model.Execute(text, now, !f.refuse.empty() && text.find(f.refuse) != std::string::npos);
    ++served;
    uint32_t flags = TakeFlags();
    Broadcast(flags, c.fd);
    std::string late;
    std::string reply;
    if (f.dropAckEvery > 0 && n % static_cast<uint64_t>(f.dropAckEvery) == 0) {
      reply.clear();
    } else if (f.garbageEvery > 0 && n % static_cast<uint64_t>(f.garbageEvery) == 0) {
      reply = kGarbage;
    } else {
      reply = Reply(c, r, f, &late);
    }
    if (flags != 0) reply += NotificationFor(c, flags);
    int64_t latencyUs = static_cast<int64_t>(f.replyLatencyMs) * 1000;
    Send(c, reply, latencyUs);
    SendStaleDone(c, flags, latencyUs);
    if (!late.empty()) Send(c, late, latencyUs + static_cast<int64_t>(std::max(f.splitDelayMs, 1)) * 1000);
    return true;
  }

  void DropClient(size_t i) {
    Client& c = clients[i];
    if (c.stalled) {
      ++stalledClosed;
      Log("closed for not reading", c.fd, std::string());
    } else {
      Log("closed", c.fd, std::string());
    }
    for (size_t k = 0; k < outgoing.size();)
      if (outgoing[k].fd == c.fd)
        outgoing.erase(outgoing.begin() + static_cast<long>(k));
      else
        ++k;
    if (c.tcp) host::CloseDescriptor(c.fd);
    clients.erase(clients.begin() + static_cast<long>(i));
  }

  void AcceptAll() {
    int fd;
    while ((fd = host::AcceptClient(listener)) >= 0) {
      Client c;
      c.fd = fd;
      clients.push_back(c);
      Log("accepted", fd, std::string());
    }
  }

  // Reads what one client sent and runs every text that is complete.
  void Serve(Client& c, bool readable, int64_t nowUs, char* buffer) {
    if (readable) {
      long got = host::ReadSome(c.fd, buffer, kReadSize);
      if (got > 0 && c.tcp) {
        // The library sends each command text in one send: one chunk, one text.
        if (!HandleText(c, std::string(buffer, static_cast<size_t>(got)))) c.gone = true;
      } else if (got > 0) {
        c.pending.append(buffer, static_cast<size_t>(got));
        c.lastByteUs = nowUs;
      } else if (c.tcp && got == 0) {
        c.gone = true;
      }
    }
    if (!c.gone && !c.tcp && !c.pending.empty() &&
        nowUs - c.lastByteUs >= static_cast<int64_t>(options.commandGapMs) * 1000) {
      std::string text;
      text.swap(c.pending);
      HandleText(c, text);
    }
  }

  void Loop();
};

// One pass: wait a moment for input, run the motion, serve every client, then
// write what each descriptor takes without waiting, so that a reader that
// stops reading holds up nobody, not even a Stop().
void Simulator::Impl::Loop() {
  std::vector<host::PollEntry> entries;
  char buffer[kReadSize];
  while (!stop.load()) {
    entries.clear();
    if (listener >= 0) entries.push_back({listener, false});
    for (const Client& c : clients) entries.push_back({c.fd, false});
    // A short poll keeps notifications within a millisecond of the event.
    host::PollReadable(entries.data(), entries.size(), 1);
    {
      std::lock_guard<std::mutex> lock(mutex);
      model.Advance(Now());
      Broadcast(TakeFlags(), -1);
    }
    size_t first = 0;
    if (listener >= 0 && entries[first++].readable) AcceptAll();
    int64_t nowUs = host::MonotonicMicroseconds();
    for (size_t k = first; k < entries.size(); ++k) Serve(clients[k - first], entries[k].readable, nowUs, buffer);
    QueueDue();
    for (size_t i = 0; i < clients.size();) {
      Flush(clients[i]);
      if (clients[i].gone || clients[i].stalled)
        DropClient(i);
      else
        ++i;
    }
  }
}

Simulator::Simulator(Options options) : impl_(std::make_unique<Impl>(std::move(options))) {}

Simulator::~Simulator() { Stop(); }

bool Simulator::Start(std::string* error) {
  Impl& s = *impl_;
  if (s.running) return true;
  char reason[256] = {0};
  s.startUs = host::MonotonicMicroseconds();
  if (s.options.enableTcp) {
    s.listener = host::ListenTcp(s.options.bindAddress.c_str(), s.options.tcpPort, &s.port, reason, sizeof reason);
    if (s.listener < 0) {
      if (error) *error = reason;
      return false;
    }
  }
  if (s.options.enablePty) {
    char path[256] = {0};
    if (!host::OpenPty(&s.ptyMaster, &s.ptySlave, path, sizeof path, reason, sizeof reason)) {
      host::CloseDescriptor(s.listener);
      s.listener = -1;
      if (error) *error = reason;
      return false;
    }
    s.ptyPath = path;
    Client c;
    c.fd = s.ptyMaster;
    c.tcp = false;
    s.clients.push_back(c);
    if (s.options.publishComPort > 0) {
      std::string name = "VEKKESTRA_COM" + std::to_string(s.options.publishComPort);
      host::SetEnvironment(name.c_str(), path);
    }
  }
  s.stop = false;
  s.running = true;
  s.thread = std::thread([&s] { s.Loop(); });
  return true;
}

void Simulator::Stop() {
  Impl& s = *impl_;
  if (!s.running) return;
  s.stop = true;
  if (s.thread.joinable()) s.thread.join();
  for (const Client& c : s.clients)
    if (c.tcp) host::CloseDescriptor(c.fd);
  s.clients.clear();  // with whatever was still queued
  s.outgoing.clear();
  host::CloseDescriptor(s.listener);
  host::CloseDescriptor(s.ptyMaster);
  host::CloseDescriptor(s.ptySlave);
  s.listener = s.ptyMaster = s.ptySlave = -1;
  s.running = false;
}

bool Simulator::running() const { return impl_->running; }
uint16_t Simulator::tcpPort() const { return impl_->port; }
std::string Simulator::ptyPath() const { return impl_->ptyPath; }

void Simulator::SetFaults(const Faults& faults) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->faults = faults;
  ++impl_->faultGeneration;  // the counters of every connection start again
  if (faults.tripLimitAxis >= 0) impl_->model.LatchLimit(faults.tripLimitAxis, faults.tripLimitPositive);
  if (faults.slipAxis >= 0) impl_->model.SetSlip(faults.slipAxis, true, impl_->Now());
}

Faults Simulator::faults() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->faults;
}

void Simulator::SetInput(int line, bool level) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->model.SetInput(line, level);
}

void Simulator::TripLimit(int axis, bool positive) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->model.TripLimit(axis, positive, impl_->Now());
}

void Simulator::MakeAxisSlip(int axis, bool slip) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->model.SetSlip(axis, slip, impl_->Now());
}

void Simulator::SetHomeSwitch(int axis, double position) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->model.SetHomeSwitch(axis, position);
}

void Simulator::SetLimitSwitches(int axis, double negative, double positive) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->model.SetLimitSwitches(axis, negative, positive);
}

AxisSnapshot Simulator::axis(int axis) const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->model.Snapshot(axis, impl_->Now());
}

uint16_t Simulator::outputWord() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->model.outputWord();
}

uint16_t Simulator::directionWord() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->model.directionWord();
}

std::string Simulator::lastIllegalCommand() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->model.lastIllegalCommand();
}

uint64_t Simulator::commandsServed() const { return impl_->served; }
uint64_t Simulator::ptyBytesDropped() const { return impl_->ptyDropped; }
uint64_t Simulator::clientsClosedForNotReading() const { return impl_->stalledClosed; }

}  // namespace vek::sim
