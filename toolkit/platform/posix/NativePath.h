// Names as the file system sees them: a backslash separates directories like a slash.
#pragma once

#include <string>

namespace TNux::Posix {

// The name with every backslash turned into a slash.
std::string NativePath(const char* name);

// True for the two directory separators, '/' and '\\'.
inline bool IsSeparator(char c) { return c == '/' || c == '\\'; }

}  // namespace TNux::Posix
