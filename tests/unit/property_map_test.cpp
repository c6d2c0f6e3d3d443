#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "PropertyMap.h"

#include "TestSupport.h"

namespace {

using TestSupport::Contents;
using TestSupport::Pairs;

TEST(PropertyMap, EmptyMapHasNothing) {
    PropertyMap map;
    EXPECT_EQ(map.Count(), 0u);
    EXPECT_TRUE(map.Get("name").empty());
    EXPECT_TRUE(Contents(map).empty());
}

TEST(PropertyMap, SetReplacesTheValueOfAPresentKey) {
    PropertyMap map;
    map.Set("name", "one");
    map.Set("vendor", "v");
    map.Set("name", "two");
    EXPECT_EQ(map.Count(), 2u);
    EXPECT_EQ(map.Get("name"), "two");
    EXPECT_EQ(Contents(map), (Pairs{{"name", "two"}, {"vendor", "v"}}));
}

TEST(PropertyMap, ReplacementAfterAReadStillKeepsTheLatestValue) {
    // The first read sorts and deduplicates; later Sets must start that over.
    PropertyMap map;
    map.Set("k", "1");
    EXPECT_EQ(map.Count(), 1u);
    map.Set("k", "2");
    EXPECT_EQ(map.Get("k"), "2");
    map.Set("a", "x");
    map.Set("k", "3");
    map.Set("a", "y");
    EXPECT_EQ(map.Count(), 2u);
    EXPECT_EQ(Contents(map), (Pairs{{"a", "y"}, {"k", "3"}}));
}

TEST(PropertyMap, GetNeverAddsAKey) {
    PropertyMap map;
    map.Set("name", "x");
    EXPECT_TRUE(map.Get("vendor").empty());
    EXPECT_TRUE(map.Get("nam").empty());
    EXPECT_TRUE(map.Get("namex").empty());
    EXPECT_EQ(map.Count(), 1u);
}

TEST(PropertyMap, KeysAreOrderedByUnsignedBytesWithPrefixesFirst) {
    PropertyMap map;
    for (const char* key : {"b", "\x82\xA0", "ab", "a", "_x", "z", "B", "1", "Name", "name"}) {
        map.Set(key, "v");
    }
    std::vector<std::string> keys;
    map.Visit([&](std::string_view key, std::string_view) { keys.emplace_back(key); });
    EXPECT_EQ(keys, (std::vector<std::string>{"1", "B", "Name", "_x", "a", "ab", "b", "name", "z", "\x82\xA0"}));
}

TEST(PropertyMap, AgreesWithAnOrderedMapOverAMixedSequence) {
    // Keys from a small alphabet (high bytes included) so that repeats, prefixes
    // and replacements happen often; reads are interleaved with the Sets.
    const char alphabet[] = {'a', 'b', 'A', '0', '_', '\x80', '\xFF'};
    std::map<std::string, std::string> expected;
    PropertyMap map;
    std::uint32_t state = 12345;
    auto next = [&state] {
        state = state * 1103515245u + 12345u;
        return state >> 16;
    };
    for (int i = 0; i < 3000; ++i) {
        std::string key;
        for (unsigned length = 1 + next() % 3; length > 0; --length) {
            key.push_back(alphabet[next() % sizeof alphabet]);
        }
        std::string value = std::to_string(i);
        map.Set(key, value);
        expected[key] = value;
        if (next() % 50 == 0) {
            ASSERT_EQ(map.Count(), expected.size());
            ASSERT_EQ(map.Get(key), value);
        }
    }
    Pairs want(expected.begin(), expected.end());
    EXPECT_EQ(Contents(map), want);
}

TEST(PropertyMap, ValuesSurviveStorageGrowth) {
    // Several megabytes of values, one of them larger than a storage block, so the
    // map spreads them over many blocks; all must still read back intact.
    PropertyMap map;
    std::map<std::string, std::string> expected;
    for (int i = 0; i < 3000; ++i) {
        std::string key = "key" + std::to_string(i);
        std::string value(1000, static_cast<char>('a' + i % 26));
        map.Set(key, value);
        expected[key] = value;
    }
    std::string huge(3u << 20, 'h');
    map.Set("huge", huge);
    expected["huge"] = huge;
    ASSERT_EQ(map.Count(), expected.size());
    for (const auto& [key, value] : expected) {
        ASSERT_EQ(map.Get(key), value) << key;
    }
}

}  // namespace
