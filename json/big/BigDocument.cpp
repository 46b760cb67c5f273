#include "json/big/BigDocument.h"

#include "json/big/Transcode.h"

#include "platform/Codec.h"
#include "json/Decoders.h"
#include "json/JsonNode.h"

#include <algorithm>
#include <cstring>

namespace tess::big {
namespace {

constexpr uint64_t kPiece = 1 << 20;

inline bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

Kind kindOf(char c)
{
    switch (c) {
    case '{': return Kind::Object;
    case '[': return Kind::Array;
    case '"': return Kind::String;
    case 't': return Kind::True;
    case 'f': return Kind::False;
    case 'n': return Kind::Null;
    default: return Kind::Number;
    }
}

bool isAscii(std::string_view s)
{
    for (const char c : s)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

// Cuts a UTF-8 text at most n bytes long at a character boundary.
std::size_t cutAtCharacter(std::string_view s, std::size_t n)
{
    if (n >= s.size())
        return s.size();
    while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80)
        --n;
    return n;
}

} // namespace

uint64_t countLineFeeds(std::string_view text)
{
    uint64_t n = 0;
    for (const char* p = text.data(), *e = p + text.size();
         p < e && (p = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(e - p)))); ++p)
        ++n;
    return n;
}

std::string toEngineText(std::string_view utf8)
{
    if (isAscii(utf8))
        return std::string(utf8);
    return codec::utf8ToGb18030(utf8).text;
}

BigDocument::BigDocument() = default;
BigDocument::~BigDocument() = default;

bool BigDocument::open(const std::string& path, const OpenOptions& options, std::string& error)
{
    if (!m_file.open(path, error))
        return false;
    buildIndex(options);
    if (notUtf8() && !convertToUtf8(path, options, error))
        return false;
    return !fileCut(error);
}

bool BigDocument::notUtf8() const
{
    // The whole text decides, as on the engine's road: UTF-16 by its byte-order mark,
    // UTF-8 by its own mark (a bad byte after it is an error) or when every byte is
    // UTF-8, else GB18030 (JSON Lines that are no GB18030 either keep the UTF-8 reading,
    // see convertToUtf8). Only a text the pass found fault with is read again for that.
    const std::string_view b = bytes();
    if (b.starts_with("\xFF\xFE") || b.starts_with("\xFE\xFF"))
        return true;
    if (m_index.begin == 3 || m_index.cancelled || (!m_index.error.present && m_index.lineErrors.empty()))
        return false;
    return !codec::isValidUtf8(b);
}

bool BigDocument::convertToUtf8(const std::string& path, const OpenOptions& options, std::string& error)
{
    auto copy = std::make_unique<TranscodedFile>();
    if (!copy->convert(path, encodingOf(bytes().substr(0, 2)), options.index.progress, error)) {
        if (!copy->cancelled())
            return false;
        m_index = BigIndex{};
        m_index.cancelled = true;
        m_index.error.present = true;
        m_index.error.message = "cancelled";
        return true;
    }
    // JSON Lines in neither UTF-8 nor GB18030: read as the UTF-8 they were meant to be,
    // where a bad byte breaks only its line.
    if (m_index.lines && copy->badBytes() > 0 && encodingOf(bytes().substr(0, 2)) == SourceEncoding::Gb18030)
        return true;
    if (!m_file.openDescriptor(copy->descriptor(), error))
        return false;
    m_copy = std::move(copy);
    buildIndex(options);
    if (m_index.error.present)
        m_errorFileOffset = m_copy->sourceOffset(m_index.error.offset);
    return true;
}

uint64_t BigDocument::fileOffset(uint64_t offset) const
{
    return m_copy ? m_copy->sourceOffset(offset) : offset;
}

uint64_t BigDocument::errorFileOffset() const
{
    return m_copy ? m_errorFileOffset : m_index.error.offset;
}

bool BigDocument::openDescriptor(int fd, const OpenOptions& options, std::string& error)
{
    if (!m_file.openDescriptor(fd, error))
        return false;
    buildIndex(options);
    // JSON Lines are converted here too; another document in another encoding is left to
    // the caller (the command line gives it to the engine when it can hold it).
    if (m_index.lines && notUtf8() && !convertToUtf8("/proc/self/fd/" + std::to_string(fd), options, error))
        return false;
    return !fileCut(error);
}

bool BigDocument::fileCut(std::string& error) const
{
    if (!m_file.cut())
        return false;
    error = "the file was cut short while it was read";
    return true;
}

void BigDocument::openBytes(std::string_view bytes, const OpenOptions& options)
{
    m_file.borrow(bytes);
    buildIndex(options);
}

void BigDocument::buildIndex(const OpenOptions& options)
{
    m_file.adviseSequential(true);
    m_index = big::buildIndex(m_file.bytes(), options.index);
    m_file.adviseSequential(false);
}

bool BigDocument::root(Node& out) const
{
    out = Node{};
    if (m_index.lines) {
        out.kind = Kind::Lines;
        out.start = m_index.begin;
        out.end = m_file.size();
        return true;
    }
    if (!m_index.hasRoot)
        return false;
    const uint64_t limit = m_index.limit;
    uint64_t pos = m_index.rootStart;
    out.kind = kindOf(bytes()[pos]);
    out.start = pos;
    if (!readChild(pos, limit, false, out)) {
        return false;
    }
    out.index = 0;
    return true;
}

uint64_t BigDocument::skipSpace(uint64_t pos, uint64_t limit) const
{
    const char* d = bytes().data();
    while (pos < limit && isSpace(d[pos]))
        ++pos;
    return pos;
}

// Past the closing quote of the string opening at quote, or limit + 1 when it does not
// close before limit.
uint64_t BigDocument::stringEnd(uint64_t quote, uint64_t limit) const
{
    const char* d = bytes().data();
    uint64_t pos = quote + 1;
    for (;;) {
        if (pos >= limit)
            return limit + 1;
        const void* q = std::memchr(d + pos, '"', limit - pos);
        if (!q)
            return limit + 1;
        const uint64_t at = static_cast<uint64_t>(static_cast<const char*>(q) - d);
        uint64_t slashes = 0;
        while (at - slashes > quote + 1 && d[at - slashes - 1] == '\\')
            ++slashes;
        if (slashes % 2 == 0)
            return at + 1;
        pos = at + 1;
    }
}

// Past the closer of the container opening at open (kept ones from the index, small
// ones by counting brackets), or limit + 1 when it does not close before limit.
uint64_t BigDocument::containerEnd(uint64_t open, uint64_t limit, bool& truncated) const
{
    truncated = false;
    if (const ContainerEntry* e = m_index.find(open)) {
        truncated = e->truncated;
        return e->end;
    }
    const char* d = bytes().data();
    uint64_t depth = 0;
    for (uint64_t pos = open; pos < limit;) {
        const char c = d[pos];
        if (c == '"') {
            pos = stringEnd(pos, limit);
            continue;
        }
        if (c == '{' || c == '[') {
            ++depth;
        } else if (c == '}' || c == ']') {
            if (--depth == 0)
                return pos + 1;
        }
        ++pos;
    }
    return limit + 1;
}

// Reads one child at pos (its name first in an object): false at the container's end or
// where the usable bytes end.
bool BigDocument::readChild(uint64_t& pos, uint64_t limit, bool object, Node& out) const
{
    const char* d = bytes().data();
    pos = skipSpace(pos, limit);
    if (pos >= limit)
        return false;
    if (object) {
        if (d[pos] != '"')
            return false;
        out.keyStart = pos;
        out.keyEnd = stringEnd(pos, limit);
        if (out.keyEnd > limit)
            return false;
        pos = skipSpace(out.keyEnd, limit);
        if (pos >= limit || d[pos] != ':')
            return false;
        pos = skipSpace(pos + 1, limit);
        if (pos >= limit)
            return false;
    } else {
        out.keyStart = out.keyEnd = 0;
    }
    const char c = d[pos];
    if (c == '}' || c == ']' || c == ',')
        return false;
    out.start = pos;
    out.kind = kindOf(c);
    out.truncated = false;
    switch (out.kind) {
    case Kind::Object:
    case Kind::Array:
        out.end = containerEnd(pos, limit, out.truncated);
        break;
    case Kind::String:
        out.end = stringEnd(pos, limit);
        break;
    default: {
        uint64_t e = pos;
        while (e < limit && !isSpace(d[e]) && d[e] != ',' && d[e] != ']' && d[e] != '}')
            ++e;
        out.end = e;
    }
    }
    if (out.end > limit)
        return false;
    pos = skipSpace(out.end, limit);
    if (pos < limit && d[pos] == ',')
        ++pos;
    return true;
}

// The next record of JSON Lines from pos (on line `line`), both moved past it: a value,
// or a broken line. False at the end.
bool BigDocument::nextRecord(uint64_t& pos, uint64_t& line, Node& out) const
{
    const std::string_view b = bytes();
    const uint64_t limit = m_index.limit;
    for (;;) {
        while (pos < limit && (b[pos] == ' ' || b[pos] == '\t' || b[pos] == '\r'))
            ++pos;
        if (pos >= limit)
            return false;
        if (b[pos] != '\n')
            break;
        ++pos;
        ++line;
    }
    out = Node{};
    const auto& errors = m_index.lineErrors;
    const auto broken = std::lower_bound(errors.begin(), errors.end(), line,
                                         [](const ParseError& e, uint64_t l) { return e.line < l; });
    if (broken != errors.end() && broken->line == line) {
        const void* nl = std::memchr(b.data() + pos, '\n', limit - pos);
        out.kind = Kind::Error;
        out.error = broken - errors.begin();
        out.start = pos;
        out.end = nl ? static_cast<uint64_t>(static_cast<const char*>(nl) - b.data()) : limit;
        out.line = line;
        pos = out.end;
        return true;
    }
    uint64_t p = pos;
    if (!readChild(p, limit, false, out))
        return false;
    out.line = line;
    // a record is one line, but the one where the file turned out to be JSON Lines may
    // not have been checked for that
    line += countLineFeeds(b.substr(pos, out.end - pos));
    pos = out.end;
    return true;
}

bool BigDocument::recordOnLine(uint64_t line, Node& out) const
{
    const auto& cps = m_index.lineCheckpoints;
    const auto it = std::upper_bound(cps.begin(), cps.end(), line,
                                     [](uint64_t l, const LineCheckpoint& cp) { return l < cp.line; });
    uint64_t pos = it == cps.begin() ? m_index.begin : (it - 1)->offset;
    uint64_t at = it == cps.begin() ? 1 : (it - 1)->line;
    uint64_t number = it == cps.begin() ? 0 : (it - 1)->record;
    while (nextRecord(pos, at, out)) {
        out.index = number++;
        if (out.line >= line)
            return out.line == line;
    }
    return false;
}

bool ChildCursor::next(Node& out)
{
    if (m_done)
        return false;
    if (m_parent.kind == Kind::Lines) {
        if (!m_doc->nextRecord(m_pos, m_line, out)) {
            m_done = true;
            return false;
        }
        out.index = m_index++;
        return true;
    }
    if (!m_doc->readChild(m_pos, m_limit, m_parent.kind == Kind::Object, out)) {
        m_done = true;
        return false;
    }
    out.index = m_index++;
    out.line = 0;
    out.error = -1;
    return true;
}

ChildCursor BigDocument::children(const Node& container, uint64_t from) const
{
    ChildCursor c;
    c.m_doc = this;
    c.m_parent = container;
    c.m_done = !container.isContainer();
    if (c.m_done)
        return c;
    if (container.kind == Kind::Lines) {
        c.m_pos = m_index.begin;
        const auto& cps = m_index.lineCheckpoints;
        const auto it = std::upper_bound(cps.begin(), cps.end(), from,
                                         [](uint64_t f, const LineCheckpoint& cp) { return f < cp.record; });
        if (it != cps.begin()) {
            c.m_pos = (it - 1)->offset;
            c.m_line = (it - 1)->line;
            c.m_index = (it - 1)->record;
        }
        Node skipped;
        while (c.m_index < from && c.next(skipped)) {
        }
        return c;
    }
    c.m_pos = container.start + 1;
    c.m_limit = std::min(container.truncated ? container.end : container.end - 1, m_index.limit);
    c.m_index = 0;
    if (from > 0) {
        if (const ContainerEntry* e = m_index.find(container.start)) {
            const Checkpoint* first = m_index.checkpoints.data() + e->firstCheckpoint;
            const Checkpoint* last = first + e->checkpointCount;
            const Checkpoint* it = std::upper_bound(first, last, from,
                                                    [](uint64_t f, const Checkpoint& cp) { return f < cp.child; });
            if (it != first) {
                --it;
                c.m_pos = it->offset;
                c.m_index = it->child;
            }
        }
        Node skipped;
        while (c.m_index < from && c.next(skipped)) {
        }
    }
    return c;
}

bool BigDocument::child(const Node& container, uint64_t number, Node& out) const
{
    ChildCursor c = children(container, number);
    return c.next(out);
}

uint64_t BigDocument::childCount(const Node& container) const
{
    if (container.kind == Kind::Lines)
        return m_index.recordCount;
    if (!container.isContainer())
        return 0;
    if (const ContainerEntry* e = m_index.find(container.start))
        return e->count;
    uint64_t n = 0;
    ChildCursor c = children(container);
    Node skipped;
    while (c.next(skipped))
        ++n;
    return n;
}

std::string_view BigDocument::rawName(const Node& node) const
{
    if (!node.isMember())
        return {};
    return bytes().substr(node.keyStart + 1, node.keyEnd - node.keyStart - 2);
}

void BigDocument::forEachValuePiece(const Node& node, const std::function<bool(std::string_view)>& piece) const
{
    const std::string_view b = bytes();
    if (node.kind == Kind::String) {
        const uint64_t s = node.start + 1;
        const uint64_t e = node.end - 1;
        for (uint64_t p = s; p < e;) {
            uint64_t n = cutAtCharacter(b.substr(p, e - p), kPiece);
            if (n == 0)
                n = std::min<uint64_t>(kPiece, e - p);
            if (!piece(toEngineText(b.substr(p, n))))
                return;
            p += n;
        }
        return;
    }
    if (!node.isContainer() || node.kind == Kind::Lines) {
        for (uint64_t p = node.start; p < node.end;) {
            const uint64_t rest = node.end - p;
            uint64_t n = cutAtCharacter(b.substr(p, rest), kPiece);
            if (n == 0)
                n = std::min<uint64_t>(kPiece, rest);
            if (!piece(toEngineText(b.substr(p, n))))
                return;
            p += n;
        }
        return;
    }
    // A container: blanks outside strings left out.
    std::string out;
    out.reserve(std::min<uint64_t>(kPiece + 64, node.end - node.start));
    bool inString = false;
    const char* d = b.data();
    for (uint64_t p = node.start; p < node.end; ++p) {
        const char c = d[p];
        if (inString) {
            out.push_back(c);
            if (c == '\\' && p + 1 < node.end)
                out.push_back(d[++p]);
            else if (c == '"')
                inString = false;
        } else if (!isSpace(c)) {
            out.push_back(c);
            inString = c == '"';
        }
        if (out.size() >= kPiece && (static_cast<unsigned char>(d[p + 1 < node.end ? p + 1 : p]) & 0xC0) != 0x80) {
            if (!piece(toEngineText(out)))
                return;
            out.clear();
        }
    }
    if (!out.empty())
        piece(toEngineText(out));
}

std::string BigDocument::value(const Node& node, uint64_t maxBytes, bool* cut) const
{
    std::string out;
    bool wasCut = false;
    forEachValuePiece(node, [&](std::string_view p) {
        if (out.size() + p.size() > maxBytes) {
            // cut at a GB18030 character: lead bytes are 0x81..0xFE, so step over whole ones
            std::size_t n = 0;
            const std::size_t room = maxBytes - out.size();
            while (n < p.size()) {
                const unsigned char c = static_cast<unsigned char>(p[n]);
                std::size_t len = 1;
                if (c >= 0x81 && c <= 0xFE && n + 1 < p.size())
                    len = (static_cast<unsigned char>(p[n + 1]) >= 0x30 && static_cast<unsigned char>(p[n + 1]) <= 0x39) ? 4 : 2;
                if (n + len > room)
                    break;
                n += len;
            }
            out.append(p.substr(0, n));
            wasCut = true;
            return false;
        }
        out.append(p);
        return true;
    });
    if (cut)
        *cut = wasCut;
    return out;
}

std::string BigDocument::decodedValue(const Node& node, uint64_t maxBytes, bool* cut) const
{
    return decodeHtmlEntities(decodeUnicodeEscapes(value(node, maxBytes, cut)));
}

std::string BigDocument::captionName(const Node& node, bool zeroBased) const
{
    auto bracketed = [](uint64_t n) {
        std::string s(1, '[');
        s += std::to_string(n);
        s.push_back(']');
        return s;
    };
    if (node.line)
        return bracketed(node.line);
    if (node.isMember()) {
        // The engine keeps an escaped quote of a name as "#SYH#" and shows it so.
        std::string gb = toEngineText(rawName(node));
        if (gb.find('\\') == std::string::npos)
            return gb;
        std::string out;
        for (std::size_t i = 0; i < gb.size(); ++i) {
            if (gb[i] == '\\' && i + 1 < gb.size() && gb[i + 1] == '"') {
                out += kQuotePlaceholder;
                ++i;
            } else {
                out.push_back(gb[i]);
                if (static_cast<unsigned char>(gb[i]) >= 0x80 && i + 1 < gb.size())
                    out.push_back(gb[++i]);
            }
        }
        return out;
    }
    return bracketed(node.index + (zeroBased ? 0 : 1));
}

std::string BigDocument::caption(const Node& node, bool zeroBased, uint64_t maxBytes) const
{
    std::string out = captionName(node, zeroBased);
    if (node.kind == Kind::Error) {
        out += ":";
        const std::string& message = m_index.lineErrors[static_cast<std::size_t>(node.error)].message;
        out += m_messageText ? m_messageText(message) : message;
        return out;
    }
    if (node.isContainer())
        return out;
    out.push_back(':');
    const std::string_view b = bytes();
    const uint64_t n = std::min<uint64_t>(node.end - node.start, maxBytes);
    out += toEngineText(b.substr(node.start, cutAtCharacter(b.substr(node.start, node.end - node.start), n)));
    return out;
}

ChildCursor BigDocument::childrenFrom(const Node& container, const Node& child) const
{
    ChildCursor c;
    c.m_doc = this;
    c.m_parent = container;
    c.m_done = !container.isContainer();
    c.m_limit = std::min(container.truncated ? container.end : container.end - 1, m_index.limit);
    c.m_pos = child.isMember() ? child.keyStart : child.start;
    c.m_line = child.line;
    c.m_index = child.index;
    return c;
}

uint64_t BigDocument::checkpointBefore(const Node& container, uint64_t offset) const
{
    if (container.kind == Kind::Lines) {
        const auto& cps = m_index.lineCheckpoints;
        const auto it = std::upper_bound(cps.begin(), cps.end(), offset,
                                         [](uint64_t o, const LineCheckpoint& cp) { return o < cp.offset; });
        return it == cps.begin() ? 0 : (it - 1)->record;
    }
    const ContainerEntry* e = m_index.find(container.start);
    if (!e)
        return 0;
    const Checkpoint* first = m_index.checkpoints.data() + e->firstCheckpoint;
    const Checkpoint* last = first + e->checkpointCount;
    const Checkpoint* it =
        std::upper_bound(first, last, offset, [](uint64_t o, const Checkpoint& cp) { return o < cp.offset; });
    return it == first ? 0 : (it - 1)->child;
}

ChildCursor BigDocument::childrenAfter(const Node& container, uint64_t offset) const
{
    // From the last checkpoint before offset, then past the children that start before it.
    ChildCursor c = children(container, checkpointBefore(container, offset));
    for (;;) {
        const ChildCursor before = c;
        Node child;
        if (!c.next(child))
            return c;
        if ((child.isMember() ? child.keyStart : child.start) >= offset)
            return before;
    }
}

std::vector<Node> BigDocument::chainAt(uint64_t offset, const std::vector<Node>* near) const
{
    std::vector<Node> chain;
    Node node;
    if (!root(node))
        return chain;
    chain.push_back(node);
    // The levels of near that still lead towards offset: continue from the child there.
    std::size_t shared = 1;
    if (near && !near->empty() && near->front().start == node.start) {
        while (shared < near->size()) {
            const Node& n = (*near)[shared];
            const uint64_t s = n.isMember() ? n.keyStart : n.start;
            if (s > offset)
                break;
            if (offset >= n.end) {
                // offset lies after this child: its parent's walk resumes from it
                Node found;
                ChildCursor c = childrenFrom(chain.back(), n);
                bool ok = false;
                while (c.next(found)) {
                    const uint64_t fs = found.isMember() ? found.keyStart : found.start;
                    if (fs > offset)
                        break;
                    if (offset < found.end) {
                        ok = true;
                        break;
                    }
                }
                if (!ok)
                    return chain;
                chain.push_back(found);
                node = found;
                shared = near->size(); // below here near says nothing
                break;
            }
            chain.push_back(n);
            node = n;
            ++shared;
        }
    }
    while (node.isContainer()) {
        Node found;
        bool ok = false;
        if (node.kind == Kind::Lines) {
            ChildCursor c = children(node, checkpointBefore(node, offset));
            Node child;
            while (c.next(child)) {
                if (child.start > offset)
                    break;
                if (offset < child.end) {
                    found = child;
                    ok = true;
                    break;
                }
            }
        } else {
            // Start at the last checkpoint before offset, then walk.
            ChildCursor c = children(node, checkpointBefore(node, offset));
            Node child;
            while (c.next(child)) {
                const uint64_t s = child.isMember() ? child.keyStart : child.start;
                if (s > offset)
                    break;
                if (offset < child.end) {
                    found = child;
                    ok = true;
                    break;
                }
            }
        }
        if (!ok)
            break;
        chain.push_back(found);
        node = found;
    }
    return chain;
}

} // namespace tess::big
