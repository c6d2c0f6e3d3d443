// The property set: one value per key, visited in ascending order of the keys'
// unsigned bytes (a key stands before every longer key that begins with it).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

class PropertyMap {
public:
    PropertyMap() = default;
    PropertyMap(const PropertyMap&) = delete;
    PropertyMap& operator=(const PropertyMap&) = delete;

    // Inserts the key with the value, or gives a present key the new value.
    void Set(std::string_view key, std::string_view value);

    // The key's value, or the empty text when the key is absent.
    std::string_view Get(std::string_view key) const;

    // The number of properties.
    std::size_t Count() const;

    // Calls visit(key, value) for every property in key order.
    template <typename Visitor>
    void Visit(Visitor&& visit) const {
        Settle();
        for (const Entry& entry : entries) {
            visit(KeyOf(entry), ValueOf(entry));
        }
    }

private:
    // Key and value bytes lie side by side in a storage block. The prefix holds
    // eight key bytes (big-endian, zero-padded) at the depth being sorted, so most
    // comparisons never touch the storage.
    struct Entry {
        std::uint64_t prefix;
        const char* bytes;
        std::uint32_t keySize;
        std::uint32_t valueSize;
    };

    static std::string_view KeyOf(const Entry& entry) { return {entry.bytes, entry.keySize}; }
    static std::string_view ValueOf(const Entry& entry) { return {entry.bytes + entry.keySize, entry.valueSize}; }

    // Sets are appended as they come; the first read after them sorts the entries
    // and keeps only the latest value of each key.
    void Settle() const;
    static void SortByKey(Entry* first, Entry* last, std::size_t depth);

    char* Store(std::string_view key, std::string_view value);

    mutable std::vector<Entry> entries;
    mutable bool settled = true;
    std::vector<std::unique_ptr<char[]>> blocks;
    std::size_t blockUsed = 0;
    std::size_t blockSize = 0;
};
