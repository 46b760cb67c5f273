// The big road's messages reach the window in Chinese: every message its pass can give.
#include "tree/BigRoadTexts.h"
#include "json/big/BigDocument.h"
#include "platform/Codec.h"

#include <gtest/gtest.h>

#include <string>

namespace tess {
namespace {

TEST(BigRoadTexts, EveryMessageOfThePassHasItsChineseText)
{
    // One input per message the pass writes (as a document and as JSON Lines).
    const std::string broken[] = {
        "\xFF\xFE[", "[\"a\x01\"]", "{\"a\" 1}", "[1 2]", "{1:2}", "[\"\xC3\x28\"]", "[\"\\x\"]", "[tru]", "",
        "[1] x", "[1,,2]", "{\"a\"::1}", "[1}", "{\"a\":1]", "[1,2", "[\"open", ":", "{\"a\":}",
        std::string(2000, '['), "[[1]] [2]"};
    const std::string lines[] = {"[1]\n[2] [3]\n", "[1]\n[2,\n3]\n", "[1]\n[2]\n{\n"};
    int messages = 0;
    auto check = [&](const std::string& message) {
        ++messages;
        const std::string shown = codec::gb18030ToUtf8(bigRoadTextForWindow(message)).text;
        // no English word is left, only numbers and the names JSON and UTF
        std::string rest = shown;
        for (const char* name : {"JSON", "UTF-16", "UTF-8"})
            for (std::size_t at; (at = rest.find(name)) != std::string::npos;)
                rest.erase(at, std::string(name).size());
        for (const char c : rest)
            EXPECT_FALSE((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) << message << " -> " << shown;
    };
    for (const std::string& text : broken) {
        big::BigDocument doc;
        big::OpenOptions options;
        options.index.lines = big::LinesMode::Never;
        doc.openBytes(text, options);
        ASSERT_TRUE(doc.error().present) << text;
        check(doc.error().message);
    }
    for (const std::string& text : lines) {
        big::BigDocument doc;
        big::OpenOptions options;
        options.index.lines = big::LinesMode::Always;
        doc.openBytes(text, options);
        ASSERT_FALSE(doc.index().lineErrors.empty()) << text;
        for (const big::ParseError& e : doc.index().lineErrors)
            check(e.message);
    }
    // Failures to read a file keep their path and the system's reason.
    EXPECT_EQ(codec::gb18030ToUtf8(bigRoadTextForWindow("cannot open /tmp/x.json: No such file or directory")).text,
              reinterpret_cast<const char*>(u8"无法打开 /tmp/x.json：No such file or directory"));
    check("the file was cut short while it was read");
    check("more than 64 files are open at once");
    EXPECT_GT(messages, 20);
}

} // namespace
} // namespace tess
