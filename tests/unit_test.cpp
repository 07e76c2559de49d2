// The 4 GiB limit of a joined output, checked on the records directly: the
// sizes involved are too large for files.
#include <gtest/gtest.h>

#include <cstdint>

#include "join/wav_join.h"
#include "tool_run.h"

using namespace wavtest;

namespace {

WavInfo record(uint16_t channels, uint16_t bits, uint32_t dataLength) {
  WavInfo info{};
  info.sampleRate = 44100;
  info.bitsPerSample = bits;
  info.channels = channels;
  info.bytesPerSec = 44100U * channels * (bits / 8U);
  info.dataLength = dataLength;
  return info;
}

// Runs the check the way the join phase does: firstDataLength holds the first
// length and info[0].dataLength the joined one.
int formatCheck(const WavInfo &first, const WavInfo &second, std::string *errors) {
  WavInfo info[2] = {first, second};
  firstDataLength = info[0].dataLength;
  info[0].dataLength = static_cast<uint32_t>(wavJoinedDataLength(info));
  ::testing::internal::CaptureStderr();
  const int result = wavFormatCheck(info);
  *errors = ::testing::internal::GetCapturedStderr();
  return result;
}

} // namespace

TEST(JoinedLength, LimitCountsWholeFramesOnly) {
  const std::string tooLong = sjis("合成後のデータが4Gバイトを超えるため合成できません!\n");
  struct Case {
    const char *label;
    WavInfo first;
    WavInfo second;
    bool accepted;
  };
  const uint32_t limit = UINT32_MAX - 36; // the data a header can declare
  const Case cases[] = {
      {"8-bit mono, exactly at the limit", record(1, 8, limit - 5), record(1, 8, 5), true},
      {"8-bit mono, one byte over", record(1, 8, limit - 5), record(1, 8, 6), false},
      // 16-bit stereo: limit and 3 bytes hold limit - 3 bytes of whole frames.
      {"remainders dropped bring it under", record(2, 16, limit), record(2, 16, 3), true},
      {"the sum would wrap in 32 bits", record(2, 16, 0x80000000U), record(2, 16, 0x80000000U),
       false},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.label);
    std::string errors;
    EXPECT_EQ(formatCheck(c.first, c.second, &errors), c.accepted ? 0 : -1);
    EXPECT_EQ(errors, c.accepted ? "" : tooLong);
  }
}
