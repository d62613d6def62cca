#include "media/source_probe.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <string_view>

#include "media/gif_image.h"
#include "media/mcl_file_info.h"
#include "media/media_error.h"
#include "media/stream_decoder.h"
#include "util/file_access.h"
#include "util/number_text.h"

namespace pellicor {

namespace {

struct TAcceptedExtension {
    std::string_view extension;
    bool video;
    std::string_view displayName;  // empty: the container's own name
};

constexpr std::array<TAcceptedExtension, 14> kAccepted{{
    {".avi", true, ""},
    {".mpg", true, ""},
    {".mpeg", true, ""},
    {".mpe", true, ""},
    {".wmv", true, "Windows Media Video"},
    {".asf", true, "Advanced Streaming Format"},
    {".rmvb", true, ""},
    {".rm", true, "Real Media"},
    {".qt", true, "Quick Time"},
    {".mov", true, "Quick Time"},
    {".mp4", true, "Quick Time"},
    {".3gp", true, ""},
    {".wav", false, "WAVE Audio"},
    {".mp3", false, "MP3 Audio"},
}};

std::string LowerExtension(const std::filesystem::path& path) {
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

// Name, folder (with its trailing "/") and size text of the file.
void SetFileFields(const std::filesystem::path& path, TSourceInfo& info) {
    const std::filesystem::path absolute = std::filesystem::absolute(path).lexically_normal();
    info.srcFilename = absolute.filename().string();
    info.srcFilepath = WithSlash(absolute.parent_path().string());
    info.srcFilesize = FormatFileSize(path.string());
}

bool ProbeAnimatedGif(const std::filesystem::path& path, TSourceInfo& info) {
    TGIFImage gif;
    gif.LoadFromFile(path.string());
    if (gif.FrameCount() < 2) return false;
    TSourceInfo probed;
    SetFileFields(path, probed);
    probed.srcFileFormat = "Animated GIF";
    probed.vExists = kTrue32;
    probed.vSupported = kTrue32;
    probed.resX = gif.Width();
    probed.resY = gif.Height();
    probed.vLen = gif.FrameCount();
    const int delay = gif.FrameDelay(0);
    probed.vFreq = delay > 0 ? 1000.0 / delay : 5.0;
    probed.vTimeLenf = probed.vLen / probed.vFreq;
    probed.aCodec = -1;
    probed.aFreq = 1.0;
    probed.aChannels = 1;
    probed.aBitsChn = 8;
    probed.aSampleSize = 1;
    info = probed;
    return true;
}

}  // namespace

std::string FormatFileSize(const std::string& path) {
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file) throw EMediaError("cannot open \"" + path + "\"");
    const std::streamoff size = file.tellg();
    if (size < 0) throw EMediaError("cannot tell the size of \"" + path + "\"");
    return FormatByteCount(static_cast<std::uint64_t>(size));
}

bool IsPlayableSource(const std::string& path, bool video) {
    try {
        TStreamDecoder decoder(path, video ? AVMEDIA_TYPE_VIDEO : AVMEDIA_TYPE_AUDIO);
        ffmpeg::FramePtr frame = ffmpeg::NewFrame();
        return decoder.DecodeNext(*frame) && decoder.CanSeek();
    } catch (const EMediaError&) {
        return false;
    }
}

bool ProbeSourceFile(const std::string& path, TSourceInfo& info) {
    return ProbeSourceFile(path, info, {});
}

bool ProbeSourceFile(const std::string& path, TSourceInfo& info,
                     const TMclProgressCallback& progress) {
    try {
        const std::filesystem::path file(path);
        const std::string extension = LowerExtension(file);
        if (extension == ".gif") return ProbeAnimatedGif(file, info);
        const auto accepted = std::find_if(kAccepted.begin(), kAccepted.end(), [&](const auto& entry) {
            return entry.extension == extension;
        });
        if (accepted == kAccepted.end()) return false;
        if (!IsPlayableSource(path, accepted->video)) return false;

        TMclFileInfo record;
        MclGetFileInfo(path, record, progress);
        TSourceInfo probed;
        SetFileFields(file, probed);
        probed.srcFileFormat =
            accepted->displayName.empty() ? record.fFmtName : std::string(accepted->displayName);
        probed.fName = record.fName;
        probed.fFmtName = record.fFmtName;
        probed.fSize = record.fSize;
        if (accepted->video) {
            probed.vExists = record.vExists;
            probed.vSupported = record.vSupported;
            probed.vCodec = record.vCodec;
            probed.vFmtName = record.vFmtName;
            probed.vLen = record.vLen;
            probed.vTimeLenf = record.vTimeLenf;
            probed.vBytesLen = record.vBytesLen;
            probed.vFreq = record.vFreq;
            probed.resX = record.resX;
            probed.resY = record.resY;
            probed.resB = record.resB;
            probed.bpp = record.bpp;
        } else {
            probed.resX = 320;
            probed.resY = 240;
            probed.vLen = 1;
        }
        probed.aExists = record.aExists;
        probed.aSupported = record.aSupported;
        probed.aCodec = record.aCodec;
        probed.aFmtName = record.aFmtName;
        probed.aLen = record.aLen;
        probed.aTimeLen = record.aTimeLen;
        probed.aBytesLen = record.aBytesLen;
        probed.aFreq = record.aFreq;
        probed.aChannels = record.aChannels;
        probed.aBitsChn = record.aBitsChn;
        probed.aSampleSize = record.aSampleSize;
        info = probed;
        return true;
    } catch (...) {
        return false;  // errors while probing refuse the file
    }
}

}  // namespace pellicor
