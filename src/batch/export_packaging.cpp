#include "batch/export_packaging.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <limits>
#include <system_error>

#include "util/temporary_file.h"

namespace pellicor {

namespace {

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

std::string Reason(int error) { return std::strerror(error); }

// A file descriptor closed when it goes out of scope.
class TFileHandle {
public:
    explicit TFileHandle(int fd) : fd_(fd) {}
    TFileHandle(TFileHandle&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    TFileHandle(const TFileHandle&) = delete;
    TFileHandle& operator=(const TFileHandle&) = delete;
    ~TFileHandle() {
        if (fd_ >= 0) close(fd_);
    }
    int Get() const { return fd_; }

private:
    int fd_;
};

// Opens `path` for reading; throws TPackagingError with `role` ("projector stub") otherwise.
TFileHandle OpenForReading(const std::string& path, const std::string& role) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw TPackagingError("Cannot read the " + role + " " + Quoted(path) + ": " + Reason(errno));
    TFileHandle handle(fd);
    struct stat info {};
    if (fstat(fd, &info) != 0)
        throw TPackagingError("Cannot read the " + role + " " + Quoted(path) + ": " + Reason(errno));
    if (!S_ISREG(info.st_mode))
        throw TPackagingError("Cannot read the " + role + " " + Quoted(path) + ": it is not a file");
    return handle;
}

// A new file written beside `target` under a temporary name and renamed over it by Commit;
// removed again when it was never committed.
class TReplacingFile {
public:
    explicit TReplacingFile(std::string target) : target_(std::move(target)), temporary_(target_) {
        fd_ = open(temporary_.Path().c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ < 0) throw TPackagingError("Cannot create " + Quoted(target_) + ": " + Reason(errno));
    }
    TReplacingFile(const TReplacingFile&) = delete;
    TReplacingFile& operator=(const TReplacingFile&) = delete;
    ~TReplacingFile() {
        if (fd_ >= 0) close(fd_);
    }

    void Write(const void* data, std::size_t size) {
        const char* cursor = static_cast<const char*>(data);
        while (size > 0) {
            const ssize_t written = write(fd_, cursor, size);
            if (written < 0) {
                if (errno == EINTR) continue;
                Fail("write");
            }
            cursor += written;
            size -= static_cast<std::size_t>(written);
        }
    }

    // Appends the rest of `source`; returns the number of bytes copied.
    std::uint64_t CopyFrom(int source, const std::string& sourcePath) {
        std::array<char, 1 << 16> buffer{};
        std::uint64_t total = 0;
        for (;;) {
            const ssize_t got = read(source, buffer.data(), buffer.size());
            if (got == 0) return total;
            if (got < 0) {
                if (errno == EINTR) continue;
                throw TPackagingError("Cannot read " + Quoted(sourcePath) + ": " + Reason(errno));
            }
            Write(buffer.data(), static_cast<std::size_t>(got));
            total += static_cast<std::uint64_t>(got);
        }
    }

    // Adds execute permission for everyone who may read the file.
    void MakeRunnable() {
        struct stat info {};
        if (fstat(fd_, &info) != 0) Fail("write");
        const mode_t readers = info.st_mode & (S_IRUSR | S_IRGRP | S_IROTH);
        fchmod(fd_, (info.st_mode & 07777) | (readers >> 2));  // best effort, like a copy would
    }

    void Commit() {
        const int fd = fd_;
        fd_ = -1;
        if (close(fd) != 0) Fail("write");
        try {
            temporary_.Commit();
        } catch (const std::system_error& error) {
            throw TPackagingError(error.what());
        }
    }

private:
    [[noreturn]] void Fail(const std::string& what) {
        throw TPackagingError("Cannot " + what + " " + Quoted(target_) + ": " + Reason(errno));
    }

    std::string target_;
    TTemporaryFile temporary_;  // removed unless committed, also when the program quits at once
    int fd_ = -1;
};

void AppendLittleEndian32(std::string& bytes, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<char>((value >> shift) & 0xFF));
}

// Addresses of the player vendor's browser plug-in: the installable cabinet and the
// download page.
constexpr std::string_view kPlayerCabinetAddress =
    "http://download.macromedia.com/pub/shockwave/cabs/flash/swflash.cab#version=6,0,29,0";
constexpr std::string_view kPlayerDownloadPage = "http://www.macromedia.com/go/getflashplayer";

}  // namespace

std::string ProjectorStubPath(const std::vector<std::string>& folders) {
    for (const std::string& folder : folders) {
        for (const char* name : {"dfp", "dfp.exe"}) {
            std::error_code error;
            if (std::filesystem::is_regular_file(folder + name, error)) return folder + name;
        }
    }
    return folders.empty() ? std::string("dfp") : folders.front() + "dfp";
}

void MakeExecutable(const std::string& swfPath, const std::string& exePath, const std::string& stubPath) {
    // Both inputs are opened before anything is created, so a missing stub leaves no file.
    TFileHandle stub = OpenForReading(stubPath, "projector stub");
    TFileHandle movie = OpenForReading(swfPath, "movie");

    TReplacingFile executable(exePath);
    executable.CopyFrom(stub.Get(), stubPath);
    const std::uint64_t movieSize = executable.CopyFrom(movie.Get(), swfPath);
    if (movieSize > std::numeric_limits<std::uint32_t>::max())
        throw TPackagingError("Cannot make " + Quoted(exePath) + ": the movie " + Quoted(swfPath) +
                              " is bigger than 4 GiB");
    std::string trailer;
    AppendLittleEndian32(trailer, kProjectorSignature);
    AppendLittleEndian32(trailer, static_cast<std::uint32_t>(movieSize));
    executable.Write(trailer.data(), trailer.size());
    executable.MakeRunnable();
    executable.Commit();
}

std::string EscapeHtml(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '&': escaped += "&amp;"; break;
            case '<': escaped += "&lt;"; break;
            case '>': escaped += "&gt;"; break;
            case '"': escaped += "&quot;"; break;
            default: escaped += c;
        }
    }
    return escaped;
}

std::string HtmlPageText(std::string_view movieName, std::int32_t width, std::int32_t height,
                         std::string_view playerScript) {
    const std::string name = EscapeHtml(movieName);
    const std::string size = "width=\"" + std::to_string(width) + "\" height=\"" + std::to_string(height) + "\"";
    std::vector<std::string> lines = {
        "<html>",
        "<head>",
        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">",
        "<title> Flash -- " + name + " </title>",
        "</head>",
        "<body>",
        "<object classid=\"clsid:D27CDB6E-AE6D-11cf-96B8-444553540000\" codebase=\"" +
            std::string(kPlayerCabinetAddress) + "\" " + size + ">",
        "<param name=\"movie\" value=\"" + name + "\">",
        "<embed src=\"" + name + "\" quality=\"high\" pluginspage=\"" + std::string(kPlayerDownloadPage) +
            "\" type=\"application/x-shockwave-flash\" " + size + "></embed></object>",
        "</body>",
        "</html>",
    };
    if (!playerScript.empty()) {
        // Last in the head: the page reads as before up to there.
        constexpr std::size_t kHeadEnd = 4;
        lines.insert(lines.begin() + kHeadEnd, "<script src=\"" + EscapeHtml(playerScript) + "\"></script>");
    }
    std::string page;
    for (const std::string& line : lines) page += line + "\r\n";
    return page;
}

void MakeHtmlPage(const std::string& swfPath, std::int32_t width, std::int32_t height, std::int32_t playingQuality,
                  std::string_view playerScript) {
    (void)playingQuality;
    const std::filesystem::path movie(swfPath);
    const std::string page = HtmlPageText(movie.filename().string(), width, height, playerScript);
    TReplacingFile file(std::filesystem::path(movie).replace_extension(".html").string());
    file.Write(page.data(), page.size());
    file.Commit();
}

namespace {

// True when `target` already holds a copy of `source`: same size, not older.
bool IsCurrentCopy(const std::filesystem::path& source, const std::filesystem::path& target) {
    std::error_code error;
    const auto targetSize = std::filesystem::file_size(target, error);
    if (error || targetSize != std::filesystem::file_size(source, error) || error) return false;
    const auto targetTime = std::filesystem::last_write_time(target, error);
    if (error) return false;
    const auto sourceTime = std::filesystem::last_write_time(source, error);
    return !error && targetTime >= sourceTime;
}

void CopyFileReplacing(const std::filesystem::path& source, const std::filesystem::path& target) {
    TFileHandle input = OpenForReading(source.string(), "Ruffle player file");
    TReplacingFile output(target.string());
    output.CopyFrom(input.Get(), source.string());
    output.Commit();
}

}  // namespace

std::string CopyRufflePlayer(const std::string& ruffleFolder, const std::string& pageFolder) {
    namespace fs = std::filesystem;
    const fs::path from(ruffleFolder);
    std::error_code error;
    if (!fs::is_regular_file(from / "ruffle.js", error))
        throw TPackagingError("The folder " + Quoted(ruffleFolder) + " holds no Ruffle web player (no ruffle.js)");
    const fs::path to = fs::path(pageFolder) / kRuffleCopyFolder;
    try {
        for (auto entry = fs::recursive_directory_iterator(from); entry != fs::recursive_directory_iterator();
             ++entry) {
            const fs::path relative = entry->path().lexically_relative(from);
            if (entry->is_directory()) {
                fs::create_directories(to / relative);
            } else if (entry->is_regular_file()) {
                fs::create_directories((to / relative).parent_path());
                if (!IsCurrentCopy(entry->path(), to / relative)) CopyFileReplacing(entry->path(), to / relative);
            }
        }
    } catch (const fs::filesystem_error& failure) {
        throw TPackagingError("Cannot copy the Ruffle web player from " + Quoted(ruffleFolder) + " to " +
                              Quoted(to.string()) + ": " + failure.code().message());
    }
    return std::string(kRuffleCopyScript);
}

}  // namespace pellicor
