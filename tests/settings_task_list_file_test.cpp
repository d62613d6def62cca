#include <gtest/gtest.h>

#include <chrono>

#include "settings/task_list_file.h"
#include "settings_test_support.h"

namespace pellicor {

using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

namespace {

// A record whose every field differs from its default, with three filters, a two-line
// caption and a font that needs quoting. Its source file must exist in `folder`.
TCovSettings EveryFieldRecord(const std::string& folder) {
    TCovSettings s;
    TSourceInfo& i = s.sourceInfo;
    i.srcFilename = "clip one.avi";
    i.srcFilepath = folder;
    i.srcFilesize = "1.50KB";
    i.srcFileFormat = "AVI";
    i.fName = "clip one.avi";
    i.fFmtName = "AVI (Audio Video Interleaved)";
    i.fSize = 1536;
    i.vExists = kTrue32;
    i.vSupported = kTrue32;
    i.vCodec = 827611204;
    i.vFmtName = "XviD";
    i.vLen = 250;
    i.vTimeLenf = 10.01;
    i.vBytesLen = 123456.5;
    i.vFreq = 29.97;
    i.resX = 640;
    i.resY = 480;
    i.resB = 1;
    i.bpp = 24;
    i.aExists = kTrue32;
    i.aSupported = 0;
    i.aCodec = 85;
    i.aFmtName = "MPEG Layer 3";
    i.aLen = 441000;
    i.aTimeLen = 10;
    i.aBytesLen = 1e20;
    i.aChannels = 2;
    i.aBitsChn = 16;
    i.aSampleSize = 4;

    s.destFilename = "out.exe";
    s.destFilepath = "/tmp/out dir/";
    s.destExportType = 1;
    s.destFlashFormat = 0;
    s.destIsFlashCompressed = false;
    s.destIsFlashProtected = true;
    s.destFlashPlayingQuality = 3;
    s.destFlashPassword = "p=ss word";
    s.destFlashBackgroundColor = 0x123456;
    s.destFrameRate = 12;
    s.destFrameQuality = 60;
    s.destStartFrame = 5;
    s.destEndFrame = 200;
    s.destWidth = 320;
    s.destHeight = 240;
    s.destIsDefaultFrameRate = true;
    s.destIsDefaultFrameQuality = true;
    s.destIsDefaultDuration = true;
    s.destIsDefaultRegion = true;
    s.destIsKeepAspectRatio = true;
    s.destIsApplyRegion = true;
    s.destRegionX = 10;
    s.destRegionY = 20;
    s.destRegionWidth = 300;
    s.destRegionHeight = 200;

    TEffectSettings& e = s.effects;
    e.destIsApplyEffects = true;
    e.destIsBrightness = true;
    e.destBrightnessR = -10, e.destBrightnessG = 20, e.destBrightnessB = 30;
    e.destIsContrast = true;
    e.destContrastR = 40, e.destContrastG = -50, e.destContrastB = 60;
    e.destIsGamma = true;
    e.destGammaR = 0.5, e.destGammaG = 1.25, e.destGammaB = 4.75;
    e.destIsWhiteBalance = true;
    e.destWhiteBalanceR = 200, e.destWhiteBalanceG = 210, e.destWhiteBalanceB = 220;
    e.destIsSolarize = true;
    e.destSolarizeR = 100, e.destSolarizeG = 110, e.destSolarizeB = 120;
    e.destIsSaturation = true;
    e.destSaturationPercent = -30;
    e.destFilters.Add({true, 2, 4, 5, 6, true, false});
    e.destFilters.Add({true, 7, 10, 11, 50, false, true});
    e.destFilters.Add({false, 9, 1, 100, 100, true, true});

    s.destIsAudioIncluded = false;
    s.destIsAudioExtracted = true;
    s.destAudioFormat = 1;
    s.destAudioFrequency = 1;
    s.destAudioBitrate = 9;
    s.destIsAudioReplaced = true;
    s.destAudioReplacedFile = "/music/song.mp3";
    s.destFlashStartAction = 1;
    s.destIsFlashStartWait = true;
    s.destFlashStartWaitSeconds = 12;
    s.destIsFlashEndRepeat = true;
    s.destFlashEndRepeatTimes = 7;
    s.destIsFlashEndUnload = true;
    s.destIsFlashEndOpenLink = true;
    s.destFlashEndOpenLinkType = 1;
    s.destFlashEndOpenLinkTarget = 2;
    s.destFlashEndOpenLinkURL = "http://end.example/?a=1&b=2";
    s.destIsFlashClickOpenLink = true;
    s.destFlashClickOpenLinkType = 1;
    s.destFlashClickOpenLinkTarget = 3;
    s.destFlashClickOpenLinkURL = "http://click.example/";
    s.destIsFlashText = true;
    s.destFlashText = {"First line", "Second line: \xC3\xBCn\xC3\xAF" "code"};
    s.destFlashTextFont = {"DejaVu Sans, \"Bold\"", 14, true, false, true, false, 0x336699, 0, 2};
    s.destFlashTextOpacity = 128;
    s.destFlashTextPosition = 7;
    s.destFlashTextX = 15;
    s.destFlashTextY = -5;
    s.destIsFlashTextOpenLink = true;
    s.destFlashTextOpenLinkType = 0;
    s.destFlashTextOpenLinkTarget = 1;
    s.destFlashTextOpenLinkURL = "http://text.example/";
    s.destIsFlashBlankFrame = true;
    s.destFlashBlankFrameColor = 0x0000FF;
    s.destIsFlashImageFrame = true;
    s.destFlashImageFrameFile = "/pics/first.jpg";
    s.destIsPreloader = true;
    s.destPreloader = "/swf/pre.swf";
    s.destPreloaderScaleX = 30;
    s.destPreloaderScaleY = 40;
    s.destPreloaderPosition = 7;
    s.destPreloaderPositionX = 1;
    s.destPreloaderPositionY = 2;
    s.destIsPlayback = true;
    s.destPlayback = "/swf/play.swf";
    s.destPlaybackScaleX = 60;
    s.destPlaybackScaleY = 70;
    s.destPlaybackPosition = 3;
    s.destPlaybackPositionX = 4;
    s.destPlaybackPositionY = 5;
    s.destIsSkin = true;
    s.destSkinType = 2;
    return s;
}

// A record as the adding dialog makes it for `name` in `folder`.
std::unique_ptr<TCovSettings> AddedRecord(const std::string& folder, const std::string& name) {
    auto s = std::make_unique<TCovSettings>();
    s->sourceInfo.srcFilename = name;
    s->sourceInfo.srcFilepath = folder;
    s->sourceInfo.vFreq = 25;
    s->sourceInfo.vLen = 100;
    s->sourceInfo.resX = 320;
    s->sourceInfo.resY = 240;
    InitTaskSettings(folder + name, *s, kInitNoProbe);
    return s;
}

// A task section text with just enough to load: source, `extra` lines, font (the first
// line of a key counts, so `extra` may hold a font of its own).
std::string MinimalTask(int index, const std::string& folder, const std::string& name, const std::string& extra = "") {
    return "[Task" + std::to_string(index) + "]\r\nsrcFilename=" + name + "\r\nsrcFilepath=" + folder + "\r\n" +
           extra + "destFlashTextFont=\"MS Sans Serif\",8,,,,,clBlack,1,0\r\n";
}

TTaskList LoadText(const TempDir& dir, const std::string& text) {
    WriteFile(dir / "tasks.ini", text);
    TTaskList list;
    LoadTasks(dir / "tasks.ini", list);
    return list;
}

}  // namespace

TEST(TaskListFile, FileLayoutOfOneTask) {
    TempDir dir;
    WriteFile(dir / "clip one.avi", "");
    TTaskList list;
    list.Add(std::make_unique<TCovSettings>(EveryFieldRecord(dir.Folder())), false);
    SaveTasks(dir / "tasks.ini", list);

    const std::string expected =
        "[General]\r\nID=Quorvane Pellicor\r\nTaskCount=1\r\n\r\n"
        "[Task0]\r\nsrcFilename=clip one.avi\r\nsrcFilepath=" + dir.Folder() + "\r\nsrcFilesize=1.50KB\r\n"
        "srcFileFormat=AVI\r\nfName=clip one.avi\r\nfFmtName=AVI (Audio Video Interleaved)\r\nfSize=1536\r\n"
        "vExists=1\r\nvSupported=1\r\nvCodec=827611204\r\nvFmtName=XviD\r\nvLen=250\r\nvTimeLenf=10.01\r\n"
        "vBytesLen=123456.5\r\nvFreq=29.97\r\nresX=640\r\nresY=480\r\nresB=1\r\nbpp=24\r\naExists=1\r\n"
        "aSupported=0\r\naCodec=85\r\naFmtName=MPEG Layer 3\r\naLen=441000\r\naTimeLen=10\r\naBytesLen=1E20\r\n"
        "aChannels=2\r\naBitsChn=16\r\naSampleSize=4\r\n"
        "IsItemChecked=0\r\n"
        "destFilename=out.exe\r\ndestFilepath=/tmp/out dir/\r\ndestExportType=1\r\ndestFlashFormat=0\r\n"
        "destIsFlashCompressed=0\r\ndestIsFlashProtected=1\r\ndestFlashPassword=p=ss word\r\n"
        "destFlashPlayingQuality=3\r\ndestFlashBackgroundColor=00123456\r\ndestFrameRate=12\r\n"
        "destFrameQuality=60\r\ndestStartFrame=5\r\ndestEndFrame=200\r\ndestWidth=320\r\ndestHeight=240\r\n"
        "destIsDefaultFrameRate=1\r\ndestIsDefaultFrameQuality=1\r\ndestIsDefaultDuration=1\r\n"
        "destIsDefaultRegion=1\r\ndestIsKeepAspectRatio=1\r\n"
        "destIsApplyRegion=1\r\ndestRegionX=10\r\ndestRegionY=20\r\ndestRegionWidth=300\r\ndestRegionHeight=200\r\n"
        "destIsApplyEffects=1\r\ndestIsBrightness=1\r\ndestBrightnessR=-10\r\ndestBrightnessG=20\r\n"
        "destBrightnessB=30\r\ndestIsContrast=1\r\ndestContrastR=40\r\ndestContrastG=-50\r\ndestContrastB=60\r\n"
        "destIsGamma=1\r\ndestGammaR=0.5\r\ndestGammaG=1.25\r\ndestGammaB=4.75\r\ndestIsWhiteBalance=1\r\n"
        "destWhiteBalanceR=200\r\ndestWhiteBalanceG=210\r\ndestWhiteBalanceB=220\r\ndestIsSolarize=1\r\n"
        "destSolarizeR=100\r\ndestSolarizeG=110\r\ndestSolarizeB=120\r\ndestIsSaturation=1\r\n"
        "destSaturationPercent=-30\r\ndestFiltersCount=3\r\n"
        "destIsAudioIncluded=0\r\ndestIsAudioExtracted=1\r\ndestAudioFormat=1\r\ndestAudioFrequency=1\r\n"
        "destAudioBitrate=9\r\ndestIsAudioReplaced=1\r\ndestAudioReplacedFile=/music/song.mp3\r\n"
        "destFlashStartAction=1\r\ndestIsFlashStartWait=1\r\ndestFlashStartWaitSeconds=12\r\n"
        "destIsFlashEndRepeat=1\r\ndestFlashEndRepeatTimes=7\r\ndestIsFlashEndUnload=1\r\n"
        "destIsFlashEndOpenLink=1\r\ndestFlashEndOpenLinkType=1\r\ndestFlashEndOpenLinkTarget=2\r\n"
        "destFlashEndOpenLinkURL=http://end.example/?a=1&b=2\r\ndestIsFlashClickOpenLink=1\r\n"
        "destFlashClickOpenLinkType=1\r\ndestFlashClickOpenLinkTarget=3\r\n"
        "destFlashClickOpenLinkURL=http://click.example/\r\n"
        "destIsFlashText=1\r\ndestFlashTextFont=\"DejaVu Sans, \"\"Bold\"\"\",14,1,,1,,$00336699,0,2\r\n"
        "destFlashTextOpacity=128\r\ndestFlashTextPosition=7\r\ndestFlashTextX=15\r\ndestFlashTextY=-5\r\n"
        "destIsFlashTextOpenLink=1\r\ndestFlashTextOpenLinkType=0\r\ndestFlashTextOpenLinkTarget=1\r\n"
        "destFlashTextOpenLinkURL=http://text.example/\r\n"
        "destIsFlashBlankFrame=1\r\ndestFlashBlankFrameColor=000000FF\r\ndestIsFlashImageFrame=1\r\n"
        "destFlashImageFrameFile=/pics/first.jpg\r\n"
        "destIsPreloader=1\r\ndestPreloader=/swf/pre.swf\r\ndestPreloaderScaleX=30\r\ndestPreloaderScaleY=40\r\n"
        "destPreloaderPosition=7\r\ndestPreloaderPositionX=1\r\ndestPreloaderPositionY=2\r\n"
        "destIsPlayback=1\r\ndestPlayback=/swf/play.swf\r\ndestPlaybackScaleX=60\r\ndestPlaybackScaleY=70\r\n"
        "destPlaybackPosition=3\r\ndestPlaybackPositionX=4\r\ndestPlaybackPositionY=5\r\n"
        "destIsSkin=1\r\ndestSkinType=2\r\n\r\n"
        "[Filters0]\r\n"
        "destIsApplyFilter0=1\r\ndestFilterType0=2\r\ndestPixelizeWidth0=4\r\ndestPixelizeHeight0=5\r\n"
        "destChaosLevelr0=6\r\ndestIsKeepEvenr0=1\r\ndestIsInterpolate0=0\r\n"
        "destIsApplyFilter1=1\r\ndestFilterType1=7\r\ndestPixelizeWidth1=10\r\ndestPixelizeHeight1=11\r\n"
        "destChaosLevelr1=50\r\ndestIsKeepEvenr1=0\r\ndestIsInterpolate1=1\r\n"
        "destIsApplyFilter2=0\r\ndestFilterType2=9\r\ndestPixelizeWidth2=1\r\ndestPixelizeHeight2=100\r\n"
        "destChaosLevelr2=100\r\ndestIsKeepEvenr2=1\r\ndestIsInterpolate2=1\r\n\r\n"
        "[FlashText0]\r\nFirst line\r\nSecond line: \xC3\xBCn\xC3\xAF" "code\r\n\r\n";
    EXPECT_EQ(ReadFile(dir / "tasks.ini"), expected);
}

TEST(TaskListFile, EveryFieldRoundTripsAndResavesByteForByte) {
    TempDir dir;
    WriteFile(dir / "clip one.avi", "");
    WriteFile(dir / "b.mpg", "");
    TTaskList list;
    list.Add(std::make_unique<TCovSettings>(EveryFieldRecord(dir.Folder())), false);
    auto plain = AddedRecord(dir.Folder(), "b.mpg");
    plain->destFlashText.clear();  // no caption lines: no FlashText1 section
    list.Add(std::move(plain), true);
    SaveTasks(dir / "tasks.ini", list);

    TTaskList loaded;
    LoadTasks(dir / "tasks.ini", loaded);
    EXPECT_FALSE(loaded.Modified());
    ASSERT_EQ(loaded.Count(), 2u);
    EXPECT_EQ(loaded.Settings(0), list.Settings(0));
    EXPECT_EQ(loaded.Settings(1), list.Settings(1));
    EXPECT_FALSE(loaded.Checked(0));
    EXPECT_TRUE(loaded.Checked(1));
    EXPECT_TRUE(loaded.Settings(1).destFlashText.empty());  // the one-line default is not restored

    TAppIniFile file(dir / "tasks.ini");
    EXPECT_EQ(file.SectionNames(), (std::vector<std::string>{"General", "Task0", "Filters0", "FlashText0", "Task1"}));

    const std::string first = ReadFile(dir / "tasks.ini");
    SaveTasks(dir / "tasks.ini", loaded);
    EXPECT_EQ(ReadFile(dir / "tasks.ini"), first);
}

// The page player keys stay out of the file until a task changes them, so files that never
// used them are saved as before; a task that does gets both, after the last older key.
TEST(TaskListFile, PagePlayerKeysAreSavedOnlyWhenATaskUsesThem) {
    TempDir dir;
    WriteFile(dir / "a.avi", "");
    TTaskList list;
    list.Add(AddedRecord(dir.Folder(), "a.avi"), true);
    SaveTasks(dir / "tasks.ini", list);
    const std::string plain = ReadFile(dir / "tasks.ini");
    EXPECT_EQ(plain.find("Ruffle"), std::string::npos);

    list.Settings(0).destIsHtmlRuffle = true;
    SaveTasks(dir / "tasks.ini", list);
    std::string withPlayer = ReadFile(dir / "tasks.ini");
    EXPECT_NE(withPlayer.find("destSkinType=0\r\ndestIsHtmlRuffle=1\r\ndestHtmlRuffleScript=\r\n"),
              std::string::npos);

    list.Settings(0).destIsHtmlRuffle = false;
    list.Settings(0).destHtmlRuffleScript = "ruffle/ruffle.js";
    SaveTasks(dir / "tasks.ini", list);
    TTaskList loaded;
    LoadTasks(dir / "tasks.ini", loaded);
    ASSERT_EQ(loaded.Count(), 1u);
    EXPECT_EQ(loaded.Settings(0), list.Settings(0));

    // A file from before the keys existed loads with the plug-in page.
    WriteFile(dir / "tasks.ini", plain);
    LoadTasks(dir / "tasks.ini", loaded);
    ASSERT_EQ(loaded.Count(), 1u);
    EXPECT_FALSE(loaded.Settings(0).destIsHtmlRuffle);
    EXPECT_EQ(loaded.Settings(0).destHtmlRuffleScript, "");
}

TEST(TaskListFile, DefaultFontValue) {
    EXPECT_EQ(FormatFontValue(DefaultCaptionFont()), "\"MS Sans Serif\",8,,,,,clBlack,1,0");
    EXPECT_EQ(ParseFontValue("\"MS Sans Serif\",8,,,,,clBlack,1,0"), DefaultCaptionFont());

    const TFontDescription odd = ParseFontValue("Arial,big,true,1,,1,CLRED,x,2,extra");
    EXPECT_EQ(odd.name, "Arial");
    EXPECT_EQ(odd.size, -1);
    EXPECT_FALSE(odd.bold);  // only "1" sets a style
    EXPECT_TRUE(odd.italic);
    EXPECT_TRUE(odd.strikeout);
    EXPECT_EQ(odd.color, 0x0000FFu);
    EXPECT_EQ(odd.charset, -1);
    EXPECT_EQ(odd.pitch, 2);
    EXPECT_EQ(ParseFontValue("A,8,,,,,0000FF,1,0").color, 0x0000FFu);  // bare hexadecimal
    EXPECT_EQ(ParseFontValue("A,8,,,,,$00FF0000,1,0").color, 0xFF0000u);
    EXPECT_THROW(ParseFontValue("A,8,,,,,clBlack,1"), TTaskValueError);
    EXPECT_THROW(ParseFontValue(""), TTaskValueError);
    EXPECT_THROW(ParseFontValue("A,8,,,,,blue?,1,0"), TTaskValueError);
    EXPECT_THROW(ParseFontValue("\"unterminated,8,,,,,clBlack,1,0"), TTaskValueError);
}

TEST(TaskListFile, LoadingEdgeCases) {
    TempDir dir;
    const std::string f = dir.Folder();
    for (const char* name : {"a.avi", "b.avi", "c.avi", "d.avi", "e.avi", "f.avi"}) WriteFile(dir / name, "");

    // TaskCount=2 with only Task1 present: one entry, written back as Task0.
    TTaskList list = LoadText(dir, "[General]\r\nTaskCount=2\r\n\r\n" +
                                       MinimalTask(1, f, "b.avi", "destFrameRate=0x1F\r\nvFreq=29,97\r\n"));
    ASSERT_EQ(list.Count(), 1u);
    EXPECT_EQ(list.Settings(0).sourceInfo.srcFilename, "b.avi");
    EXPECT_EQ(list.Settings(0).destFrameRate, 31);
    EXPECT_EQ(list.Settings(0).sourceInfo.vFreq, 29.97);
    EXPECT_TRUE(list.Checked(0));  // IsItemChecked missing
    SaveTasks(dir / "tasks.ini", list);
    TAppIniFile resaved(dir / "tasks.ini");
    EXPECT_EQ(resaved.ReadString("Task0", "srcFilename", ""), "b.avi");
    EXPECT_FALSE(resaved.SectionExists("Task1"));

    list = LoadText(
        dir,
        "[General]\r\nTaskCount=9\r\n" +
            MinimalTask(0, f, "a.avi", "destFrameRate=abc\r\ndestFlashBackgroundColor=00FF0000\r\nvLen=$20\r\n") +
            MinimalTask(1, f, "b.avi", "destFlashBackgroundColor=blue\r\n") +          // bad colour: dropped
            MinimalTask(2, f, "missing.avi") +                                         // no source: skipped
            "[Task3]\r\nsrcFilename=c.avi\r\nsrcFilepath=" + f + "\r\n" +              // no font: dropped
            MinimalTask(4, f, "d.avi", "destFlashTextFont=Arial,8,,,,,clBlack,1\r\n") +  // 8 elements: dropped
            MinimalTask(5, f, "e.avi", "destIsFlashText=1\r\ndestFiltersCount=2\r\nIsItemChecked=0\r\n") +
            "[FlashText5]\r\nline one\r\n\r\nline two\r\n[not caption]\r\nline three\r\n" +
            MinimalTask(6, f, "f.avi", "destFiltersCount=2000000000\r\n"));
    ASSERT_EQ(list.Count(), 3u);
    const TCovSettings& a = list.Settings(0);
    EXPECT_EQ(a.destFrameRate, 12);  // unreadable: the default made before the source keys were read
    EXPECT_EQ(a.destFlashBackgroundColor, 0xFF0000u);
    EXPECT_EQ(a.destEndFrame, 0);   // destEndFrame missing: its default, not vLen
    EXPECT_EQ(a.sourceInfo.vLen, 32);
    EXPECT_EQ(a.destFrameQuality, 75);
    EXPECT_TRUE(a.destFlashText.empty());  // no FlashText section

    const TCovSettings& e = list.Settings(1);
    EXPECT_EQ(e.sourceInfo.srcFilename, "e.avi");
    EXPECT_FALSE(list.Checked(1));
    EXPECT_TRUE(e.destIsFlashText);
    EXPECT_EQ(e.destFlashText, (std::vector<std::string>{"line one", "line two"}));
    ASSERT_EQ(e.effects.destFilters.size(), 2u);  // missing filter keys: defaults of a new filter
    EXPECT_EQ(e.effects.destFilters[1], TFilterSettings{});

    EXPECT_EQ(list.Settings(2).sourceInfo.srcFilename, "f.avi");
    EXPECT_EQ(list.Settings(2).effects.destFilters.size(), static_cast<std::size_t>(kMaxFiltersPerTask));
}

TEST(TaskListFile, FileWrittenElsewhere) {
    TempDir dir;
    WriteFile(dir / "caf\xC3\xA9.avi", "");
    // Windows-1252 bytes, a byte order mark elsewhere, LF line ends and a trailing Ctrl-Z.
    TTaskList list = LoadText(dir, "[general]\ntaskcount=1\n[TASK0]\nsrcFilename=caf\xE9.avi\nsrcFilepath=" +
                                       dir.Folder() + "\ndestFlashTextFont=Arial,8,,,,,clBlack,1,0\n"
                                       "destGammaR=1,5\ndestFlashPassword=\x80uro\n\x1A");
    ASSERT_EQ(list.Count(), 1u);
    EXPECT_EQ(list.Settings(0).sourceInfo.srcFilename, "caf\xC3\xA9.avi");
    EXPECT_EQ(list.Settings(0).effects.destGammaR, 1.5);
    EXPECT_EQ(list.Settings(0).destFlashPassword, "\xE2\x82\xACuro");
}

TEST(TaskListFile, DamagedFilesNeverBreakLoading) {
    TempDir dir;
    WriteFile(dir / "clip one.avi", "");
    TTaskList list;
    list.Add(std::make_unique<TCovSettings>(EveryFieldRecord(dir.Folder())), true);
    list.Add(std::make_unique<TCovSettings>(EveryFieldRecord(dir.Folder())), true);
    SaveTasks(dir / "full.ini", list);
    const std::string full = ReadFile(dir / "full.ini");

    // Every cut of the file loads what it can.
    for (std::size_t length = 0; length <= full.size(); length += 3) {
        TAppIniFile file;
        file.LoadFromText(std::string_view(full).substr(0, length));
        TTaskList loaded;
        ReadTaskList(file, loaded);
        EXPECT_LE(loaded.Count(), 2u);
    }
    // A count of two billion tasks does not make loading walk two billion sections.
    const auto start = std::chrono::steady_clock::now();
    TTaskList huge = LoadText(dir, "[General]\r\nTaskCount=2147483647\r\n" + MinimalTask(5, dir.Folder(), "clip one.avi"));
    EXPECT_EQ(huge.Count(), 1u);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));

    for (const char* garbage : {"\x01\x02", "[", "]", "[]", "=\r\n=", "[General]\r\nTaskCount=-5",
                                "[General]\nTaskCount=1\n[Task0]\nsrcFilepath\n"}) {
        EXPECT_EQ(LoadText(dir, garbage).Count(), 0u);
    }
}

TEST(TaskListFile, SavingFailureLeavesTheOldFile) {
    TempDir dir;
    WriteFile(dir / "a.avi", "");
    TTaskList list;
    list.Add(AddedRecord(dir.Folder(), "a.avi"));
    EXPECT_THROW(SaveTasks(dir / "missing-folder" / "tasks.ini", list), TIniFileError);
    EXPECT_FALSE(std::filesystem::exists(dir / "missing-folder"));
}

TEST(TaskList, ChangesSetTheModifiedFlag) {
    TempDir dir;
    WriteFile(dir / "a.avi", "");
    TTaskList list;
    list.Add(AddedRecord(dir.Folder(), "a.avi"));
    list.Add(AddedRecord(dir.Folder(), "a.avi"), false);
    SaveTasks(dir / "tasks.ini", list);
    LoadTasks(dir / "tasks.ini", list);
    EXPECT_FALSE(list.Modified());
    ASSERT_EQ(list.Count(), 2u);

    list.SetChecked(0, true);  // already ticked: nothing changed
    EXPECT_FALSE(list.Modified());
    list.SetChecked(1, true);
    EXPECT_TRUE(list.Modified());
    list.SetModified(false);
    list.Remove(0);
    EXPECT_TRUE(list.Modified());
    list.SetModified(false);
    list.Clear();
    EXPECT_TRUE(list.Modified());
    EXPECT_THROW(list.Remove(0), std::out_of_range);
    EXPECT_EQ(TaskSourceText(*AddedRecord("/v/", "a.avi")), "a.avi@/v/");
    EXPECT_EQ(TaskExportText(*AddedRecord("/v/", "a.avi")), "a.swf@/v/");
}

}  // namespace pellicor
