#pragma once
// Member names as characters, for the foreign path syntaxes: a stored name read as JSON
// string contents, a quoted name written or read in the syntax of jq, JSONPath,
// JavaScript or Python. Texts are GB18030.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tess::pathnames {

struct NameChar {
    char32_t cp = 0;
    std::string_view raw; // the bytes as they stand in the source; empty when an escape gave it
};
using NameChars = std::vector<NameChar>;

// The characters a stored member name stands for: the JSON escapes (\" \\ \/ \b \f \n \r
// \t \uXXXX, surrogate pairs joined) and the engine's stored escaped quote decoded; any
// other backslash is a character of its own, as is a lone surrogate escape. A byte that
// is not GB18030 is U+FFFD with that byte as its source.
void decodeStoredName(std::string_view name, NameChars& out);

// True when every character is an ASCII letter, digit or "_" (and "$" when allowDollar),
// there is at least one, and the first is not a digit.
bool isAsciiIdentifier(const NameChars& chars, bool allowDollar);

// Appends the name between quote characters (" or '), escaped so that jq, JSONPath,
// JavaScript and Python all read back the same characters: the quote and backslash,
// control characters, DEL, lone surrogates and U+2028/U+2029 become escapes, and so
// does a byte that is not GB18030 (as U+FFFD); other characters are written as GB18030.
void appendQuoted(std::string& out, const NameChars& chars, char quote);

// A name typed in a path: its characters, and its GB18030 bytes with every character
// that was written literally kept as it was typed (so a name stored with bytes that
// are not GB18030 still compares equal byte for byte). gbOk is false when a character
// has no GB18030 form (a lone surrogate escape); then only the characters compare.
struct TypedName {
    std::u32string chars;
    std::string gb;
    bool gbOk = true;
};

// Reads a quoted name starting at the quote at text[pos]; on success pos is past the
// closing quote. Understands the escapes of the four syntaxes (\uXXXX, \u{X..}, \xNN,
// \UXXXXXXXX, \0, \v and the JSON ones); an unknown escape keeps its backslash.
bool readQuoted(std::string_view text, std::size_t& pos, TypedName& out);

// A name written without quotes: its bytes as they stand.
TypedName bareName(std::string_view gb);

// One step of a typed path: an element index or a member name.
struct PathStep {
    bool isIndex = false;
    long long index = 0;
    TypedName name;
};

// Reads a (possibly negative) decimal integer at text[pos]; on success pos is past it.
bool readIndex(std::string_view text, std::size_t& pos, long long& index);

// Splits a path of jq (prefix '.'), JSONPath (prefix '$', skipped) or JavaScript and
// Python (prefix 0: ".a", "[\"a\"]", "[0]" steps, the first may be a bare name) into
// its steps; nullopt when it is not well formed there. The caller has checked the prefix.
std::optional<std::vector<PathStep>> readForeignSteps(std::string_view path, char prefix);

} // namespace tess::pathnames
