#pragma once
// Matching of tree captions for find: plain text (optionally ignoring ASCII case),
// wildcard (turned into a pattern) and regular expression.
#include "json/TreeContentBuffer.h"
#include "platform/Regex.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tess {

enum class FindMode { Plain, Wildcard, Regex };

// The wildcard text as a pattern: the characters \ ^ $ + . { } [ ] = ( ) - " are escaped,
// "*" becomes ".*" and "?" becomes ".?". Two-byte units are copied unchanged.
std::string wildcardToPattern(std::string_view text);

// The part of a caption that find searches: its first kSearchedCaptionBytes bytes.
std::string_view searchedPart(std::string_view caption);

// The captions of a tree content block, in record order, as find searches them:
// views into the block, cut by searchedPart.
std::vector<std::string_view> blockCaptions(std::string_view block);

class CaptionMatcher {
public:
    CaptionMatcher(std::string_view text, FindMode mode, bool ignoreCase);
    // False when the pattern of a wildcard or regex search was rejected.
    bool valid() const { return m_mode == FindMode::Plain || m_regex.valid(); }
    // Why the pattern was rejected (English), or empty.
    std::string error() const { return valid() ? std::string() : m_regex.error(); }
    // Where it was rejected, in characters of the pattern (see Regex::errorPosition).
    std::size_t errorPosition() const { return m_regex.errorPosition(); }
    FindMode mode() const { return m_mode; }
    bool matches(std::string_view caption) const;

private:
    FindMode m_mode;
    bool m_ignoreCase;
    std::string m_text;
    Regex m_regex;
};

// The first item after start (forward) or before start (backward) whose caption
// matches, or -1. The window's find makes one more pass from the other end when this
// finds nothing; the command line lists every stop of repeated forward passes.
int searchItems(const std::vector<std::string_view>& captions, int start, bool backward,
                const CaptionMatcher& matcher);
// The same over count items whose captions (cut as find cuts them) captionOf gives.
int searchItems(int count, const std::function<std::string_view(int)>& captionOf, int start, bool backward,
                const CaptionMatcher& matcher);

} // namespace tess
