// Byte layouts of a RIFF/WAVE file and the in-memory records that carry one
// input's description from the reader to the writers.
#ifndef PAIRTONE_WAVE_WAV_FORMAT_H
#define PAIRTONE_WAVE_WAV_FORMAT_H

#include <cstddef>
#include <cstdint>

#include "file_name.h"

// Every multi-byte field on disk is little-endian; these helpers are the only
// place that turns bytes into numbers and back.
inline uint16_t wavLe16Read(const unsigned char *bytes) {
  return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8));
}

inline uint32_t wavLe32Read(const unsigned char *bytes) {
  return static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
         (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
}

inline void wavLe16Write(unsigned char *bytes, uint16_t value) {
  bytes[0] = static_cast<unsigned char>(value);
  bytes[1] = static_cast<unsigned char>(value >> 8);
}

inline void wavLe32Write(unsigned char *bytes, uint32_t value) {
  for (int i = 0; i < 4; ++i) {
    bytes[i] = static_cast<unsigned char>(value >> (8 * i));
  }
}

// RIFF file header: "RIFF", RIFF size (never used), "WAVE".
constexpr std::size_t kRiffHeaderSize = 12;
constexpr std::size_t kRiffFormOffset = 8;

// ChunkHeader: four-character id, then the body size (header not included).
constexpr std::size_t kChunkHeaderSize = 8;

struct ChunkHeader {
  unsigned char id[4];
  uint32_t size;
};

// WavFmt: the first 16 bytes of a "fmt " body.
constexpr std::size_t kWavFmtSize = 16;
constexpr uint16_t kFormatTagPcm = 1;

// WAVE_FORMAT_EXTENSIBLE: the format is named by a subformat GUID at bytes
// 24-39 of a "fmt " body of at least 40 bytes. Between the 16 format bytes and
// the GUID lie the extension size, the valid bits per sample and the channel
// mask, none of which the join needs.
constexpr uint16_t kFormatTagExtensible = 0xFFFE;
constexpr std::size_t kWavFmtExtensibleSize = 40;
constexpr std::size_t kSubFormatOffset = 24;
constexpr std::size_t kSubFormatSize = 16;
// The PCM subformat, 00000001-0000-0010-8000-00AA00389B71, as it lies on disk.
constexpr unsigned char kSubFormatPcm[kSubFormatSize] = {
    0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

// "data" sizes left by writers that stream their output and cannot go back to
// fill in the size: 0xFFFFFFFF (ffmpeg) and 0x7FFFF000 (sox, espeak-ng).
constexpr uint32_t kDataSizePlaceholderFfmpeg = 0xFFFFFFFFU;
constexpr uint32_t kDataSizePlaceholderSox = 0x7FFFF000U;

struct WavFmt {
  uint16_t formatTag;
  uint16_t channels;
  uint32_t sampleRate;
  uint32_t bytesPerSec;
  uint16_t blockAlign;
  uint16_t bitsPerSample;
};

// WavHeader: the 44-byte header of the output, sample data right behind it.
constexpr std::size_t kWavHeaderSize = 44;
// The RIFF size counts every byte behind the first chunk header: the other 36
// bytes of the 44-byte header, then the data.
constexpr uint32_t kWavHeaderBytesInRiffSize = kWavHeaderSize - kChunkHeaderSize;

struct WavHeader {
  unsigned char bytes[kWavHeaderSize];
};

// One input's format and the place and length of its sample data.
struct WavInfo {
  uint32_t sampleRate;
  uint16_t bitsPerSample;
  uint32_t dataLength;
  uint16_t channels;
  uint32_t bytesPerSec;
  int64_t dataOffset; // file position of the first byte of the "data" body
};

// The two input names: the command-line arguments and their printable forms.
struct InputNames {
  FileName name[2];
};

#endif
