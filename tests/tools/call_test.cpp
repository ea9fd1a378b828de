// `vekctl call`, run as a user runs it against a simulator in this process:
// arguments read by the operation's types, results printed by their names,
// what the simulator then holds, and the refusals that send nothing.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>

#include "sim/simulator.h"

namespace {

struct Outcome {
  int status = -1;
  std::string out;
};

class CallTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(sim_.Start(&error)) << error;
  }

  // vekctl on the simulator's TCP port; standard error is left to the test's log.
  Outcome Vekctl(const std::string& args) const {
    return VekctlAt("127.0.0.1:" + std::to_string(sim_.tcpPort()), args);
  }

  static Outcome VekctlAt(const std::string& target, const std::string& args) {
    const std::string command = std::string("'") + VEKCTL_PATH + "' --tcp " + target + " " + args;
    Outcome run;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return run;
    char chunk[512];
    for (size_t n; (n = fread(chunk, 1, sizeof chunk, pipe)) > 0;) run.out.append(chunk, n);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
  }

  vek::sim::Simulator sim_;
};

TEST_F(CallTest, ArgumentsAreReadByTheirTypesAndResultsPrintedByTheirNames) {
  EXPECT_EQ(Vekctl("call SetIOBitsDirection 0x00F0").status, 0);
  EXPECT_EQ(sim_.directionWord(), 0x00F0);
  EXPECT_EQ(Vekctl("call GetIOBitsDirection").out, "direction=240\n");

  EXPECT_EQ(Vekctl("call SetAxisMotorPosition z -777").status, 0);
  EXPECT_DOUBLE_EQ(sim_.axis(2).motorPosition, -777.0);
  // LP loads the motor counter, which the first of the two lists shows.
  EXPECT_EQ(Vekctl("call GetAllAxisPositions").out.rfind("motorPositions=0,0,-777,0,0,0,0,0,0,0\nencoderPositions=", 0),
            0u);

  // A raw move of X and Z, ten values with their empty fields 0, waited on by the library.
  const Outcome move = Vekctl("call Move XZ 0 0 100,,-5 0 5000");
  EXPECT_EQ(move.status, 0);
  EXPECT_EQ(move.out, "");
  EXPECT_NEAR(sim_.axis(0).motorPosition, 100.0, 0.5);
  EXPECT_NEAR(sim_.axis(2).motorPosition, -5.0, 0.5);

  const Outcome status = Vekctl("call GetAxisEncoderStatus Y");
  EXPECT_TRUE(std::regex_match(status.out, std::regex("status=[01](,[01]){4}\n"))) << status.out;
}

TEST_F(CallTest, WhatIsNoOperationOrNoArgumentOfItsTypeSendsNothing) {
  const uint64_t served = sim_.commandsServed();
  for (const char* args : {"call NoSuchOperation", "call GetAxisMaxVelocity", "call GetAxisMaxVelocity Q",
                           "call GetAxisMaxVelocity X Y", "call SetAxisMaxVelocity X 1.5", "call SetIOBitsDirection -1",
                           "call Move XZ 0 0 1,2,3,4,5,6,7,8,9,10,11 0 0"}) {
    SCOPED_TRACE(args);
    const Outcome run = Vekctl(args);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
  }
  EXPECT_EQ(sim_.commandsServed(), served);
  // Nothing is opened either: where nothing listens, a usage error stays a
  // usage error (2), not a failed connection (1).
  EXPECT_EQ(VekctlAt("127.0.0.1:1", "call GetAxisMaxVelocity Q").status, 2);
  EXPECT_EQ(VekctlAt("127.0.0.1:1", "call GetAxisMaxVelocity X").status, 1);

  // Refused by the library: the core's message, status 1.
  EXPECT_EQ(Vekctl("call GetAxisMaxVelocity 3").status, 1);
}

// Every operation that vekkestra.h declares for both transports is listed.
TEST_F(CallTest, TheListNamesEveryOperationOfTheHeader) {
  const Outcome list = Vekctl("call --list");
  ASSERT_EQ(list.status, 0);
  std::ifstream header(VEK_PUBLIC_HEADER);
  const std::string text((std::istreambuf_iterator<char>(header)), std::istreambuf_iterator<char>());
  const std::regex declaration("VEK_CALL VEKnet_(\\w+)\\(");
  int listed = 0;
  for (std::sregex_iterator it(text.begin(), text.end(), declaration), end; it != end; ++it) {
    const std::string name = (*it)[1];
    if (name == "Initialize" || name == "Close" || name == "GetLastError" || name == "SendCommand" || name == "Query")
      continue;
    const std::string lines = "\n" + list.out;
    EXPECT_TRUE(lines.find("\n" + name + " ") != std::string::npos ||
                lines.find("\n" + name + "\n") != std::string::npos)
        << name;
    ++listed;
  }
  EXPECT_GT(listed, 0);
}

}  // namespace
