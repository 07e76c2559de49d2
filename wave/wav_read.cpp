#include "wav_read.h"

#include <cstdio>
#include <cstring>

#include "file_pos.h"

namespace {

// Chunk sizes and positions are printed as signed 32-bit numbers ("%ld").
long asSigned32(int64_t value) { return static_cast<int32_t>(static_cast<uint32_t>(value)); }

bool idEquals(const unsigned char *id, const char *expected) {
  return std::memcmp(id, expected, 4) == 0;
}

int chunkHeaderRead(FILE *stream, ChunkHeader *header) {
  unsigned char bytes[kChunkHeaderSize];
  if (std::fread(bytes, sizeof bytes, 1, stream) != 1) {
    return -1;
  }
  std::memcpy(header->id, bytes, 4);
  header->size = wavLe32Read(bytes + 4);
  return 0;
}

// Moves to the chunk header behind a body. A writer that follows RIFF pads an
// odd-sized body with a zero byte; other writers do not, so the byte decides.
void nextChunkSeek(FILE *stream, int64_t bodyStart, uint32_t bodySize) {
  const int64_t bodyEnd = bodyStart + bodySize;
  filePosSeek(stream, bodyEnd);
  if (bodySize % 2 != 0 && std::fgetc(stream) != 0) {
    filePosSeek(stream, bodyEnd);
  }
}

void fmtCopy(const WavFmt *fmt, WavInfo *info) {
  info->sampleRate = fmt->sampleRate;
  info->bitsPerSample = fmt->bitsPerSample;
  info->channels = fmt->channels;
  info->bytesPerSec = fmt->bytesPerSec;
}

// True when the format is PCM: tag 1, or the extensible tag with the PCM
// subformat, read from the body behind the 16 format bytes at the stream's
// position. The walk goes on from the declared size, wherever this read ends.
bool formatIsPcm(FILE *stream, uint16_t formatTag, uint32_t bodySize) {
  if (formatTag == kFormatTagPcm) {
    return true;
  }
  if (formatTag != kFormatTagExtensible || bodySize < kWavFmtExtensibleSize) {
    return false;
  }
  unsigned char extension[kWavFmtExtensibleSize - kWavFmtSize];
  const unsigned char *subFormat = extension + (kSubFormatOffset - kWavFmtSize);
  return std::fread(extension, sizeof extension, 1, stream) == 1 &&
         std::memcmp(subFormat, kSubFormatPcm, kSubFormatSize) == 0;
}

// Fails when the format cannot be joined; the report lines are already out.
int fmtCheck(const WavFmt *fmt, bool isPcm) {
  if (!isPcm) {
    std::fprintf(stderr, "\nこのプログラムは無圧縮PCMのみを対象とします.\n");
    std::fprintf(stderr, "このwavファイルの形式は %04X です．\n", fmt->formatTag);
    return -1;
  }
  if (fmt->bitsPerSample != 8 && fmt->bitsPerSample != 16) {
    std::fprintf(stderr, "\nこのプログラムは8/16ビットサンプリングされたものを対象とします\n");
    std::fprintf(stderr, "このwavファイルの bits/secは %d です．\n", fmt->bitsPerSample);
    return -1;
  }
  if (fmt->channels == 0) {
    std::fprintf(stderr, "\nこのプログラムは1チャンネル以上のものを対象とします\n");
    std::fprintf(stderr, "このwavファイルのチャンネル数は %u です．\n", fmt->channels);
    return -1;
  }
  return 0;
}

// Reads and reports the 16 format bytes at the stream's position, the start of
// a "fmt " body of `bodySize` bytes, into `fmt`. Returns 0 when the format is
// one the tool can join, -1 otherwise.
int wavFmtRead(FILE *stream, uint32_t bodySize, WavFmt *fmt) {
  unsigned char bytes[kWavFmtSize];
  if (std::fread(bytes, sizeof bytes, 1, stream) != 1) {
    return -1;
  }
  fmt->formatTag = wavLe16Read(bytes);
  fmt->channels = wavLe16Read(bytes + 2);
  fmt->sampleRate = wavLe32Read(bytes + 4);
  fmt->bytesPerSec = wavLe32Read(bytes + 8);
  fmt->blockAlign = wavLe16Read(bytes + 12);
  fmt->bitsPerSample = wavLe16Read(bytes + 14);

  std::printf("             データ形式: %u (1 = PCM)\n", fmt->formatTag);
  std::printf("           チャンネル数: %u\n", fmt->channels);
  std::printf("     サンプリング周波数: %lu [Hz]\n", static_cast<unsigned long>(fmt->sampleRate));
  std::printf("          バイト数 / 秒: %lu [bytes/sec]\n",
              static_cast<unsigned long>(fmt->bytesPerSec));
  std::printf(" バイト数×チャンネル数: %u [bytes]\n", fmt->blockAlign);
  std::printf("    ビット数 / サンプル: %u [bits/sample]\n", fmt->bitsPerSample);
  return fmtCheck(fmt, formatIsPcm(stream, fmt->formatTag, bodySize));
}

bool isPlaceholderSize(uint32_t size) {
  return size == kDataSizePlaceholderFfmpeg || size == kDataSizePlaceholderSox;
}

// The bytes of a "data" body. A writer that streams its output leaves a
// placeholder size; when the file ends before that many bytes, the data runs
// to the end of the file. Any other size is taken as it stands.
uint32_t dataBodySize(FILE *stream, int64_t bodyStart, uint32_t declaredSize) {
  if (!isPlaceholderSize(declaredSize)) {
    return declaredSize;
  }
  const int64_t fileEnd = filePosEnd(stream);
  if (fileEnd < bodyStart || fileEnd - bodyStart >= int64_t{declaredSize}) {
    return declaredSize;
  }
  return static_cast<uint32_t>(fileEnd - bodyStart);
}

// Walks every chunk from the stream's position to the end of the file.
// Each step lands at least one header further on, so the walk always ends.
int chunksWalk(FILE *stream, WavInfo *info, bool *fmtSeen, bool *dataSeen) {
  ChunkHeader header;
  while (chunkHeaderRead(stream, &header) == 0) {
    const int64_t bodyStart = filePosTell(stream);
    uint32_t bodySize = header.size;
    if (idEquals(header.id, "fmt ")) {
      std::fprintf(stderr, " \"fmt \"の長さ: %ld [bytes]\n", asSigned32(header.size));
      WavFmt fmt;
      if (wavFmtRead(stream, header.size, &fmt) != 0) {
        return -1;
      }
      fmtCopy(&fmt, info);
      *fmtSeen = true;
    } else if (idEquals(header.id, "data")) {
      bodySize = dataBodySize(stream, bodyStart, header.size);
      info->dataLength = bodySize;
      std::fprintf(stderr, "\n \"data\" の長さ: %ld [bytes]\n", asSigned32(bodySize));
      info->dataOffset = bodyStart;
      *dataSeen = true;
    } else {
      std::printf(" \"%c%c%c%c\"の長さ: %ld [bytes]\n", header.id[0], header.id[1], header.id[2],
                  header.id[3], asSigned32(header.size));
    }
    nextChunkSeek(stream, bodyStart, bodySize);
  }
  return 0;
}

// Seconds of sound. An input that declares no byte rate gets one from its format.
double playingTime(const WavInfo *info) {
  uint64_t bytesPerSec = info->bytesPerSec;
  if (bytesPerSec == 0) {
    bytesPerSec = uint64_t{info->sampleRate} * info->channels * (info->bitsPerSample / 8U);
  }
  if (bytesPerSec == 0) {
    return 0.0;
  }
  return static_cast<double>(info->dataLength) / static_cast<double>(bytesPerSec);
}

int riffHeaderCheck(FILE *stream) {
  unsigned char bytes[kRiffHeaderSize];
  if (std::fread(bytes, sizeof bytes, 1, stream) != 1) {
    std::fprintf(stderr, " %ld で読み込み失敗.\n", asSigned32(filePosTell(stream)));
    return -1;
  }
  if (!idEquals(bytes + kRiffFormOffset, "WAVE")) {
    std::fprintf(stderr, "'WAVE' が無い.\n");
    return -1;
  }
  if (!idEquals(bytes, "RIFF")) {
    std::fprintf(stderr, "'RIFF' フォーマットでない.\n");
    return -1;
  }
  return 0;
}

int fileContentsRead(FILE *stream, WavInfo *info) {
  if (riffHeaderCheck(stream) != 0) {
    return -1;
  }
  bool fmtSeen = false;
  bool dataSeen = false;
  if (chunksWalk(stream, info, &fmtSeen, &dataSeen) != 0) {
    return -1;
  }
  if (!fmtSeen) {
    std::fprintf(stderr, "'fmt ' チャンクが無い.\n");
    return -1;
  }
  if (!dataSeen) {
    std::fprintf(stderr, "'data' チャンクが無い.\n");
    return -1;
  }
  return 0;
}

} // namespace

int wavFileRead(const FileName *name, WavInfo *info) {
  *info = WavInfo{};
  FILE *stream = fileNameOpen(name, "rb");
  if (stream == nullptr) {
    std::fprintf(stderr, " %sをオープンできません.\n", fileNamePrintable(name));
    return -1;
  }
  std::printf("\nファイル名[%s]\n", fileNamePrintable(name));
  const int result = fileContentsRead(stream, info);
  std::fclose(stream);
  if (result != 0) {
    return -1;
  }
  std::printf("\n 時間=%.3f\n", playingTime(info));
  return 0;
}
