#include "DeflateStream.h"

#include <cstring>

TZStream::TZStream() : result(Z_OK) { std::memset(&stream, 0, sizeof stream); }

TDeflateStream::TDeflateStream() {
    result = deflateInit_(&stream, Z_DEFAULT_COMPRESSION, ZLIB_VERSION, static_cast<int>(sizeof(z_stream)));
    ready = result == Z_OK;
}

TDeflateStream::~TDeflateStream() {
    if (ready) {
        deflateEnd(&stream);
    }
}
