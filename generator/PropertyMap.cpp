#include "PropertyMap.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::size_t kStorageBlockSize = 1 << 20;

// Unsigned byte order, a prefix first: what std::string_view's compare gives,
// since char_traits<char> compares as unsigned char.
bool KeyLess(std::string_view a, std::string_view b) { return a.compare(b) < 0; }

}  // namespace

char* PropertyMap::Store(std::string_view key, std::string_view value) {
    std::size_t size = key.size() + value.size();
    if (blocks.empty() || blockSize - blockUsed < size) {
        std::size_t newSize = std::max(kStorageBlockSize, size);
        blocks.emplace_back(new char[newSize]);
        blockSize = newSize;
        blockUsed = 0;
    }
    char* at = blocks.back().get() + blockUsed;
    std::memcpy(at, key.data(), key.size());
    std::memcpy(at + key.size(), value.data(), value.size());
    blockUsed += size;
    return at;
}

void PropertyMap::Set(std::string_view key, std::string_view value) {
    char* bytes = Store(key, value);
    Entry entry{bytes, static_cast<std::uint32_t>(key.size()), static_cast<std::uint32_t>(value.size())};
    if (settled && !entries.empty() && !KeyLess(KeyOf(entries.back()), key)) {
        settled = false;
    }
    entries.push_back(entry);
}

void PropertyMap::Settle() const {
    if (settled) {
        return;
    }
    // Entries are appended in the order of their Sets, so among equal keys the
    // later position holds the later value; a stable sort keeps that order.
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return KeyLess(KeyOf(a), KeyOf(b)); });
    auto kept = entries.begin();
    for (auto at = entries.begin(); at != entries.end(); ++at) {
        auto next = at + 1;
        if (next != entries.end() && KeyOf(*next) == KeyOf(*at)) {
            continue;
        }
        *kept++ = *at;
    }
    entries.erase(kept, entries.end());
    settled = true;
}

std::string_view PropertyMap::Get(std::string_view key) const {
    Settle();
    auto found = std::lower_bound(entries.begin(), entries.end(), key,
                                  [](const Entry& entry, std::string_view k) { return KeyLess(KeyOf(entry), k); });
    if (found == entries.end() || KeyOf(*found) != key) {
        return std::string_view();
    }
    return ValueOf(*found);
}

std::size_t PropertyMap::Count() const {
    Settle();
    return entries.size();
}
