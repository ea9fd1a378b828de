// The Linux side of the Wine tests: a scripted controller on a TCP port on
// loopback and on a pseudo-terminal, which the runner maps to a Wine COM port.
// It prints "tcp <port>" and "pty <slave path>" when ready, then serves until
// it is killed or its time is up.
//
//   peer [seconds] [link]   link: a symbolic link made to point at the pty
//
// Replies are chosen by what the library sent:
//
//   TCP (one received chunk = one command)
//     WITHANSWER;  ACK + "42"     BAREACK;  ACK only     SILENT;  nothing
//     CLOSE;       the connection is closed
//     LAST?;       ACK + the previous command of this connection
//     anything else  ACK
//   Serial (a command ends after 5 ms of quiet)
//     SQ;  "answer\n"      SPART;  "par" and silence
//   Both: A<axis>MA<n>;GDID; is followed 200 ms later by the axis's done
//   notification, unless n is 999999 (an axis that never arrives).
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <pty.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

int64_t NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

struct Pending {
  int64_t dueMs;
  int fd;
  std::string bytes;  // a close when empty
};

struct Client {
  int fd;
  std::string last;
};

std::vector<Pending> gPending;
std::vector<Client> gClients;
int gMaster = -1;
volatile std::sig_atomic_t gStop = 0;

void Later(int fd, int delayMs, const std::string& bytes) { gPending.push_back(Pending{NowMs() + delayMs, fd, bytes}); }

// "A<axis>MA<n>;GD...": the done notification ("%000 " and eight hex digits,
// axes X..S in bits 0-7), empty for anything else.
std::string MoveDone(const std::string& command, const char* lineEnd) {
  const char* axis = command.size() > 4 ? std::strchr("XYZTUVRS", command[1]) : nullptr;
  if (axis == nullptr || command[0] != 'A' || command.compare(2, 2, "MA") != 0 ||
      command.find(";GD") == std::string::npos || std::atoi(command.c_str() + 4) == 999999) {
    return std::string();
  }
  char text[24];
  std::snprintf(text, sizeof text, "%%000 %08X%s", 1u << (axis - "XYZTUVRS"), lineEnd);
  return text;
}

void AnswerTcp(Client& client, const std::string& command) {
  const int fd = client.fd;
  std::string previous = client.last;
  client.last = command;
  if (command == "SILENT;") return;
  if (command == "CLOSE;") return Later(fd, 0, "");
  if (command == "WITHANSWER;")
    return Later(fd, 0,
                 "\x06"
                 "42");
  if (command == "LAST?;") return Later(fd, 0, "\x06" + previous);
  Later(fd, 0, "\x06");
  std::string done = MoveDone(command, "\r\n");
  if (!done.empty()) Later(fd, 200, done);
}

void AnswerSerial(const std::string& command) {
  if (command == "SQ;") return Later(gMaster, 0, "answer\n");
  if (command == "SPART;") return Later(gMaster, 0, "par");
  std::string done = MoveDone(command, "\n");
  if (!done.empty()) Later(gMaster, 200, done);
}

// A raw pty whose slave stays open here too, so the line never hangs up
// between the test program's opens and closes.
bool OpenLine(const char* link) {
  int slave = -1;
  char slaveName[128] = {};
  if (openpty(&gMaster, &slave, slaveName, nullptr, nullptr) != 0) {
    std::perror("peer: openpty");
    return false;
  }
  termios raw;
  tcgetattr(slave, &raw);
  cfmakeraw(&raw);
  tcsetattr(slave, TCSANOW, &raw);
  if (link != nullptr) {
    std::string temporary = std::string(link) + ".new";
    unlink(temporary.c_str());
    if (symlink(slaveName, temporary.c_str()) != 0 || rename(temporary.c_str(), link) != 0) std::perror("peer: link");
  }
  std::printf("pty %s\n", slaveName);
  std::fflush(stdout);
  return true;
}

void DropClient(int fd) {
  for (std::size_t i = 0; i < gClients.size(); ++i) {
    if (gClients[i].fd == fd) {
      close(fd);
      gClients.erase(gClients.begin() + static_cast<long>(i));
    }
  }
  for (auto& p : gPending) p.fd = p.fd == fd ? -1 : p.fd;
}

void SendDue() {
  for (std::size_t i = 0; i < gPending.size();) {
    if (gPending[i].dueMs > NowMs()) {
      ++i;
      continue;
    }
    Pending p = gPending[i];
    gPending.erase(gPending.begin() + static_cast<long>(i));
    if (p.fd >= 0 && p.bytes.empty()) DropClient(p.fd);
    if (p.fd >= 0 && !p.bytes.empty() && write(p.fd, p.bytes.data(), p.bytes.size()) < 0) std::perror("peer: write");
  }
}

}  // namespace

int main(int argc, char** argv) {
  int seconds = argc > 1 ? std::atoi(argv[1]) : 600;
  std::signal(SIGTERM, [](int) { gStop = 1; });
  std::signal(SIGPIPE, SIG_IGN);

  int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  if (bind(listener, reinterpret_cast<sockaddr*>(&addr), len) != 0 || listen(listener, 8) != 0 ||
      getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
    std::perror("peer: listen");
    return 1;
  }
  std::printf("tcp %u\n", static_cast<unsigned>(ntohs(addr.sin_port)));
  if (!OpenLine(argc > 2 ? argv[2] : nullptr)) return 1;

  std::string serialCommand;
  int64_t serialLastByteMs = 0;
  const int64_t endMs = NowMs() + static_cast<int64_t>(seconds) * 1000;
  while (!gStop && NowMs() < endMs) {
    std::vector<pollfd> fds{{listener, POLLIN, 0}, {gMaster, POLLIN, 0}};
    for (const auto& c : gClients) fds.push_back(pollfd{c.fd, POLLIN, 0});
    if (poll(fds.data(), fds.size(), 5) < 0) continue;

    if (fds[0].revents & POLLIN) {
      int fd = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd >= 0) gClients.push_back(Client{fd, std::string()});
    }
    char buf[512];
    if (fds[1].revents & POLLIN) {
      ssize_t n = read(gMaster, buf, sizeof buf);
      if (n > 0) serialCommand.append(buf, static_cast<std::size_t>(n));
      serialLastByteMs = NowMs();
    }
    for (std::size_t i = 2; i < fds.size(); ++i) {
      if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      ssize_t n = recv(fds[i].fd, buf, sizeof buf, 0);
      if (n <= 0) {
        DropClient(fds[i].fd);
        continue;
      }
      for (auto& c : gClients) {
        if (c.fd == fds[i].fd) AnswerTcp(c, std::string(buf, static_cast<std::size_t>(n)));
      }
    }
    if (!serialCommand.empty() && NowMs() - serialLastByteMs >= 5) {
      AnswerSerial(serialCommand);
      serialCommand.clear();
    }
    SendDue();
  }
  return 0;
}
