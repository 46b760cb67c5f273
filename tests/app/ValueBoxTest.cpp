// Value boxes: a huge value is shown shortened but read back and copied whole, until the
// user edits the box.
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

    box.setValueText(codec::gb(u8"小值"));
    EXPECT_FALSE(box.shortened());
    EXPECT_EQ(box.toPlainText(), QString::fromUtf8(u8"小值"));
    EXPECT_EQ(box.valueText(), codec::gb(u8"小值"));
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
