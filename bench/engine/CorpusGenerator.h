#pragma once
// Seeded generator of benchmark documents. The same seed always gives the same bytes.
#include <cstddef>
#include <cstdint>
#include <string>

namespace tess::bench {

// An API-style response of about targetBytes: a header, then an array of records with
// numbers, booleans, nulls, ASCII and UTF-8 Chinese text, \u escapes, a tag array and a
// nested object. Compact unless pretty is set (two-space indentation).
std::string apiDocument(std::size_t targetBytes, uint32_t seed, bool pretty = false);

// [n0,n1,...] with count numbers.
std::string numberArray(std::size_t count, uint32_t seed);

// depth nested arrays ([[[...]]]) or objects ({"a":{"a":...1}}).
std::string deepArrays(std::size_t depth);
std::string deepObjects(std::size_t depth);

} // namespace tess::bench
