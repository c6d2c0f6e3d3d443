#include <gtest/gtest.h>

#include <string>

#include "platform/StringBundle.h"

namespace {

using TNux::TStringBundle;
using TNux::TWideText;

TEST(StringBundle, IdsMapToBundlesOfSixteen) {
    const struct {
        WORD id;
        WORD bundle;
        int index;
    } cases[] = {
        {0, 1, 0}, {1, 1, 1}, {15, 1, 15}, {16, 2, 0}, {100, 7, 4}, {201, 13, 9}, {605, 38, 13}, {65535, 4096, 15},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        EXPECT_EQ(TNux::StringBundleOf(c.id), c.bundle);
        EXPECT_EQ(TNux::StringIndexOf(c.id), c.index);
    }
}

TEST(EncodeStringBundle, LengthThenUnitsLittleEndianWithoutNul) {
    TStringBundle bundle;
    bundle[1] = u"A\u3042";
    std::string expected(2, '\0');  // text 0: empty
    expected += std::string(
        "\x02\x00"
        "A\x00"
        "\x42\x30",
        6);                                 // text 1
    expected += std::string(14 * 2, '\0');  // texts 2 to 15: empty
    EXPECT_EQ(TNux::EncodeStringBundle(bundle), expected);
    EXPECT_EQ(TNux::EncodeStringBundle(TStringBundle()), std::string(32, '\0'));
}

TStringBundle SampleBundle() {
    TStringBundle bundle;
    bundle[0] = u"first";
    bundle[4] = u"Zov \u3042\n";
    bundle[9] = u"pair \U0001F600";
    bundle[10] = TWideText(300, u'\xFFFF');
    bundle[15] = u"last";
    return bundle;
}

TEST(DecodeStringBundleText, RoundTripsEveryIndex) {
    TStringBundle bundle = SampleBundle();
    std::string bytes = TNux::EncodeStringBundle(bundle);
    for (int index = 0; index < TNux::kStringsPerBundle; ++index) {
        SCOPED_TRACE(index);
        TWideText text = u"stale";
        ASSERT_TRUE(TNux::DecodeStringBundleText(bytes.data(), bytes.size(), index, text));
        EXPECT_EQ(text, bundle[static_cast<std::size_t>(index)]);
    }
    TWideText text;
    EXPECT_FALSE(TNux::DecodeStringBundleText(bytes.data(), bytes.size(), TNux::kStringsPerBundle, text));
}

TEST(DecodeStringBundleText, TruncatedDataGivesOnlyTheTextsThatAreWhole) {
    TStringBundle bundle = SampleBundle();
    std::string bytes = TNux::EncodeStringBundle(bundle);
    // Where each text's units end, in bytes.
    std::size_t ends[TNux::kStringsPerBundle];
    std::size_t at = 0;
    for (int index = 0; index < TNux::kStringsPerBundle; ++index) {
        at += 2 * (1 + bundle[static_cast<std::size_t>(index)].size());
        ends[index] = at;
    }
    ASSERT_EQ(at, bytes.size());
    for (std::size_t size = 0; size < bytes.size(); ++size) {
        for (int index = 0; index < TNux::kStringsPerBundle; ++index) {
            TWideText text;
            bool whole = ends[index] <= size;
            ASSERT_EQ(TNux::DecodeStringBundleText(bytes.data(), size, index, text), whole)
                << "size " << size << ", index " << index;
            if (whole) {
                ASSERT_EQ(text, bundle[static_cast<std::size_t>(index)]);
            }
        }
    }
}

TEST(DecodeStringBundleText, LengthBeyondTheDataIsRefused) {
    // One text claiming 0xFFFF units with only two present.
    const unsigned char bytes[] = {0xFF, 0xFF, 'a', 0, 'b', 0};
    TWideText text;
    EXPECT_FALSE(TNux::DecodeStringBundleText(bytes, sizeof bytes, 0, text));
    EXPECT_FALSE(TNux::DecodeStringBundleText(bytes, sizeof bytes, 1, text));
    EXPECT_FALSE(TNux::DecodeStringBundleText(bytes, 0, 0, text));
}

}  // namespace
