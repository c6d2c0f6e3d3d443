// The string-table commands: the program's string table printed as catalog lines,
// and catalog lines written into a program file as its string table.
#pragma once

#include <cstdio>

namespace TNux {

// Prints every text of the string table of the loaded module at path, for the ids
// 1 to limit - 1 in ascending order, as catalog lines on out. False (after message
// 302) when no loaded module has that path, or when out could not be written.
bool DumpStringTable(const char* path, int limit, std::FILE* out);

// Reads catalog lines from in and makes their texts the string table of the
// program file at path; the file's other resources stay. Lines that are not
// catalog lines are skipped; a text that cannot be added is reported (message
// 305) and the load goes on. False after message 300 (the file cannot be
// updated), 303 (in could not be read; nothing is written) or 301 (the new file
// could not be committed; the old one stays).
bool LoadStringTable(const char* path, std::FILE* in);

}  // namespace TNux
