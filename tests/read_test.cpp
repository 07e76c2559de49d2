// End-to-end: what the tool prints while it reads its inputs, and which
// inputs it refuses. Every fixture is built here, byte by byte.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "expected_text.h"
#include "tool_run.h"
#include "wav_builder.h"

using namespace wavtest;

namespace {

struct ReadCase {
  std::string label;
  std::string file;
  std::string report; // stdout after the name line (UTF-8)
  std::string errors; // stderr (UTF-8)
  bool accepted;
  std::string data; // for an accepted input: the sample data a join takes from it
};

// 16-bit stereo at 100 Hz: 400 bytes a second, 4 bytes a frame.
const std::string kFmt = pcmFmtChunk(2, 100, 16);
const std::string kFmtLines = pcmFormatLines(2, 100, 16);
const std::string kData = samples(1200, 7);
const std::string kDataChunk = chunk("data", kData);
const std::string kGoodErrors = fmtLengthLine(16) + dataLengthLine(1200);
const std::string kGoodReport = kFmtLines + timeLine("3.000");

// Chunk sizes near 2^31 and 2^32, far past the end of any file here; all
// but the first print negative.
constexpr uint32_t kHugeSizes[] = {0x7FFFFFFFU, 0x80000000U, 0xFFFFFFF8U, 0xFFFFFFFFU};

std::string hex(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
  return text;
}

// The two lines that refuse a format other than PCM, here the extensible tag.
const std::string kNotPcmErrors = "\nこのプログラムは無圧縮PCMのみを対象とします.\n"
                                  "このwavファイルの形式は FFFE です．\n";

std::vector<ReadCase> refusedCases() {
  const std::string float32 = fmtBody(3, 2, 100, 800, 8, 32);
  const std::string bits24 = fmtBody(1, 2, 100, 600, 6, 24);
  const std::string noChannels = fmtBody(1, 0, 100, 0, 0, 16);
  const std::string extensible = extensibleFmtBody(2, 100, 16, 16, pcmSubFormat());
  const std::string extensibleLines = formatLines(65534, 2, 100, 400, 4, 16);
  std::string otherGuid = extensible;
  otherGuid.back() = '\x72';
  std::vector<ReadCase> cases = {
      {"five byte file", std::string("RIFF\0", 5), "", " 5 で読み込み失敗.\n", false, ""},
      {"not RIFF", "RIFX" + le32(4) + "WAVE" + kFmt + kDataChunk, "",
       "'RIFF' フォーマットでない.\n", false, ""},
      {"not WAVE", riff("").replace(8, 4, "AVI "), "", "'WAVE' が無い.\n", false, ""},
      {"neither RIFF nor WAVE: WAVE is tested first", "JUNK" + le32(4) + "JUNK", "",
       "'WAVE' が無い.\n", false, ""},
      {"format tag 3", riff(chunk("fmt ", float32) + kDataChunk),
       formatLines(3, 2, 100, 800, 8, 32),
       fmtLengthLine(16) + "\nこのプログラムは無圧縮PCMのみを対象とします.\n" +
           "このwavファイルの形式は 0003 です．\n",
       false, ""},
      {"24 bits", riff(chunk("fmt ", bits24) + kDataChunk), formatLines(1, 2, 100, 600, 6, 24),
       fmtLengthLine(16) + "\nこのプログラムは8/16ビットサンプリングされたものを対象とします\n" +
           "このwavファイルの bits/secは 24 です．\n",
       false, ""},
      {"extensible float",
       riff(chunk("fmt ", extensibleFmtBody(2, 100, 32, 32, floatSubFormat())) + kDataChunk),
       formatLines(65534, 2, 100, 800, 8, 32), fmtLengthLine(40) + kNotPcmErrors, false, ""},
      {"extensible with an unknown subformat: PCM's GUID but its last byte",
       riff(chunk("fmt ", otherGuid) + kDataChunk), extensibleLines,
       fmtLengthLine(40) + kNotPcmErrors, false, ""},
      {"extensible tag in an 18-byte fmt chunk",
       riff(chunk("fmt ", fmtBody(0xFFFE, 2, 100, 400, 4, 16) + le16(0)) + kDataChunk),
       extensibleLines, fmtLengthLine(18) + kNotPcmErrors, false, ""},
      {"extensible fmt chunk declaring 39 bytes, the GUID's last byte behind it",
       riff(chunk("fmt ", 39, extensible) + kDataChunk), extensibleLines,
       fmtLengthLine(39) + kNotPcmErrors, false, ""},
      {"extensible fmt chunk declaring 40 bytes, the file ending before its GUID",
       riff(chunk("fmt ", 40, extensible.substr(0, 30))), extensibleLines,
       fmtLengthLine(40) + kNotPcmErrors, false, ""},
      {"extensible PCM of 24 bits",
       riff(chunk("fmt ", extensibleFmtBody(2, 100, 24, 24, pcmSubFormat())) + kDataChunk),
       formatLines(65534, 2, 100, 600, 6, 24),
       fmtLengthLine(40) + "\nこのプログラムは8/16ビットサンプリングされたものを対象とします\n" +
           "このwavファイルの bits/secは 24 です．\n",
       false, ""},
      {"no channels", riff(chunk("fmt ", noChannels) + kDataChunk),
       formatLines(1, 0, 100, 0, 0, 16),
       fmtLengthLine(16) + "\nこのプログラムは1チャンネル以上のものを対象とします\n" +
           "このwavファイルのチャンネル数は 0 です．\n",
       false, ""},
      {"short read of the format bytes is refused silently",
       riff(chunk("fmt ", 16, fmtBody(1, 2, 100, 400, 4, 16).substr(0, 10))), "", fmtLengthLine(16),
       false, ""},
      {"no fmt chunk", riff(kDataChunk), "", dataLengthLine(1200) + "'fmt ' チャンクが無い.\n",
       false, ""},
      {"no data chunk", riff(kFmt + chunk("LIST", "abcd")), kFmtLines + chunkLine("LIST", 4),
       fmtLengthLine(16) + "'data' チャンクが無い.\n", false, ""},
      {"no chunk at all", riff(""), "", "'fmt ' チャンクが無い.\n", false, ""},
      {"ids are case-sensitive",
       riff(chunk("FMT ", fmtBody(1, 2, 100, 400, 4, 16)) + chunk("Data", "ab")),
       chunkLine("FMT ", 16) + chunkLine("Data", 2), "'fmt ' チャンクが無い.\n", false, ""},
  };
  // A size that sends the walk far past the end of the file ends the walk
  // there, whatever chunks were still to come. 0xFFFFFFF8 would bring a walk
  // with 32-bit positions back to the chunk's own header.
  for (const uint32_t size : kHugeSizes) {
    const std::string junk = chunk("junk", size, "xyz");
    const long printed = static_cast<int32_t>(size);
    cases.push_back({"a junk size of " + hex(size) + " before fmt", riff(junk + kFmt + kDataChunk),
                     chunkLine("junk", printed), "'fmt ' チャンクが無い.\n", false, ""});
    cases.push_back({"a junk size of " + hex(size) + " between fmt and data",
                     riff(kFmt + junk + kDataChunk), kFmtLines + chunkLine("junk", printed),
                     fmtLengthLine(16) + "'data' チャンクが無い.\n", false, ""});
    // Its 16 format bytes are read, then the walk leaves the file.
    cases.push_back({"a fmt size of " + hex(size),
                     riff(chunk("fmt ", size, fmtBody(1, 2, 100, 400, 4, 16)) + kDataChunk),
                     kFmtLines, fmtLengthLine(printed) + "'data' チャンクが無い.\n", false, ""});
  }
  return cases;
}

std::vector<ReadCase> acceptedCases() {
  const std::string data5 = samples(5, 3);
  const std::string early = samples(8, 4);
  const std::string late = samples(12, 5);
  // A "fmt " chunk that declares 14 bytes: all 16 are read, and the next
  // header starts at byte 14, so its id begins with the bits field (16, 0).
  const std::string shortFmt = chunk("fmt ", 14, fmtBody(1, 2, 100, 400, 4, 16)) + "ab" + le32(0);
  const std::string six = samples(2400, 8);
  const std::string three = samples(601, 9);
  // Streamed: the data runs to the end of the file, past a whole frame.
  const std::string streamed = samples(1203, 10);
  const std::string streamedFrames = wholeFrames(streamed, 4);
  std::vector<ReadCase> cases = {
      {"plain file, three seconds", riff(kFmt + kDataChunk), kGoodReport, kGoodErrors, true, kData},
      {"chunks before, between and behind the data",
       riff(chunk("LIST", "abcd") + kFmt + chunk("fact", le32(300)) + kDataChunk +
            chunk("LIST", "0123456789")),
       chunkLine("LIST", 4) + kFmtLines + chunkLine("fact", 4) + chunkLine("LIST", 10) +
           timeLine("3.000"),
       kGoodErrors, true, kData},
      {"44-byte header of an empty sound", riff(kFmt + chunk("data", "")),
       kFmtLines + timeLine("0.000"), fmtLengthLine(16) + dataLengthLine(0), true, ""},
      {"odd chunk with its pad byte",
       riff(chunk("odd ", "abc") + std::string(1, '\0') + kFmt + kDataChunk),
       chunkLine("odd ", 3) + kGoodReport, kGoodErrors, true, kData},
      {"odd chunk without a pad byte", riff(chunk("odd ", "abc") + kFmt + kDataChunk),
       chunkLine("odd ", 3) + kGoodReport, kGoodErrors, true, kData},
      {"odd data padded, a chunk behind it",
       riff(pcmFmtChunk(1, 100, 8) + chunk("data", data5) + std::string(1, '\0') +
            chunk("LIST", "ab")),
       pcmFormatLines(1, 100, 8) + chunkLine("LIST", 2) + timeLine("0.050"),
       fmtLengthLine(16) + dataLengthLine(5), true, data5},
      {"the later fmt and data chunks win",
       riff(pcmFmtChunk(1, 100, 8) + chunk("data", early) + kFmt + chunk("data", late)),
       pcmFormatLines(1, 100, 8) + kFmtLines + timeLine("0.030"),
       fmtLengthLine(16) + dataLengthLine(8) + fmtLengthLine(16) + dataLengthLine(12), true, late},
      {"fmt chunk declaring 14 bytes", riff(shortFmt + kDataChunk),
       kFmtLines + chunkLine(std::string("\x10\0ab", 4), 0) + timeLine("3.000"),
       fmtLengthLine(14) + dataLengthLine(1200), true, kData},
      {"extensible PCM, 16 bits, six channels, a fact chunk behind the format",
       riff(extensibleFmtChunk(6, 100, 16) + chunk("fact", le32(200)) + chunk("data", six)),
       formatLines(65534, 6, 100, 1200, 12, 16) + chunkLine("fact", 4) + timeLine("2.000"),
       fmtLengthLine(40) + dataLengthLine(2400), true, six},
      // The walk goes on behind the declared 45 bytes and the pad byte, not
      // behind the 40 bytes read.
      {"extensible PCM, 8 bits, three channels, 5 valid bits, a 45-byte body",
       riff(chunk("fmt ", extensibleFmtBody(3, 100, 8, 5, pcmSubFormat()) + "xyzuv") +
            std::string(1, '\0') + chunk("data", three)),
       formatLines(65534, 3, 100, 300, 3, 8) + timeLine("2.003"),
       fmtLengthLine(45) + dataLengthLine(601), true, wholeFrames(three, 3)},
      {"sox's streaming size 0x7FFFF000: the data runs to the end of the file",
       riff(kFmt + chunk("LIST", "abcd") + chunk("data", 0x7FFFF000U, streamed)),
       kFmtLines + chunkLine("LIST", 4) + timeLine(1203, 400),
       fmtLengthLine(16) + dataLengthLine(1203), true, streamedFrames},
      {"ffmpeg's streaming size 0xFFFFFFFF: the data runs to the end of the file",
       riff(kFmt + chunk("LIST", "INFOISFT") + chunk("data", 0xFFFFFFFFU, streamed)),
       kFmtLines + chunkLine("LIST", 8) + timeLine(1203, 400),
       fmtLengthLine(16) + dataLengthLine(1203), true, streamedFrames},
      {"no byte rate: the time comes from the format",
       riff(chunk("fmt ", fmtBody(1, 2, 100, 0, 4, 16)) + chunk("data", samples(800, 6))),
       formatLines(1, 2, 100, 0, 4, 16) + timeLine("2.000"),
       fmtLengthLine(16) + dataLengthLine(800), true, samples(800, 6)},
      {"no byte rate and no sample rate: no time",
       riff(chunk("fmt ", fmtBody(1, 2, 0, 0, 4, 16)) + chunk("data", samples(8, 6))),
       formatLines(1, 2, 0, 0, 4, 16) + timeLine("0.000"), fmtLengthLine(16) + dataLengthLine(8),
       true, samples(8, 6)},
  };
  // A huge size behind the data ends the walk with everything found.
  for (const uint32_t size : kHugeSizes) {
    cases.push_back({"a junk size of " + hex(size) + " behind the data",
                     riff(kFmt + kDataChunk + chunk("junk", size, "xyz")),
                     kFmtLines + chunkLine("junk", static_cast<int32_t>(size)) + timeLine("3.000"),
                     kGoodErrors, true, kData});
  }
  // The RIFF size is never used: the chunks are walked to the end of the file.
  const auto riffSize = static_cast<uint32_t>(riff(kFmt + kDataChunk).size() - 8);
  for (const uint32_t size : {0U, 4U, riffSize - 1, riffSize + 1000, 0x7FFFFFFFU, 0xFFFFFFFFU}) {
    cases.push_back({"a RIFF size of " + hex(size),
                     "RIFF" + le32(size) + "WAVE" + kFmt + kDataChunk, kGoodReport, kGoodErrors,
                     true, kData});
  }
  return cases;
}

} // namespace

// A refused first input: its own lines, status -1, the second input never opened.
TEST(Read, RefusedInputs) {
  for (const ReadCase &c : refusedCases()) {
    SCOPED_TRACE(c.label);
    const ScratchDir dir;
    const std::string input = dir.path("in.wav");
    fileWrite(input, c.file);
    const RunResult run = toolRun({input, dir.path("missing.wav"), dir.path("out.wav")});
    EXPECT_EQ(run.status, 255);
    EXPECT_EQ(run.out, sjis(nameLine(input) + c.report));
    EXPECT_EQ(run.err, sjis(c.errors));
    EXPECT_FALSE(std::filesystem::exists(dir.path("out.wav")));
  }
}

// An accepted input, joined with itself: both reports, then the join.
TEST(Read, AcceptedInputs) {
  for (const ReadCase &c : acceptedCases()) {
    SCOPED_TRACE(c.label);
    const ScratchDir dir;
    const std::string input = dir.path("in.wav");
    const std::string output = dir.path("out.wav");
    fileWrite(input, c.file);
    const RunResult run = toolRun({input, input, output});
    EXPECT_EQ(run.status, 0);
    const std::string report = nameLine(input) + c.report;
    EXPECT_EQ(run.out, sjis(report + report + closingLine(input, input, output)));
    EXPECT_EQ(run.err, sjis(c.errors + c.errors));
    const std::string joined = fileRead(output);
    const auto dataSize = static_cast<uint32_t>(2 * c.data.size());
    EXPECT_EQ(joined.substr(0, 22), "RIFF" + le32(dataSize + 36) + "WAVEfmt " + le32(16) + le16(1));
    EXPECT_EQ(joined.substr(36, 8), "data" + le32(dataSize));
    EXPECT_EQ(joined.substr(44), c.data + c.data);
  }
}

TEST(Read, WrongArgumentCountPrintsUsage) {
  const std::string usage = sjis("二つのWAVファイルを連結します.\n\n"
                                 "引数に <入力ファイル名１> <入力ファイル名２> <出力ファイル名>を\n"
                                 "指定してください.\n\n"
                                 "例 : Pairtone  foo.wav  bar.wav out.wav\n");
  const std::vector<std::vector<std::string>> argumentLists = {
      {}, {"a.wav", "b.wav"}, {"a.wav", "b.wav", "c.wav", "d.wav"}};
  for (const auto &args : argumentLists) {
    SCOPED_TRACE(args.size());
    const RunResult run = toolRun(args);
    EXPECT_EQ(run.status, 255);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, usage);
  }
}

TEST(Read, InputThatCannotBeOpened) {
  const ScratchDir dir;
  const std::string good = dir.path("good.wav");
  fileWrite(good, riff(kFmt + kDataChunk));

  const RunResult first =
      toolRun({dir.path("none1.wav"), dir.path("none2.wav"), dir.path("o.wav")});
  EXPECT_EQ(first.status, 255);
  EXPECT_EQ(first.out, "");
  EXPECT_EQ(first.err, sjis(readerOpenFailure(dir.path("none1.wav"))));

  const RunResult second = toolRun({good, dir.path("none2.wav"), dir.path("o.wav")});
  EXPECT_EQ(second.status, 255);
  EXPECT_EQ(second.out, sjis(nameLine(good) + kGoodReport));
  EXPECT_EQ(second.err, sjis(kGoodErrors + readerOpenFailure(dir.path("none2.wav"))));
  EXPECT_FALSE(std::filesystem::exists(dir.path("o.wav")));
}

// Data chunks of 2 GiB and more (sparse files): the walk seeks past them with
// 64-bit positions and finds the chunk behind them. A streaming writer's size
// that the file really holds is the data's length like any other.
TEST(Read, InputOverTwoGigabytesIsWalkedToTheChunkBehindItsData) {
  for (const uint32_t dataSize : {0x90000000U, 0x7FFFF000U, 0xFFFFFFFFU}) {
    SCOPED_TRACE(dataSize);
    const ScratchDir dir;
    const std::string big = dir.path("big.wav");
    sparseFileWrite(big, wavHeader(2, 44100, 16, dataSize), dataSize, chunk("LIST", "abcd"));

    const RunResult run = toolRun({big, dir.path("missing.wav"), dir.path("out.wav")});
    EXPECT_EQ(run.status, 255);
    EXPECT_EQ(run.out, sjis(nameLine(big) + pcmFormatLines(2, 44100, 16) + chunkLine("LIST", 4) +
                            timeLine(dataSize, 176400)));
    EXPECT_EQ(run.err, sjis(fmtLengthLine(16) + dataLengthLine(static_cast<int32_t>(dataSize)) +
                            readerOpenFailure(dir.path("missing.wav"))));
  }
}
