// Value boxes: a huge value is shown shortened but read back and copied whole, until the
// user edits the box.
#include "json/RootText.h"
#include "json/ScanBuffer.h"
#include "platform/Codec.h"
#include "tree/widgets/ValueBox.h"

#include <QTest>
#include <gtest/gtest.h>

namespace tess {
namespace {

TEST(ValueBox, HugeValuesAreShortenedOnScreenOnly)
{
    ValueBox box;
    std::string value(ValueBox::kShowLimit - 1, 'v');
    value += codec::gb(u8"中"); // straddles the limit
    value += std::string(1000, 'w');
    box.setValueText(value);
    EXPECT_TRUE(box.shortened());
    EXPECT_EQ(box.valueText(), value);
    const QString shown = box.toPlainText();
    EXPECT_TRUE(shown.startsWith(QString(static_cast<qsizetype>(ValueBox::kShowLimit - 1), QLatin1Char('v')) + "\n"));
    EXPECT_LT(shown.size(), static_cast<qsizetype>(ValueBox::kShowLimit + 200));

    // A value of exactly the limit is shown whole; one byte more is not.
    box.setValueText(std::string(ValueBox::kShowLimit, 'x'));
    EXPECT_FALSE(box.shortened());
    box.setValueText(std::string(ValueBox::kShowLimit + 1, 'x'));
    EXPECT_TRUE(box.shortened());

    box.setValueText(codec::gb(u8"小值"));
    EXPECT_FALSE(box.shortened());
    EXPECT_EQ(box.toPlainText(), QString::fromUtf8(u8"小值"));
    EXPECT_EQ(box.valueText(), codec::gb(u8"小值"));
}

// A value shared in pieces (a document's text kept as its prepared copy) shows the same
// beginning and the same size notice as the value held whole, and reads back whole.
TEST(ValueBox, ASharedValueShowsAndReadsBackLikeTheSameValueHeldWhole)
{
    std::string value;
    for (int i = 0; value.size() < 3 * ValueBox::kShowLimit; ++i)
        value += "{\"k" + std::to_string(i) + "\":\"say \\\"" + std::string(codec::gb(u8"中文")) + "\\\" with more words after it, and then some more of them\"},";
    auto prepared = std::make_shared<const std::string>(prepareText(value));
    std::optional<RootText> described = RootText::describe(value, prepared);
    ASSERT_TRUE(described.has_value());
    const SharedText shared(std::make_shared<const RootText>(std::move(*described)));
    for (const bool formatted : {false, true}) {
        ValueBox whole;
        ValueBox pieces;
        whole.setShowFormatted(formatted);
        pieces.setShowFormatted(formatted);
        whole.setValueText(value);
        pieces.setValueText(shared);
        EXPECT_TRUE(pieces.shortened());
        EXPECT_EQ(pieces.toPlainText(), whole.toPlainText()) << formatted;
        EXPECT_EQ(pieces.valueText(), value);
    }
}

TEST(ValueBox, TypedTextReplacesTheStoredValue)
{
    ValueBox box;
    box.setValueText(std::string(ValueBox::kShowLimit + 10, 'x'));
    box.setPlainText(QStringLiteral("typed"));
    EXPECT_EQ(box.valueText(), "typed");
    box.setValueText("again");
    QTest::keyClicks(&box, "!");
    EXPECT_EQ(box.valueText(), "!again");
}

} // namespace
} // namespace tess

namespace tess {
namespace {

TEST(ValueBox, OnlyTextWithVeryLongLinesIsLeftUnwrapped)
{
    ValueBox box;
    box.setValueText(std::string(ValueBox::kWrapLimit + 1, 'x'));
    EXPECT_EQ(box.lineWrapMode(), QPlainTextEdit::NoWrap);
    box.setValueText(std::string(100, 'x') + "\n" + std::string(100, 'y'));
    EXPECT_EQ(box.lineWrapMode(), QPlainTextEdit::WidgetWidth);
}

} // namespace
} // namespace tess
