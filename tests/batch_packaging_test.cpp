#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "batch/export_packaging.h"
#include "settings_test_support.h"

namespace pellicor {
namespace {

using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

std::string Pattern(std::size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 131 + seed) & 0xFF);
    return bytes;
}

TEST(BatchPackaging, ExecutableIsStubMovieSignatureAndSize) {
    TempDir dir;
    const std::string stub = Pattern(300000, 7);
    const std::string movie = Pattern(1000, 3);
    WriteFile(dir / "dfp", stub);
    WriteFile(dir / "clip.swf", movie);
    WriteFile(dir / "clip.exe", "an older projector, to be replaced");

    MakeExecutable((dir / "clip.swf").string(), (dir / "clip.exe").string(), (dir / "dfp").string());

    const std::string exe = ReadFile(dir / "clip.exe");
    ASSERT_EQ(exe.size(), 301008u);
    EXPECT_EQ(exe.substr(0, stub.size()), stub);
    EXPECT_EQ(exe.substr(stub.size(), movie.size()), movie);
    EXPECT_EQ(exe.substr(exe.size() - 8), std::string("\x56\x34\x12\xFA\xE8\x03\x00\x00", 8));
    // Packaging leaves the movie alone (the driver deletes it) and no temporary file behind.
    EXPECT_EQ(ReadFile(dir / "clip.swf"), movie);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 3);

    struct stat info {};
    ASSERT_EQ(stat((dir / "clip.exe").c_str(), &info), 0);
    EXPECT_NE(info.st_mode & S_IXUSR, 0u);

    // An empty movie still gets its trailer, with size 0.
    WriteFile(dir / "empty.swf", "");
    MakeExecutable((dir / "empty.swf").string(), (dir / "empty.exe").string(), (dir / "dfp").string());
    EXPECT_EQ(ReadFile(dir / "empty.exe").substr(stub.size()), std::string("\x56\x34\x12\xFA\0\0\0\0", 8));
}

TEST(BatchPackaging, MissingStubFailsNamingItAndLeavesNoExecutable) {
    TempDir dir;
    WriteFile(dir / "clip.swf", "FWS movie");
    const std::string stub = (dir / "res" / "dfp").string();
    try {
        MakeExecutable((dir / "clip.swf").string(), (dir / "clip.exe").string(), stub);
        FAIL() << "no error without a stub";
    } catch (const TPackagingError& error) {
        EXPECT_NE(std::string(error.what()).find(stub), std::string::npos) << error.what();
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "clip.exe"));
    EXPECT_EQ(ReadFile(dir / "clip.swf"), "FWS movie");

    // An existing projector is not truncated by a failed packaging either.
    WriteFile(dir / "clip.exe", "older projector");
    EXPECT_THROW(MakeExecutable((dir / "clip.swf").string(), (dir / "clip.exe").string(), dir.Folder()),
                 TPackagingError);  // a folder is no stub
    EXPECT_EQ(ReadFile(dir / "clip.exe"), "older projector");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2);
}

TEST(BatchPackaging, StubIsLookedUpAsDfpThenDfpExeFolderByFolder) {
    TempDir resources;
    TempDir program;
    const std::vector<std::string> folders{resources.Folder(), program.Folder()};
    EXPECT_EQ(ProjectorStubPath(folders), resources.Folder() + "dfp");  // names the missing stub
    WriteFile(program / "dfp", "\x7F" "ELF");
    EXPECT_EQ(ProjectorStubPath(folders), program.Folder() + "dfp");
    WriteFile(resources / "dfp.exe", "MZ");
    EXPECT_EQ(ProjectorStubPath(folders), resources.Folder() + "dfp.exe");
    WriteFile(resources / "dfp", "\x7F" "ELF");
    EXPECT_EQ(ProjectorStubPath(folders), resources.Folder() + "dfp");
}

TEST(BatchPackaging, HtmlPageBytes) {
    TempDir dir;
    WriteFile(dir / "clip.swf", "FWS");
    MakeHtmlPage((dir / "clip.swf").string(), 320, 240, 3);
    const std::string expected =
        "<html>\r\n"
        "<head>\r\n"
        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\r\n"
        "<title> Flash -- clip.swf </title>\r\n"
        "</head>\r\n"
        "<body>\r\n"
        "<object classid=\"clsid:D27CDB6E-AE6D-11cf-96B8-444553540000\" "
        "codebase=\"http://download.macromedia.com/pub/shockwave/cabs/flash/swflash.cab#version=6,0,29,0\" "
        "width=\"320\" height=\"240\">\r\n"
        "<param name=\"movie\" value=\"clip.swf\">\r\n"
        "<embed src=\"clip.swf\" quality=\"high\" pluginspage=\"http://www.macromedia.com/go/getflashplayer\" "
        "type=\"application/x-shockwave-flash\" width=\"320\" height=\"240\"></embed></object>\r\n"
        "</body>\r\n"
        "</html>\r\n";
    EXPECT_EQ(ReadFile(dir / "clip.html"), expected);
    EXPECT_EQ(ReadFile(dir / "clip.swf"), "FWS");

    // Replacing an older page; the quality never shows.
    MakeHtmlPage((dir / "clip.swf").string(), 1, 2, 0);
    const std::string page = ReadFile(dir / "clip.html");
    EXPECT_NE(page.find("width=\"1\" height=\"2\"></embed>"), std::string::npos);
    EXPECT_EQ(page.find("width=\"320\""), std::string::npos);
}

TEST(BatchPackaging, HtmlPageEscapesTheMovieName) {
    const std::string page = HtmlPageText("a&b<\"x\">.swf", 8, 9);
    EXPECT_NE(page.find("<title> Flash -- a&amp;b&lt;&quot;x&quot;&gt;.swf </title>\r\n"), std::string::npos);
    EXPECT_NE(page.find("<param name=\"movie\" value=\"a&amp;b&lt;&quot;x&quot;&gt;.swf\">\r\n"),
              std::string::npos);
    EXPECT_NE(page.find("<embed src=\"a&amp;b&lt;&quot;x&quot;&gt;.swf\" quality"), std::string::npos);
    // Still eleven lines: the name cannot break out of its line or attribute.
    std::size_t lines = 0;
    for (std::size_t at = page.find("\r\n"); at != std::string::npos; at = page.find("\r\n", at + 2)) ++lines;
    EXPECT_EQ(lines, 11u);
    EXPECT_EQ(EscapeHtml("plain name-1.swf"), "plain name-1.swf");

    TempDir dir;
    WriteFile(dir / "R&D <1>.swf", "FWS");
    MakeHtmlPage((dir / "R&D <1>.swf").string(), 8, 9, 0);
    EXPECT_EQ(ReadFile(dir / "R&D <1>.html"), HtmlPageText("R&D <1>.swf", 8, 9));
    EXPECT_NE(ReadFile(dir / "R&D <1>.html").find("R&amp;D &lt;1&gt;.swf"), std::string::npos);
}

// The page with the web player is the plug-in page with one script element more, at the end
// of the head; the player's address is escaped like every other attribute value.
TEST(BatchPackaging, HtmlPageWithThePlayerScriptAddsOneLineToTheHead) {
    const std::string plain = HtmlPageText("clip.swf", 320, 240);
    const std::string withPlayer = HtmlPageText("clip.swf", 320, 240, "ruffle/ruffle.js?a=1&b=\"2\"");
    const std::string scriptLine = "<script src=\"ruffle/ruffle.js?a=1&amp;b=&quot;2&quot;\"></script>\r\n";
    const std::size_t headEnd = plain.find("</head>\r\n");
    ASSERT_NE(headEnd, std::string::npos);
    EXPECT_EQ(withPlayer, plain.substr(0, headEnd) + scriptLine + plain.substr(headEnd));
    EXPECT_EQ(HtmlPageText("clip.swf", 320, 240, ""), plain);

    TempDir dir;
    WriteFile(dir / "clip.swf", "FWS");
    MakeHtmlPage((dir / "clip.swf").string(), 320, 240, 0, "https://cdn.example/ruffle.js");
    EXPECT_EQ(ReadFile(dir / "clip.html"), HtmlPageText("clip.swf", 320, 240, "https://cdn.example/ruffle.js"));
    MakeHtmlPage((dir / "clip.swf").string(), 320, 240, 0);
    EXPECT_EQ(ReadFile(dir / "clip.html"), plain);
}

TEST(BatchPackaging, RufflePlayerIsCopiedBesideThePageAndRefreshedWhenItChanges) {
    TempDir ruffle;
    TempDir page;
    WriteFile(ruffle / "ruffle.js", "window.RufflePlayer = {};");
    WriteFile(ruffle / "core.ruffle.abc.js", "core");
    std::filesystem::create_directories(ruffle / "extra");
    WriteFile(ruffle / "extra" / "a.wasm", std::string("\0asm", 4));

    EXPECT_EQ(CopyRufflePlayer(ruffle.Folder(), page.Folder()), "ruffle/ruffle.js");
    EXPECT_EQ(ReadFile(page / "ruffle" / "ruffle.js"), "window.RufflePlayer = {};");
    EXPECT_EQ(ReadFile(page / "ruffle" / "core.ruffle.abc.js"), "core");
    EXPECT_EQ(ReadFile(page / "ruffle" / "extra" / "a.wasm"), std::string("\0asm", 4));

    // A newer player of another size replaces the copy; nothing temporary is left behind.
    WriteFile(ruffle / "core.ruffle.abc.js", "core, version two");
    CopyRufflePlayer(ruffle.Folder(), page.Folder());
    EXPECT_EQ(ReadFile(page / "ruffle" / "core.ruffle.abc.js"), "core, version two");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(page / "ruffle"), {}), 3);

    // A folder without the player's script is refused before anything is copied.
    TempDir empty;
    WriteFile(empty / "README.md", "not a player");
    try {
        CopyRufflePlayer(empty.Folder(), page.Folder() + "other/");
        FAIL() << "a folder without ruffle.js was accepted";
    } catch (const TPackagingError& error) {
        EXPECT_NE(std::string(error.what()).find(empty.Folder()), std::string::npos) << error.what();
    }
    EXPECT_FALSE(std::filesystem::exists(page / "other"));
}

}  // namespace
}  // namespace pellicor
