// Where the module is found and where the data files go, for the build-folder (portable)
// layout and the installed layout, on real folders.
#include "app/InstallLayout.h"
#include "app/ModuleEntry.h"
#include "app/ProgramDirectory.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

namespace fs = std::filesystem;

namespace {

// Sets or removes an environment variable for the life of the object.
class EnvOverride {
public:
    EnvOverride(const char* name, const char* value) : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~EnvOverride()
    {
        if (m_old)
            setenv(m_name, m_old->c_str(), 1);
        else
            unsetenv(m_name);
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

class ProgramDirectoryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_root = fs::temp_directory_path() / ("tess-layout-" + std::to_string(::getpid()) + "-" +
                                              ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_root);
        fs::create_directories(m_root / "bin");
    }
    void TearDown() override { fs::remove_all(m_root); }

    std::string bin() const { return (m_root / "bin").string(); }
    static void touch(const fs::path& p)
    {
        fs::create_directories(p.parent_path());
        std::ofstream(p) << "x";
    }

    fs::path m_root;
};

TEST_F(ProgramDirectoryTest, ModuleBesideTheExecutableWinsOverTheInstalledOne)
{
    const fs::path installed = fs::path(bin()) / TESS_MODULE_INSTALL_RELDIR / TESS_MODULE_FILE;
    // Neither there: the path beside it, so that the load error names where the build puts it.
    EXPECT_EQ(tess::viewerModulePath(bin()), bin() + "/" TESS_MODULE_FILE);
    EXPECT_FALSE(tess::runsPortable(bin()));

    touch(installed);
    EXPECT_EQ(fs::canonical(tess::viewerModulePath(bin())), fs::canonical(installed));
    EXPECT_FALSE(tess::runsPortable(bin()));

    touch(fs::path(bin()) / TESS_MODULE_FILE);
    EXPECT_EQ(tess::viewerModulePath(bin()), bin() + "/" TESS_MODULE_FILE);
    EXPECT_TRUE(tess::runsPortable(bin()));
}

TEST_F(ProgramDirectoryTest, PortableProgramKeepsItsFilesBesideItself)
{
    touch(fs::path(bin()) / TESS_MODULE_FILE);
    const EnvOverride xdg("XDG_DATA_HOME", (m_root / "xdg").c_str());
    EXPECT_EQ(tess::resolveProgramDirectory(bin(), ""), bin());
    EXPECT_FALSE(fs::exists(m_root / "xdg"));
}

TEST_F(ProgramDirectoryTest, InstalledProgramUsesTheDataHomeEvenWhenItsFolderIsWritable)
{
    touch(fs::path(bin()) / TESS_MODULE_INSTALL_RELDIR / TESS_MODULE_FILE);
    const EnvOverride xdg("XDG_DATA_HOME", (m_root / "xdg").c_str());
    const std::string dir = tess::resolveProgramDirectory(bin(), "");
    EXPECT_EQ(dir, (m_root / "xdg" / "tessarine").string());
    EXPECT_TRUE(fs::is_directory(dir));
}

TEST_F(ProgramDirectoryTest, DataHomeThatIsUnsetOrRelativeFallsBackToHome)
{
    const EnvOverride home("HOME", (m_root / "home").c_str());
    const fs::path expected = m_root / "home" / ".local" / "share" / "tessarine";
    {
        const EnvOverride xdg("XDG_DATA_HOME", "relative/xdg");
        EXPECT_EQ(tess::resolveProgramDirectory(bin(), ""), expected.string());
    }
    fs::remove_all(m_root / "home");
    const EnvOverride xdg("XDG_DATA_HOME", nullptr);
    EXPECT_EQ(tess::resolveProgramDirectory(bin(), ""), expected.string());
    EXPECT_TRUE(fs::is_directory(expected));

    const EnvOverride noHome("HOME", nullptr);
    EXPECT_EQ(tess::resolveProgramDirectory(bin(), ""), "") << "no folder at all";
}

TEST_F(ProgramDirectoryTest, DataDirOptionWinsAndIsCreated)
{
    touch(fs::path(bin()) / TESS_MODULE_FILE);
    const fs::path wanted = m_root / "given" / "deeper";
    EXPECT_EQ(tess::resolveProgramDirectory(bin(), wanted.string() + "/"), wanted.string());
    EXPECT_TRUE(fs::is_directory(wanted));
}

} // namespace
