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
    Entry entry{0, bytes, static_cast<std::uint32_t>(key.size()), static_cast<std::uint32_t>(value.size())};
    if (settled && !entries.empty() && !KeyLess(KeyOf(entries.back()), key)) {
        settled = false;
    }
    entries.push_back(entry);
}

namespace {

// Eight key bytes from depth on, big-endian, zero-padded. Keys hold no NUL, so a
// key that ends inside the word sorts before every key that goes on.
std::uint64_t KeyWordAt(std::string_view key, std::size_t depth) {
    std::uint64_t word = 0;
    if (depth + 8 <= key.size()) {
        unsigned char bytes[8];
        std::memcpy(bytes, key.data() + depth, 8);
        for (unsigned char byte : bytes) {
            word = (word << 8) | byte;
        }
        return word;
    }
    for (std::size_t i = 0; i < 8; ++i) {
        unsigned char byte = depth + i < key.size() ? static_cast<unsigned char>(key[depth + i]) : 0;
        word = (word << 8) | byte;
    }
    return word;
}

}  // namespace

// Sorts by key, eight bytes at a time: a stable sort on the word at depth, then each
// run of equal words whose keys go on is sorted by the next word. Equal keys keep
// the order of their Sets.
void PropertyMap::SortByKey(Entry* first, Entry* last, std::size_t depth) {
    for (Entry* entry = first; entry != last; ++entry) {
        entry->prefix = KeyWordAt(KeyOf(*entry), depth);
    }
    std::stable_sort(first, last, [](const Entry& a, const Entry& b) { return a.prefix < b.prefix; });
    while (first != last) {
        Entry* run = first;
        bool goesOn = false;
        for (; run != last && run->prefix == first->prefix; ++run) {
            goesOn = goesOn || run->keySize > depth + 8;
        }
        // Keys that end inside an equal word are equal; the others go on past it.
        if (run - first > 1 && goesOn) {
            SortByKey(first, run, depth + 8);
        }
        first = run;
    }
}

void PropertyMap::Settle() const {
    if (settled) {
        return;
    }
    SortByKey(entries.data(), entries.data() + entries.size(), 0);
    // Among equal keys the last one set holds the value that stays.
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
