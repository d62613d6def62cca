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

    // Resources: beside the program when the default movies are there, else <prefix>/share/pellicor/.
    const bool besideProgram = std::filesystem::exists(ProgramFolder() + "preloader/preloader.swf") ||
                               std::filesystem::exists(ProgramFolder() + "playback/playback.swf");
    EXPECT_EQ(ResourcesFolder(),
              besideProgram ? ProgramFolder()
                            : std::filesystem::path(ProgramFolder()).parent_path().parent_path().string() +
                                  "/share/pellicor/");
}

}  // namespace pellicor
