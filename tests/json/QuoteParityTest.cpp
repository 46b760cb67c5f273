// Whether a position lies inside a string, against counting the quotes before it.
#include "json/QuoteParity.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

TEST(QuoteParity, AgreesWithCountingTheQuotesBefore)
{
    // Texts of every length around the 64-byte blocks, quotes dense and sparse, some of
    // them skipped (escaped) on the way; with the total unknown and known.
    std::mt19937 rng(64);
    int insides = 0;
    for (int round = 0; round < 3000; ++round) {
        const std::size_t n = rng() % 300;
        const unsigned density = 1 + rng() % 12;
        std::string text(n, 'x');
        for (char& c : text)
            c = rng() % density == 0 ? '"' : (rng() % 2 ? ' ' : '\xA1');
        // Escaped quotes, chosen ahead: the total the walks learn leaves them out.
        std::vector<bool> skipped(n, false);
        std::size_t total = 0;
        for (std::size_t i = 0; i < n; ++i) {
            skipped[i] = text[i] == '"' && rng() % 4 == 0;
            total += text[i] == '"' && !skipped[i];
        }
        for (const bool knownTotal : {false, true}) {
            tess::QuoteParity parity(text, knownTotal ? total : tess::QuoteParity::kUnknown);
            std::size_t before = 0; // quotes below pos, skipped ones left out
            std::size_t last = 0;
            for (std::size_t pos = 0; pos <= n; pos += 1 + rng() % 40) {
                for (; last < pos; ++last) {
                    if (skipped[last])
                        parity.skipQuoteAt(last);
                    before += text[last] == '"' && !skipped[last];
                }
                const bool expected = before % 2 == 1 && (!knownTotal || before != total);
                ASSERT_EQ(parity.inside(pos), expected) << "round " << round << " pos " << pos << " " << knownTotal;
                insides += expected;
            }
        }
    }
    EXPECT_GT(insides, 10000);
}
