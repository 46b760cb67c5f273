#pragma once
// The regular-expression service: ECMAScript-style patterns over GB18030 text, matched
// character by character (a two-byte unit is never split). Built on PCRE2 in UTF mode
// without UCP, so \s, \d and \w are ASCII; ^ and $ match at CR and LF in multi-line mode.
// A match limit bounds every search, so no pattern can hang the program.
#include <memory>
#include <string>
#include <string_view>

namespace tess {

struct RegexOptions {
    bool ignoreCase = false;
    bool multiLine = false;
    bool global = false;
};

class Regex {
public:
    Regex();
    ~Regex();
    Regex(Regex&&) noexcept;
    Regex& operator=(Regex&&) noexcept;

    // Compiles a GB18030 pattern. On failure valid() is false and error() says why.
    static Regex compile(std::string_view pattern, RegexOptions options = {});

    bool valid() const;
    const std::string& error() const;
    // Where the pattern was rejected, in characters from its start (PCRE2's offset; the
    // pattern's length when the fault is its end); 0 for a valid pattern.
    std::size_t errorPosition() const;

    // Replaces the first match (every match when global) left to right, without overlap.
    // In the replacement, $1..$9 stand for the groups (an unset group gives nothing).
    // Unmatched spans and group texts are copied from the original bytes. Returns the
    // text unchanged when the pattern is invalid or nothing matches (or the limit is hit).
    std::string replace(std::string_view text, std::string_view replacement) const;

    // True when the pattern matches anywhere in the text; false when it does not, when
    // the pattern is invalid, or when the search hits the match limit.
    bool test(std::string_view text) const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace tess
