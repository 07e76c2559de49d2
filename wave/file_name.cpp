#include "file_name.h"

#include <cstring>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <iconv.h>
#endif

namespace {

constexpr std::size_t kPrintableRoom = kFileNamePrintableSize - 1;

#ifdef _WIN32

constexpr UINT kCodePage932 = 932;

bool isSurrogate(wchar_t unit) { return unit >= 0xD800 && unit <= 0xDFFF; }

// The CP932 bytes of the character at `text` into `bytes` (room for 2), and
// how many UTF-16 units it took. Characters beyond the Basic Multilingual
// Plane, and a lone surrogate, have no CP932 form.
int characterConvert(const wchar_t *text, char bytes[2], int *units) {
  if (isSurrogate(text[0])) {
    *units = text[0] < 0xDC00 && text[1] >= 0xDC00 && text[1] <= 0xDFFF ? 2 : 1;
    bytes[0] = '?';
    return 1;
  }
  *units = 1;
  // Without best fit, é becomes "?" instead of a look-alike "e".
  const int length =
      WideCharToMultiByte(kCodePage932, WC_NO_BEST_FIT_CHARS, text, 1, bytes, 2, "?", nullptr);
  if (length <= 0) {
    bytes[0] = '?';
    return 1;
  }
  return length;
}

void printableFill(const wchar_t *native, char *printable) {
  std::size_t used = 0;
  const wchar_t *rest = native;
  while (*rest != L'\0') {
    char bytes[2];
    int units = 1;
    const auto length = static_cast<std::size_t>(characterConvert(rest, bytes, &units));
    if (used + length > kPrintableRoom) {
      break;
    }
    std::memcpy(printable + used, bytes, length);
    used += length;
    rest += units;
  }
  printable[used] = '\0';
}

#else

// Bytes of the well-formed UTF-8 character at `text`; 0 when none starts
// there (a stray continuation byte, an overlong form, a surrogate, a value
// beyond U+10FFFF, or a character cut short).
std::size_t utf8CharacterLength(const unsigned char *text) {
  const unsigned char lead = text[0];
  if (lead < 0x80) {
    return 1;
  }
  std::size_t length = 0;
  unsigned char secondLow = 0x80;
  unsigned char secondHigh = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    secondLow = lead == 0xE0 ? 0xA0 : secondLow;
    secondHigh = lead == 0xED ? 0x9F : secondHigh;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    secondLow = lead == 0xF0 ? 0x90 : secondLow;
    secondHigh = lead == 0xF4 ? 0x8F : secondHigh;
  } else {
    return 0;
  }
  if (text[1] < secondLow || text[1] > secondHigh) {
    return 0;
  }
  for (std::size_t i = 2; i < length; ++i) {
    if ((text[i] & 0xC0) != 0x80) {
      return 0;
    }
  }
  return length;
}

bool utf8Valid(const char *text) {
  const auto *rest = reinterpret_cast<const unsigned char *>(text);
  while (*rest != '\0') {
    const std::size_t length = utf8CharacterLength(rest);
    if (length == 0) {
      return false;
    }
    rest += length;
  }
  return true;
}

// The name's bytes as given, cut to the room there is.
void bytesCopy(const char *native, char *printable) {
  std::size_t length = std::strlen(native);
  length = length < kPrintableRoom ? length : kPrintableRoom;
  std::memcpy(printable, native, length);
  printable[length] = '\0';
}

// Converts UTF-8 `text` to CP932 with "?" for each character CP932 lacks. iconv
// stops at such a character (EILSEQ) and at one that no longer fits (E2BIG),
// in both cases at the character's first byte. Returns -1 when the system has
// no converter.
int cp932Convert(const char *text, char *printable) {
  iconv_t converter = iconv_open("CP932", "UTF-8");
  // NOLINTNEXTLINE(performance-no-int-to-ptr): iconv_open reports failure as (iconv_t)-1
  if (converter == reinterpret_cast<iconv_t>(-1)) {
    return -1;
  }
  char *in = const_cast<char *>(text); // iconv's interface; it only reads the input
  std::size_t inLeft = std::strlen(text);
  char *out = printable;
  std::size_t outLeft = kPrintableRoom;
  while (inLeft > 0) {
    if (iconv(converter, &in, &inLeft, &out, &outLeft) != static_cast<std::size_t>(-1) ||
        errno != EILSEQ || outLeft == 0) {
      break;
    }
    const std::size_t skipped = utf8CharacterLength(reinterpret_cast<unsigned char *>(in));
    if (skipped == 0) {
      break;
    }
    *out++ = '?';
    --outLeft;
    in += skipped;
    inLeft -= skipped;
  }
  *out = '\0';
  iconv_close(converter);
  return 0;
}

void printableFill(const char *native, char *printable) {
  if (!utf8Valid(native) || cp932Convert(native, printable) != 0) {
    bytesCopy(native, printable);
  }
}

#endif

} // namespace

void fileNameSet(FileName *name, const FileNameChar *native) {
  name->native = native;
  printableFill(native, name->printable);
}

FILE *fileNameOpen(const FileName *name, const char *mode) {
#ifdef _WIN32
  wchar_t wideMode[4] = {};
  for (std::size_t i = 0; i + 1 < sizeof wideMode / sizeof wideMode[0] && mode[i] != '\0'; ++i) {
    wideMode[i] = static_cast<wchar_t>(mode[i]);
  }
  return _wfopen(name->native, wideMode);
#else
  return std::fopen(name->native, mode);
#endif
}

bool fileNamesSameFile(const FileName *first, const FileName *second) {
  std::error_code error;
  return std::filesystem::equivalent(first->native, second->native, error) && !error;
}
