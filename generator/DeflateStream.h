// A zlib stream record owned for the length of one compression.
#pragma once

#include <zlib.h>

// One zlib stream record, zeroed so that zlib uses its default allocator, and the
// result of the latest call on it.
class TZStream {
public:
    TZStream();
    virtual ~TZStream() = default;
    TZStream(const TZStream&) = delete;
    TZStream& operator=(const TZStream&) = delete;

    z_stream stream;
    int result;
};

// A stream prepared for compression at zlib's default level (6, deflate, 32 KiB
// window, memory level 8, default strategy); ended on destruction.
class TDeflateStream : public TZStream {
public:
    TDeflateStream();
    ~TDeflateStream() override;

    // True when deflateInit_ succeeded; result holds its code otherwise.
    bool Ready() const { return ready; }

private:
    bool ready;
};
