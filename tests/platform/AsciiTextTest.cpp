#include "platform/AsciiText.h"
#include "platform/Iconv.h"
#include "platform/Utf8.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace ascii = tess::ascii;

namespace {

TEST(AsciiText, TrimsJsonBlanksOnly)
{
    const struct {
        std::string_view in, out;
    } cases[] = {
        {"", ""},
        {" \t\r\n", ""},
        {" \t a b \r\n", "a b"},
        {"\x0B" "a\x0C", "\x0B" "a\x0C"},   // vertical tab and form feed are no JSON blanks
        {"\xA1\xA1x\xA1\xA1", "\xA1\xA1x\xA1\xA1"}, // nor is the full-width space
        {"\n[1]", "[1]"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ascii::trimBlanks(c.in), c.out) << c.in;
}

TEST(AsciiText, LowersSingleByteUnitsAndKeepsTwoByteUnits)
{
    const struct {
        std::string_view in, out;
    } cases[] = {
        {"AbZ@[", "abz@["},
        {"\xD5\x41Q", "\xD5\x41q"},       // a trail byte 0x41 looks like 'A' and stays
        {"\x81\x5A\x81\x5A", "\x81\x5A\x81\x5A"},
        {"X\xB0", "x\xB0"},               // a lead byte at the end is taken as it is
        {"\x81\x30\x81\x30Z", "\x81\x30\x81\x30z"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ascii::lowerUnits(c.in), c.out) << c.in;
    EXPECT_EQ(ascii::lower('M'), 'm');
    EXPECT_EQ(ascii::lower('\xC1'), '\xC1');
}

// Every Unicode scalar value written by the one UTF-8 writer, against iconv.
TEST(Utf8Writer, WritesEveryScalarValueAsIconvDoes)
{
    std::vector<char32_t> cps;
    std::string ours;
    for (char32_t cp = 0; cp <= 0x10FFFF; ++cp) {
        if (cp >= 0xD800 && cp <= 0xDFFF)
            continue;
        cps.push_back(cp);
        char buf[4];
        ours.append(buf, tess::encodeUtf8(cp, buf));
    }
    const tess::Iconv cd("UTF-8", "UTF-32LE");
    ASSERT_TRUE(cd.ok());
    std::string theirs(cps.size() * 4, '\0');
    const char* in = reinterpret_cast<const char*>(cps.data());
    std::size_t inLeft = cps.size() * 4;
    char* out = theirs.data();
    std::size_t outLeft = theirs.size();
    ASSERT_NE(cd.run(in, inLeft, out, outLeft), static_cast<std::size_t>(-1));
    theirs.resize(theirs.size() - outLeft);
    ASSERT_EQ(ours.size(), theirs.size());
    EXPECT_TRUE(ours == theirs);
}

} // namespace
