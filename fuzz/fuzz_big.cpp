// The big-document road against a strict recursive reader written here: accepted or
// rejected alike, and for accepted input the same nodes in pre-order (kind, name and
// value bytes, child count). On every input, also with tiny read spans and as JSON Lines:
// childCount against the cursor, child(n), chainAt against the walk, paths in every form
// read back, find in the bytes against the walk, and the GB18030 copy of a UTF-8 input
// read through the converter giving the same texts.
//
// The first byte chooses: bit 0 tiny spans, bit 1 JSON Lines detected, bits 2-4 the path
// form, bit 5 the GB18030 copy, bit 6 elements from 0; the second byte where the find
// text is taken from the input, the third its length.
#include "json/NestingLimit.h"
#include "json/big/BigDocument.h"
#include "json/big/BigFind.h"
#include "json/big/BigPaths.h"
#include "platform/Codec.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace {

using tess::big::BigDocument;
using tess::big::Kind;
using tess::big::Node;

void check(bool ok)
{
    if (!ok)
        std::abort();
}

// ---- the strict reference ----------------------------------------------------------

struct RefNode {
    Kind kind;
    std::string_view name;  // between the quotes
    std::string_view value; // as written (a string with its quotes)
    uint64_t children = 0;
};

class Reference {
public:
    explicit Reference(std::string_view t) : m_t(t) {}
    bool read(std::vector<RefNode>& out)
    {
        m_out = &out;
        if (m_t.starts_with("\xEF\xBB\xBF"))
            m_p = 3;
        blanks();
        if (!value({}, 1))
            return false;
        blanks();
        return m_p == m_t.size();
    }

private:
    void blanks()
    {
        while (m_p < m_t.size() && (m_t[m_p] == ' ' || m_t[m_p] == '\t' || m_t[m_p] == '\n' || m_t[m_p] == '\r'))
            ++m_p;
    }
    bool eat(char c)
    {
        if (m_p < m_t.size() && m_t[m_p] == c) {
            ++m_p;
            return true;
        }
        return false;
    }
    bool string()
    {
        if (!eat('"'))
            return false;
        const std::size_t start = m_p;
        for (;;) {
            if (m_p >= m_t.size())
                return false;
            const unsigned char c = static_cast<unsigned char>(m_t[m_p]);
            if (c == '"')
                break;
            if (c < 0x20)
                return false;
            if (c == '\\') {
                if (m_p + 1 >= m_t.size())
                    return false;
                const char e = m_t[m_p + 1];
                if (e == 'u') {
                    for (std::size_t k = m_p + 2; k < m_p + 6; ++k)
                        if (k >= m_t.size() || !std::isxdigit(static_cast<unsigned char>(m_t[k])))
                            return false;
                    m_p += 6;
                } else if (std::string_view("\"\\/bfnrt").find(e) != std::string_view::npos) {
                    m_p += 2;
                } else {
                    return false;
                }
                continue;
            }
            ++m_p;
        }
        ++m_p;
        return tess::codec::isValidUtf8(m_t.substr(start, m_p - 1 - start));
    }
    bool digits()
    {
        const std::size_t s = m_p;
        while (m_p < m_t.size() && m_t[m_p] >= '0' && m_t[m_p] <= '9')
            ++m_p;
        return m_p > s;
    }
    bool number()
    {
        eat('-');
        if (eat('0')) {
        } else if (!digits()) {
            return false;
        }
        if (eat('.') && !digits())
            return false;
        if (eat('e') || eat('E')) {
            if (!eat('+'))
                eat('-');
            if (!digits())
                return false;
        }
        return true;
    }
    bool literal(std::string_view word)
    {
        if (m_t.substr(m_p, word.size()) != word)
            return false;
        m_p += word.size();
        return true;
    }
    bool value(std::string_view name, uint32_t level)
    {
        const std::size_t me = m_out->size();
        m_out->push_back({Kind::Null, name, {}, 0});
        const std::size_t start = m_p;
        if (m_p >= m_t.size())
            return false;
        const char c = m_t[m_p];
        Kind kind = Kind::Number;
        bool ok = false;
        if (c == '{' || c == '[') {
            if (level > tess::kMaxNesting)
                return false;
            kind = c == '{' ? Kind::Object : Kind::Array;
            ++m_p;
            blanks();
            uint64_t n = 0;
            ok = true;
            if (!eat(c == '{' ? '}' : ']')) {
                for (;;) {
                    std::string_view childName;
                    if (kind == Kind::Object) {
                        const std::size_t q = m_p;
                        if (!string())
                            return false;
                        childName = m_t.substr(q + 1, m_p - q - 2);
                        blanks();
                        if (!eat(':'))
                            return false;
                        blanks();
                    }
                    if (!value(childName, level + 1))
                        return false;
                    ++n;
                    blanks();
                    if (eat(','))
                        blanks();
                    else if (eat(kind == Kind::Object ? '}' : ']'))
                        break;
                    else
                        return false;
                }
            }
            (*m_out)[me].children = n;
        } else if (c == '"') {
            kind = Kind::String;
            ok = string();
        } else if (c == 't' || c == 'f' || c == 'n') {
            kind = c == 't' ? Kind::True : c == 'f' ? Kind::False : Kind::Null;
            ok = literal(c == 't' ? "true" : c == 'f' ? "false" : "null");
        } else {
            ok = number();
        }
        (*m_out)[me].kind = kind;
        (*m_out)[me].value = m_t.substr(start, m_p - start);
        return ok;
    }

    std::string_view m_t;
    std::size_t m_p = 0;
    std::vector<RefNode>* m_out = nullptr;
};

// ---- the walks ---------------------------------------------------------------------

std::vector<std::vector<Node>> preOrder(const BigDocument& doc)
{
    std::vector<std::vector<Node>> out;
    Node root;
    if (!doc.root(root))
        return out;
    std::vector<std::vector<Node>> stack{{root}};
    while (!stack.empty() && out.size() < 20000) {
        std::vector<Node> chain = std::move(stack.back());
        stack.pop_back();
        std::vector<std::vector<Node>> kids;
        tess::big::ChildCursor c = doc.children(chain.back());
        Node child;
        while (c.next(child)) {
            kids.push_back(chain);
            kids.back().push_back(child);
        }
        // the count, the cursor and child(n) agree
        check(doc.childCount(chain.back()) == kids.size());
        for (std::size_t k = 0; k < kids.size() && k < 64; ++k) {
            Node nth;
            check(doc.child(chain.back(), k, nth) && nth.start == kids[k].back().start && nth.kind == kids[k].back().kind);
        }
        Node past;
        check(!doc.child(chain.back(), kids.size(), past));
        out.push_back(std::move(chain));
        stack.insert(stack.end(), kids.rbegin(), kids.rend());
    }
    return out;
}

// A name met before among its siblings: paths name the first of duplicates only, so a
// path through a later one need not read back.
bool throughLaterTwin(const BigDocument& doc, const std::vector<Node>& chain)
{
    for (std::size_t k = 1; k < chain.size(); ++k) {
        if (!chain[k].isMember())
            continue;
        tess::big::ChildCursor c = doc.children(chain[k - 1]);
        for (Node sibling; c.next(sibling) && sibling.start != chain[k].start;)
            if (doc.rawName(sibling) == doc.rawName(chain[k]))
                return true;
    }
    return false;
}

bool sameNode(const Node& a, const Node& b)
{
    return a.start == b.start && a.end == b.end && a.kind == b.kind && a.keyStart == b.keyStart;
}

std::string texts(const BigDocument& doc, const std::vector<std::vector<Node>>& chains)
{
    std::string out;
    for (const auto& chain : chains) {
        out += doc.caption(chain.back(), false, 4096);
        out.push_back('\0');
        out += doc.value(chain.back(), 4096);
        out.push_back('\0');
    }
    return out;
}

void checkDocument(const BigDocument& doc, std::string_view input, uint8_t flags, std::string_view findText)
{
    const std::vector<std::vector<Node>> chains = preOrder(doc);
    // The node at each caption's start is the walk's node, with the walk's ancestors.
    std::vector<Node> near;
    for (std::size_t k = 1; k < chains.size() && k < 2000; ++k) {
        const std::vector<Node>& chain = chains[k];
        std::vector<Node> at = doc.chainAt(tess::big::captionStart(chain.back()), near.empty() ? nullptr : &near);
        check(at.size() == chain.size());
        for (std::size_t j = 0; j < at.size(); ++j)
            check(sameNode(at[j], chain[j]));
        near = std::move(at);
    }
    // Paths read back name a node of the same path.
    tess::big::PathForm form;
    form.style = static_cast<tess::PathStyle>((flags >> 2 & 7) % 5);
    form.compactTree = flags & 0x80;
    form.zeroBased = flags & 0x40;
    for (std::size_t k = 0; k < chains.size() && k < 300; ++k) {
        const std::string path = tess::big::pathOf(doc, chains[k], form);
        std::vector<Node> back;
        if (!tess::big::resolvePath(doc, path, form.style, form.zeroBased, back)) {
            // the tree's form cannot name what its own quoting leaves ambiguous (a name
            // holding both a dot and a quote); every other form reads back
            check(form.style == tess::PathStyle::Tree || throughLaterTwin(doc, chains[k]));
            continue;
        }
        check(tess::big::pathOf(doc, back, form) == path || form.style == tess::PathStyle::Tree);
    }
    // Find in the bytes stops where the walk does.
    if (!findText.empty() && tess::big::findSearchesBytes(doc, findText, tess::FindMode::Plain, false)) {
        const std::string engineText = tess::big::toEngineText(findText);
        const tess::CaptionMatcher matcher(engineText, tess::FindMode::Plain, false);
        std::vector<uint64_t> byBytes, byWalk;
        tess::big::findInBytes(doc, findText, matcher, form.zeroBased, 0, [&](const std::vector<Node>& chain) {
            byBytes.push_back(tess::big::captionStart(chain.back()));
            return byBytes.size() < 5000;
        });
        for (std::size_t k = 1; k < chains.size() && byWalk.size() < 5000; ++k)
            if (matcher.matches(tess::searchedPart(doc.caption(chains[k].back(), form.zeroBased, tess::big::kCaptionReadBytes))))
                byWalk.push_back(tess::big::captionStart(chains[k].back()));
        if (chains.size() < 20000)
            check(byBytes == byWalk);
    }
    (void)input;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 3)
        return 0;
    const uint8_t flags = data[0];
    const std::string_view input(reinterpret_cast<const char*>(data + 3), size - 3);
    const std::size_t findAt = input.empty() ? 0 : data[1] % input.size();
    const std::string_view findText = input.substr(findAt, std::min<std::size_t>(data[2] % 8, input.size() - findAt));

    tess::big::OpenOptions options;
    if (flags & 1) {
        options.index.bigSpan = 8;
        options.index.checkpointSpan = 5;
    }
    options.index.lines = flags & 2 ? tess::big::LinesMode::Detect : tess::big::LinesMode::Never;

    BigDocument doc;
    doc.openBytes(input, options);
    if (!(flags & 2)) {
        std::vector<RefNode> expected;
        const bool valid = Reference(input).read(expected);
        check(valid == !doc.error().present);
        if (valid) {
            const std::vector<std::vector<Node>> chains = preOrder(doc);
            check(chains.size() == expected.size());
            const std::string_view b = doc.bytes();
            for (std::size_t k = 0; k < chains.size(); ++k) {
                const Node& n = chains[k].back();
                const RefNode& e = expected[k];
                check(n.kind == e.kind);
                check(doc.rawName(n) == e.name);
                check(b.substr(n.start, n.end - n.start) == e.value);
                check(doc.childCount(n) == e.children);
            }
            check(doc.index().nodeCount == expected.size());
        }
    }
    checkDocument(doc, input, flags, findText);

    // The same text in GB18030, read from a file through the converter: the same texts.
    if (flags & 0x20 && !input.empty() && !input.starts_with("\xEF\xBB\xBF") && tess::codec::isValidUtf8(input)) {
        const tess::codec::ConvertResult gb = tess::codec::utf8ToGb18030(input);
        if (tess::codec::gb18030ToUtf8(gb.text).text != input || tess::codec::isValidUtf8(gb.text))
            return 0; // not every text has a GB18030 form that reads back, nor one that is not UTF-8
        const int fd = memfd_create("fuzz_big", MFD_CLOEXEC);
        check(fd >= 0 && write(fd, gb.text.data(), gb.text.size()) == static_cast<ssize_t>(gb.text.size()));
        BigDocument copy;
        std::string error;
        check(copy.open("/proc/self/fd/" + std::to_string(fd), options, error));
        close(fd);
        check(copy.error().present == doc.error().present);
        check(texts(copy, preOrder(copy)) == texts(doc, preOrder(doc)));
    }
    return 0;
}
