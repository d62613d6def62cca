#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

#include "settings/app_paths.h"
#include "settings_test_support.h"

namespace pellicor {

namespace {

// Sets an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_)
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

}  // namespace

TEST(AppPaths, FoldersFollowXdgAndPortableMode) {
    testing_support::TempDir dir;
    const std::string home = dir.Folder() + "home";
    ScopedEnv homeVariable("HOME", home.c_str());
    {
        ScopedEnv config("XDG_CONFIG_HOME", nullptr);
        ScopedEnv cache("XDG_CACHE_HOME", "relative/ignored");
        EXPECT_EQ(TaskListFile(), std::filesystem::path(home) / ".config/pellicor/pellicor.ini");
        EXPECT_EQ(TempFolder(), home + "/.cache/pellicor/temp/");
    }
    ScopedEnv config("XDG_CONFIG_HOME", (dir.Folder() + "config").c_str());
    ScopedEnv cache("XDG_CACHE_HOME", (dir.Folder() + "cache").c_str());
    EXPECT_EQ(TaskListFile(), dir.Path() / "config/pellicor/pellicor.ini");
    EXPECT_EQ(EnsureTempFolder(), dir.Folder() + "cache/pellicor/temp/");
    EXPECT_TRUE(std::filesystem::is_directory(dir / "cache/pellicor/temp"));

    // A writable pellicor.ini beside the program makes it portable.
    const std::filesystem::path beside = std::filesystem::path(ProgramFolder()) / "pellicor.ini";
    ASSERT_FALSE(std::filesystem::exists(beside)) << "leave no pellicor.ini in the build folder";
    testing_support::WriteFile(beside, "");
    EXPECT_TRUE(IsPortableMode());
    EXPECT_EQ(TaskListFile(), beside);
    EXPECT_EQ(TempFolder(), ProgramFolder() + "temp/");
    std::filesystem::remove(beside);
    EXPECT_FALSE(IsPortableMode());

}

TEST(AppPaths, ResourcesAreBesideTheProgramStagedBesideItOrUnderItsPrefix) {
    testing_support::TempDir dir;
    // An installed program: <prefix>/bin/pellicor finds <prefix>/share/pellicor/.
    std::filesystem::create_directories(dir / "usr/bin");
    EXPECT_EQ(ResourcesFolderFor(dir / "usr/bin"), dir.Folder() + "usr/share/pellicor/");
    // The build folder stages them in share/pellicor/ beside the programs.
    std::filesystem::create_directories(dir / "build/share/pellicor");
    EXPECT_EQ(ResourcesFolderFor(dir / "build"), dir.Folder() + "build/share/pellicor/");
    // A portable copy keeps them beside the program; any of the resource files tells.
    for (const char* marker : {"help/index.html", "preloader/preloader.swf", "playback/playback.swf"}) {
        const std::filesystem::path folder = dir / ("portable-" + std::string(marker).substr(0, 4));
        std::filesystem::create_directories((folder / marker).parent_path());
        std::filesystem::create_directories(folder / "share/pellicor");
        testing_support::WriteFile(folder / marker, "x");
        EXPECT_EQ(ResourcesFolderFor(folder), folder.string() + "/") << marker;
    }
    // This test program sits in the build folder, which stages the help page.
    EXPECT_EQ(ResourcesFolder(), ProgramFolder() + "share/pellicor/");
}

}  // namespace pellicor
