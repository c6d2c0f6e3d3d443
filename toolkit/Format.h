// printf-style formatting through a 1024-byte scratch buffer: results longer than
// 1023 bytes are cut there.
#pragma once

#include <string>

namespace TNux {

constexpr int kFormatScratchSize = 1024;

// The arguments formatted by the format.
std::string FormatString(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Appends the formatted arguments to the NUL-terminated text in destination and
// returns destination. The destination must have room for both texts and the NUL.
char* AppendFormat(char* destination, const char* format, ...) __attribute__((format(printf, 2, 3)));

// True when every conversion of the format takes, in order, the argument kinds
// given: 's' for a text, 'd' for an int. Plain text and "%%" always fit; a
// conversion that would read anything else (another type, a '*' width, %n, more
// arguments than given) does not.
bool FormatFitsArguments(const char* format, const char* kinds);

}  // namespace TNux
