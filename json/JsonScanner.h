#pragma once
// The scanner: prepares a text (escaped quotes protected, white space around structure
// removed), keeps a plain copy and a copy with string contents blanked, and cuts keys,
// values and elements out of it by searching structure characters in the blanked copy.
// Positions are 1-based byte positions; -1 means "not found".
#include "json/JsonNode.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tess {

class ScanBuffer;

struct SplitResult {
    NodeKind kind = NodeKind::Array;
    std::vector<std::pair<std::string, std::string>> pairs; // when kind is Object
    std::vector<std::string> elements;                       // when kind is Array
};

class JsonScanner {
public:
    JsonScanner();
    ~JsonScanner();
    JsonScanner(const JsonScanner&) = delete;
    JsonScanner& operator=(const JsonScanner&) = delete;

    // Text transformations.
    static std::string convertSingleQuotes(std::string_view text);
    static std::string protectEscapes(std::string_view text);
    // protectEscapes into out; false when it would change nothing (out is then not to be used).
    static bool protectEscapesInto(std::string_view text, std::string& out);
    static std::string restoreQuotes(std::string_view text);
    // restoreQuotes written at out, which has room for the text; returns the end.
    static char* restoreQuotesTo(std::string_view text, char* out);
    static std::string compactWhitespace(std::string_view text);
    static std::string trimKey(std::string_view text);
    static std::string trimValue(std::string_view text);
    static NodeKind kindOfValue(std::string_view value);

    // Scanning over the loaded buffers.
    void loadText(std::string_view text);
    SplitResult splitTopLevel(std::string_view text);
    std::vector<std::pair<std::string, std::string>> splitObject(std::string_view text, bool reload);
    std::vector<std::string> splitArray(std::string_view text, bool reload);
    bool isBalanced(int64_t from, int64_t to) const;
    std::string readKey(int64_t a, int64_t& next) const;
    std::string readValue(int64_t a, int64_t& next) const;
    std::string textBetween(int64_t from, int64_t to, bool inclusive) const;
    int64_t find(char token, int64_t from) const;
    const std::string& plainBuffer() const;

    // Paths.
    std::string convertPath(std::string_view path, int32_t mode) const;
    int32_t parsePath(std::string_view path);
    const std::vector<std::string>& pathSegments() const { return m_pathSegments; }
    std::vector<std::string> segmentCopy() const { return m_pathSegments; }

private:
    std::unique_ptr<ScanBuffer> m_buffer;
    std::vector<std::string> m_pathSegments;
};

} // namespace tess
