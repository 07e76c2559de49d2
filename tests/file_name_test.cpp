// File names in messages: each is printed in code page 932 whatever the system
// handed over ("?" for a character CP932 lacks), so the whole output reads as
// CP932, while the file is opened by the name exactly as given.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <vector>

#include "expected_text.h"
#include "tool_run.h"
#include "wav_builder.h"
#include "wave/file_name.h"

namespace wavtest {
namespace {

std::string bytes(std::initializer_list<unsigned char> list) { return {list.begin(), list.end()}; }

struct NameCase {
  const char *label;
  std::string given;   // the name on the command line, as bytes
  std::string printed; // the bytes the messages must show for it
  bool posixOnly;      // a name that is not UTF-8 cannot be a Windows name
};

const std::vector<NameCase> &nameCases() {
  static const std::vector<NameCase> cases = {
      {"Japanese with a blank", "音声 二.wav", sjis("音声 二.wav"), false},
      {"Japanese, bytes typed by hand", "結果.wav",
       bytes({0x8c, 0x8b, 0x89, 0xca, '.', 'w', 'a', 'v'}), false},
      {"full-width digits and a long vowel mark", "トラック１ー.wav", sjis("トラック１ー.wav"),
       false},
      {"é has no CP932 form", "café.wav", "caf?.wav", false},
      {"Hangul has none", "한국어.wav", "???.wav", false},
      {"an emoji, beyond 16 bits", "🎵 tone.wav", "? tone.wav", false},
      {"Japanese next to é", "音 é.wav", sjis("音") + " ?.wav", false},
      {"not UTF-8: already Shift_JIS", "\x82\xa0\x82\xa2.wav", "\x82\xa0\x82\xa2.wav", true},
      {"not UTF-8: Latin-1 é", "caf\xe9.wav", "caf\xe9.wav", true},
      {"not UTF-8: an encoded surrogate", "a\xed\xa0\x80.wav", "a\xed\xa0\x80.wav", true},
  };
  return cases;
}

// The names the failure messages are tried with: one of each kind.
std::vector<NameCase> failureNameCases() {
  std::vector<NameCase> cases = {
      {"Japanese", "音声 二.wav", sjis("音声 二.wav"), false},
      {"é, Hangul and an emoji", "é한🎵.wav", "???.wav", false},
  };
  if (!targetIsWindows()) {
    cases.push_back({"not UTF-8", "\x82\xa0.wav", "\x82\xa0.wav", true});
  }
  return cases;
}

// A message that shows one name: the text in CP932 by iconv, the name as given.
std::string around(const std::string &before, const std::string &printed,
                   const std::string &after) {
  return sjis(before) + printed + sjis(after);
}

const uint32_t kRate = 8000;
const uint32_t kBytesPerSec = kRate * 2;

std::string report(const std::string &printed, std::size_t dataSize) {
  return around("\nファイル名[", printed, "]\n") +
         sjis(pcmFormatLines(1, kRate, 16) + timeLine(dataSize, kBytesPerSec));
}

std::string closing(const std::string &first, const std::string &second,
                    const std::string &output) {
  return around("\n[", first, "] と [") + second + around("] を [", output, "] へ合成しました.\n");
}

TEST(FileNames, InputsAndOutputOpenAndArePrintedInCodePage932) {
  for (const NameCase &c : nameCases()) {
    if (c.posixOnly && targetIsWindows()) {
      continue;
    }
    SCOPED_TRACE(c.label);
    const ScratchDir dir;
    const std::string first = dir.path("1 " + c.given);
    const std::string second = dir.path("2 " + c.given);
    const std::string output = dir.path("3 " + c.given);
    const std::string dataFirst = samples(200, 1);
    const std::string dataSecond = samples(300, 2);
    fileWrite(first, pcmWav(1, kRate, 16, dataFirst));
    fileWrite(second, pcmWav(1, kRate, 16, dataSecond));

    const RunResult run = toolRun({first, second, output});

    const std::string shown = dir.root + "/";
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, report(shown + "1 " + c.printed, 200) +
                           report(shown + "2 " + c.printed, 300) +
                           closing(shown + "1 " + c.printed, shown + "2 " + c.printed,
                                   shown + "3 " + c.printed));
    EXPECT_EQ(run.err, sjis(plainLengthLines(200) + plainLengthLines(300)));
    EXPECT_EQ(fileRead(output), pcmWav(1, kRate, 16, dataFirst + dataSecond));
  }
}

// Every other message that shows a name, with names of each kind.
class FileNameMessages : public ::testing::Test {
protected:
  // Writes the two inputs, "1 <name>" and "2 <name>".
  void inputsWrite(const std::string &name) {
    first = dir.path("1 " + name);
    second = dir.path("2 " + name);
    fileWrite(first, pcmWav(1, kRate, 16, samples(40, 3)));
    fileWrite(second, pcmWav(1, kRate, 16, samples(60, 4)));
  }
  std::string reports(const std::string &printed) const {
    return report(dir.root + "/1 " + printed, 40) + report(dir.root + "/2 " + printed, 60);
  }
  static std::string lengths() { return sjis(plainLengthLines(40) + plainLengthLines(60)); }

  ScratchDir dir;
  std::string first;
  std::string second;
};

TEST_F(FileNameMessages, InputThatCannotBeOpened) {
  for (const NameCase &c : failureNameCases()) {
    SCOPED_TRACE(c.label);
    const RunResult run = toolRun({dir.path(c.given), dir.path("b.wav"), dir.path("out.wav")});
    EXPECT_EQ(run.status, 255);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, around(" ", dir.root + "/" + c.printed, "をオープンできません.\n"));
  }
}

TEST_F(FileNameMessages, OutputInAMissingFolder) {
  for (const NameCase &c : failureNameCases()) {
    SCOPED_TRACE(c.label);
    inputsWrite(c.given);
    const std::string output = dir.path("missing " + c.given + "/" + c.given);
    const RunResult run = toolRun({first, second, output});
    EXPECT_EQ(run.status, 255);
    EXPECT_EQ(run.out, reports(c.printed));
    EXPECT_EQ(run.err, lengths() + around("", dir.root + "/missing " + c.printed + "/" + c.printed,
                                          " をオープンできません.\n"));
  }
}

// The check compares the files the names reach, not the printed forms: two
// names that print alike are not the same file, and a name in another
// spelling still is.
TEST_F(FileNameMessages, OutputThatIsAnInputIsRefused) {
  for (const NameCase &c : failureNameCases()) {
    SCOPED_TRACE(c.label);
    inputsWrite(c.given);
    const std::string input = fileRead(second);
    std::vector<std::pair<std::string, std::string>> spellings = {
        {second, dir.root + "/2 " + c.printed}};
    if (targetIsWindows()) {
      spellings.emplace_back(dir.root + "\\2 " + c.given, dir.root + "\\2 " + c.printed);
    }
    for (const auto &[output, printed] : spellings) {
      const RunResult run = toolRun({first, second, output});
      EXPECT_EQ(run.status, 255);
      EXPECT_EQ(run.out, reports(c.printed));
      EXPECT_EQ(run.err,
                lengths() + around("出力ファイル ", printed, " が入力ファイルと同じです.\n"));
      EXPECT_EQ(fileRead(second), input);
    }
  }
}

TEST_F(FileNameMessages, OutputThatPrintsLikeAnInputIsWritten) {
  inputsWrite("é.wav");
  const std::string output = dir.path("2 ü.wav"); // prints as "2 ?.wav", like the second input
  const RunResult run = toolRun({first, second, output});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(fileRead(output).size(), 44U + 100U);
}

// A full disk often shows only when the buffered output is flushed.
TEST_F(FileNameMessages, WriteThatFails) {
  if (targetIsWindows()) {
    GTEST_SKIP() << "/dev/full and symbolic links to it do not exist on Windows";
  }
  for (const NameCase &c : failureNameCases()) {
    SCOPED_TRACE(c.label);
    inputsWrite(c.given);
    const std::string output = dir.path("full " + c.given);
    std::filesystem::create_symlink("/dev/full", output);
    const RunResult run = toolRun({first, second, output});
    EXPECT_EQ(run.status, 255);
    EXPECT_EQ(run.out, reports(c.printed));
    EXPECT_EQ(run.err,
              lengths() + around("", dir.root + "/full " + c.printed, " へ書き込めません.\n"));
  }
}

// A pipe has no position, so the header cannot be confirmed at 44.
TEST_F(FileNameMessages, HeaderThatCannotBeWritten) {
  if (targetIsWindows()) {
    GTEST_SKIP() << "FIFOs do not exist on Windows";
  }
  for (const NameCase &c : failureNameCases()) {
    SCOPED_TRACE(c.label);
    inputsWrite(c.given);
    const std::string fifo = dir.path("fifo " + c.given);
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::thread drain = fifoDrainStart(fifo);
    const RunResult run = toolRun({first, second, fifo});
    drain.join();
    EXPECT_EQ(run.status, 255);
    EXPECT_EQ(run.out, reports(c.printed));
    EXPECT_EQ(run.err,
              lengths() +
                  around("ヘッダを書き込めません: ", dir.root + "/fifo " + c.printed, "\n"));
  }
}

std::string withoutCarriageReturns(const std::string &text) {
  std::string lf;
  for (const char ch : text) {
    if (ch != '\r') {
      lf += ch;
    }
  }
  return lf;
}

// The README's recipe for a UTF-8 terminal, run by a shell as a user would:
// iconv converts all of the output, the closing line included.
TEST(FileNames, ReadmeRecipeShowsTheWholeReport) {
  const ScratchDir dir;
  fileWrite(dir.path("a.wav"), pcmWav(1, kRate, 16, samples(80, 5)));
  fileWrite(dir.path("音声 二.wav"), pcmWav(1, kRate, 16, samples(120, 6)));
  const std::string script = "cd '" + dir.root + "' && " + toolShellCommand() +
                             " a.wav '音声 二.wav' 結果.wav 2>&1 | iconv -f CP932 -t UTF-8" +
                             " >shown.txt 2>iconv.txt";

  const int status = std::system(script.c_str());

  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << fileRead(dir.path("iconv.txt"));
  const auto reportOf = [](const std::string &name, std::size_t dataSize) {
    return nameLine(name) + fmtLengthLine(16) + pcmFormatLines(1, kRate, 16) +
           dataLengthLine(static_cast<long>(dataSize)) + timeLine(dataSize, kBytesPerSec);
  };
  EXPECT_EQ(withoutCarriageReturns(fileRead(dir.path("shown.txt"))),
            reportOf("a.wav", 80) + reportOf("音声 二.wav", 120) +
                closingLine("a.wav", "音声 二.wav", "結果.wav"));
  EXPECT_EQ(fileRead(dir.path("結果.wav")).size(), 44U + 200U);
}

// The printable form itself, for names longer than its room: cut after the
// last whole character, so a double-byte character is never split.
TEST(FileNameForm, LongNamesAreCutAfterAWholeCharacter) {
  const auto repeated = [](const std::string &text, std::size_t count) {
    std::string all;
    for (std::size_t i = 0; i < count; ++i) {
      all += text;
    }
    return all;
  };
  const std::size_t room = kFileNamePrintableSize - 1;
  struct Case {
    const char *label;
    std::string given;
    std::string printed;
  };
  const Case cases[] = {
      {"ASCII that just fits", repeated("a", room), repeated("a", room)},
      {"ASCII one byte over", repeated("a", room + 1), repeated("a", room)},
      {"double-byte characters, an odd room", repeated("音", room), sjis(repeated("音", room / 2))},
      {"one byte, then double-byte ones that fill it", "a" + repeated("音", room),
       "a" + sjis(repeated("音", room / 2))},
      {"not UTF-8, cut at the room", repeated("\xe9", room + 5), repeated("\xe9", room)},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.label);
    FileName name;
    fileNameSet(&name, c.given.c_str());
    EXPECT_EQ(name.native, c.given.c_str());
    EXPECT_EQ(std::string(fileNamePrintable(&name)), c.printed);
  }
}

} // namespace
} // namespace wavtest
