// The simulator when its readers stop reading: a pty nobody has open and a
// TCP client that never reads its answers must hold up no other client, and
// veksim must stop at once whatever is still queued.
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/host.h"
#include "tests/sim/sim_link.h"

namespace vek::sim {
namespace {

// "AXID;" on an idle axis notifies X done at once on every connection, the pty
// included: 6000 are 84 KB, several times what the pty and the queue hold.
constexpr char kNotifyingText[] = "AXID;";
constexpr int kFloodTexts = 6000;
constexpr size_t kSerialNotificationSize = 14;  // "%000 ", eight digits, "\n"

// A bare TCP client of the simulator.
class RawClient {
 public:
  explicit RawClient(uint16_t port) : fd_(host::ConnectTcp("127.0.0.1", port)) {}
  ~RawClient() { host::CloseDescriptor(fd_); }
  int fd() const { return fd_; }

  // Sends a text and waits for the first chunk of its reply.
  bool Exchange(const std::string& text, int timeoutMs) {
    if (send(fd_, text.data(), text.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(text.size())) return false;
    pollfd p{fd_, POLLIN, 0};
    char reply[4096];
    return poll(&p, 1, timeoutMs) == 1 && recv(fd_, reply, sizeof reply, 0) > 0;
  }
  // Texts answered in turn, up to `count` or the first that is not.
  int Flood(int count, int timeoutMs) {
    int answered = 0;
    while (answered < count && Exchange(kNotifyingText, timeoutMs)) ++answered;
    return answered;
  }
  // Reads everything that is left; true when the simulator has closed its end.
  bool ClosedByPeer(int timeoutMs) {
    char sink[65536];
    pollfd p{fd_, POLLIN, 0};
    while (poll(&p, 1, timeoutMs) == 1) {
      ssize_t n = recv(fd_, sink, sizeof sink, 0);
      if (n <= 0) return true;
    }
    return false;
  }

 private:
  int fd_;
};

// Every position asked for 1365 times in one 4095-byte text: some 27 KB of answers.
void SendPositionsText(int fd, int times) {
  std::string text;
  for (int i = 0; i < 1365; ++i) text += "PP;";
  for (int i = 0; i < times; ++i) send(fd, text.data(), text.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
}

bool QueryAnswers(uint32_t* handle, const char* expected, decltype(&VEKnet_Query) query = VEKnet_Query) {
  char answer[128] = {0};
  return query(handle, "AXRP;", answer, sizeof answer) == VEK_SUCCESS && std::strcmp(answer, expected) == 0;
}

TEST(Backpressure, PtyNobodyReadsHoldsUpNoTcpClient) {
  constexpr int kComPort = 11;
  Options o;
  o.enablePty = true;
  o.publishComPort = kComPort;
  Simulator sim(o);
  std::string error;
  ASSERT_TRUE(sim.Start(&error)) << error;
  RawClient flood(sim.tcpPort());
  ASSERT_EQ(flood.Flood(kFloodTexts, 1000), kFloodTexts);
  // Only whole notifications were dropped: the line never carries half a one.
  EXPECT_GT(sim.ptyBytesDropped(), 0u);
  EXPECT_EQ(sim.ptyBytesDropped() % kSerialNotificationSize, 0u);

  uint32_t h = 0;
  ASSERT_EQ(VEKnet_Initialize("127.0.0.1", sim.tcpPort(), &h), VEK_SUCCESS);
  ASSERT_EQ(VEKnet_SendCommand(&h, "AXLP1234;"), VEK_SUCCESS);
  for (int i = 0; i < 200; ++i) {
    ASSERT_TRUE(flood.Exchange(kNotifyingText, 1000)) << i;
    ASSERT_TRUE(QueryAnswers(&h, "1234")) << i;
  }
  VEKnet_Close(&h);

  // A reader that comes late gets the queued notifications, then its answer.
  uint32_t serial = 0;
  ASSERT_EQ(VEKser_Initialize(kComPort, 115200, &serial), VEK_SUCCESS);
  EXPECT_TRUE(QueryAnswers(&serial, "1234", VEKser_Query));
  VEKser_Close(&serial);
}

TEST(Backpressure, TcpClientThatNeverReadsIsClosedAndOthersAreServed) {
  Simulator sim;
  std::string error;
  ASSERT_TRUE(sim.Start(&error)) << error;
  uint32_t h = 0;
  ASSERT_EQ(VEKnet_Initialize("127.0.0.1", sim.tcpPort(), &h), VEK_SUCCESS);
  ASSERT_EQ(VEKnet_SendCommand(&h, "AXLP-77;"), VEK_SUCCESS);

  RawClient stuck(sim.tcpPort());
  const auto start = Clock::now();
  for (int queries = 0; sim.clientsClosedForNotReading() == 0 && SecondsSince(start) < 20.0; ++queries) {
    SendPositionsText(stuck.fd(), 1);
    ASSERT_TRUE(QueryAnswers(&h, "-77")) << "query " << queries << " while the stuck client fills up";
  }
  EXPECT_EQ(sim.clientsClosedForNotReading(), 1u);
  EXPECT_TRUE(stuck.ClosedByPeer(2000));
  for (int i = 0; i < 20; ++i) ASSERT_TRUE(QueryAnswers(&h, "-77")) << i;
  VEKnet_Close(&h);
}

// veksim as a user runs it, with a pty nobody opens, flooded until the pty is
// full, and one client that never reads: SIGTERM ends it (within
// milliseconds; a loaded machine is given the 2.5 s of a reply wait).
TEST(Backpressure, VeksimStopsSoonAfterSigterm) {
  FILE* lines = popen("echo $$; exec '" VEKSIM_PATH "' --pty", "r");
  ASSERT_NE(lines, nullptr);
  char line[256] = {0};
  pid_t pid = 0;
  unsigned port = 0;
  if (std::fgets(line, sizeof line, lines) != nullptr) pid = std::atoi(line);
  if (std::fgets(line, sizeof line, lines) != nullptr) std::sscanf(line, "veksim: listening on 127.0.0.1:%u", &port);
  ASSERT_GT(pid, 0);
  if (port == 0) kill(pid, SIGKILL);
  ASSERT_NE(port, 0u) << line;

  RawClient flood(static_cast<uint16_t>(port));
  int answered = flood.Flood(kFloodTexts, 500);
  RawClient stuck(static_cast<uint16_t>(port));
  SendPositionsText(stuck.fd(), 4);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));

  ASSERT_EQ(kill(pid, SIGTERM), 0);
  int status = 0;
  pid_t ended = 0;
  Eventually([&] { return (ended = waitpid(pid, &status, WNOHANG)) != 0; }, 2.5);
  if (ended != pid) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
  }
  EXPECT_EQ(ended, pid) << "veksim still ran 2.5 s after SIGTERM; " << answered << " of " << kFloodTexts << " answered";
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(answered, kFloodTexts);
  std::string rest;
  while (std::fgets(line, sizeof line, lines) != nullptr) rest += line;
  pclose(lines);
  EXPECT_NE(rest.find("bytes of pty output dropped unread"), std::string::npos) << rest;
}

}  // namespace
}  // namespace vek::sim
