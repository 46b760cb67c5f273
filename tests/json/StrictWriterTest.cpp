// The strict writer: tolerant text read by the engine comes out as standard JSON, and
// standard JSON comes out as it went in.
#include "json/JsonDocument.h"
#include "json/JsonLayout.h"
#include "json/StrictWriter.h"
#include "json/big/StrictCheck.h"
#include "platform/Codec.h"
#include "platform/Utf8.h"

#include <gtest/gtest.h>

#include <random>

namespace tess {
namespace {

std::string strictOf(std::string text, bool singleQuote = false)
{
    JsonDocument doc;
    std::string gb = codec::utf8ToGb18030(text).text;
    doc.parse(gb, false, singleQuote);
    return strictJson(doc.nodes(), 1);
}

TEST(StrictWriter, TolerantTextBecomesStandard)
{
    EXPECT_EQ(strictOf("{a: 1, b: [1, , 2, ], c: {x: true, }, d: [[1,],], }"),
              R"({"a":1,"b":[1,null,2],"c":{"x":true},"d":[[1]]})");
    // Single quotes as string quotes: double quotes are then characters of the text.
    EXPECT_EQ(strictOf("{'a': 'it\\'s', 'b': \"q\"}", true), R"({"a":"it's","b":"\"q\""})");
    EXPECT_EQ(strictOf("{\"n\": NaN, \"h\": 0x1F, \"w\": two words, \"e\": }"),
              R"({"n":"NaN","h":"0x1F","w":"two words","e":null})");
    // Control characters raw in a string, a lone backslash, an escaped quote.
    EXPECT_EQ(strictOf("{\"t\": \"a\tb\", \"s\": \"c:\\d\", \"q\": \"say \\\"hi\\\"\"}"),
              R"({"t":"a\tb","s":"c:\\d","q":"say \"hi\""})");
    // GB18030 inside the engine, UTF-8 out; a name decoded from its escapes.
    EXPECT_EQ(strictOf("{\"\\u4e2d\": \"文\", \"😀\": 1}"), "{\"中\":\"文\",\"😀\":1}");
    EXPECT_EQ(strictOf("[]"), "[]");
}

// A random standard document written the way the writer writes strings (the shortest
// escapes), so that what goes in must come out byte for byte.
class RandomJson {
public:
    explicit RandomJson(unsigned seed) : m_rng(seed) {}
    std::string value(int depth)
    {
        const int pick = static_cast<int>(m_rng() % (depth > 4 ? 4 : 7));
        switch (pick) {
        case 0: return string();
        case 1: return number();
        case 2: return std::vector<std::string>{"true", "false", "null"}[m_rng() % 3];
        case 3: return string();
        case 4:
        case 5: {
            std::string out = "[";
            const int n = static_cast<int>(m_rng() % 5);
            for (int i = 0; i < n; ++i)
                out += (i ? "," : "") + value(depth + 1);
            return out + "]";
        }
        default: {
            std::string out = "{";
            const int n = static_cast<int>(m_rng() % 5);
            for (int i = 0; i < n; ++i)
                out += (i ? "," : "") + key() + ":" + value(depth + 1);
            return out + "}";
        }
        }
    }

private:
    std::string number()
    {
        static const char* const forms[] = {"0", "-0", "12", "-3.25", "1e10", "2E-3", "6.02e+23", "123456789012345678901"};
        return forms[m_rng() % 8];
    }
    // The engine drops blanks at a name's edges (a tolerant reading), so names start and
    // end with a letter.
    std::string key()
    {
        const std::string inner = string();
        return "\"k" + inner.substr(1, inner.size() - 2) + "k\"";
    }
    std::string string()
    {
        static const char32_t alphabet[] = {U'a', U'Z', U' ', U'.', U'"', U'\\', U'/', U'\n', U'\t', U'\x01', U'\x7f',
                                            U':', U',', U'{', U']', U'#', U'\'', U'中', U'é', U'😀', U'\x1f', U'$'};
        std::string out = "\"";
        const int n = static_cast<int>(m_rng() % 8);
        char buf[4];
        for (int i = 0; i < n; ++i) {
            const char32_t c = alphabet[m_rng() % (sizeof alphabet / sizeof alphabet[0])];
            switch (c) {
            case U'"': out += "\\\""; break;
            case U'\\': out += "\\\\"; break;
            case U'\n': out += "\\n"; break;
            case U'\t': out += "\\t"; break;
            case U'\x01': out += "\\u0001"; break;
            case U'\x1f': out += "\\u001f"; break;
            case U'\x7f': out += "\\u007f"; break;
            default: out.append(buf, encodeUtf8(c, buf));
            }
        }
        return out + "\"";
    }
    std::mt19937 m_rng;
};

TEST(StrictWriter, StandardDocumentsComeBackUnchanged)
{
    for (unsigned seed = 1; seed <= 400; ++seed) {
        RandomJson gen(seed);
        const std::string doc = "[" + gen.value(0) + "]"; // the engine holds a lone scalar in an array
        ASSERT_FALSE(big::checkStrict(doc).error) << doc;
        const std::string again = strictOf(doc);
        ASSERT_EQ(again, doc) << "seed " << seed;
        // Laid out and compacted again: the same text.
        ASSERT_EQ(layOutJson(layOutJson(doc, 2), 0), doc) << "seed " << seed;
    }
}

TEST(JsonLayout, IndentsInPiecesAsWhole)
{
    const std::string doc = R"({"a":[1,{"b":"x, \"y\" ]"},[],{}],"c":"\\"})";
    const std::string whole = layOutJson(doc, 2);
    EXPECT_EQ(whole, "{\n  \"a\": [\n    1,\n    {\n      \"b\": \"x, \\\"y\\\" ]\"\n    },\n    [],\n    {}\n  ],\n"
                     "  \"c\": \"\\\\\"\n}");
    // Fed a byte at a time, the escapes and empty containers still come out the same.
    std::string pieces;
    JsonLayout layout(2, [&](std::string_view p) { pieces.append(p); });
    for (const char c : doc)
        layout.feed(std::string_view(&c, 1));
    layout.finish();
    EXPECT_EQ(pieces, whole);
}

} // namespace
} // namespace tess
