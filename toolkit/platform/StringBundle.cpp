#include "platform/StringBundle.h"

namespace TNux {

std::string EncodeStringBundle(const TStringBundle& bundle) {
    std::string bytes;
    auto put = [&bytes](unsigned value) {
        bytes.push_back(static_cast<char>(value & 0xFF));
        bytes.push_back(static_cast<char>((value >> 8) & 0xFF));
    };
    for (const TWideText& text : bundle) {
        put(static_cast<unsigned>(text.size()));
        for (WCHAR unit : text) {
            put(static_cast<unsigned>(unit));
        }
    }
    return bytes;
}

bool DecodeStringBundleText(const void* data, std::size_t size, int index, TWideText& text) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    std::size_t units = size / 2;
    auto unit = [bytes](std::size_t at) { return static_cast<WCHAR>(bytes[2 * at] | (bytes[2 * at + 1] << 8)); };
    std::size_t at = 0;
    for (int i = 0; i < index; ++i) {
        if (at >= units) {
            return false;
        }
        at += 1 + static_cast<std::size_t>(unit(at));
    }
    if (at >= units) {
        return false;
    }
    std::size_t length = unit(at++);
    if (units - at < length) {
        return false;
    }
    text.clear();
    for (std::size_t i = 0; i < length; ++i) {
        text.push_back(unit(at + i));
    }
    return true;
}

}  // namespace TNux
