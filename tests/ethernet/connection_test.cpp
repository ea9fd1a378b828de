// Opening and closing the connection, and the last error.
#include <cerrno>

#include "tests/ethernet/ethernet_fixture.h"

namespace vek::test {
namespace {

class ConnectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(log.started());
    VEKnet_GetLastError();
    log.Clear();
  }
  LogCapture log{kAllTraces};
  TcpPeer peer;
};

TEST_F(ConnectionTest, ConnectsResetsStateAndCloses) {
  gState.netStatusFlags = 0x3FF;
  gState.netLastError = 99;
  uint32_t sock = 0;
  ASSERT_EQ(VEK_SUCCESS, peer.Connect(&sock));
  EXPECT_NE(0u, sock);
  EXPECT_EQ(0u, gState.netStatusFlags);
  EXPECT_EQ(0, VEKnet_GetLastError());
  EXPECT_EQ(1, peer.Connections());

  VEKnet_Close(&sock);
  EXPECT_EQ(0u, sock);
  EXPECT_TRUE(peer.WaitForClientGone());
  // Closing again, or with no handle, does nothing harmful.
  VEKnet_Close(&sock);
  VEKnet_Close(nullptr);
  std::vector<std::string> expected = {
      "NULL - VEKnet_Initialize(ip:127.0.0.1  port:" + std::to_string(peer.port()) + ")",
      "NULL - VEKnet_GetLastError()",
      HandleText(&sock) + " - VEKnet_Close()",
      HandleText(&sock) + " - VEKnet_Close()",
      "NULL - VEKnet_Close()",
  };
  EXPECT_EQ(expected, log.Traces());
}

TEST_F(ConnectionTest, BadArgumentsChangeNothing) {
  gState.netStatusFlags = 0x5;
  gState.netLastError = 7;
  uint32_t sock = 1234;
  EXPECT_EQ(VEK_ERROR_INVALID_PARAMETER, VEKnet_Initialize("127.0.0.1", 65536, &sock));
  EXPECT_EQ(VEK_ERROR_INVALID_PARAMETER, VEKnet_Initialize(nullptr, 80, &sock));
  EXPECT_EQ(VEK_ERROR_INVALID_PARAMETER, VEKnet_Initialize("127.0.0.1", 80, nullptr));
  EXPECT_EQ(1234u, sock);
  EXPECT_EQ(0x5u, gState.netStatusFlags);
  EXPECT_TRUE(log.Traces().empty());
  EXPECT_EQ(7, VEKnet_GetLastError());
}

TEST_F(ConnectionTest, AddressTexts) {
  for (const char* text : {"255.255.255.255", "1.2.3.4.5"}) {
    SCOPED_TRACE(text);
    uint32_t sock = 0;
    EXPECT_EQ(VEK_ERROR_INVALID_IP_ADDRESS, VEKnet_Initialize(text, peer.port(), &sock));
    // The unconnected socket stays in the variable until closed.
    EXPECT_NE(0u, sock);
    VEKnet_Close(&sock);
  }
  EXPECT_EQ(2, log.CountContaining("Error=NULL - VEKnet_Initialize() | inet_addr() error:"));
  EXPECT_EQ(0, peer.Connections());
  // Fewer than four parts: whatever the address conversion makes of it.
  uint32_t sock = 0;
  ASSERT_EQ(VEK_SUCCESS, VEKnet_Initialize("127.1", peer.port(), &sock));
  VEKnet_Close(&sock);
}

TEST_F(ConnectionTest, RefusedConnectLeavesZeroAndSendFails) {
  uint16_t port = TcpPeer().port();  // nobody listens there any more
  uint32_t sock = 77;
  EXPECT_EQ(VEK_ERROR_ETHERNET_CONNECT, VEKnet_Initialize("127.0.0.1", port, &sock));
  EXPECT_EQ(0u, sock);
  EXPECT_TRUE(log.HasTrace("Error=NULL - VEKnet_Initialize() | connect() error:" + std::to_string(ECONNREFUSED)));
  // Read once, then reset.
  EXPECT_EQ(ECONNREFUSED, VEKnet_GetLastError());
  EXPECT_EQ(0, VEKnet_GetLastError());

  // A variable of 0 never reaches the system as a descriptor: the command
  // fails on its send.
  EXPECT_EQ(VEK_ERROR_SOCKET_SEND, VEKnet_SendCommand(&sock, "AXST;"));
  EXPECT_NE(0, VEKnet_GetLastError());
  EXPECT_EQ(1, log.CountContaining(HandleText(&sock) + " - Error=SendCommand() error="));
}

}  // namespace
}  // namespace vek::test
