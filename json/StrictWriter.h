#pragma once
// A node of the engine's table written out as standard JSON (UTF-8, compact): names and
// string values quoted and escaped, single-quoted strings and unquoted names turned into
// double-quoted ones, the engine's stored escaped quote written as \", numbers and
// true/false/null as written. A bare value that is no JSON number or literal (NaN, 0x1F,
// a word) becomes a string of its text, an empty value null, so nothing the tree shows is
// lost. Trailing commas never reach the table, so they are gone too. No Qt.
#include "json/JsonNodeList.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace tess {

// Writes node's subtree (1 for the whole document) in pieces of about a MiB. Nothing for
// an invalid node.
void writeStrictJson(const JsonNodeList& nodes, int32_t node, const std::function<void(std::string_view)>& piece);

// The same, whole.
std::string strictJson(const JsonNodeList& nodes, int32_t node);

// One scalar value of the table (its text as stored) as a JSON value, appended to out.
void appendStrictScalar(std::string& out, std::string_view stored);

// True when text is a number as JSON writes it (RFC 8259: -?int frac? exp?).
bool isJsonNumber(std::string_view text);

} // namespace tess
