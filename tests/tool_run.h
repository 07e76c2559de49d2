// Runs the real pairtone binary and captures what it printed.
#ifndef PAIRTONE_TESTS_TOOL_RUN_H
#define PAIRTONE_TESTS_TOOL_RUN_H

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace wavtest {

struct RunResult {
  std::string out;
  std::string err;
  int status; // exit status as a shell sees it: -1 reads 255
};

// What a run changes in the tool's surroundings; the defaults change nothing.
struct RunOptions {
  // Nonzero: the largest file the tool may write (RLIMIT_FSIZE). A write that
  // would go beyond it stops there and fails, as on a full disk.
  uint64_t fileSizeLimit = 0;
};

// Runs pairtone with `args` (program name not included). The binary is the
// one CMake built, or $PAIRTONE_BIN; $PAIRTONE_EMULATOR, when set, is put in
// front of it (a Windows build runs under wine that way).
RunResult toolRun(const std::vector<std::string> &args, const RunOptions &options = {});

// The command that runs pairtone, emulator included, quoted for a POSIX shell.
std::string toolShellCommand();

// True when the binary under test is a Windows build (run under wine).
bool targetIsWindows();

// The UTF-8 text converted to code page 932 by iconv, independently of how
// the tool's own messages were encoded.
std::string sjis(const std::string &utf8);

// Reads the FIFO at `path` to its end in a thread of its own, so that a
// writer's open and writes do not block; join the thread after the writer.
std::thread fifoDrainStart(const std::string &path);

// A fresh, empty directory for one test, removed by its destructor.
struct ScratchDir {
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir &) = delete;
  ScratchDir &operator=(const ScratchDir &) = delete;
  std::string path(const std::string &name) const { return root + "/" + name; }
  std::string root;
};

} // namespace wavtest

#endif
