#include <cstdio>

#include "wav_join.h"

uint32_t firstDataLength;

namespace {

// The largest data length a 44-byte header can declare in its RIFF size.
constexpr uint64_t kMaxJoinedDataLength = UINT32_MAX - kWavHeaderBytesInRiffSize;

// A writer that streams its output leaves 0xFFFFFFFF as the "data" size, and
// a file that holds that many bytes may hold more sound behind them. Rounded
// down to large frames the length could pass the limit, and the join would
// drop the rest of the sound: such an input is refused as too long instead.
bool dataMayRunOn(uint32_t dataLength) { return dataLength == kDataSizePlaceholderFfmpeg; }

void openFailureReport(const FileName *name) {
  std::fprintf(stderr, "%s をオープンできません.\n", fileNamePrintable(name));
}

// Same file by identity, so "./a.wav", a symbolic link or a hard link count too.
int outputIsInputCheck(const InputNames *names, const FileName *outputName) {
  if (fileNamesSameFile(outputName, &names->name[0]) ||
      fileNamesSameFile(outputName, &names->name[1])) {
    std::fprintf(stderr, "出力ファイル %s が入力ファイルと同じです.\n",
                 fileNamePrintable(outputName));
    return -1;
  }
  return 0;
}

// Buffered writes may fail only when the stream is flushed or closed.
int outputClose(FILE *output, const FileName *outputName) {
  bool written = std::fflush(output) == 0 && std::ferror(output) == 0;
  written = std::fclose(output) == 0 && written;
  if (!written) {
    std::fprintf(stderr, "%s へ書き込めません.\n", fileNamePrintable(outputName));
    return -1;
  }
  return 0;
}

int inputsOpen(const InputNames *names, FILE *inputs[2]) {
  inputs[0] = fileNameOpen(&names->name[0], "rb");
  if (inputs[0] == nullptr) {
    openFailureReport(&names->name[0]);
    return -1;
  }
  inputs[1] = fileNameOpen(&names->name[1], "rb");
  if (inputs[1] == nullptr) {
    openFailureReport(&names->name[1]);
    std::fclose(inputs[0]);
    return -1;
  }
  return 0;
}

// Everything after the output was created: header, inputs, data, closing.
int outputFill(const InputNames *names, FILE *output, const FileName *outputName, WavInfo info[2]) {
  if (wavHeaderWrite(output, info) != static_cast<int32_t>(kWavHeaderSize)) {
    std::fprintf(stderr, "ヘッダを書き込めません: %s\n", fileNamePrintable(outputName));
    std::fclose(output);
    return -1;
  }
  FILE *inputs[2];
  if (inputsOpen(names, inputs) != 0) {
    std::fclose(output);
    return -1;
  }
  const int copied = wavDataWrite(inputs, output, info);
  std::fclose(inputs[0]);
  std::fclose(inputs[1]);
  if (copied != 0) {
    std::fprintf(stderr, "wavDataWriteでエラー発生.\n");
    std::fclose(output);
    return -1;
  }
  return outputClose(output, outputName);
}

} // namespace

uint32_t wavFrameSize(const WavInfo *info) {
  return uint32_t{info->bitsPerSample / 8U} * info->channels;
}

uint64_t wavJoinedDataLength(const WavInfo info[2]) {
  const uint32_t frameSize = wavFrameSize(&info[0]);
  if (frameSize == 0) {
    return 0;
  }
  return (uint64_t{firstDataLength / frameSize} + info[1].dataLength / frameSize) * frameSize;
}

int wavFormatCheck(const WavInfo info[2]) {
  if (info[0].sampleRate != info[1].sampleRate) {
    std::fprintf(stderr, "サンプリング周波数が異なると合成できません!\n");
    return -1;
  }
  if (info[0].bitsPerSample != info[1].bitsPerSample) {
    std::fprintf(stderr, "サンプルビット数が異なると合成できません!\n");
    return -1;
  }
  if (info[0].channels != info[1].channels) {
    std::fprintf(stderr, "ステレオとモノラルは合成できません!\n");
    return -1;
  }
  if (info[0].bytesPerSec != info[1].bytesPerSec) {
    std::fprintf(stderr, "ビット当たりのバイト数が異なると合成できません!\n");
    return -1;
  }
  if (dataMayRunOn(firstDataLength) || dataMayRunOn(info[1].dataLength) ||
      wavJoinedDataLength(info) > kMaxJoinedDataLength) {
    std::fprintf(stderr, "合成後のデータが4Gバイトを超えるため合成できません!\n");
    return -1;
  }
  return 0;
}

int wavCombine(const InputNames *names, const FileName *outputName, WavInfo info[2]) {
  if (wavFormatCheck(info) != 0 || outputIsInputCheck(names, outputName) != 0) {
    return -1;
  }
  FILE *output = fileNameOpen(outputName, "wb");
  if (output == nullptr) {
    openFailureReport(outputName);
    return -1;
  }
  return outputFill(names, output, outputName, info);
}

int wavFilesJoin(const InputNames *names, const FileName *outputName, WavInfo info[2]) {
  firstDataLength = info[0].dataLength;
  info[0].dataLength = static_cast<uint32_t>(wavJoinedDataLength(info));
  if (wavCombine(names, outputName, info) != 0) {
    return -1;
  }
  std::printf("\n[%s] と [%s] を [%s] へ合成しました.\n", fileNamePrintable(&names->name[0]),
              fileNamePrintable(&names->name[1]), fileNamePrintable(outputName));
  return 0;
}
