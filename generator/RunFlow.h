// The run: banner, arguments, sources, listing, required keys, output.
#pragma once

#include "platform/Win32.h"

// Runs genzov with the command line; returns the exit status, 0 or 1.
int RunGenZov(int argc, char* argv[]);

// Empties buffer (MAX_PATH bytes) and fills it with the full file path of module,
// or of the program's own module when module is null; returns buffer.
char* GetModulePath(char* buffer, HINSTANCE module);
