#pragma once
// Seeded generator of benchmark documents. The same seed always gives the same bytes.
#include <cstddef>
#include <cstdint>
#include <string>

namespace tess::bench {

// How an API-style response looks.
struct ApiShape {
    bool pretty = false;   // one member per line, indented
    bool crlfTabs = false; // with pretty: CR LF line breaks and tab indentation (else LF, two spaces)
    // Strings as real responses hold them: a few carry HTML or JSON inside (\"), Windows
    // paths (\\), \n and \t escapes.
    bool escapes = false;
    // With escapes: the same document with every \" written '' and every \\ written //,
    // so that it has the same size and shape but no escaped quote or backslash.
    bool rewritten = false;
};

// An API-style response of about targetBytes: a header, then an array of records with
// numbers, booleans, nulls, ASCII and UTF-8 Chinese text, \u escapes, a tag array and a
// nested object.
std::string apiDocument(std::size_t targetBytes, uint32_t seed, const ApiShape& shape);
// Compact unless pretty is set (two-space indentation).
inline std::string apiDocument(std::size_t targetBytes, uint32_t seed, bool pretty = false)
{
    ApiShape shape;
    shape.pretty = pretty;
    return apiDocument(targetBytes, seed, shape);
}

// The text with every \" written '' and every \\ written // (other escapes stay).
std::string rewriteEscapes(const std::string& json);

// [n0,n1,...] with count numbers.
std::string numberArray(std::size_t count, uint32_t seed);

// depth nested arrays ([[[...]]]) or objects ({"a":{"a":...1}}).
std::string deepArrays(std::size_t depth);
std::string deepObjects(std::size_t depth);

} // namespace tess::bench
