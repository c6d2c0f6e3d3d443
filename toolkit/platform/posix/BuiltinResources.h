// The default resource image of this program, generated at build time from resources/.
#pragma once

#include <cstddef>

namespace TNux::Posix {

extern const unsigned char kBuiltinResourceImage[];
extern const std::size_t kBuiltinResourceImageSize;

}  // namespace TNux::Posix
