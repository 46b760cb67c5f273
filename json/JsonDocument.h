#pragma once
// One parsed document: the node table, the scanner that cut it, and the path operations.
#include "json/JsonNodeList.h"
#include "json/JsonScanner.h"
#include "json/TreeContentBuffer.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace tess {

class JsonDocument {
public:
    JsonDocument();
    ~JsonDocument();
    JsonDocument(const JsonDocument&) = delete;
    JsonDocument& operator=(const JsonDocument&) = delete;

    // Replaces the node table by the nodes of text. With singleQuoteFormat the caller's
    // text is replaced by its converted form first; the root keeps that text as its value.
    void parse(std::string& text, bool zeroBasedArrays, bool singleQuoteFormat);
    // The same, taking ownership of the text (no copy of a large input).
    void parseTaking(std::string&& text, bool zeroBasedArrays, bool singleQuoteFormat);
    // The same for a text that stays shared with its owner (a slot's source text).
    void parseSharing(std::shared_ptr<const std::string> text, bool zeroBasedArrays);
    // The same for a text an earlier parse kept as its prepared copy (rootText): the
    // prepared copy is scanned again as it is, and the root keeps sharing text.
    void parseDescribed(std::shared_ptr<const RootText> text, bool zeroBasedArrays);
    // The root's value when this document keeps it as its prepared copy plus the
    // differences (a parsed text that preparing changed), else null. Shared, not copied.
    const std::shared_ptr<const RootText>& rootText() const { return m_nodes.rootText(); }

    // One tree content record per node, in table order.
    TreeContentBlock buildTreeContent() const;
    // The same bytes in consecutive pieces of whole records, a few MiB held at a time.
    void forEachTreeContentPiece(const std::function<void(std::string_view)>& piece) const;

    void setBasePath(std::string_view path) { m_basePath.assign(path); }
    const std::string& basePath() const { return m_basePath; }
    std::string valueAtRelative(std::string_view relativePath);
    int32_t childCountAtRelative(std::string_view relativePath, int32_t& outIndex);

    // Value text at a canonical path ("" when it does not resolve); start 0 for the root.
    std::string valueAt(std::string_view path, int32_t start = 0);
    void setValueAt(std::string_view path, std::string_view value, NodeKind kind);
    int32_t childCountAt(std::string_view path, int32_t& outIndex);

    static std::string cleanValue(std::string_view value);
    static std::string capitalize(std::string_view text);

    // Canonical path of node index ("" for the root or an invalid index).
    std::string pathOfNode(int32_t index) const;

    bool zeroBasedArrays() const { return m_zeroBasedArrays; }
    // True when the text nested deeper than kMaxNesting (json/NestingLimit.h): the
    // nodes are those of the text up to the opener that went too deep.
    bool nestingCut() const { return m_nestingCut; }
    JsonNodeList& nodes() { return m_nodes; }
    const JsonNodeList& nodes() const { return m_nodes; }
    JsonScanner& scanner() { return m_scanner; }
    const JsonScanner& scanner() const { return m_scanner; }

private:
    void parseShared(std::shared_ptr<const std::string> text);

    bool m_zeroBasedArrays = false;
    bool m_nestingCut = false;
    JsonNodeList m_nodes;
    JsonScanner m_scanner;
    std::string m_basePath;
};

} // namespace tess
