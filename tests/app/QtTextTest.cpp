// Engine text to Qt and back: the quick path for ASCII must agree with the codec on
// every byte, and valid text comes back unchanged.
#include "platform/Codec.h"
#include "platform/qt/QtText.h"

#include <gtest/gtest.h>

#include <random>

namespace tess {
namespace {

TEST(QtText, AgreesWithTheCodecOnEveryByte)
{
    std::mt19937 random(7);
    for (int round = 0; round < 2000; ++round) {
        std::string gb;
        const int length = 1 + static_cast<int>(random() % 6);
        for (int i = 0; i < length; ++i)
            gb.push_back(static_cast<char>(round < 256 && i == 0 ? round : static_cast<int>(random() % 256)));
        const std::u16string expected = codec::gb18030ToUtf16(gb);
        const QString shown = qt::toQString(gb);
        ASSERT_EQ(shown, QString(reinterpret_cast<const QChar*>(expected.data()), static_cast<qsizetype>(expected.size())))
            << "round " << round;
        if (codec::gb18030ToUtf8(gb).ok())
            ASSERT_EQ(qt::toGb(shown), gb) << "round " << round;
    }
}

} // namespace
} // namespace tess
