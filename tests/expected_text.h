// The tool's messages as a reader expects them, typed here in UTF-8 and
// turned into code page 932 bytes by iconv (wavtest::sjis) before comparing.
#ifndef PAIRTONE_TESTS_EXPECTED_TEXT_H
#define PAIRTONE_TESTS_EXPECTED_TEXT_H

#include <cstdint>
#include <cstdio>
#include <string>

namespace wavtest {

inline std::string nameLine(const std::string &path) { return "\nファイル名[" + path + "]\n"; }

inline std::string fmtLengthLine(long size) {
  return " \"fmt \"の長さ: " + std::to_string(size) + " [bytes]\n";
}

inline std::string dataLengthLine(long size) {
  return "\n \"data\" の長さ: " + std::to_string(size) + " [bytes]\n";
}

inline std::string chunkLine(const std::string &id, long size) {
  return " \"" + id + "\"の長さ: " + std::to_string(size) + " [bytes]\n";
}

inline std::string formatLines(unsigned tag, unsigned channels, unsigned long rate,
                               unsigned long bytesPerSec, unsigned blockAlign, unsigned bits) {
  return "             データ形式: " + std::to_string(tag) + " (1 = PCM)\n" +
         "           チャンネル数: " + std::to_string(channels) + "\n" +
         "     サンプリング周波数: " + std::to_string(rate) + " [Hz]\n" +
         "          バイト数 / 秒: " + std::to_string(bytesPerSec) + " [bytes/sec]\n" +
         " バイト数×チャンネル数: " + std::to_string(blockAlign) + " [bytes]\n" +
         "    ビット数 / サンプル: " + std::to_string(bits) + " [bits/sample]\n";
}

// The six lines of a consistent PCM format.
inline std::string pcmFormatLines(unsigned channels, unsigned long rate, unsigned bits) {
  const unsigned blockAlign = bits / 8 * channels;
  return formatLines(1, channels, rate, rate * blockAlign, blockAlign, bits);
}

inline std::string timeLine(const std::string &seconds) { return "\n 時間=" + seconds + "\n"; }

// The time line of `dataLength` bytes played at `bytesPerSec`.
inline std::string timeLine(uint64_t dataLength, uint64_t bytesPerSec) {
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.3f",
                static_cast<double>(dataLength) / static_cast<double>(bytesPerSec));
  return timeLine(seconds);
}

// The two length lines of an input with a 16-byte "fmt " chunk, on stderr.
inline std::string plainLengthLines(uint32_t dataLength) {
  return fmtLengthLine(16) + dataLengthLine(static_cast<int32_t>(dataLength));
}

inline std::string closingLine(const std::string &first, const std::string &second,
                               const std::string &output) {
  return "\n[" + first + "] と [" + second + "] を [" + output + "] へ合成しました.\n";
}

inline std::string readerOpenFailure(const std::string &path) {
  return " " + path + "をオープンできません.\n";
}

inline std::string openFailure(const std::string &path) {
  return path + " をオープンできません.\n";
}

} // namespace wavtest

#endif
