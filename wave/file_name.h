// A file name as the system handed it over, and the form messages print.
// Files are opened by the native name; every message prints the CP932 form,
// so the whole output of the tool reads as code page 932.
#ifndef PAIRTONE_WAVE_FILE_NAME_H
#define PAIRTONE_WAVE_FILE_NAME_H

#include <cstddef>
#include <cstdio>

#ifdef _WIN32
// Windows names are UTF-16 (wmain's arguments); any name the file system holds opens.
using FileNameChar = wchar_t;
#else
// POSIX names are bytes, opened as given and usually UTF-8.
using FileNameChar = char;
#endif

// Room for the CP932 form and its terminator. Any name Linux can open fits: it
// refuses paths of PATH_MAX (4096) bytes or more, and no character takes more
// bytes in CP932 than in UTF-8; so does any Windows path within MAX_PATH (260
// UTF-16 units, at most 2 bytes each). A longer form is cut after its last
// whole character that fits, so a message never ends inside a double-byte
// character; a name that is not UTF-8 is cut at the room.
constexpr std::size_t kFileNamePrintableSize = 4096;

struct FileName {
  const FileNameChar *native;
  char printable[kFileNamePrintableSize];
};

// Points `name` at `native`, which must outlive it, and fills its printable
// form: each character in CP932, "?" for one that has none there. On POSIX a
// name that is not UTF-8, or a system that cannot convert to CP932, keeps its
// bytes as given.
void fileNameSet(FileName *name, const FileNameChar *native);

// Opens the named file with `mode` ("rb" or "wb"); nullptr when it cannot.
FILE *fileNameOpen(const FileName *name, const char *mode);

// The name as messages print it.
inline const char *fileNamePrintable(const FileName *name) { return name->printable; }

// True when both names reach one existing file: another spelling, a symbolic
// or hard link, and on Windows a drive letter, backslashes or another case.
bool fileNamesSameFile(const FileName *first, const FileName *second);

#endif
