// End-to-end: the joined output, its refusals and its failures.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "expected_text.h"
#include "tool_run.h"
#include "wav_builder.h"

using namespace wavtest;

namespace {

struct Format {
  uint16_t channels;
  uint32_t rate;
  uint16_t bits;
  uint32_t frameSize() const { return bits / 8U * channels; }
};

std::string report(const std::string &path, const Format &f, std::size_t dataSize) {
  return nameLine(path) + pcmFormatLines(f.channels, f.rate, f.bits) +
         timeLine(dataSize, uint64_t{f.rate} * f.frameSize());
}

std::string lengths(std::size_t dataSize) {
  return plainLengthLines(static_cast<uint32_t>(dataSize));
}

struct JoinCase {
  std::string label;
  Format format;
  std::size_t firstSize;
  std::size_t secondSize;
};

} // namespace

// The output is the 44-byte header declaring exactly the whole frames behind
// it, then the first input's whole frames, then the second's.
TEST(Join, WholeFramesOfBothInputsBehindAFreshHeader) {
  const std::vector<JoinCase> cases = {
      {"16-bit stereo, 100 and 300 bytes", {2, 22050, 16}, 100, 300},
      {"8-bit mono", {1, 8000, 8}, 7, 9},
      {"six channels over several copy blocks", {6, 48000, 16}, (3U << 20) + 7, 120},
      {"odd remainders in both inputs", {2, 44100, 16}, 102, 301},
      {"three 8-bit channels, an empty first input", {3, 11025, 8}, 0, 31},
  };
  for (const JoinCase &c : cases) {
    SCOPED_TRACE(c.label);
    const ScratchDir dir;
    const std::string a = dir.path("a.wav");
    const std::string b = dir.path("b.wav");
    const std::string out = dir.path("out.wav");
    const std::string dataA = samples(c.firstSize, 1);
    const std::string dataB = samples(c.secondSize, 2);
    const Format &f = c.format;
    fileWrite(a, pcmWav(f.channels, f.rate, f.bits, dataA));
    fileWrite(b, pcmWav(f.channels, f.rate, f.bits, dataB));

    const RunResult run = toolRun({a, b, out});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, sjis(report(a, f, c.firstSize) + report(b, f, c.secondSize) +
                            closingLine(a, b, out)));
    EXPECT_EQ(run.err, sjis(lengths(c.firstSize) + lengths(c.secondSize)));
    const std::string joined =
        wholeFrames(dataA, f.frameSize()) + wholeFrames(dataB, f.frameSize());
    const std::string expected =
        wavHeader(f.channels, f.rate, f.bits, static_cast<uint32_t>(joined.size())) + joined;
    EXPECT_TRUE(fileRead(out) == expected) << "the output differs from the expected bytes";
  }
}

// The header fields spelled out once for the plain case.
TEST(Join, HeaderOfTwoSixteenBitStereoInputs) {
  const ScratchDir dir;
  fileWrite(dir.path("a.wav"), pcmWav(2, 22050, 16, samples(100, 1)));
  fileWrite(dir.path("b.wav"), pcmWav(2, 22050, 16, samples(300, 2)));
  ASSERT_EQ(toolRun({dir.path("a.wav"), dir.path("b.wav"), dir.path("o.wav")}).status, 0);
  const std::string header = fileRead(dir.path("o.wav")).substr(0, 44);
  EXPECT_EQ(header.substr(0, 4), "RIFF");
  EXPECT_EQ(header.substr(4, 4), le32(436));
  EXPECT_EQ(header.substr(8, 8), "WAVEfmt ");
  EXPECT_EQ(header.substr(16, 8), le32(16) + le16(1) + le16(2));
  EXPECT_EQ(header.substr(24, 8), le32(22050) + le32(4 * 22050));
  EXPECT_EQ(header.substr(32, 4), le16(4) + le16(16));
  EXPECT_EQ(header.substr(36, 8), "data" + le32(400));
}

TEST(Join, RefusesInputsWhoseFormatsDiffer) {
  struct Refusal {
    std::string label;
    std::string secondFmt;
    std::string secondLines; // its six format lines and its playing time
    std::string message;
  };
  const std::vector<Refusal> refusals = {
      {"sample rate", fmtBody(1, 2, 8000, 44100 * 4, 4, 16),
       formatLines(1, 2, 8000, 176400, 4, 16) + timeLine("0.000"),
       "サンプリング周波数が異なると合成できません!\n"},
      {"bits per sample", fmtBody(1, 2, 44100, 176400, 2, 8),
       formatLines(1, 2, 44100, 176400, 2, 8) + timeLine("0.000"),
       "サンプルビット数が異なると合成できません!\n"},
      {"channels", fmtBody(1, 1, 44100, 176400, 2, 16),
       formatLines(1, 1, 44100, 176400, 2, 16) + timeLine("0.000"),
       "ステレオとモノラルは合成できません!\n"},
      {"declared byte rate", fmtBody(1, 2, 44100, 176401, 4, 16),
       formatLines(1, 2, 44100, 176401, 4, 16) + timeLine("0.000"),
       "ビット当たりのバイト数が異なると合成できません!\n"},
      {"all four: the rate is named", fmtBody(1, 1, 8000, 8000, 1, 8),
       formatLines(1, 1, 8000, 8000, 1, 8) + timeLine("0.001"),
       "サンプリング周波数が異なると合成できません!\n"},
  };
  for (const Refusal &r : refusals) {
    SCOPED_TRACE(r.label);
    const ScratchDir dir;
    const std::string a = dir.path("a.wav");
    const std::string b = dir.path("b.wav");
    const std::string data = samples(8, 3);
    fileWrite(a, pcmWav(2, 44100, 16, data));
    fileWrite(b, riff(chunk("fmt ", r.secondFmt) + chunk("data", data)));
    const RunResult run = toolRun({a, b, dir.path("out.wav")});
    EXPECT_EQ(run.status, 255);
    EXPECT_EQ(run.out, sjis(report(a, {2, 44100, 16}, 8) + nameLine(b) + r.secondLines));
    EXPECT_EQ(run.err, sjis(lengths(8) + lengths(8) + r.message));
    EXPECT_FALSE(std::filesystem::exists(dir.path("out.wav")));
  }
}

// Both declare the same wrong byte rate: accepted, and the header gets the
// byte rate of the format instead.
TEST(Join, HeaderByteRateIsComputedNotCopied) {
  const ScratchDir dir;
  const std::string input =
      riff(chunk("fmt ", fmtBody(1, 2, 1000, 999, 7, 16)) + chunk("data", samples(40, 4)));
  fileWrite(dir.path("a.wav"), input);
  fileWrite(dir.path("b.wav"), input);
  ASSERT_EQ(toolRun({dir.path("a.wav"), dir.path("b.wav"), dir.path("o.wav")}).status, 0);
  EXPECT_EQ(fileRead(dir.path("o.wav")).substr(0, 44), wavHeader(2, 1000, 16, 80));
}

// An input that ends before its declared data: the header declares what the
// inputs promised, every whole frame read before the end is in the output, and
// the copy fails there. Nothing is read or written beyond the input's bytes.
TEST(Join, TruncatedInputKeepsTheFramesCopiedSoFar) {
  struct TruncatedCase {
    std::string label;
    Format format;
    std::string first;
    uint32_t firstDeclared;
    std::string second;
    uint32_t secondDeclared;
    std::string written; // the sample data behind the output header
  };
  const Format stereo{2, 44100, 16};
  const Format threeChannels{3, 44100, 16};
  const std::string data400 = samples(400, 1);
  const std::string data256 = samples(256, 2);
  const std::string plain256 = pcmWav(2, 44100, 16, data256);
  // A 16-bit stereo input whose "data" chunk declares `declared` bytes and holds `body`.
  const auto declaring = [](uint32_t declared, const std::string &body) {
    return riff(pcmFmtChunk(2, 44100, 16) + chunk("data", declared, body));
  };
  const std::string data600 = samples(600, 5);
  const std::string present = samples((5U << 19) + 3, 6);
  const std::vector<TruncatedCase> cases = {
      {"the second ends 0.5 MiB + 3 bytes before its declared 3 MiB", threeChannels,
       pcmWav(3, 44100, 16, data600), 600, wavHeader(3, 44100, 16, 3U << 20) + present, 3U << 20,
       data600 + wholeFrames(present, 6)},
      {"the first declares 0x7FFFFFFF bytes and holds 400", stereo, declaring(0x7FFFFFFFU, data400),
       0x7FFFFFFFU, plain256, 256, data400},
      {"the first declares 0x80000000 bytes and holds 400", stereo, declaring(0x80000000U, data400),
       0x80000000U, plain256, 256, data400},
      {"the first is a 44-byte header promising 400 bytes", stereo, declaring(400, ""), 400,
       plain256, 256, ""},
      {"the second is a 44-byte header promising 400 bytes", stereo, plain256, 256,
       declaring(400, ""), 400, data256},
  };
  for (const TruncatedCase &c : cases) {
    SCOPED_TRACE(c.label);
    const ScratchDir dir;
    const Format &f = c.format;
    const std::string a = dir.path("a.wav");
    const std::string b = dir.path("b.wav");
    const std::string out = dir.path("out.wav");
    fileWrite(a, c.first);
    fileWrite(b, c.second);

    const RunResult run = toolRun({a, b, out});
    EXPECT_EQ(run.status, 255);
    EXPECT_EQ(run.out, sjis(report(a, f, c.firstDeclared) + report(b, f, c.secondDeclared)));
    EXPECT_EQ(run.err, sjis(lengths(c.firstDeclared) + lengths(c.secondDeclared) +
                            "wavDataWriteでエラー発生.\n"));
    const uint32_t declaredTotal = c.firstDeclared / f.frameSize() * f.frameSize() +
                                   c.secondDeclared / f.frameSize() * f.frameSize();
    EXPECT_TRUE(fileRead(out) == wavHeader(f.channels, f.rate, f.bits, declaredTotal) + c.written)
        << "the output differs from the expected bytes";
  }
}

class JoinOutputTest : public ::testing::Test {
protected:
  void SetUp() override {
    fileWrite(a, pcmWav(1, 8000, 8, dataA));
    fileWrite(b, pcmWav(1, 8000, 8, dataB));
  }
  std::string readReports() const { return report(a, format, 6) + report(b, format, 4); }
  static std::string readLengths() { return lengths(6) + lengths(4); }

  ScratchDir dir;
  const Format format{1, 8000, 8};
  const std::string a = dir.path("a.wav");
  const std::string b = dir.path("b.wav");
  const std::string dataA = samples(6, 7);
  const std::string dataB = samples(4, 8);
};

TEST_F(JoinOutputTest, OutputInAMissingFolder) {
  const std::string out = dir.path("no/such/folder/out.wav");
  const RunResult run = toolRun({a, b, out});
  EXPECT_EQ(run.status, 255);
  EXPECT_EQ(run.out, sjis(readReports()));
  EXPECT_EQ(run.err, sjis(readLengths() + openFailure(out)));
}

// Writing the output would empty the input before it is read again. Every
// name of an input is refused, and the inputs keep their bytes.
TEST_F(JoinOutputTest, OutputThatIsAnInputIsRefused) {
  namespace fs = std::filesystem;
  struct Naming {
    std::string what;
    std::string first; // the first input as the command line names it
    std::string output;
  };
  fs::create_directory(dir.path("sub"));
  fs::create_hard_link(a, dir.path("hard.wav"));
  std::vector<Naming> namings = {
      {"the second input", a, b},
      {"the first through ./", a, dir.path("./a.wav")},
      {"the first through sub/..", a, dir.path("sub/../a.wav")},
      {"a hard link to the first", a, dir.path("hard.wav")},
  };
  // Symbolic links, each as a link name and what the link holds.
  const std::vector<std::pair<std::string, std::string>> links = {
      {dir.path("abs-a.wav"), a},
      {dir.path("abs-b.wav"), b},
      {dir.path("rel-a.wav"), "a.wav"},
      {dir.path("rel-b.wav"), "b.wav"},
  };
  const bool linksMade = !targetIsWindows();
  if (linksMade) {
    for (const auto &[link, target] : links) {
      fs::create_symlink(target, link);
    }
    namings.push_back({"an absolute link to the first", a, links[0].first});
    namings.push_back({"an absolute link to the second", a, links[1].first});
    namings.push_back({"a relative link to the first", a, links[2].first});
    namings.push_back({"a relative link to the second", a, links[3].first});
    namings.push_back({"the first named through a link, the output its target", links[2].first, a});
  }
  const std::string inputA = fileRead(a);
  const std::string inputB = fileRead(b);
  for (const Naming &n : namings) {
    SCOPED_TRACE(n.what);
    const RunResult run = toolRun({n.first, b, n.output});
    EXPECT_EQ(run.status, 255);
    EXPECT_EQ(run.out, sjis(report(n.first, format, 6) + report(b, format, 4)));
    EXPECT_EQ(run.err,
              sjis(readLengths() + "出力ファイル " + n.output + " が入力ファイルと同じです.\n"));
    EXPECT_EQ(fileRead(a), inputA);
    EXPECT_EQ(fileRead(b), inputB);
  }
  if (!linksMade) {
    GTEST_SKIP() << "the symbolic-link rows are left out, as the Windows tests make no links "
                    "(the other rows ran)";
  }
  for (const auto &link : links) {
    EXPECT_TRUE(fs::is_symlink(link.first)) << link.first;
  }
}

// Two sparse inputs of 2 GiB of data each: together too long for a header.
TEST(Join, PairOverFourGigabytesIsRefused) {
  const ScratchDir dir;
  const std::string a = dir.path("a.wav");
  const std::string b = dir.path("b.wav");
  const uint32_t dataSize = 0x80000000U;
  sparseFileWrite(a, wavHeader(2, 44100, 16, dataSize), dataSize, "");
  sparseFileWrite(b, wavHeader(2, 44100, 16, dataSize), dataSize, "");
  const RunResult run = toolRun({a, b, dir.path("out.wav")});
  EXPECT_EQ(run.status, 255);
  const std::string dataLines = fmtLengthLine(16) + dataLengthLine(-2147483648L);
  EXPECT_EQ(run.err,
            sjis(dataLines + dataLines + "合成後のデータが4Gバイトを超えるため合成できません!\n"));
  EXPECT_FALSE(std::filesystem::exists(dir.path("out.wav")));
}

// sox, a reader of its own, sees the samples of both inputs in order.
TEST(Join, SoxReadsTheJoinedSamples) {
  if (std::system("sox --version > /dev/null 2>&1") != 0) {
    GTEST_SKIP() << "sox is not installed (apt-get install sox)";
  }
  const ScratchDir dir;
  const std::string dataA = samples(4000, 9);
  const std::string dataB = samples(2000, 10);
  fileWrite(dir.path("a.wav"), pcmWav(2, 44100, 16, dataA));
  fileWrite(dir.path("b.wav"), pcmWav(2, 44100, 16, dataB));
  ASSERT_EQ(toolRun({dir.path("a.wav"), dir.path("b.wav"), dir.path("o.wav")}).status, 0);
  const std::string command = "sox '" + dir.path("o.wav") + "' -t raw '" + dir.path("o.raw") + "'";
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_TRUE(fileRead(dir.path("o.raw")) == dataA + dataB) << "sox read other samples";
}
