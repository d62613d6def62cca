// Makes the seed corpus of every fuzz target with the program's own writers (and the
// builders the reader tests use): converted movies, BMP, JPEG, MP3 and wave files, task
// list files and GIF files. Usage: make_seeds FIXTURES_FOLDER OUTPUT_FOLDER; writes
// OUTPUT_FOLDER/<target>/<seed>.

#include <gif_lib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "batch/batch_driver.h"
#include "engine/convert_task.h"
#include "media/bitmap.h"
#include "media/jpeg_encoder.h"
#include "movie_reader_test_support.h"
#include "settings/task_list.h"
#include "settings/task_list_file.h"
#include "swf/movie_stream.h"
#include "swf/streams.h"

namespace fs = std::filesystem;
using namespace pellicor;
using namespace pellicor::test_support;

namespace {

fs::path Output;

void Save(const std::string& target, const std::string& name, const std::vector<std::uint8_t>& bytes) {
    fs::create_directories(Output / target);
    std::ofstream(Output / target / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> ReadBytes(const fs::path& path) {
    TMemoryStream stream;
    stream.LoadFromFile(path.string());
    return stream.Bytes();
}

// ---- movies: a short conversion per group of features ----

void ConvertSeed(const std::string& source, const std::string& name, const std::function<void(TCovSettings&)>& set) {
    TCovSettings task;
    if (!InitTaskSettings(source, task, kInitProbe)) throw std::runtime_error("cannot probe " + source);
    task.destStartFrame = 1;
    task.destEndFrame = 2;
    task.destFrameQuality = 10;
    task.destIsFlashCompressed = false;
    set(task);
    const fs::path work = Output / "work";
    fs::create_directories(work);
    task.destFilepath = work.string() + "/";
    task.destFilename = name + ".swf";
    TPassSettings context;
    if (!FillPassSettings(task, work.string() + "/", context)) throw std::runtime_error("nothing to convert");
    Converting = true;
    if (!ConvertTask(context, nullptr)) throw std::runtime_error("conversion failed: " + name);
    Save("swf", name + ".swf", ReadBytes(work / (name + ".swf")));
}

void MakeMovieSeeds(const fs::path& fixtures) {
    const std::string gif = (fixtures / "anim.gif").string(), clip = (fixtures / "clip.avi").string();
    ConvertSeed(gif, "plain", [](TCovSettings&) {});
    ConvertSeed(gif, "compressed-flash3", [](TCovSettings& t) {
        t.destIsFlashCompressed = true;
        t.destIsFlashProtected = true;
    });
    ConvertSeed(gif, "buttons-and-actions", [](TCovSettings& t) {
        t.destFlashStartAction = kStartOnClick;
        t.destIsFlashEndRepeat = true;
        t.destIsFlashEndOpenLink = true;
        t.destIsFlashClickOpenLink = true;
        t.destFlashPlayingQuality = 2;
    });
    ConvertSeed(gif, "caption-and-wait", [](TCovSettings& t) {
        t.destIsFlashText = true;
        t.destFlashText = {"Seed caption", "second line"};
        t.destIsFlashTextOpenLink = true;
        t.destIsFlashStartWait = true;
        t.destFlashFormat = 0;
    });
    ConvertSeed(clip, "stream-sound-mp3", [](TCovSettings& t) { t.destAudioFormat = kAudioMp3; });
    ConvertSeed(clip, "stream-sound-wave", [](TCovSettings& t) {
        t.destAudioFormat = kAudioWave;
        t.destAudioFrequency = 0;
        t.destIsFlashCompressed = true;
    });
    fs::remove_all(Output / "work");
}

// ---- pictures ----

void MakeBmpSeeds() {
    const Grid grid = {{1, 0, 3, 2, 1, 0, 3}, {3, 3, 2, 1, 0, 1, 2}, {0, 1, 2, 3, 0, 1, 2}};
    const std::vector<std::uint32_t> palette = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
    for (int bits : {1, 4, 8, 16, 24, 32})
        Save("bmp", "bits" + std::to_string(bits) + ".bmp",
             BmpFile{.width = 7, .height = 3, .bits = bits, .palette = palette, .data = PackRows(bits, grid)}.Build());
    Save("bmp", "top-down.bmp", BmpFile{.width = 7, .height = -3, .bits = 24, .data = PackRows(24, grid, true)}.Build());
    Save("bmp", "core-header.bmp",
         BmpFile{.width = 7, .height = 3, .bits = 4, .headerSize = 12, .palette = palette, .data = PackRows(4, grid)}.Build());
    Save("bmp", "rle8.bmp",
         BmpFile{.width = 7, .height = 3, .bits = 8, .compression = 1, .palette = palette,
                 .data = {3, 1, 0, 3, 1, 2, 3, 0, 0, 0, 2, 1, 1, 4, 2, 0, 0, 1}}.Build());
    Save("bmp", "rle4.bmp",
         BmpFile{.width = 7, .height = 3, .bits = 4, .compression = 2, .palette = palette,
                 .data = {7, 0x12, 0, 0, 0, 5, 0x12, 0x30, 0x10, 0, 0, 2, 1, 1, 2, 0x33, 0, 1}}.Build());
    Save("bmp", "bitfields.bmp",
         BmpFile{.width = 7, .height = 3, .bits = 32, .compression = 3, .headerSize = 124,
                 .masks = {0xFF0000, 0xFF00, 0xFF, 0xFF000000}, .data = PackRows(32, grid)}.Build());
}

void MakeJpegSeeds() {
    Save("jpeg", "baseline.jpg", EncodeJpeg(40, 30, false));
    Save("jpeg", "progressive.jpg", EncodeJpeg(40, 30, true));
    TBitmap picture(17, 9);
    for (std::size_t i = 0; i < picture.pixels.size(); ++i) picture.pixels[i] = static_cast<std::uint8_t>(i * 37);
    TJpegEncoder encoder;
    encoder.SetQuality(50);
    std::vector<std::uint8_t> frame;
    encoder.Encode(picture, frame);
    Save("jpeg", "frame-encoder.jpg", frame);
}

// ---- sound ----

void MakeSoundSeeds() {
    const Bytes mono = EncodeMp3(24000, 1, 32, false, false, 0.2).bytes;
    Save("sound", "stereo-cbr.mp3", EncodeMp3(44100, 2, 128, false, false, 0.2).bytes);
    Save("sound", "vbr-tagged.mp3", EncodeMp3(44100, 2, 128, true, true, 0.2).bytes);
    Bytes tagged = ID3v2Tag(600, 590);
    tagged.insert(tagged.end(), mono.begin(), mono.end());
    Save("sound", "id3v2.mp3", tagged);
    Save("sound", "pcm16.wav", Wave(1, 2, 44100, 16, Bytes(1000, 7), {{"LIST", Bytes(3, 'x')}}));
    Save("sound", "pcm8.wav", Wave(1, 1, 11025, 8, Bytes(300, 128)));
    Save("sound", "mp3-in-wave.wav", Wave(0x55, 1, 24000, 0, mono));
}

// ---- task lists ----

void MakeTaskListSeeds() {
    TTaskList list;
    for (int variant = 0; variant < 3; ++variant) {
        auto task = std::make_unique<TCovSettings>();
        task->sourceInfo.srcFilepath = "/dev/";
        task->sourceInfo.srcFilename = "null";
        task->sourceInfo.vExists = task->sourceInfo.vSupported = variant == 2 ? 0 : -1;
        task->sourceInfo.vFreq = 25;
        task->sourceInfo.vLen = 50;
        task->sourceInfo.resX = 160;
        task->sourceInfo.resY = 120;
        InitTaskSettings("", *task, kInitNoProbe);
        if (variant == 1) {
            task->effects.destIsApplyEffects = true;
            task->effects.destFilters.Add().destFilterType = 3;
            task->effects.destFilters.Add().destFilterType = 7;
            task->destIsFlashText = true;
            task->destFlashText = {"one", "two, \"quoted\""};
            task->destFlashTextFont.name = "Face, with comma";
            task->destFlashTextFont.color = 0x123456;
            task->destIsApplyRegion = true;
            task->destRegionX = 10;
            task->destRegionWidth = 100;
            task->destRegionHeight = 60;
        }
        list.Add(std::move(task), variant != 1);
    }
    TAppIniFile file;
    WriteTaskList(file, list);
    const std::string text = file.ToText();
    Save("task_list", "three-tasks.ini", Bytes(text.begin(), text.end()));
}

// ---- GIF ----

// A GIF of `frames` frames of 8 x 6 pixels over a 12 x 8 screen, each with a graphic
// control extension (delay, transparency); written with giflib.
void WriteGif(const fs::path& path, int frames, bool interlaced) {
    int error = 0;
    GifFileType* gif = EGifOpenFileName(path.c_str(), false, &error);
    if (gif == nullptr) throw std::runtime_error("giflib cannot create " + path.string());
    GifColorType colours[4] = {{0, 0, 255}, {255, 0, 0}, {0, 255, 0}, {255, 255, 255}};
    ColorMapObject* map = GifMakeMapObject(4, colours);
    EGifSetGifVersion(gif, true);
    EGifPutScreenDesc(gif, 12, 8, 2, 0, map);
    if (frames > 1) {
        const char loop[] = "NETSCAPE2.0";
        const unsigned char count[] = {1, 0, 0};
        EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE);
        EGifPutExtensionBlock(gif, 11, loop);
        EGifPutExtensionBlock(gif, 3, count);
        EGifPutExtensionTrailer(gif);
    }
    for (int frame = 0; frame < frames; ++frame) {
        GraphicsControlBlock control{};
        control.DisposalMode = frame % 3;
        control.DelayTime = 10;
        control.TransparentColor = frame == 0 ? NO_TRANSPARENT_COLOR : 3;
        GifByteType extension[4];
        EGifGCBToExtension(&control, extension);
        EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, extension);
        EGifPutImageDesc(gif, frame % 4, frame % 2, 8, 6, interlaced, nullptr);
        for (int y = 0; y < 6; ++y) {
            GifPixelType line[8];
            for (int x = 0; x < 8; ++x) line[x] = static_cast<GifPixelType>((x + y + frame) % 4);
            EGifPutLine(gif, line, 8);
        }
    }
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
}

void MakeGifSeeds() {
    fs::create_directories(Output / "gif");
    WriteGif(Output / "gif" / "animated.gif", 3, false);
    WriteGif(Output / "gif" / "interlaced.gif", 1, true);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_seeds FIXTURES_FOLDER OUTPUT_FOLDER\n");
        return 2;
    }
    Output = argv[2];
    try {
        fs::remove_all(Output);
        MakeBmpSeeds();
        MakeJpegSeeds();
        MakeSoundSeeds();
        MakeTaskListSeeds();
        MakeGifSeeds();
        MakeMovieSeeds(argv[1]);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "make_seeds: %s\n", error.what());
        return 1;
    }
    return 0;
}
