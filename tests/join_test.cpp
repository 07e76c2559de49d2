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

// How an input's writer laid it out.
enum Layout {
  kPlain,        // 16-byte "fmt ", then "data"
  kExtensible,   // 40-byte WAVE_FORMAT_EXTENSIBLE "fmt " of PCM, as sox writes 3+ channels
  kSoxStream,    // "data" size 0x7FFFF000, the data to the end of the file
  kFfmpegStream, // a LIST chunk, then "data" size 0xFFFFFFFF, the data to the end
};

std::string inputFile(Layout layout, const Format &f, const std::string &data) {
  const std::string fmt = pcmFmtChunk(f.channels, f.rate, f.bits);
  switch (layout) {
  case kExtensible:
    return riff(extensibleFmtChunk(f.channels, f.rate, f.bits) + chunk("data", data));
  case kSoxStream:
    return riff(fmt + chunk("data", 0x7FFFF000U, data));
  case kFfmpegStream:
    return riff(fmt + chunk("LIST", "INFOISFT") + chunk("data", 0xFFFFFFFFU, data));
  case kPlain:
    break;
  }
  return riff(fmt + chunk("data", data));
}

// What the reader prints on stdout for an input of `dataSize` data bytes.
std::string inputReport(Layout layout, const std::string &path, const Format &f,
                        std::size_t dataSize) {
  const unsigned blockAlign = f.frameSize();
  const unsigned long bytesPerSec = static_cast<unsigned long>(f.rate) * blockAlign;
  const unsigned tag = layout == kExtensible ? 65534 : 1;
  const std::string list = layout == kFfmpegStream ? chunkLine("LIST", 8) : "";
  return nameLine(path) + formatLines(tag, f.channels, f.rate, bytesPerSec, blockAlign, f.bits) +
         list + timeLine(dataSize, bytesPerSec);
}

// The reader's two length lines on stderr.
std::string inputLengths(Layout layout, std::size_t dataSize) {
  return fmtLengthLine(layout == kExtensible ? 40 : 16) +
         dataLengthLine(static_cast<int32_t>(dataSize));
}

std::string report(const std::string &path, const Format &f, std::size_t dataSize) {
  return inputReport(kPlain, path, f, dataSize);
}

std::string lengths(std::size_t dataSize) { return inputLengths(kPlain, dataSize); }

struct JoinCase {
  std::string label;
  Format format;
  std::size_t firstSize;
  std::size_t secondSize;
  Layout firstLayout = kPlain;
  Layout secondLayout = kPlain;
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
      {"extensible, 16-bit six channels", {6, 48000, 16}, 1206, 605, kExtensible, kExtensible},
      {"extensible, 8-bit three channels", {3, 8000, 8}, 31, 60, kExtensible, kExtensible},
      {"a plain input and an extensible one", {2, 44100, 16}, 100, 300, kPlain, kExtensible},
      {"an extensible input and a plain one", {6, 48000, 16}, 120, 240, kExtensible, kPlain},
      {"sox, then ffmpeg, streamed", {2, 44100, 16}, 1203, 1201, kSoxStream, kFfmpegStream},
      {"streamed, several copy blocks", {2, 44100, 16}, 64, (2U << 20) + 3, kPlain, kFfmpegStream},
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
    fileWrite(a, inputFile(c.firstLayout, f, dataA));
    fileWrite(b, inputFile(c.secondLayout, f, dataB));

    const RunResult run = toolRun({a, b, out});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out,
              sjis(inputReport(c.firstLayout, a, f, c.firstSize) +
                   inputReport(c.secondLayout, b, f, c.secondSize) + closingLine(a, b, out)));
    EXPECT_EQ(run.err, sjis(inputLengths(c.firstLayout, c.firstSize) +
                            inputLengths(c.secondLayout, c.secondSize)));
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
      {"the second declares 3 MiB and ends 0.5 MiB + 3 bytes before it", threeChannels,
       pcmWav(3, 44100, 16, data600), 600, wavHeader(3, 44100, 16, 3U << 20) + present, 3U << 20,
       data600 + wholeFrames(present, 6)},
      {"the second declares 0x7FFFF001, one above sox's placeholder", threeChannels,
       pcmWav(3, 44100, 16, data600), 600, wavHeader(3, 44100, 16, 0x7FFFF001U) + present,
       0x7FFFF001U, data600 + wholeFrames(present, 6)},
      {"the second declares 0x7FFFEFFF, one below sox's placeholder", threeChannels,
       pcmWav(3, 44100, 16, data600), 600, wavHeader(3, 44100, 16, 0x7FFFEFFFU) + present,
       0x7FFFEFFFU, data600 + wholeFrames(present, 6)},
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

// Joined data too long for a header, refused before an output exists (sparse
// files): two inputs of 2 GiB of data each, and an input whose streaming size
// 0xFFFFFFFF has more than that behind it, to the end of its file.
TEST(Join, PairOverFourGigabytesIsRefused) {
  struct Input {
    uint32_t declared; // by its "data" chunk
    uint64_t present;  // data bytes behind it, to the end of the file
  };
  struct Case {
    std::string label;
    Input first;
    Input second;
  };
  const Input half{0x80000000U, 0x80000000U};
  const Input streamedOver4GiB{0xFFFFFFFFU, uint64_t{1} << 32};
  const Input small{8, 8};
  const Case cases[] = {
      {"2 GiB and 2 GiB", half, half},
      {"0xFFFFFFFF over 4 GiB first", streamedOver4GiB, small},
      {"0xFFFFFFFF over 4 GiB second", small, streamedOver4GiB},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.label);
    const ScratchDir dir;
    const std::string a = dir.path("a.wav");
    const std::string b = dir.path("b.wav");
    sparseFileWrite(a, wavHeader(2, 44100, 16, c.first.declared), c.first.present, "");
    sparseFileWrite(b, wavHeader(2, 44100, 16, c.second.declared), c.second.present, "");
    const RunResult run = toolRun({a, b, dir.path("out.wav")});
    EXPECT_EQ(run.status, 255);
    EXPECT_EQ(run.err, sjis(lengths(c.first.declared) + lengths(c.second.declared) +
                            "合成後のデータが4Gバイトを超えるため合成できません!\n"));
    EXPECT_FALSE(std::filesystem::exists(dir.path("out.wav")));
  }
}
