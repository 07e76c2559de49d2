// End-to-end with other programs' files: sox and ffmpeg make the inputs the
// way users make them, pairtone joins them, and sox, a reader of its own, must
// find the samples of both inputs, in order, in the output. Each test is
// skipped, with the reason, when a program it needs is missing.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "tool_run.h"
#include "wav_builder.h"

using namespace wavtest;

namespace {

bool installed(const std::string &program) {
  return std::system(("command -v " + program + " > /dev/null 2>&1").c_str()) == 0;
}

// `command` with every "OUT" replaced by the quoted path.
std::string withOutput(std::string command, const std::string &path) {
  const std::string quoted = "'" + path + "'";
  for (std::size_t at = command.find("OUT"); at != std::string::npos;
       at = command.find("OUT", at + quoted.size())) {
    command.replace(at, 3, quoted);
  }
  return command;
}

// The samples of a WAVE file as sox reads them, without any header.
std::string soxSamples(const std::string &wav) {
  const std::string raw = wav + ".raw";
  const std::string command = "sox -V1 '" + wav + "' -t raw '" + raw + "'";
  if (std::system(command.c_str()) != 0) {
    ADD_FAILURE() << "sox cannot read " << wav;
    return "";
  }
  return fileRead(raw);
}

// The format tag and the declared "data" size, found by walking the chunks.
struct HeaderFields {
  uint16_t formatTag = 0;
  uint32_t dataSize = 0;
};

uint32_t le32At(const std::string &bytes, std::size_t at) {
  uint32_t value = 0;
  for (std::size_t i = 4; i-- > 0;) {
    value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
  }
  return value;
}

HeaderFields headerFields(const std::string &bytes) {
  HeaderFields fields;
  for (std::size_t at = 12; at + 8 <= bytes.size();) {
    const std::string id = bytes.substr(at, 4);
    const uint32_t size = le32At(bytes, at + 4);
    if (id == "fmt " && at + 12 <= bytes.size()) {
      fields.formatTag = static_cast<uint16_t>(le32At(bytes, at + 8) & 0xFFFF);
    } else if (id == "data") {
      fields.dataSize = size;
      break;
    }
    at += 8 + uint64_t{size} + size % 2;
  }
  return fields;
}

struct RealCase {
  std::string label;
  std::string makeFirst;  // shell commands writing the input to OUT
  std::string makeSecond; // the same for the second input
  uint16_t formatTag;     // what the writer puts in both inputs
  uint32_t dataSize;      // the "data" size both inputs declare; 0 for any
};

// Makes both inputs, checks that they are what the case says, joins them and
// has sox read the output: the first input's samples, then the second's.
void joinedBySox(const RealCase &c) {
  SCOPED_TRACE(c.label);
  const ScratchDir dir;
  const std::string a = dir.path("a.wav");
  const std::string b = dir.path("b.wav");
  const std::string out = dir.path("out.wav");
  ASSERT_EQ(std::system(withOutput(c.makeFirst, a).c_str()), 0) << c.makeFirst;
  ASSERT_EQ(std::system(withOutput(c.makeSecond, b).c_str()), 0) << c.makeSecond;
  for (const std::string &input : {a, b}) {
    const HeaderFields fields = headerFields(fileRead(input));
    EXPECT_EQ(fields.formatTag, c.formatTag) << input;
    if (c.dataSize != 0) {
      EXPECT_EQ(fields.dataSize, c.dataSize) << input;
    }
  }

  const RunResult run = toolRun({a, b, out});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::string joined = fileRead(out);
  ASSERT_GE(joined.size(), 44U);
  EXPECT_EQ(le32At(joined, 40), joined.size() - 44) << "the header declares other data";
  const std::string samplesA = soxSamples(a);
  const std::string samplesB = soxSamples(b);
  EXPECT_GT(samplesA.size(), 1000U);
  EXPECT_TRUE(soxSamples(out) == samplesA + samplesB) << "sox read other samples";
}

} // namespace

TEST(RealFiles, SoxReadsTheJoinedSamples) {
  if (!installed("sox")) {
    GTEST_SKIP() << "sox is not installed (apt-get install sox)";
  }
  const ScratchDir dir;
  const std::string dataA = samples(4000, 9);
  const std::string dataB = samples(2000, 10);
  fileWrite(dir.path("a.wav"), pcmWav(2, 44100, 16, dataA));
  fileWrite(dir.path("b.wav"), pcmWav(2, 44100, 16, dataB));
  ASSERT_EQ(toolRun({dir.path("a.wav"), dir.path("b.wav"), dir.path("o.wav")}).status, 0);
  EXPECT_TRUE(soxSamples(dir.path("o.wav")) == dataA + dataB) << "sox read other samples";
}

// sox writes more than two channels as WAVE_FORMAT_EXTENSIBLE, and into a pipe
// it leaves 0x7FFFF000 as the "data" size.
TEST(RealFiles, FilesThatSoxWrote) {
  if (!installed("sox")) {
    GTEST_SKIP() << "sox is not installed (apt-get install sox)";
  }
  // Input options go before -n, so the sound is made at the file's rate and
  // with a tone of its own in each channel.
  const std::string six = "sox -V1 -r 48000 -c 6 -n -b ";
  const std::string tones = " sine 440 sine 550 square 660 sine 770 sawtooth 880 sine 990";
  const std::vector<RealCase> cases = {
      {"16-bit, six channels", six + "16 OUT synth 0.5" + tones,
       six + "16 OUT synth 0.25" + tones + " vol 0.5", 0xFFFE, 0},
      {"8-bit, six channels", six + "8 OUT synth 0.5" + tones,
       six + "8 OUT synth 0.25" + tones + " vol 0.5", 0xFFFE, 0},
      {"16-bit stereo through a pipe",
       "sox -V1 -r 44100 -c 2 -n -b 16 -t wav - synth 0.5 sine 440 sine 550 | cat > OUT",
       "sox -V1 -r 44100 -c 2 -n -b 16 -t wav - synth 0.25 sine 660 sine 770 | cat > OUT", 1,
       0x7FFFF000U},
      // sox pads the odd data with a zero byte, which every reader, sox
      // included, then takes for a sample.
      {"8-bit mono through a pipe, 4001 samples",
       "sox -V1 -r 8000 -c 1 -n -b 8 -t wav - synth 4001s sine 440 | cat > OUT",
       "sox -V1 -r 8000 -c 1 -n -b 8 -t wav - synth 2001s sine 660 | cat > OUT", 1, 0x7FFFF000U},
  };
  for (const RealCase &c : cases) {
    joinedBySox(c);
  }
}

// ffmpeg writes into a pipe with 0xFFFFFFFF as the "data" size, behind a LIST
// chunk; into a file it writes more than two channels as extensible.
TEST(RealFiles, FilesThatFfmpegWrote) {
  if (!installed("sox")) {
    GTEST_SKIP() << "sox, which reads the output back, is not installed (apt-get install sox)";
  }
  if (!installed("ffmpeg")) {
    GTEST_SKIP() << "ffmpeg is not installed (apt-get install ffmpeg)";
  }
  const std::string ffmpeg = "ffmpeg -nostdin -v error -f lavfi -i ";
  const std::vector<RealCase> cases = {
      {"16-bit stereo through a pipe",
       ffmpeg + "sine=frequency=440:duration=0.5 -ac 2 -f wav - > OUT",
       ffmpeg + "sine=frequency=660:duration=0.25 -ac 2 -f wav - > OUT", 1, 0xFFFFFFFFU},
      {"16-bit, six channels", ffmpeg + "sine=frequency=440:duration=0.5 -ac 6 OUT",
       ffmpeg + "sine=frequency=660:duration=0.25 -ac 6 OUT", 0xFFFE, 0},
      {"sox's pipe, then ffmpeg's",
       "sox -V1 -r 44100 -c 2 -n -b 16 -t wav - synth 0.5 sine 440 sine 550 | cat > OUT",
       ffmpeg + "sine=frequency=660:duration=0.25 -ac 2 -f wav - > OUT", 1, 0},
  };
  for (const RealCase &c : cases) {
    joinedBySox(c);
  }
}
