#include "platform/Md5.h"

#include <sys/types.h>

#include <md5.h>

namespace TNux {

void ComputeMd5(const void* data, std::size_t size, unsigned char digest[kMd5DigestSize]) {
    MD5_CTX context;
    MD5Init(&context);
    MD5Update(&context, static_cast<const unsigned char*>(data), size);
    MD5Final(digest, &context);
}

}  // namespace TNux
