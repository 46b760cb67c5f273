// The viewer and the files it keeps: data files the user protected or linked, stored
// selections of slots not opened, names whose bytes are no GB18030 text.
#include "ViewerFixture.h"

#include "app/SlotFiles.h"
#include "app/UnsavedCopies.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <sys/resource.h>
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

// Clicks the button captioned caption of the next message box named name, after
// before(box), from inside the box's own loop.
void answerBox(const char* name, const char8_t* caption, std::function<void(QMessageBox*)> before = {}, int tries = 200)
{
    QTimer::singleShot(20, [=] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || box->objectName() != QLatin1String(name) || !box->isVisible())
            return tries > 0 ? answerBox(name, caption, before, tries - 1) : void();
        if (before)
            before(box);
        for (QAbstractButton* b : box->buttons()) {
            if (b->text() == qt::ui(caption)) {
                b->click(); // may delete the box
                return;
            }
        }
    });
}

TEST(ViewerFiles, DataFileThatCannotBeWrittenAtCloseNeverLosesTheText)
{
    TempDir dir, state;
    ::setenv("XDG_STATE_HOME", state.str().c_str(), 1);
    const std::string file = slotFilePath(dir.str(), 1);
    writeFile(file, "[\"old\"]");
    // The temporary file of the save cannot be made: a folder stands in its place.
    const std::string blocker = dir.file(std::filesystem::path(file).filename().string().insert(0, ".") + ".saving");
    auto block = [&] { std::filesystem::create_directory(blocker); };
    auto unblock = [&](QMessageBox*) { std::filesystem::remove(blocker); };
    {
        Viewer v(dir.str());
        v.paste(u8"{\"new\":1}");
        // A full disk: past the file-size limit every write fails. The user closes; the
        // box names the tab and the reason; "取消" keeps the window and its text.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit old {};
        ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
        rlimit small = old;
        small.rlim_cur = 4;
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
        QString said;
        answerBox("saveFailedBox", u8"取消", [&](QMessageBox* box) { said = box->text(); });
        v.closeWindow();
        ::setrlimit(RLIMIT_FSIZE, &old);
        EXPECT_TRUE(v.window->isVisible());
        EXPECT_TRUE(said.contains(qt::ui(u8"第 1 个树页")) && said.contains(qt::ui(u8"文件超出允许的大小"))) << said.toStdString();
        EXPECT_EQ(readFile(file), "[\"old\"]");
        // "重试" once the cause is gone writes it and closes.
        block();
        answerBox("saveFailedBox", u8"重试", unblock);
        v.closeWindow();
        EXPECT_FALSE(v.window->isVisible());
        EXPECT_EQ(readFile(file), "{\"new\":1}");
    }
    {
        // A close by signal cannot ask: the text goes to an unsaved copy...
        block();
        Viewer v(dir.str());
        v.paste(u8"{\"newer\":2}");
        v.window->closeBySignal();
        settle();
        EXPECT_FALSE(v.window->isVisible());
        EXPECT_EQ(readFile(file), "{\"new\":1}");
        const auto copies = findUnsavedCopies(dir.str());
        ASSERT_EQ(copies.size(), 1u);
        EXPECT_EQ(copies[0].slot, 1);
        EXPECT_EQ(readFile(copies[0].path), "{\"newer\":2}");
        EXPECT_EQ(copies[0].path.rfind(state.str(), 0), 0u) << copies[0].path;
        unblock(nullptr);
    }
    {
        // ...which the next start offers back into its tab; undo shows the data file's.
        Viewer v(dir.str());
        answerBox("unsavedCopiesBox", u8"载入");
        v.window->offerUnsavedCopies();
        for (int i = 0; i < 100 && !findUnsavedCopies(dir.str()).empty(); ++i)
            QTest::qWait(20);
        EXPECT_TRUE(findUnsavedCopies(dir.str()).empty());
        EXPECT_EQ(v.caption(1), "newer:2");
        v.closeWindow();
        EXPECT_EQ(readFile(file), "{\"newer\":2}");
    }
    ::unsetenv("XDG_STATE_HOME");
}

} // namespace
} // namespace tess::testing
