// libFuzzer target: arbitrary bytes as an input file. Every input goes through
// the reader; one that reads as valid is joined with itself and with a small
// fixed input, in both orders, as the tool's main does. A join that
// reports success must have written exactly the header and the whole frames
// it declares, byte for byte from the inputs.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "join/wav_join.h"
#include "wav_builder.h"
#include "wave/wav_read.h"

namespace {

std::string scratchDir;
std::string inputPath;
std::string fixedPath;
std::string outputPath;
// The same three as the reader and the join take them, set once.
FileName inputName;
FileName fixedName;
FileName outputName;

// What the tool prints is of no interest here, and must not depend on a
// console. Only the C streams are replaced: libFuzzer keeps the stderr it
// captured at start-up and the sanitizers write to descriptor 2 directly.
void messagesDiscard() {
  FILE *sink = std::fopen("/dev/null", "w");
  if (sink == nullptr) {
    std::abort();
  }
  stdout = sink;
  stderr = sink;
}

// Every run writes and reopens files: in memory (/dev/shm) it goes about eight
// times faster than on a disk. $TMPDIR, when set, wins.
std::filesystem::path scratchParent() {
  std::error_code error;
  if (std::getenv("TMPDIR") == nullptr && std::filesystem::is_directory("/dev/shm", error)) {
    return "/dev/shm";
  }
  return std::filesystem::temp_directory_path();
}

void scratchMake() {
  std::string dir = (scratchParent() / "pairtone-fuzz-XXXXXX").string();
  if (mkdtemp(dir.data()) == nullptr) {
    std::abort();
  }
  scratchDir = dir;
  inputPath = dir + "/input.wav";
  fixedPath = dir + "/fixed.wav";
  outputPath = dir + "/output.wav";
  fileNameSet(&inputName, inputPath.c_str());
  fileNameSet(&fixedName, fixedPath.c_str());
  fileNameSet(&outputName, outputPath.c_str());
  wavtest::fileWrite(fixedPath, wavtest::pcmWav(2, 44100, 16, wavtest::samples(16, 1)));
}

void scratchRemove() {
  std::error_code ignored;
  std::filesystem::remove_all(scratchDir, ignored);
}

void inputWrite(const uint8_t *data, size_t size) {
  FILE *file = std::fopen(inputPath.c_str(), "wb");
  if (file == nullptr || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0) {
    std::abort();
  }
}

// The length the reader found must be the one the "data" header in front of
// the data declares, unless that is a streaming writer's placeholder running
// past the end of the file: then the data runs to the end of the file.
void dataLengthCheck(const std::string &input, const WavInfo *info) {
  const auto offset = static_cast<std::size_t>(info->dataOffset);
  if (offset < kChunkHeaderSize || offset > input.size() ||
      input.compare(offset - kChunkHeaderSize, 4, "data") != 0) {
    std::abort();
  }
  const auto *sizeField = reinterpret_cast<const unsigned char *>(input.data() + offset - 4);
  const uint32_t declared = wavLe32Read(sizeField);
  const std::size_t rest = input.size() - offset;
  const bool placeholder = declared == 0xFFFFFFFFU || declared == 0x7FFFF000U;
  const uint64_t expected = placeholder && declared > rest ? rest : declared;
  if (info->dataLength != expected) {
    std::abort();
  }
}

// A successful join wrote a plain PCM header declaring the whole frames of
// both inputs and then exactly those frames, taken from where the reader found
// the data.
void outputCheck(const InputNames *names, const WavInfo info[2]) {
  const uint32_t frameSize = wavFrameSize(&info[0]);
  const uint32_t lengths[2] = {info[0].dataLength / frameSize * frameSize,
                               info[1].dataLength / frameSize * frameSize};
  const uint64_t joined = uint64_t{lengths[0]} + lengths[1];
  const std::string out = wavtest::fileRead(outputPath);
  const auto *header = reinterpret_cast<const unsigned char *>(out.data());
  if (out.size() != kWavHeaderSize + joined || wavLe32Read(header + 40) != joined ||
      wavLe32Read(header + 4) != joined + 36 || wavLe16Read(header + 20) != kFormatTagPcm) {
    std::abort();
  }
  std::size_t at = kWavHeaderSize;
  for (int i = 0; i < 2; ++i) {
    const std::string input = wavtest::fileRead(names->name[i].native);
    dataLengthCheck(input, &info[i]);
    const auto offset = static_cast<std::size_t>(info[i].dataOffset);
    if (offset + lengths[i] > input.size() ||
        input.compare(offset, lengths[i], out, at, lengths[i]) != 0) {
      std::abort();
    }
    at += lengths[i];
  }
}

// Both inputs read and joined as the tool's main does it, then what it wrote
// checked against the records as the reader left them.
void joinCheck(const FileName *first, const FileName *second) {
  const InputNames names = {{*first, *second}};
  WavInfo info[2];
  if (wavFileRead(first, &info[0]) != 0 || wavFileRead(second, &info[1]) != 0) {
    std::abort(); // both were read successfully a moment ago
  }
  WavInfo joined[2] = {info[0], info[1]};
  std::filesystem::remove(outputPath);
  if (wavFilesJoin(&names, &outputName, joined) == 0) {
    outputCheck(&names, info);
  }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int * /*argc*/, char *** /*argv*/) {
  scratchMake();
  std::atexit(scratchRemove);
  messagesDiscard();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  inputWrite(data, size);
  WavInfo info;
  if (wavFileRead(&inputName, &info) != 0) {
    return 0;
  }
  joinCheck(&inputName, &inputName);
  joinCheck(&inputName, &fixedName);
  joinCheck(&fixedName, &inputName);
  return 0;
}
