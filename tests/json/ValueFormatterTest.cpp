// The formatted value: layout of well-formed values, strings and numbers kept byte for
// byte, and the broken text the engine accepts.
#include "json/ValueFormatter.h"

#include <gtest/gtest.h>

namespace tess {
namespace {

// Drops every blank outside strings (quotes " only), for comparing content.
std::string withoutBlanks(std::string_view text)
{
    std::string out;
    bool inString = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString && c == '\\' && i + 1 < text.size()) {
            out += text.substr(i, 2);
            ++i;
            continue;
        }
        if (c == '"')
            inString = !inString;
        if (inString || (c != ' ' && c != '\n' && c != '\t' && c != '\r'))
            out.push_back(c);
    }
    return out;
}

TEST(ValueFormatter, LaysOutObjectsAndArrays)
{
    EXPECT_EQ(formatValue(R"({"a":1,"b":[true,null,{"c":"x"}],"d":{},"e":[ ]})"),
              "{\n"
              "  \"a\": 1,\n"
              "  \"b\": [\n"
              "    true,\n"
              "    null,\n"
              "    {\n"
              "      \"c\": \"x\"\n"
              "    }\n"
              "  ],\n"
              "  \"d\": {},\n"
              "  \"e\": []\n"
              "}");
    // Already indented text comes out the same as compact text.
    EXPECT_EQ(formatValue("{\r\n\t\"a\" :  [1 ,2]\n}\n"), "{\n  \"a\": [\n    1,\n    2\n  ]\n}");
    EXPECT_EQ(formatValue("[]"), "[]");
    EXPECT_EQ(formatValue(""), "");
    EXPECT_EQ(formatValue("42"), "42");
}

TEST(ValueFormatter, StringsAndNumbersStayByteForByte)
{
    const std::string value =
        R"({"s":"a, b: {c} [d] \"e\" \\","n":-1.5e+300,"u":"\u4e2d\n","k y":"x  y"})";
    const std::string formatted = formatValue(value);
    EXPECT_NE(formatted.find(R"("a, b: {c} [d] \"e\" \\")"), std::string::npos) << formatted;
    EXPECT_NE(formatted.find("-1.5e+300"), std::string::npos);
    EXPECT_NE(formatted.find(R"("\u4e2d\n")"), std::string::npos);
    EXPECT_NE(formatted.find(R"("k y": "x  y")"), std::string::npos);
    EXPECT_EQ(withoutBlanks(formatted), withoutBlanks(value));
    // GB18030 two-byte units whose trail byte is "\" or "[" do not start an escape or
    // a structure, inside strings and out.
    const std::string unit = "\x81\x5C";
    EXPECT_EQ(formatValue("[\"" + unit + "\",1]"), "[\n  \"" + unit + "\",\n  1\n]");
    EXPECT_EQ(formatValue("{a:\x81[}"), "{\n  a: \x81[\n}");
}

TEST(ValueFormatter, ToleratesTheBrokenTextTheEngineAccepts)
{
    // Unquoted keys and values, single quotes, blanks inside bare text.
    EXPECT_EQ(formatValue("{a : 1, b c: two words,'q':'x, y'}"),
              "{\n  a: 1,\n  b c: two words,\n  'q': 'x, y'\n}");
    // An apostrophe inside bare text does not open a string.
    EXPECT_EQ(formatValue("[don't, 'it''s']"), "[\n  don't,\n  'it''s'\n]");
    // Trailing and doubled commas leave no blank lines.
    EXPECT_EQ(formatValue("[1,,2,]"), "[\n  1,\n  ,\n  2,\n]");
    // A missing closer ends the text; an extra closer stays at the first level.
    EXPECT_EQ(formatValue("{\"a\":[1"), "{\n  \"a\": [\n    1");
    EXPECT_EQ(formatValue("[1]]}"), "[\n  1\n]]}");
    // An unterminated string runs to the end unchanged.
    EXPECT_EQ(formatValue("{\"a\":\"x, {y"), "{\n  \"a\": \"x, {y");
    EXPECT_EQ(formatValue("[\"ends in \\"), "[\n  \"ends in \\");
    // Text before and after the container, and a scalar's whole text, stay as they are.
    EXPECT_EQ(formatValue("HTTP/1.1 200 OK\r\n\r\n{\"a\":1} , tail:x"),
              "HTTP/1.1 200 OK\r\n\r\n{\n  \"a\": 1\n} , tail:x");
    EXPECT_EQ(formatValue("p, q: r"), "p, q: r");
    EXPECT_EQ(formatValue(" \"x, [y]\" \n"), " \"x, [y]\""); // blanks at the end go
}

TEST(ValueFormatter, DeepNestingStaysWithinItsBudget)
{
    const std::size_t depth = 200000;
    const std::string deep = std::string(depth, '[') + std::string(depth, ']');
    const std::string formatted = formatValue(deep);
    EXPECT_LE(formatted.size(), deep.size() * 8 + (64u << 10));
    EXPECT_EQ(withoutBlanks(formatted), deep);
    // Shallow nesting is indented in full.
    const std::string shallow = formatValue("[[[[1]]]]");
    EXPECT_NE(shallow.find("\n        1\n"), std::string::npos) << shallow;
}

} // namespace
} // namespace tess
