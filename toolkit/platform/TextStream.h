// Reading text the way the Windows C runtime reads a stream in text mode:
// CR LF arrives as LF, a lone CR stays, and a 0x1A byte ends the stream.
#pragma once

#include <cstdio>

namespace TNux {

// Opens the named file for reading in text mode. Returns null when it cannot be
// opened, with the last-error value set; a directory is refused like a missing file.
std::FILE* OpenTextFile(const char* name);

// Reads one line like fgets: at most size - 1 characters, up to and including the
// line feed, NUL-terminated. Returns null when not a single character could be read
// (end of stream, a 0x1A byte, or a read error: ferror tells which).
char* ReadTextLine(char* buffer, int size, std::FILE* stream);

}  // namespace TNux
