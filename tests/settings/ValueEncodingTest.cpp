// Value encodings: numbers, line-break marks, item lists and index lists.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>

#include "SettingsTestSupport.h"
#include "settings/ValueEncoding.h"

namespace tess::settings {
namespace {

using test::gb;

TEST(ValueEncoding, NumbersUseTheCFormatWhateverTheLocale)
{
    // A locale with a decimal comma must not leak into the file.
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    std::string saved = old ? old : "C";
    bool german = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
    EXPECT_EQ(formatNumber(0.5), "0.5");
    EXPECT_EQ(parseNumber("0.5"), 0.5);
    std::setlocale(LC_NUMERIC, saved.c_str());
    if (!german)
        GTEST_LOG_(INFO) << "de_DE.UTF-8 not installed; checked in the C locale only";

    EXPECT_EQ(formatNumber(16), "16");
    EXPECT_EQ(formatNumber(-1), "-1");
    EXPECT_EQ(formatNumber(1e-5), "1e-05");
    EXPECT_EQ(formatNumber(1234567890123.0), "1234567890123");
    EXPECT_EQ(formatNumber(12345678901234.0), "1.234567890123e+13");
    EXPECT_EQ(parseNumber(""), 0);
    EXPECT_EQ(parseNumber(" \t+7.5e1 rest"), 75);
    EXPECT_EQ(parseNumber(gb(u8"－４")), -4);
    EXPECT_EQ(parseNumber("nan"), 0);
    EXPECT_EQ(parseNumber("-inf"), 0);
}

TEST(ValueEncoding, LineBreakMarks)
{
    const std::string mark = gb(u8"┊*┊");
    EXPECT_EQ(encodeText("a\r\nb\nc\rd\r\n"), "a" + mark + "b\nc\rd" + mark);
    EXPECT_EQ(decodeText("a" + mark + mark + "b"), "a\r\n\r\nb");
    // A trail byte followed by the mark's bytes is not a mark (unit-wise matching).
    std::string shifted = "\x81" + mark.substr(0, 1);
    EXPECT_EQ(decodeText(shifted + mark.substr(1)), shifted + mark.substr(1));
}

TEST(ValueEncoding, ItemListsRoundTripAndRejectDamage)
{
    const std::vector<std::vector<std::string>> lists = {
        {}, {""}, {"a", "b\nc", std::string("z\0z", 3), gb(u8"列表项")}, {"12\n", "\n"},
        std::vector<std::string>(12, std::string(150, 'u'))}; // counts of several digits
    for (const auto& list : lists) {
        std::vector<std::string> back = {"old"};
        ASSERT_TRUE(decodeItemList(encodeItemList(list), back));
        EXPECT_EQ(back, list);
    }
    const std::string good = encodeItemList({"ab", "c"});
    for (std::string bad : {std::string(), std::string("x\n"), good + "x", good.substr(0, good.size() - 1),
                            std::string("2\n2\nab\n"), std::string("99999999999999999\n"),
                            std::string("1\n5\nab\n")}) {
        std::vector<std::string> items = {"kept"};
        EXPECT_FALSE(decodeItemList(bad, items)) << bad;
        EXPECT_EQ(items, std::vector<std::string>{"kept"});
    }
}

TEST(ValueEncoding, IndexLists)
{
    EXPECT_EQ(joinIndices({0, 2, 5}), "0,2,5");
    EXPECT_EQ(joinIndices({}), "");
    EXPECT_EQ(splitIndices("0,2,5"), (std::vector<int>{0, 2, 5}));
    EXPECT_EQ(splitIndices(""), std::vector<int>{});
    EXPECT_EQ(splitIndices("x,3,"), (std::vector<int>{0, 3, 0}));
    EXPECT_EQ(roundToInt(2.5), 3);
    EXPECT_EQ(roundToInt(-0.4), 0);
    EXPECT_EQ(roundToInt(1e300), INT_MAX);
    EXPECT_EQ(roundToInt(-1e300), INT_MIN);
    EXPECT_EQ(roundToInt(std::nan("")), 0);
}

} // namespace
} // namespace tess::settings
