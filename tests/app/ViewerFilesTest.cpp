// The viewer and the files it keeps: data files the user protected or linked, stored
// selections of slots not opened, names whose bytes are no GB18030 text.
#include "ViewerFixture.h"

#include "app/SlotFiles.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace tess::testing {
namespace {

unsigned modeOf(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

TEST(ViewerFiles, ProtectedAndLinkedDataFilesAreHonouredAtClose)
{
    TempDir dir, elsewhere;
    const std::string readOnly = slotFilePath(dir.str(), 1);
    const std::string privateFile = slotFilePath(dir.str(), 2);
    const std::string link = slotFilePath(dir.str(), 3);
    const std::string linkTarget = elsewhere.file("kept.json");
    writeFile(readOnly, "[\"old1\"]");
    ::chmod(readOnly.c_str(), 0444);
    writeFile(privateFile, "[\"old2\"]");
    ::chmod(privateFile.c_str(), 0600);
    writeFile(linkTarget, "[\"old3\"]");
    ASSERT_EQ(::symlink(linkTarget.c_str(), link.c_str()), 0);
    {
        Viewer v(dir.str());
        for (int tab = 0; tab < 3; ++tab) {
            v.window->tabs()->setCurrentIndex(tab);
            settle();
            ASSERT_EQ(v.tree().itemCount(), 2) << tab;
            v.paste(u8"[\"new\"]");
        }
        v.closeWindow();
    }
    EXPECT_EQ(readFile(readOnly), "[\"old1\"]");
    EXPECT_EQ(modeOf(readOnly), 0444u);
    EXPECT_EQ(readFile(privateFile), "[\"new\"]");
    EXPECT_EQ(modeOf(privateFile), 0600u);
    struct stat st {};
    ASSERT_EQ(::lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(readFile(linkTarget), "[\"new\"]");
}

TEST(ViewerFiles, StoredSelectionOfASlotNeverShownIsKept)
{
    TempDir dir;
    writeFile(dir.file("Tessarine.ini"), gb(u8"[JSON树]\r\n树型框3.现行选中项=4"));
    writeFile(slotFilePath(dir.str(), 3), "[1,2,3,4,5]");
    {
        Viewer v(dir.str());
        v.closeWindow();
    }
    const std::string ini = utf8(readFile(dir.file("Tessarine.ini")));
    EXPECT_NE(ini.find("树型框3.现行选中项=4"), std::string::npos) << ini;
    EXPECT_NE(ini.find("树型框2.现行选中项=-1"), std::string::npos) << ini;
    Viewer v(dir.str());
    v.window->tabs()->setCurrentIndex(2);
    settle();
    EXPECT_EQ(v.tree().selectedItem(), 4);
}

TEST(ViewerFiles, NameThatIsNoGb18030TextStillShowsItsValue)
{
    TempDir dir;
    writeFile(slotFilePath(dir.str(), 1), "{\"k\xFF\":1,\"\x81\x30\":[2]}");
    Viewer v(dir.str());
    ASSERT_EQ(v.tree().itemCount(), 4);
    auto* path = v.control<QLineEdit>(u8"编辑框路径");
    auto* value = v.control<QPlainTextEdit>(u8"编辑框路径数据");
    v.tree().selectItem(1);
    EXPECT_EQ(path->text().left(1), QStringLiteral("k"));
    EXPECT_EQ(value->toPlainText(), QStringLiteral("1"));
    v.tree().selectItem(3); // element of the array under a cut two-byte name
    EXPECT_FALSE(path->text().isEmpty());
    EXPECT_EQ(value->toPlainText(), QStringLiteral("2"));
    // Once the user types a path, the box text is what counts.
    path->setText(QStringLiteral("nothing"));
    v.window->showValueAtPath();
    EXPECT_EQ(value->toPlainText(), QString());
}

} // namespace
} // namespace tess::testing
