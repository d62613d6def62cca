#include <gtest/gtest.h>

#include <random>

#include "settings/app_ini_file.h"
#include "settings_test_support.h"

namespace pellicor {

using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

TEST(AppIniFile, ReadingRules) {
    TAppIniFile ini;
    ini.LoadFromText(
        "\xEF\xBB\xBF"
        "orphan=dropped\r\n"
        "[First]\r\n"
        "key=one\r\n"
        "KEY=second line with the same key\r\n"
        "\r\n"
        "\x1A\r\n"
        ";comment=is data\r\n"
        "no equals sign\n"
        "url=http://x/?a=b\r"
        " spaced = kept \n"
        "[second]\n"
        "a=1\n"
        "[Second] \n"  // not a section: ends in a space
        "b=2\n"
        "[FIRST]\n"
        "key=from a repeated section\n"
        "c=3");
    EXPECT_EQ(ini.SectionNames(), (std::vector<std::string>{"First", "second"}));
    EXPECT_EQ(ini.ReadString("first", "Key", "-"), "one");
    EXPECT_EQ(ini.ReadString("First", ";comment", "-"), "is data");
    EXPECT_EQ(ini.ReadString("First", "url", "-"), "http://x/?a=b");
    EXPECT_EQ(ini.ReadString("First", " spaced ", "-"), " kept ");
    EXPECT_EQ(ini.ReadString("First", "spaced", "-"), "-");
    EXPECT_EQ(ini.ReadString("First", "orphan", "-"), "-");
    EXPECT_EQ(ini.ReadString("First", "c", "-"), "-");
    EXPECT_EQ(ini.ReadSectionLines("First"),
              (std::vector<std::string>{"key=one", "KEY=second line with the same key", ";comment=is data",
                                        "no equals sign", "url=http://x/?a=b", " spaced = kept "}));
    EXPECT_EQ(ini.ReadSectionLines("SECOND"), (std::vector<std::string>{"a=1", "[Second] ", "b=2"}));
    EXPECT_FALSE(ini.ValueExists("First", "no equals sign"));
    EXPECT_TRUE(ini.SectionExists("FiRsT"));
}

TEST(AppIniFile, WritingLayout) {
    TAppIniFile ini;
    ini.WriteString("General", "ID", "x");
    ini.WriteSectionLines("Empty", {});
    ini.WriteInteger("Task0", "n", -12);
    ini.WriteBool("Task0", "flag", true);
    ini.WriteString("general", "Count", "2");
    ini.WriteString("GENERAL", "id", "replaced");  // replaces the first line with the key
    ini.WriteString("Task0", "multi", "a\r\nb");
    ini.WriteSectionLines("Lines", {"one", "", "[two]", "three\nfour"});
    EXPECT_EQ(ini.ToText(),
              "[General]\r\nid=replaced\r\nCount=2\r\n\r\n"
              "[Task0]\r\nn=-12\r\nflag=1\r\nmulti=a  b\r\n\r\n"
              "[Lines]\r\none\r\n\r\n[two]\r\nthree\r\nfour\r\n\r\n");

    // Reading it back: the empty line is gone and "[two]" opened a section of its own.
    TAppIniFile again;
    again.LoadFromText(ini.ToText());
    EXPECT_EQ(again.ReadSectionLines("Lines"), std::vector<std::string>{"one"});
    EXPECT_EQ(again.ReadSectionLines("two"), (std::vector<std::string>{"three", "four"}));
    EXPECT_EQ(again.ReadString("General", "ID", ""), "replaced");
}

TEST(AppIniFile, NumberForms) {
    EXPECT_EQ(ParseIniInteger("31"), 31);
    EXPECT_EQ(ParseIniInteger("-7"), -7);
    EXPECT_EQ(ParseIniInteger("0x1F"), 31);
    EXPECT_EQ(ParseIniInteger("0X1f"), 31);
    EXPECT_EQ(ParseIniInteger("$1F"), 31);
    EXPECT_EQ(ParseIniInteger("$FFFFFFFF"), -1);
    EXPECT_EQ(ParseIniInteger("-2147483648"), INT32_MIN);
    EXPECT_EQ(ParseIniInteger(" 12 "), 12);
    for (const char* bad : {"abc", "", "1F", "12.5", "0x", "$", "2147483648", "$100000000", "--1", "1 2"})
        EXPECT_FALSE(ParseIniInteger(bad).has_value()) << bad;

    EXPECT_EQ(ParseIniFloat("29.97"), 29.97);
    EXPECT_EQ(ParseIniFloat("29,97"), 29.97);
    EXPECT_EQ(ParseIniFloat("-1.5E3"), -1500.0);
    EXPECT_EQ(ParseIniFloat("1E-5"), 1e-5);
    for (const char* bad : {"", "abc", "1,2,3", "1.2,3", "nan", "inf", "1.5x"})
        EXPECT_FALSE(ParseIniFloat(bad).has_value()) << bad;

    EXPECT_EQ(FormatIniFloat(29.97), "29.97");
    EXPECT_EQ(FormatIniFloat(10.0), "10");
    EXPECT_EQ(FormatIniFloat(0.1 + 0.2), "0.3");  // 15 significant digits
    EXPECT_EQ(FormatIniFloat(1e20), "1E20");
    EXPECT_EQ(FormatIniFloat(-2.5e-7), "-2.5E-7");

    TAppIniFile ini;
    ini.LoadFromText("[S]\nhex=$10\nbad=ten\nfloat=0,25\nyes=2\nno=0\nmaybe=perhaps\n");
    EXPECT_EQ(ini.ReadInteger("S", "hex", 0), 16);
    EXPECT_EQ(ini.ReadInteger("S", "bad", 9), 9);
    EXPECT_EQ(ini.ReadInteger("S", "missing", 9), 9);
    EXPECT_EQ(ini.ReadFloat("S", "float", 0), 0.25);
    EXPECT_TRUE(ini.ReadBool("S", "yes", false));
    EXPECT_FALSE(ini.ReadBool("S", "no", true));
    EXPECT_TRUE(ini.ReadBool("S", "maybe", true));
}

TEST(AppIniFile, TextThatIsNotUtf8IsReadAsWindows1252) {
    TAppIniFile ini;
    ini.LoadFromText("[S]\r\nname=caf\xE9 \x80 \x93quoted\x94\r\n");
    EXPECT_EQ(ini.ReadString("S", "name", ""), "caf\xC3\xA9 \xE2\x82\xAC \xE2\x80\x9Cquoted\xE2\x80\x9D");
    ini.LoadFromText("[S]\r\nname=caf\xC3\xA9\r\n");  // valid UTF-8 stays as it is
    EXPECT_EQ(ini.ReadString("S", "name", ""), "caf\xC3\xA9");
}

TEST(AppIniFile, GarbageNeverBreaksTheReader) {
    std::mt19937 random(1234);
    const std::string alphabet = "[]=\r\n\x1A;$0xAZaz19 \"\xC3\xA9\xFF";
    for (int round = 0; round < 300; ++round) {
        std::string text;
        const int length = static_cast<int>(random() % 400);
        for (int i = 0; i < length; ++i)
            text += (random() % 4 == 0) ? static_cast<char>(random() % 256) : alphabet[random() % alphabet.size()];
        TAppIniFile ini;
        ini.LoadFromText(text);
        for (const std::string& section : ini.SectionNames()) {
            for (const std::string& line : ini.ReadSectionLines(section)) {
                EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos);
                ini.ReadInteger(section, line.substr(0, line.find('=')), 0);
            }
        }
        // What was read writes back and reads again to the same sections.
        TAppIniFile again;
        again.LoadFromText(ini.ToText());
        EXPECT_EQ(again.ToText(), ini.ToText());
    }
}

TEST(AppIniFile, FilesAreReplacedWhole) {
    TempDir dir;
    const auto path = dir / "tasks.ini";
    TAppIniFile missing(path);  // a missing file reads as empty
    EXPECT_TRUE(missing.SectionNames().empty());

    WriteFile(path, "old content");
    TAppIniFile ini(path);
    ini.Clear();
    ini.WriteString("S", "k", "v");
    ini.UpdateFile();
    EXPECT_EQ(ReadFile(path), "[S]\r\nk=v\r\n\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);  // no temporary left

    EXPECT_THROW(ReplaceFileAtomically(dir / "no-such-folder/tasks.ini", "x"), TIniFileError);
    EXPECT_THROW(TAppIniFile{dir.Path()}, TIniFileError);  // a folder is not a readable file
    EXPECT_EQ(ReadFile(path), "[S]\r\nk=v\r\n\r\n");
}

}  // namespace pellicor
