// The Linux side of the Wine tests: a scripted controller on a TCP port on
// loopback and on a pseudo-terminal, which the runner maps to a Wine COM port.
// It prints "tcp <port>" and "pty <slave path>" when ready, then serves until
// it is killed or its time is up.
//
//   peer [seconds] [link]   link: a symbolic link made to point at the pty
//
// Replies are chosen by what the library sent, so the Windows test program
// steers every case through the texts it sends:
//
//   TCP (one received chunk = one command)
//     NAK;           NAK             BOTH;       NAK and ACK in one chunk
//     NOACK;         text, no ACK    SILENT;     nothing at all
//     WITHANSWER;    ACK + "42"      LATEANSWER; ACK, "77" 300 ms later
//     BAREACK;       ACK only        CLOSE;      the connection is closed
//     NOTIFYFIRST;   a done-X notification alone, ACK 200 ms later
//     LAST?;         ACK + the previous command of this connection
//     A<axis>MA<n>;GDID;  ACK, then a done notification for the axis 200 ms
//                    later, unless n is 999999 (an axis that never arrives)
//     anything else  ACK
//   Serial (a command ends after 5 ms of quiet)
//     SQ;      "answer\n"              SCR;    "\rtext\n"
//     SNOTE;   notification Y line, then "after\n"
//     SPART;   "par" and silence       SNONE;  nothing
//     SLONG;   130 characters and "\n" LAST?;  the previous command + "\n"
//     SSTALE;  50 ms later, a notification Z line and "junk" (left unread)
//     A<axis>MA<n>;GDID;  a done notification line 200 ms later (not for 999999)
#include <arpa/inet.h>
#include <fcntl.h>
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
  std::string bytes;
  bool close;
};

struct Client {
  int fd;
  std::string last;
};

std::vector<Pending> gPending;
std::vector<Client> gClients;
int gMaster = -1;
int gSlave = -1;
std::string gLink;
std::string gSerialCommand;
std::string gSerialLast;
int64_t gSerialLastByteMs = 0;
volatile std::sig_atomic_t gStop = 0;

void Later(int fd, int delayMs, const std::string& bytes, bool close = false) {
  gPending.push_back(Pending{NowMs() + delayMs, fd, bytes, close});
}

// Status-flag notification text: "%000 " and eight hex digits.
std::string Notification(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%%000 %08X", value);
  return text;
}

// The notification bit of an axis's done flag: X..S in bits 0-7, W and K in
// bits 25 and 26.
uint32_t DoneBit(char letter) {
  static const char kAxes[] = "XYZTUVRSWK";
  const char* at = std::strchr(kAxes, letter);
  if (letter == '\0' || at == nullptr) return 0;
  int index = static_cast<int>(at - kAxes);
  return index < 8 ? (1u << index) : (1u << (25 + index - 8));
}

// "A<axis>MA<n>;GD..." moves; returns the notification value, 0 for none.
uint32_t MoveDone(const std::string& command) {
  if (command.size() < 5 || command[0] != 'A' || command.compare(2, 2, "MA") != 0) return 0;
  if (command.find(";GD") == std::string::npos) return 0;
  if (std::atoi(command.c_str() + 4) == 999999) return 0;
  return DoneBit(command[1]);
}

bool Starts(const std::string& text, const char* head) { return text.compare(0, std::strlen(head), head) == 0; }

void AnswerTcp(Client& client, const std::string& command) {
  const int fd = client.fd;
  std::string previous = client.last;
  client.last = command;
  if (Starts(command, "NAK;")) return Later(fd, 0, "\x15");
  if (Starts(command, "BOTH;")) return Later(fd, 0, "\x15\x06");
  if (Starts(command, "NOACK;")) return Later(fd, 0, "hello");
  if (Starts(command, "SILENT;")) return;
  if (Starts(command, "WITHANSWER;"))
    return Later(fd, 0,
                 "\x06"
                 "42");
  if (Starts(command, "LATEANSWER;")) {
    Later(fd, 0, "\x06");
    return Later(fd, 300, "77");
  }
  if (Starts(command, "BAREACK;")) return Later(fd, 0, "\x06");
  if (Starts(command, "CLOSE;")) return Later(fd, 0, "", true);
  if (Starts(command, "NOTIFYFIRST;")) {
    Later(fd, 0, Notification(DoneBit('X')) + "\r\n");
    return Later(fd, 200, "\x06");
  }
  if (Starts(command, "LAST?;")) return Later(fd, 0, "\x06" + previous);
  Later(fd, 0, "\x06");
  if (uint32_t done = MoveDone(command)) Later(fd, 200, Notification(done) + "\r\n");
}

void AnswerSerial(const std::string& command) {
  std::string previous = gSerialLast;
  gSerialLast = command;
  const int fd = gMaster;
  if (command == "SQ;") return Later(fd, 0, "answer\n");
  if (command == "SCR;") return Later(fd, 0, "\rtext\n");
  if (command == "SNOTE;") return Later(fd, 0, Notification(DoneBit('Y')) + "\nafter\n");
  if (command == "SPART;") return Later(fd, 0, "par");
  if (command == "SNONE;") return;
  if (command == "SLONG;") return Later(fd, 0, std::string(130, 'L') + "\n");
  if (command == "LAST?;") return Later(fd, 0, previous + "\n");
  if (command == "SSTALE;") return Later(fd, 50, Notification(DoneBit('Z')) + "\njunk");
  if (uint32_t done = MoveDone(command)) Later(fd, 200, Notification(done) + "\n");
}

// A raw pty whose slave stays open here too, so the line never hangs up
// between the test program's opens and closes. Wine's serial emulation reads
// a hung-up pty as silence, so hang-ups are not scripted here.
bool OpenLine() {
  char slaveName[128] = {};
  if (openpty(&gMaster, &gSlave, slaveName, nullptr, nullptr) != 0) {
    std::perror("peer: openpty");
    return false;
  }
  termios raw;
  tcgetattr(gSlave, &raw);
  cfmakeraw(&raw);
  tcsetattr(gSlave, TCSANOW, &raw);
  if (!gLink.empty()) {
    std::string temporary = gLink + ".new";
    unlink(temporary.c_str());
    if (symlink(slaveName, temporary.c_str()) != 0 || rename(temporary.c_str(), gLink.c_str()) != 0) {
      std::perror("peer: link");
    }
  }
  std::printf("pty %s\n", slaveName);
  std::fflush(stdout);
  return true;
}

// A plain command and the query after it may arrive within one quiet gap
// on a loaded machine; a known query at the end is then split off.
void SplitAndAnswerSerial(const std::string& text) {
  static const char* const kQueries[] = {"LAST?;", "SQ;", "SCR;", "SNOTE;", "SPART;", "SNONE;", "SLONG;"};
  for (const char* query : kQueries) {
    std::size_t n = std::strlen(query);
    if (text.size() > n && text.compare(text.size() - n, n, query) == 0) {
      AnswerSerial(text.substr(0, text.size() - n));
      AnswerSerial(query);
      return;
    }
  }
  AnswerSerial(text);
}

void WriteAll(int fd, const std::string& bytes) {
  std::size_t off = 0;
  while (off < bytes.size()) {
    ssize_t n = write(fd, bytes.data() + off, bytes.size() - off);
    if (n <= 0) return;
    off += static_cast<std::size_t>(n);
  }
}

void DropClient(int fd) {
  for (std::size_t i = 0; i < gClients.size(); ++i) {
    if (gClients[i].fd == fd) {
      close(fd);
      gClients.erase(gClients.begin() + static_cast<long>(i));
      break;
    }
  }
  for (auto& p : gPending) {
    if (p.fd == fd) p.fd = -1;
  }
}

void SendDue() {
  int64_t now = NowMs();
  for (std::size_t i = 0; i < gPending.size();) {
    if (gPending[i].dueMs > now) {
      ++i;
      continue;
    }
    Pending p = gPending[i];
    gPending.erase(gPending.begin() + static_cast<long>(i));
    if (p.fd < 0) continue;
    if (p.close) {
      DropClient(p.fd);
    } else {
      WriteAll(p.fd, p.bytes);
    }
  }
}

int PollTimeout() {
  int64_t now = NowMs();
  int64_t due = now + 200;
  for (const auto& p : gPending) due = p.dueMs < due ? p.dueMs : due;
  if (!gSerialCommand.empty() && gSerialLastByteMs + 5 < due) due = gSerialLastByteMs + 5;
  return due <= now ? 0 : static_cast<int>(due - now);
}

int Listen(uint16_t port) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  int on = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(port);
  if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(fd, 8) != 0) {
    std::perror("peer: listen");
    std::exit(1);
  }
  return fd;
}

}  // namespace

int main(int argc, char** argv) {
  int seconds = argc > 1 ? std::atoi(argv[1]) : 600;
  std::signal(SIGTERM, [](int) { gStop = 1; });
  std::signal(SIGPIPE, SIG_IGN);

  int listener = Listen(0);
  sockaddr_in bound{};
  socklen_t len = sizeof bound;
  getsockname(listener, reinterpret_cast<sockaddr*>(&bound), &len);

  std::printf("tcp %u\n", static_cast<unsigned>(ntohs(bound.sin_port)));
  if (argc > 2) gLink = argv[2];
  if (!OpenLine()) return 1;

  const int64_t endMs = NowMs() + static_cast<int64_t>(seconds) * 1000;
  while (!gStop && NowMs() < endMs) {
    std::vector<pollfd> fds;
    fds.push_back(pollfd{listener, POLLIN, 0});
    fds.push_back(pollfd{gMaster, POLLIN, 0});
    for (const auto& c : gClients) fds.push_back(pollfd{c.fd, POLLIN, 0});
    if (poll(fds.data(), fds.size(), PollTimeout()) < 0) continue;

    if (fds[0].revents & POLLIN) {
      int fd = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd >= 0) gClients.push_back(Client{fd, std::string()});
    }
    if (fds[1].revents & POLLIN) {
      char buf[512];
      ssize_t n = read(gMaster, buf, sizeof buf);
      if (n > 0) {
        gSerialCommand.append(buf, static_cast<std::size_t>(n));
        gSerialLastByteMs = NowMs();
      }
    }
    for (std::size_t i = 2; i < fds.size(); ++i) {
      if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      char buf[512];
      ssize_t n = recv(fds[i].fd, buf, sizeof buf, 0);
      if (n <= 0) {
        DropClient(fds[i].fd);
        continue;
      }
      for (auto& c : gClients) {
        if (c.fd == fds[i].fd) AnswerTcp(c, std::string(buf, static_cast<std::size_t>(n)));
      }
    }
    if (!gSerialCommand.empty() && NowMs() - gSerialLastByteMs >= 5) {
      SplitAndAnswerSerial(gSerialCommand);
      gSerialCommand.clear();
    }
    SendDue();
  }
  return 0;
}
