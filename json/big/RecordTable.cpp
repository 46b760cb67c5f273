#include "json/big/RecordTable.h"

#include "json/JsonLayout.h"
#include "platform/HexDigits.h"
#include "platform/Utf8.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>

namespace tess::big {
namespace {

constexpr std::string_view kValueColumn = ".";

} // namespace

std::string decodeJsonString(std::string_view s)
{
    if (s.find('\\') == std::string_view::npos)
        return std::string(s);
    std::string out;
    out.reserve(s.size());
    char utf8[4];
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 >= s.size()) {
            out.push_back(s[i]);
            continue;
        }
        const char e = s[++i];
        switch (e) {
        case 'b': out.push_back('\b'); continue;
        case 'f': out.push_back('\f'); continue;
        case 'n': out.push_back('\n'); continue;
        case 'r': out.push_back('\r'); continue;
        case 't': out.push_back('\t'); continue;
        case 'u': break;
        default: out.push_back(e); continue;
        }
        long cp = hex::valueAt(s, i + 1, 4);
        if (cp < 0) {
            out += "\\u";
            continue;
        }
        i += 4;
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 2 < s.size() && s[i + 1] == '\\' && s[i + 2] == 'u') {
            const long low = hex::valueAt(s, i + 3, 4);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                i += 6;
            }
        }
        if (cp >= 0xD800 && cp <= 0xDFFF)
            cp = 0xFFFD;
        out.append(utf8, encodeUtf8(static_cast<char32_t>(cp), utf8));
    }
    return out;
}

RecordTable::RecordTable(const BigDocument& doc, const Node& array) : m_doc(doc), m_array(array) {}

void RecordTable::addColumn(std::string name)
{
    if (m_columnIndex.emplace(name, m_columns.size()).second)
        m_columns.push_back(std::move(name));
}

std::size_t RecordTable::columnOf(const std::string& name) const
{
    const auto found = m_columnIndex.find(name);
    return found == m_columnIndex.end() ? SIZE_MAX : found->second;
}

std::size_t RecordTable::columnOfRaw(std::string_view raw) const
{
    if (raw.find('\\') != std::string_view::npos)
        return columnOf(decodeJsonString(raw));
    const auto found = m_columnIndex.find(raw);
    return found == m_columnIndex.end() ? SIZE_MAX : found->second;
}

void RecordTable::forEachRecord(uint64_t from, const std::function<bool(const Node&)>& visit) const
{
    ChildCursor cursor = m_doc.children(m_array, from);
    Node record;
    while (cursor.next(record))
        if (record.kind != Kind::Error && !visit(record))
            return;
}

bool RecordTable::readColumns(uint64_t rows, const TableProgress& progress)
{
    m_rows = 0;
    bool stopped = false;
    const uint64_t total = m_doc.childCount(m_array);
    forEachRecord(0, [&](const Node& record) {
        if (rows == 0 || m_rows < rows) {
            if (record.kind == Kind::Object) {
                ChildCursor members = m_doc.children(record);
                Node member;
                while (members.next(member)) {
                    const std::string_view raw = m_doc.rawName(member);
                    if (raw.find('\\') != std::string_view::npos || !m_columnIndex.contains(raw))
                        addColumn(decodeJsonString(raw));
                }
            } else {
                addColumn(std::string(kValueColumn));
            }
        }
        ++m_rows;
        if (progress && m_rows % 4096 == 0 && !progress(m_rows, total)) {
            stopped = true;
            return false;
        }
        return true;
    });
    return !stopped;
}

TableCell RecordTable::valueCell(const Node& node) const
{
    TableCell c;
    const std::string_view bytes = m_doc.bytes().substr(node.start, node.end - node.start);
    switch (node.kind) {
    case Kind::String:
        c.kind = TableCell::Kind::String;
        c.text = decodeJsonString(bytes.substr(1, bytes.size() - 2));
        break;
    case Kind::Number:
        c.kind = TableCell::Kind::Number;
        c.text.assign(bytes);
        break;
    case Kind::Object:
    case Kind::Array:
        c.kind = TableCell::Kind::Nested;
        // Compact already when it has no blank at all (in strings or out).
        if (std::none_of(bytes.begin(), bytes.end(), [](char b) { return b == ' ' || b == '\t' || b == '\n' || b == '\r'; }))
            c.text.assign(bytes);
        else
            c.text = layOutJson(bytes, 0);
        break;
    default:
        c.kind = TableCell::Kind::Literal;
        c.text.assign(bytes);
        break;
    }
    return c;
}

std::vector<TableCell> RecordTable::cells(const Node& record) const
{
    std::vector<TableCell> out(m_columns.size());
    if (record.kind != Kind::Object) {
        const std::size_t k = columnOf(std::string(kValueColumn));
        if (k != SIZE_MAX)
            out[k] = valueCell(record);
        return out;
    }
    ChildCursor members = m_doc.children(record);
    Node member;
    while (members.next(member)) {
        const std::size_t k = columnOfRaw(m_doc.rawName(member));
        if (k != SIZE_MAX)
            out[k] = valueCell(member); // a repeated name: the last one, as JSON readers take it
    }
    return out;
}

TableCell RecordTable::cell(const Node& record, std::size_t column) const
{
    if (column >= m_columns.size())
        return {};
    const std::string& name = m_columns[column];
    if (record.kind != Kind::Object)
        return name == kValueColumn ? valueCell(record) : TableCell{};
    TableCell found;
    ChildCursor members = m_doc.children(record);
    Node member;
    while (members.next(member)) {
        const std::string_view raw = m_doc.rawName(member);
        if (raw == name || (raw.find('\\') != std::string_view::npos && decodeJsonString(raw) == name))
            found = valueCell(member);
    }
    return found;
}

std::vector<uint64_t> RecordTable::sortedRows(std::size_t column, bool descending, const TableProgress& progress) const
{
    struct Key {
        uint8_t group; // 0 number, 1 text, 2 missing
        double number;
        std::string text;
    };
    std::vector<Key> keys;
    keys.reserve(m_rows);
    bool stopped = false;
    const std::string& name = column < m_columns.size() ? m_columns[column] : std::string(kValueColumn);
    forEachRecord(0, [&](const Node& record) {
        // The member's node only; numbers are read from the bytes without a text.
        Node found;
        bool has = false;
        if (record.kind != Kind::Object) {
            has = name == kValueColumn;
            found = record;
        } else {
            ChildCursor members = m_doc.children(record);
            Node member;
            while (members.next(member)) {
                const std::string_view raw = m_doc.rawName(member);
                if (raw == name || (raw.find('\\') != std::string_view::npos && decodeJsonString(raw) == name)) {
                    found = member;
                    has = true;
                }
            }
        }
        Key k{2, 0, {}};
        if (has && found.kind == Kind::Number) {
            k.group = 0;
            const std::string_view bytes = m_doc.bytes().substr(found.start, found.end - found.start);
            if (std::from_chars(bytes.data(), bytes.data() + bytes.size(), k.number).ec != std::errc())
                k.number = std::strtod(std::string(bytes).c_str(), nullptr); // out of double's range
        } else if (has) {
            k.group = 1;
            k.text = valueCell(found).text;
        }
        keys.push_back(std::move(k));
        if (progress && keys.size() % 4096 == 0 && !progress(keys.size(), m_rows * 2)) {
            stopped = true;
            return false;
        }
        return true;
    });
    if (stopped)
        return {};
    std::vector<uint64_t> order(keys.size());
    for (uint64_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](uint64_t a, uint64_t b) {
        const Key& x = keys[a];
        const Key& y = keys[b];
        if (x.group != y.group)
            return x.group < y.group;
        if (x.group == 0)
            return descending ? y.number < x.number : x.number < y.number;
        if (x.group == 1)
            return descending ? y.text < x.text : x.text < y.text;
        return false;
    });
    return order;
}

} // namespace tess::big
