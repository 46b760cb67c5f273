#include "json/JsonNodeList.h"
#include "json/TextSpace.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using tess::JsonNodeList;
using tess::NodeKind;
using tess::TextSpace;

TEST(TextSpace, ViewsComeBackFromTheirReferences)
{
    TextSpace space;
    // Buffers longer than a page, registered out of address order, views crossing pages.
    std::string a(5000, 'a');
    std::string b(3000, 'b');
    for (std::size_t i = 0; i < a.size(); ++i)
        a[i] = static_cast<char>('a' + i % 26);
    for (std::size_t i = 0; i < b.size(); ++i)
        b[i] = static_cast<char>('A' + i % 26);
    space.add(b.data(), b.size());
    space.add(a.data(), a.size());
    space.add(a.data(), a.size()); // again: nothing changes
    const uint64_t used = space.usedSpace();
    EXPECT_EQ(used % 1024, 0u);
    for (std::size_t from : {0, 1, 1023, 1024, 2047, 4000}) {
        const std::string_view va(a.data() + from, 900);
        const std::string_view vb(b.data() + from % 2000, 700);
        EXPECT_EQ(space.view(space.refOf(va), 900), va);
        EXPECT_EQ(space.view(space.refOf(vb), 700), vb);
        EXPECT_EQ(space.view(space.refOf(va), 900).data(), va.data());
    }
    EXPECT_EQ(space.usedSpace(), used);
    EXPECT_EQ(space.farCount(), 0u);
    // A view into no registered buffer is kept aside and still comes back.
    static const char kLiteral[] = "JSON";
    const uint32_t far = space.refOf(kLiteral);
    EXPECT_NE(far & TextSpace::kFar, 0u);
    EXPECT_EQ(space.view(far, 4), "JSON");
    EXPECT_EQ(space.view(space.refOf({}), 0), "");
}

TEST(TextSpace, BuffersBeyondTheSpaceStillResolve)
{
    TextSpace space;
    // Two ranges of 1 GiB fill the space (never read, so no memory behind them is needed).
    const std::size_t gib = std::size_t(1) << 30;
    const char* fake = reinterpret_cast<const char*>(uintptr_t(1) << 20);
    const char* fake2 = reinterpret_cast<const char*>((uintptr_t(1) << 20) + gib + 4096);
    space.add(fake, gib);
    space.add(fake2, gib);
    EXPECT_EQ(space.usedSpace(), uint64_t(2) * gib);
    const std::string late = "late buffer text";
    space.add(late.data(), late.size());
    const uint32_t ref = space.refOf(std::string_view(late).substr(5, 6));
    EXPECT_NE(ref & TextSpace::kFar, 0u);
    EXPECT_EQ(space.view(ref, 6), "buffer");
}

TEST(TextSpace, NodeTableKeepsTextsOfEveryOrigin)
{
    JsonNodeList l;
    auto shared = std::make_shared<const std::string>("{\"key\":\"value\"}");
    l.keepAlive(shared);
    const std::string_view text = *shared;
    const int32_t root = l.appendChildView(-1, "JSON", NodeKind::Object, text);
    const std::string_view interned = l.intern("[1]");
    l.appendChildView(root, text.substr(2, 3), NodeKind::Scalar, text.substr(7, 7));
    l.appendChildView(root, interned, NodeKind::Scalar, l.keepAlive(std::string(3000, 'x')));
    l.addNode(root, std::string(2000, 'n'), NodeKind::Scalar, "copied");
    EXPECT_EQ(l.nameOf(1), "JSON");
    EXPECT_EQ(l.valueView(1).data(), text.data());
    EXPECT_EQ(l.nameOf(2), "key");
    EXPECT_EQ(l.valueOf(2), "\"value\"");
    EXPECT_EQ(l.nameOf(3), "[1]");
    EXPECT_EQ(l.valueOf(3), std::string(3000, 'x'));
    EXPECT_EQ(l.nameOf(4), std::string(2000, 'n'));
    EXPECT_EQ(l.valueOf(4), "copied");
    l.setValue(2, "changed");
    l.setName(3, "renamed");
    EXPECT_EQ(l.valueOf(2), "changed");
    EXPECT_EQ(l.nameOf(3), "renamed");
    EXPECT_EQ(l.levelOf(4), 2);
    EXPECT_EQ(l.childCountOf(1), 3);
}
