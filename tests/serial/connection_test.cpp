// Opening and closing COM ports backed by real pseudo-terminals, plain files
// and missing devices.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "platform/platform.h"
#include "tests/serial/serial_fixture.h"

namespace vek::test {
namespace {

// Points COM kTestPort at `path` for the life of the object.
struct DeviceOverride {
  explicit DeviceOverride(const std::string& path) { setenv("VEKKESTRA_COM9", path.c_str(), 1); }
  ~DeviceOverride() { unsetenv("VEKKESTRA_COM9"); }
};

TEST(SerialConnection, RejectsPortsAndRatesOutsideTheListsBeforeOpening) {
  LogCapture log(kAllTraces);
  ASSERT_TRUE(log.started());
  gState.serStatusFlags = 0x7u;
  uint32_t handle = 1234;
  for (int port : {0, 33}) {
    EXPECT_EQ(VEKser_Initialize(port, 9600, &handle), VEK_ERROR_INVALID_PARAMETER) << port;
    EXPECT_TRUE(log.HasTrace("Error=NULL - VEKser_Initialize | Invalid port:" + std::to_string(port))) << port;
  }
  EXPECT_EQ(VEKser_Initialize(1, 14400, &handle), VEK_ERROR_INVALID_PARAMETER);
  EXPECT_TRUE(log.HasTrace("Error=NULL - VEKser_Initialize Invalid baud rate | error:14400"));
  // A bad port and a bad rate together: the port is reported.
  log.Clear();
  EXPECT_EQ(VEKser_Initialize(40, 4800, &handle), VEK_ERROR_INVALID_PARAMETER);
  EXPECT_EQ(log.CountContaining("Invalid"), 1);
  EXPECT_TRUE(log.HasTrace("NULL - VEKser_Initialize( COMM_PORT=40, BaudRate=4800)"));
  EXPECT_EQ(handle, 1234u);
  EXPECT_EQ(gState.serStatusFlags, 0u);  // reset at entry, whatever follows
}

TEST(SerialConnection, OpensEveryListedRateAndPortsOneAndThirtyTwo) {
  for (int port : {1, 32}) {
    PtyPeer peer(port);
    ASSERT_TRUE(peer.ok());
    for (int rate : {9600, 19200, 38400, 57600, 115200}) {
      uint32_t handle = 0;
      EXPECT_EQ(VEKser_Initialize(port, rate, &handle), VEK_SUCCESS) << port << " " << rate;
      EXPECT_GT(handle, 2u);
      VEKser_Close(&handle);
      EXPECT_EQ(handle, 0u);
    }
  }
}

TEST(SerialConnection, MissingDeviceLeavesTheInvalidHandleAndItsErrorOnce) {
  DeviceOverride device("/nonexistent/vek-tty");
  LogCapture log(kAllTraces);
  ASSERT_TRUE(log.started());
  uint32_t handle = 0;
  EXPECT_EQ(VEKser_Initialize(kTestPort, 9600, &handle), VEK_ERROR_SERIAL_OPEN);
  EXPECT_EQ(handle, plat::kInvalidSerialHandle);
  EXPECT_TRUE(log.HasTrace("Error=NULL - CreateFile() error=" + std::to_string(ENOENT)));
  EXPECT_EQ(VEKser_GetLastError(), static_cast<uint32_t>(ENOENT));
  EXPECT_EQ(VEKser_GetLastError(), 0u);

  // The variable left at all bits set, and then at 0, never reaches the
  // system: standard input survives both closes and the reads and writes fail.
  EXPECT_EQ(VEKser_SendCommand(&handle, "AXRP"), VEK_ERROR_SERIAL_WRITE);
  EXPECT_EQ(ReadSerialBuff(&handle, nullptr, 0, ReadMode::kAnswer), VEK_ERROR_SERIAL_READ);
  VEKser_Close(&handle);
  EXPECT_EQ(VEKser_SendCommand(&handle, "AXRP"), VEK_ERROR_SERIAL_WRITE);
  VEKser_Close(&handle);
  EXPECT_GE(fcntl(0, F_GETFD), 0);
  VEKser_Close(nullptr);
}

TEST(SerialConnection, PlainFileFailsToReadItsSettingsAndStaysOpen) {
  char path[] = "/tmp/vek-not-a-tty-XXXXXX";
  close(mkstemp(path));
  DeviceOverride device(path);
  LogCapture log(kAllTraces);
  ASSERT_TRUE(log.started());
  uint32_t handle = 0;
  EXPECT_EQ(VEKser_Initialize(kTestPort, 9600, &handle), VEK_ERROR_SERIAL_OPEN);
  EXPECT_TRUE(log.HasTrace("Error=NULL - GetCommState() error=" + std::to_string(ENOTTY)));
  EXPECT_EQ(VEKser_GetLastError(), static_cast<uint32_t>(ENOTTY));
  // The opened file stays in the variable, and held, until the caller closes it.
  EXPECT_GT(handle, 2u);
  EXPECT_GE(fcntl(static_cast<int>(handle), F_GETFD), 0);
  uint32_t second = 0;
  EXPECT_EQ(VEKser_Initialize(kTestPort, 9600, &second), VEK_ERROR_SERIAL_OPEN);
  EXPECT_EQ(second, plat::kInvalidSerialHandle);
  VEKser_Close(&handle);
  std::remove(path);
}

TEST(SerialConnection, PortIsHeldExclusivelyUntilClosed) {
  PtyPeer peer(kTestPort);
  ASSERT_TRUE(peer.ok());
  uint32_t first = 0;
  uint32_t second = 0;
  // A null variable opens nothing; else the open after it would fail.
  EXPECT_EQ(VEKser_Initialize(kTestPort, 9600, nullptr), VEK_ERROR_INVALID_PARAMETER);
  ASSERT_EQ(VEKser_Initialize(kTestPort, 9600, &first), VEK_SUCCESS);
  EXPECT_EQ(VEKser_Initialize(kTestPort, 9600, &second), VEK_ERROR_SERIAL_OPEN);
  EXPECT_EQ(VEKser_GetLastError(), static_cast<uint32_t>(EBUSY));
  EXPECT_EQ(VEKser_SendCommand(&first, "AXRP"), VEK_SUCCESS);  // undisturbed
  VEKser_Close(&first);
  EXPECT_EQ(VEKser_Initialize(kTestPort, 9600, &second), VEK_SUCCESS);
  VEKser_Close(&second);
}

TEST(SerialConnection, OpenStartsCleanAndFoldsWhatWasWaiting) {
  PtyPeer peer(kTestPort);
  ASSERT_TRUE(peer.ok());
  gState.serStatusFlags = 0xFFFFu;
  gState.serLastError = 99;
  peer.Push("stale answer\n%000 00000003\nhalf a li");
  uint32_t handle = 0;
  ASSERT_EQ(VEKser_Initialize(kTestPort, 19200, &handle), VEK_SUCCESS);
  EXPECT_EQ(gState.serStatusFlags, 0x3u);
  EXPECT_EQ(VEKser_GetLastError(), 0u);
  EXPECT_EQ(peer.Received(), "");  // opening sends nothing
  peer.Reply("AXRP", "12\n");
  char answer[32] = {};
  EXPECT_EQ(VEKser_Query(&handle, "AXRP", answer, sizeof answer), VEK_SUCCESS);
  EXPECT_STREQ(answer, "12");
  VEKser_Close(&handle);
}

TEST(SerialConnection, PortOpenedOnAStandardStreamNumberIsMovedAboveIt) {
  PtyPeer peer(kTestPort);
  ASSERT_TRUE(peer.ok());
  int savedInput = dup(0);
  ASSERT_GE(savedInput, 0);
  close(0);
  uint32_t handle = 0;
  uint32_t result = VEKser_Initialize(kTestPort, 9600, &handle);
  bool inputSlotFree = fcntl(0, F_GETFD) < 0;
  dup2(savedInput, 0);
  close(savedInput);
  ASSERT_EQ(result, VEK_SUCCESS);
  EXPECT_GT(handle, 2u);
  EXPECT_TRUE(inputSlotFree);
  VEKser_Close(&handle);
}

}  // namespace
}  // namespace vek::test
