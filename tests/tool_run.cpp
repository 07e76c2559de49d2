#include "tool_run.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <iconv.h>
#include <sstream>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "wav_builder.h"

namespace wavtest {

namespace {

// A Windows build writes its console streams in text mode, every "\n" as
// "\r\n"; turning the pairs back lets one expectation serve both builds.
std::string lineEndsUnix(const std::string &text) {
  std::string lf;
  lf.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' || i + 1 == text.size() || text[i + 1] != '\n') {
      lf += text[i];
    }
  }
  return lf;
}

bool isSet(const char *value) { return value != nullptr && *value != '\0'; }

std::string binaryPath() {
  const char *binary = std::getenv("PAIRTONE_BIN");
  return isSet(binary) ? binary : PAIRTONE_BIN;
}

std::vector<std::string> commandLine(const std::vector<std::string> &args) {
  std::vector<std::string> words;
  if (const char *emulator = std::getenv("PAIRTONE_EMULATOR"); isSet(emulator)) {
    std::istringstream split(emulator);
    for (std::string word; split >> word;) {
      words.push_back(word);
    }
  }
  words.emplace_back(binaryPath());
  words.insert(words.end(), args.begin(), args.end());
  return words;
}

// In the child before exec: a write beyond `bytes` fails with EFBIG instead
// of ending the process with SIGXFSZ.
int fileSizeLimitSet(uint64_t bytes) {
  std::signal(SIGXFSZ, SIG_IGN);
  const rlimit limit{static_cast<rlim_t>(bytes), static_cast<rlim_t>(bytes)};
  return setrlimit(RLIMIT_FSIZE, &limit);
}

// `word` in single quotes, each quote inside closed, escaped and reopened.
std::string shellQuoted(const std::string &word) {
  std::string quoted = "'";
  for (const char c : word) {
    quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  }
  return quoted + "'";
}

} // namespace

std::string toolShellCommand() {
  std::string command;
  for (const std::string &word : commandLine({})) {
    command += (command.empty() ? "" : " ") + shellQuoted(word);
  }
  return command;
}

bool targetIsWindows() {
  const std::string name = binaryPath();
  return name.size() >= 4 && name.compare(name.size() - 4, 4, ".exe") == 0;
}

RunResult toolRun(const std::vector<std::string> &args, const RunOptions &options) {
  const ScratchDir capture;
  const std::string outPath = capture.path("stdout");
  const std::string errPath = capture.path("stderr");
  const std::vector<std::string> words = commandLine(args);
  std::vector<char *> argv;
  argv.reserve(words.size() + 1);
  for (const std::string &word : words) {
    argv.push_back(const_cast<char *>(word.c_str()));
  }
  argv.push_back(nullptr);

  const pid_t child = fork();
  if (child == 0) {
    if (freopen(outPath.c_str(), "wb", stdout) == nullptr ||
        freopen(errPath.c_str(), "wb", stderr) == nullptr ||
        freopen("/dev/null", "rb", stdin) == nullptr ||
        (options.fileSizeLimit != 0 && fileSizeLimitSet(options.fileSizeLimit) != 0)) {
      _exit(127);
    }
    execvp(argv[0], argv.data());
    _exit(127);
  }
  int waitStatus = 0;
  waitpid(child, &waitStatus, 0);
  RunResult result;
  result.status = WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : -1000 - WTERMSIG(waitStatus);
  result.out = fileRead(outPath);
  result.err = fileRead(errPath);
  if (targetIsWindows()) {
    result.out = lineEndsUnix(result.out);
    result.err = lineEndsUnix(result.err);
  }
  return result;
}

std::string sjis(const std::string &utf8) {
  iconv_t converter = iconv_open("CP932", "UTF-8");
  // NOLINTNEXTLINE(performance-no-int-to-ptr): iconv_open reports failure as (iconv_t)-1
  if (converter == reinterpret_cast<iconv_t>(-1)) {
    throw std::runtime_error("iconv cannot convert UTF-8 to CP932");
  }
  std::string input = utf8;
  std::string output(utf8.size() * 2 + 16, '\0');
  char *in = input.data();
  char *out = output.data();
  size_t inLeft = input.size();
  size_t outLeft = output.size();
  const size_t converted = iconv(converter, &in, &inLeft, &out, &outLeft);
  iconv_close(converter);
  if (converted == static_cast<size_t>(-1)) {
    throw std::runtime_error("iconv failed on: " + utf8);
  }
  output.resize(output.size() - outLeft);
  return output;
}

std::thread fifoDrainStart(const std::string &path) {
  return std::thread([path] {
    const int fd = open(path.c_str(), O_RDONLY);
    char buffer[256];
    while (fd >= 0 && read(fd, buffer, sizeof buffer) > 0) {
    }
    close(fd);
  });
}

ScratchDir::ScratchDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "pairtone-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    throw std::runtime_error("cannot make a scratch directory");
  }
  root = pattern;
}

ScratchDir::~ScratchDir() {
  std::error_code ignored;
  std::filesystem::remove_all(root, ignored);
}

} // namespace wavtest
