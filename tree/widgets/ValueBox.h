#pragma once
// A value box: a multi-line text box that holds a node's value. A value larger than
// kShowLimit bytes is shown in its first kShowLimit bytes, while the box keeps the whole
// value for reading back and copying, until the user edits the box. Text with a line
// longer than kWrapLimit characters is not wrapped: wrapping one long line costs time
// that grows with the square of its length and would freeze the window.
#include "tree/SharedText.h"

#include <QPlainTextEdit>

#include <string>
#include <string_view>

namespace tess {

class ValueBox : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit ValueBox(QWidget* parent = nullptr);

    static constexpr std::size_t kShowLimit = 64 * 1024;
    static constexpr qsizetype kWrapLimit = 4096;

    // Sets the value (GB18030); the other forms take the bytes over or share them instead
    // of a copy (a shared text is read in its first bytes only, to be shown).
    void setValueText(std::string_view gb);
    void setValueText(std::string&& gb);
    void setValueText(SharedText gb);
    void setValueText(const char* gb) { setValueText(std::string_view(gb)); }
    void setValueText(const std::string& gb) { setValueText(std::string_view(gb)); }
    // The beginning of a value of wholeBytes bytes kept elsewhere (a big file): the note
    // under it gives that size, and the copy commands read the whole value from there.
    void setValuePart(std::string&& gb, uint64_t wholeBytes);
    // Shows the value laid out by formatValue (indented, one member per line) instead of
    // as it stands; the value itself, read back and copied, stays unchanged. For a large
    // value only its beginning is laid out, as much as the display shows.
    void setShowFormatted(bool on);
    bool showsFormatted() const { return m_formatted; }
    // The whole value as set, or the box's text once the user has edited it.
    std::string valueText() const;
    bool shortened() const { return m_shortened; }

private:
    // Shows the value whose first bytes are head (at least as many as can be shown) and
    // whose length is total.
    void display(std::string_view head, std::size_t total);
    void display();

    SharedText m_value;
    bool m_formatted = false;
    bool m_valueCurrent = false;
    bool m_setting = false;
    bool m_shortened = false;
    uint64_t m_wholeBytes = 0; // the whole value's size when the box holds its beginning only
};

} // namespace tess
