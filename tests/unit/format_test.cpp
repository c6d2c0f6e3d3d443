#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "toolkit/Format.h"

namespace {

TEST(FormatString, FormatsTheArguments) {
    EXPECT_EQ(TNux::FormatString("%s-%d", "ab", 5), "ab-5");
    EXPECT_EQ(TNux::FormatString("%d.%d%d", 1, 0, 0), "1.00");
    EXPECT_EQ(TNux::FormatString("plain"), "plain");
    EXPECT_EQ(TNux::FormatString("%s", ""), "");
}

TEST(FormatString, LongResultIsCutAtTheScratchSize) {
    std::string longText(3000, 'x');
    EXPECT_EQ(TNux::FormatString("%s", longText.c_str()), std::string(TNux::kFormatScratchSize - 1, 'x'));
}

TEST(AppendFormat, AppendsToTheTextAndReturnsTheDestination) {
    char destination[64] = "abc";
    EXPECT_EQ(TNux::AppendFormat(destination, "%d/%s", 7, "x"), destination);
    EXPECT_STREQ(destination, "abc7/x");
    TNux::AppendFormat(destination, " beta");
    EXPECT_STREQ(destination, "abc7/x beta");
}

TEST(AppendFormat, LongResultIsCutAtTheScratchSize) {
    char destination[2 * TNux::kFormatScratchSize] = "ab";
    std::string longText(3000, 'y');
    TNux::AppendFormat(destination, "%s", longText.c_str());
    EXPECT_EQ(std::string(destination), "ab" + std::string(TNux::kFormatScratchSize - 1, 'y'));
}

TEST(FormatFitsArguments, AcceptsConversionsThatReadTheGivenKinds) {
    const struct {
        const char* format;
        const char* kinds;
    } cases[] = {
        {"plain text", ""},
        {"", ""},
        {"100%%", ""},
        {"%%s stays literal", ""},
        {"%%%s", "s"},
        {"%s", "s"},
        {"%d", "d"},
        {"%5.2s", "s"},
        {"%-3d", "d"},
        {"%hd", "d"},
        {"%hhd", "d"},
        {"%05d %+d % d %#x %'d", "ddddd"},
        {"%i %u %x %X %o %c", "dddddd"},
        {"%s:%d", "sd"},
        {"%d %s %d", "dsd"},
        {"fewer conversions than arguments: %s", "sd"},
        {"none at all", "dsd"},
        {"Zov %sが開けないよ(%d)\n", "sd"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.format) + " / " + c.kinds);
        EXPECT_TRUE(TNux::FormatFitsArguments(c.format, c.kinds));
    }
}

TEST(FormatFitsArguments, RejectsConversionsThatWouldReadAnythingElse) {
    const struct {
        const char* format;
        const char* kinds;
    } cases[] = {
        {"%n", "d"},         {"%n", "s"},         {"%s%n", "sd"},        {"%f", "d"},
        {"%e %g %a", "ddd"}, {"%*d", "dd"},       {"%.*s", "ds"},        {"%ld", "d"},
        {"%lld", "d"},       {"%zd", "d"},        {"%jd", "d"},          {"%ls", "s"},
        {"%hs", "s"},        {"%hc", "d"},        {"%hhhd", "d"},        {"%1$s", "s"},
        {"%p", "s"},         {"%m", "d"},         {"%S", "s"},           {"%d", "s"},
        {"%s", "d"},         {"%s", ""},          {"%s %s", "s"},        {"%s:%d", "ds"},
        {"trailing %", ""},  {"trailing %", "s"}, {"trailing %-5", "d"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.format) + " / " + c.kinds);
        EXPECT_FALSE(TNux::FormatFitsArguments(c.format, c.kinds));
    }
}

}  // namespace
