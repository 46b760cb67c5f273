#include "compare/BigSide.h"

#include "compare/NumberValue.h"
#include "compare/StringValue.h"

namespace tess::compare {

ValueType BigSide::typeOf(const Item& item) const
{
    switch (item.kind) {
    case big::Kind::Null: return ValueType::Null;
    case big::Kind::False: return ValueType::False;
    case big::Kind::True: return ValueType::True;
    case big::Kind::Number: return ValueType::Number;
    case big::Kind::String: return ValueType::String;
    case big::Kind::Object: return ValueType::Object;
    case big::Kind::Array:
    case big::Kind::Lines: return ValueType::Array;
    case big::Kind::Error: return ValueType::Other;
    }
    return ValueType::Other;
}

void BigSide::scalarKey(const Item& item, std::string& out) const
{
    const std::string_view text = m_doc.bytes().substr(item.start, item.end - item.start);
    if (item.kind == big::Kind::String && text.size() >= 2) {
        decodeUtf8String(text.substr(1, text.size() - 2), out);
        return;
    }
    if (item.kind == big::Kind::Number)
        if (const auto n = canonicalNumber(text)) {
            out += *n;
            return;
        }
    out += text;
}

void BigSide::memberName(const Item& item, std::string& out) const
{
    decodeUtf8String(m_doc.rawName(item), out);
}

void BigSide::appendText(const Item& item, std::string& out) const
{
    const bool string = item.kind == big::Kind::String;
    if (string)
        out.push_back('"');
    m_doc.forEachValuePiece(item, [&](std::string_view piece) {
        out += piece;
        return true;
    });
    if (string)
        out.push_back('"');
}

} // namespace tess::compare
