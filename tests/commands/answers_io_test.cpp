// How the reads treat the controller's answers on both transports: what is stored,
// what is left alone, which trace tells of a bad answer (the scans: builders_test.cpp).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "tests/commands/transport_fixture.h"
#include "tests/support/log_capture.h"
#include "vekkestra.h"

namespace vek::test {
namespace {

using List = std::vector<int32_t>;
constexpr int32_t kOld = 7;
const std::string k127Digits(127, '9');
int32_t gOut[10];  // every read stores here; the unsigned ones through gWord
uint32_t* const gWord = reinterpret_cast<uint32_t*>(gOut);

class Answers : public TransportTest {
 protected:
  // Serial skips empty lines: its silence ends the query by the reader's time-out.
  uint32_t EmptyAnswerResult() const { return serial() ? VEK_ERROR_SERIAL_READ_TIMEOUT : VEK_ERROR_BAD_RESPONSE; }
};

TEST_P(Answers, ReadsStoreWhatTheyScanAndLeaveTheRest) {
  // The position lists fill unnamed slots with zeros; the velocity lists leave
  // them. A single line is set only when every bit of its mask is.
  const struct {
    Invoke read;
    const char* answer;
    uint32_t result;
    const char* trace;  // the one trace quoting the answer, after "0x... - " ("" none)
    List stored = {};   // the first slots after the call; the others keep kOld
  } cases[] = {
      {TWIN(GetAxisMotorPosition, 1, gOut), "  -42 counts", 0, "", {-42}},
      {TWIN(GetAxisMotorPosition, 1, gOut), k127Digits.c_str(), 0, "", {INT32_MAX}},  // a full answer stays terminated
      {TWIN(GetAxisMotorPosition, 1, gOut), "abc", 215, "Error=GetAxisMotorPosition() bad response"},
      {TWIN(GetAxisEncoderPosition, 1, gOut), "abc", 215,
       "Error=GetAxisEncoderPosition() bad receive string: recv abc"},
      {TWIN(GetAxisCurrentAcceleration, 1, gOut), "x", 215,
       "GetAxisCurrentAcceleration() | VEK_ERROR_BAD_RESPONSE | bad receive string: recv x"},
      {TWIN(GetAxisBaseVelocity, 1, gOut), "2500", 0, "", {500}},  // the first character is dropped, whatever it is
      {TWIN(GetAxisMotorPosition, 1, gOut), "", EmptyAnswerResult(), ""},
      {TWIN(GetAllAxisMotorPositions, gOut),
       "10,,30",
       0,
       "GetAllAxisMotorPositions() receive string: recv 10,,30",
       {10, 30, 0, 0, 0, 0, 0, 0, 0, 0}},
      {TWIN(GetAllAxisEncoderPositions, gOut), "1,2,3,4,5,6,7,8,9,10,11", 0, "", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
      {TWIN(GetAllCurrentVelocities, 0, gOut), "1,2,3", 0, "", {1, 2, 3}},
      {TWIN(GetAllAxisEncoderPositions, gOut), "", EmptyAnswerResult(), ""},
      {TWIN(GetAxisEncoderStatus, 512, gWord), "EDSPNXYZ", 0, "", {1, 0, 1, 1, 0}},
      {TWIN(GetAxisEncoderStatus, 512, gWord), "DENNP", 0, "", {0, 1, 0, 0, 1}},
      {TWIN(GetAxisEncoderStatus, 512, gWord), "EXSPN", 215, "", {1}},
      {TWIN(GetAxisEncoderStatus, 512, gWord), "EDSP", 215, "", {1, 0, 1, 1}},
      {TWIN(GetIOBitsDirection, gWord), "=00F0", 0, "", {240}},
      {TWIN(GetIOBitsState, gWord), " FF00 rest", 0, "", {0xFF00}},
      {TWIN(GetIOBitState, 5u, gWord), "5", 0, "", {1}},
      {TWIN(GetIOBitState, 7u, gWord), "5", 0, "", {0}},
      {TWIN(GetIOBitState, 0u, gWord), "zz", 215,
       "GetIOBitState() | VEK_ERROR_BAD_RESPONSE | bad receive string: recv zz"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(&c - cases) + " " + c.answer);
    LogCapture log(0xA70001);
    ASSERT_TRUE(log.started());
    Answer(c.answer);
    for (int32_t& v : gOut) v = kOld;
    EXPECT_EQ(c.result, c.read(handle(), serial()));
    List expected = c.stored;
    expected.resize(10, kOld);
    EXPECT_EQ(expected, List(gOut, gOut + 10));
    EXPECT_TRUE(c.trace[0] == '\0' || log.HasTrace(HandleText(handle()) + " - " + c.trace)) << c.trace;
    EXPECT_EQ(c.trace[0] == '\0' ? 0 : 1, log.CountContaining("recv") + log.CountContaining("bad response"));
  }
}

TEST_P(Answers, BothListsComeFromTwoQueriesAndAFailedFirstLeavesBoth) {
  List motor(10, kOld), encoder(10, kOld);
  Answer("");
  EXPECT_EQ(EmptyAnswerResult(), ops().GetAllAxisPositions(handle(), motor.data(), encoder.data()));
  EXPECT_EQ("PP", Sent());
  EXPECT_EQ(List(10, kOld), motor);
  EXPECT_EQ(List(10, kOld), encoder);
  Answer("1,2");
  Answer("3");
  ASSERT_EQ(0u, ops().GetAllAxisPositions(handle(), motor.data(), encoder.data()));
  EXPECT_EQ("PPPE;", Sent());
  EXPECT_EQ(List({1, 2, 0, 0, 0, 0, 0, 0, 0, 0}), motor);
  EXPECT_EQ(List({3, 0, 0, 0, 0, 0, 0, 0, 0, 0}), encoder);
}

// Only an Ethernet controller refuses a command (a NAK); a serial one
// acknowledges nothing, so this suite has no serial case.
class Refusals : public TransportTest {};

TEST_P(Refusals, ARejectedMoveOrSearchPassesTheTransportResultThroughAndIsNotStopped) {
  const int32_t targets[10] = {1};
  peer_->QueueReply("\x15");  // the long time-outs cost nothing: no wait starts
  EXPECT_EQ(VEK_ERROR_COMMAND_NAK, ops().Move(handle(), VEK_AXIS_X, 0, 0, targets, 0, 60000));
  peer_->QueueReply("\x15");
  EXPECT_EQ(VEK_ERROR_COMMAND_NAK, ops().FindAxisLimit(handle(), VEK_AXIS_X, 0, 10, 60000));
  EXPECT_EQ("AAMA1;;GDID;AXLNJG10;", Sent());
}

TEST_P(Answers, IllegalCommandFitsItsBufferAndRefusesMissingOnes) {
  char text[16];
  int32_t length = -1;
  Answer("AXMA1000;AYMA2000;AZ");
  std::memset(text, '~', sizeof text);
  const uint32_t result = ops().GetIllegalCommand(handle(), text, 8, &length);
  // The serial reader fills the buffer without a terminator and says so; the
  // Ethernet query cuts the answer to fit with its terminator.
  EXPECT_EQ(serial() ? VEK_ERROR_ANSWER_TOO_LONG : VEK_SUCCESS, result);
  EXPECT_EQ(serial() ? 8 : 7, length);
  EXPECT_EQ(serial() ? std::string("AXMA1000") : std::string("AXMA100\0", 8), std::string(text, 8));
  EXPECT_EQ(std::string(8, '~'), std::string(text + 8, 8)) << "nothing written past the buffer";

  // Missing buffers are refused before anything is asked.
  std::strcpy(text, "old");
  EXPECT_EQ(3u, ops().GetIllegalCommand(handle(), static_cast<char*>(nullptr), 16, &length));
  EXPECT_EQ(3u, ops().GetIllegalCommand(handle(), text, 16, static_cast<int32_t*>(nullptr)));
  EXPECT_EQ(3u, ops().GetIllegalCommand(nullptr, text, 16, &length));
  EXPECT_EQ(3u, ops().GetIllegalCommand(handle(), text, 0, &length));
  EXPECT_EQ(0, length);
  EXPECT_STREQ("old", text);
  EXPECT_EQ("#ER", Sent());
}

VEK_TRANSPORT_SUITE(Answers);
INSTANTIATE_TEST_SUITE_P(EthernetLink, Refusals, ::testing::Values(false),
                         [](const auto&) { return std::string("Ethernet"); });

}  // namespace
}  // namespace vek::test
