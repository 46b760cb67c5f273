#include "json/HtmlEntityTable.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace tess {
namespace {

const HtmlEntityTable& table()
{
    return HtmlEntityTable::instance();
}

TEST(HtmlEntityTable, HoldsTheThreeListsInOrder)
{
    ASSERT_EQ(table().size(), 252u);
    // List boundaries: Latin-1 0..95, symbols 96..219, special 220..251.
    EXPECT_EQ(table().at(0).name, "nbsp");
    EXPECT_EQ(table().at(0).codePoint, 32);
    EXPECT_EQ(table().at(95).name, "yuml");
    EXPECT_EQ(table().at(96).name, "fnof");
    EXPECT_EQ(table().at(96).codePoint, 402);
    EXPECT_EQ(table().at(219).name, "diams");
    EXPECT_EQ(table().at(220).name, "quot");
    EXPECT_EQ(table().at(251).name, "euro");
    // Apart from nbsp, Latin-1 is U+00A1..U+00FF in order.
    for (std::size_t i = 1; i < 96; ++i)
        EXPECT_EQ(table().at(i).codePoint, int32_t(160 + i)) << table().at(i).name;
}

TEST(HtmlEntityTable, SampleCodePoints)
{
    const std::pair<const char*, int32_t> samples[] = {
        {"AElig", 198}, {"ETH", 208}, {"szlig", 223}, {"Omega", 937}, {"Rho", 929}, {"Sigma", 931},
        {"sigmaf", 962}, {"thetasym", 977}, {"piv", 982}, {"prime", 8242}, {"Prime", 8243},
        {"image", 8465}, {"weierp", 8472}, {"alefsym", 8501}, {"crarr", 8629}, {"hArr", 8660},
        {"empty", 8709}, {"lowast", 8727}, {"there4", 8756}, {"sdot", 8901}, {"lang", 9001},
        {"rang", 9002}, {"loz", 9674}, {"spades", 9824}, {"amp", 38}, {"lt", 60}, {"OElig", 338},
        {"Yuml", 376}, {"tilde", 732}, {"zwnj", 8204}, {"rlm", 8207}, {"Dagger", 8225},
        {"permil", 8240}, {"rsaquo", 8250},
    };
    for (const auto& [name, cp] : samples)
        EXPECT_EQ(table().lookup(name), cp) << name;
}

TEST(HtmlEntityTable, NamesAreUniqueAndCaseSensitive)
{
    std::set<std::string> names;
    std::size_t longest = 0;
    for (std::size_t i = 0; i < table().size(); ++i) {
        names.emplace(table().at(i).name);
        longest = std::max(longest, table().at(i).name.size());
    }
    EXPECT_EQ(names.size(), 252u);
    EXPECT_EQ(longest, HtmlEntityTable::kMaxNameLength);
    EXPECT_EQ(table().lookup("agrave"), 224);
    EXPECT_EQ(table().lookup("Agrave"), 192);
    EXPECT_EQ(table().lookup("AGRAVE"), -1);
    EXPECT_EQ(table().lookup(""), -1);
    EXPECT_EQ(table().lookup("thetasymx"), -1);
}

} // namespace
} // namespace tess
