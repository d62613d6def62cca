#include "settings/app_ini_file.h"

#include "util/temporary_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>

#include "util/windows1252.h"

namespace pellicor {

namespace {

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

std::string_view TrimSpaces(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

std::string WithoutLineBreaks(std::string_view text) {
    std::string clean(text);
    for (char& c : clean)
        if (c == '\r' || c == '\n') c = ' ';
    return clean;
}

bool IsSectionLine(std::string_view line) { return line.size() >= 2 && line.front() == '[' && line.back() == ']'; }

// Splits text at CR LF, LF or CR. A final line break does not make an extra empty line.
std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        lines.push_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

std::string SystemReason(int error) { return std::strerror(error); }

}  // namespace

std::optional<std::int32_t> ParseIniInteger(std::string_view text) {
    text = TrimSpaces(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (!text.empty() && text.front() == '$') {
        base = 16;
        text.remove_prefix(1);
    } else if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty()) return std::nullopt;
    std::uint64_t magnitude = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    if (base == 16) {
        // Hexadecimal takes the full 32 bits: $FFFFFFFF is -1.
        if (magnitude > 0xFFFFFFFFull) return std::nullopt;
        auto value = static_cast<std::int32_t>(static_cast<std::uint32_t>(magnitude));
        return negative ? static_cast<std::int32_t>(0u - static_cast<std::uint32_t>(value)) : value;
    }
    if (negative) {
        if (magnitude > 0x80000000ull) return std::nullopt;
        return static_cast<std::int32_t>(-static_cast<std::int64_t>(magnitude));
    }
    if (magnitude > 0x7FFFFFFFull) return std::nullopt;
    return static_cast<std::int32_t>(magnitude);
}

std::optional<double> ParseIniFloat(std::string_view text) {
    text = TrimSpaces(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty() || text.front() == '-' || text.front() == '+') return std::nullopt;
    std::string number(text);
    // Files written where the decimal separator is a comma hold "29,97".
    if (number.find('.') == std::string::npos) {
        const std::size_t comma = number.find(',');
        if (comma != std::string::npos && number.find(',', comma + 1) == std::string::npos) number[comma] = '.';
    }
    double value = 0;
    const auto [end, error] =
        std::from_chars(number.data(), number.data() + number.size(), value, std::chars_format::general);
    if (error != std::errc() || end != number.data() + number.size() || !std::isfinite(value)) return std::nullopt;
    return negative ? -value : value;
}

std::string FormatIniFloat(double value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    std::string text(buffer, result.ptr);
    // "1e+20" -> "1E20", "1e-05" -> "1E-5".
    const std::size_t e = text.find('e');
    if (e != std::string::npos) {
        std::string exponent = text.substr(e + 1);
        std::string sign;
        if (!exponent.empty() && (exponent[0] == '+' || exponent[0] == '-')) {
            if (exponent[0] == '-') sign = "-";
            exponent.erase(0, 1);
        }
        const std::size_t digits = exponent.find_first_not_of('0');
        exponent = digits == std::string::npos ? "0" : exponent.substr(digits);
        text = text.substr(0, e) + "E" + sign + exponent;
    }
    return text;
}

void ReplaceFileAtomically(const std::filesystem::path& target, std::string_view data) {
    const std::filesystem::path temporary = TemporaryPathBeside(target.string());
    auto fail = [&](const std::string& what, int error) {
        unlink(temporary.c_str());
        throw TIniFileError("Cannot " + what + " " + target.string() + ": " + SystemReason(error));
    };

    mode_t mode = 0666;
    struct stat existing {};
    const bool hadFile = stat(target.c_str(), &existing) == 0;
    if (hadFile) mode = existing.st_mode & 07777;

    const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) throw TIniFileError("Cannot create " + target.string() + ": " + SystemReason(errno));
    const char* cursor = data.data();
    std::size_t left = data.size();
    while (left > 0) {
        const ssize_t written = write(fd, cursor, left);
        if (written < 0) {
            if (errno == EINTR) continue;
            const int error = errno;
            close(fd);
            fail("write", error);
        }
        cursor += written;
        left -= static_cast<std::size_t>(written);
    }
    if (hadFile) fchmod(fd, mode);  // keep the old file's permissions; best effort
    if (fsync(fd) != 0) {
        const int error = errno;
        close(fd);
        fail("write", error);
    }
    if (close(fd) != 0) fail("write", errno);
    if (rename(temporary.c_str(), target.c_str()) != 0) fail("replace", errno);
}

TAppIniFile::TAppIniFile(std::filesystem::path fileName) : fileName_(std::move(fileName)) {
    std::error_code error;
    if (!std::filesystem::exists(fileName_, error)) return;
    if (std::filesystem::is_directory(fileName_, error))
        throw TIniFileError("Cannot read " + fileName_.string() + ": it is a folder");
    std::ifstream stream(fileName_, std::ios::binary);
    if (!stream) throw TIniFileError("Cannot open " + fileName_.string() + ": " + SystemReason(errno));
    std::ostringstream content;
    content << stream.rdbuf();
    if (stream.bad()) throw TIniFileError("Cannot read " + fileName_.string());
    LoadFromText(content.str());
}

void TAppIniFile::Clear() {
    sections_.clear();
    sectionIndex_.clear();
}

void TAppIniFile::LoadFromText(std::string_view raw) {
    Clear();
    if (raw.substr(0, 3) == "\xEF\xBB\xBF") raw.remove_prefix(3);
    const std::string text = TextToUtf8(raw);
    TSection* current = nullptr;
    bool skipping = false;  // inside a repeated section, dropped whole
    for (std::string_view line : SplitLines(text)) {
        if (line.empty() || line == "\x1A") continue;
        if (IsSectionLine(line)) {
            const std::string_view name = line.substr(1, line.size() - 2);
            skipping = Find(name) != nullptr;
            current = skipping ? nullptr : &FindOrAdd(name);
            continue;
        }
        if (current == nullptr || skipping) continue;
        current->lines.emplace_back(line);
        IndexLine(*current, current->lines.size() - 1);
    }
}

std::string TAppIniFile::ToText() const {
    std::string text;
    for (const TSection& section : sections_) {
        if (section.lines.empty()) continue;
        text += "[" + section.name + "]\r\n";
        for (const std::string& line : section.lines) text += line + "\r\n";
        text += "\r\n";
    }
    return text;
}

void TAppIniFile::UpdateFile() const { ReplaceFileAtomically(fileName_, ToText()); }

const TAppIniFile::TSection* TAppIniFile::Find(std::string_view section) const {
    const auto found = sectionIndex_.find(Lower(section));
    return found == sectionIndex_.end() ? nullptr : &sections_[found->second];
}

TAppIniFile::TSection& TAppIniFile::FindOrAdd(std::string_view section) {
    const std::string key = Lower(section);
    const auto found = sectionIndex_.find(key);
    if (found != sectionIndex_.end()) return sections_[found->second];
    sectionIndex_.emplace(key, sections_.size());
    sections_.push_back(TSection{WithoutLineBreaks(section), {}, {}});
    return sections_.back();
}

void TAppIniFile::IndexLine(TSection& section, std::size_t line) {
    const std::string& text = section.lines[line];
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos) return;
    section.firstLineOfKey.emplace(Lower(std::string_view(text).substr(0, equals)), line);
}

bool TAppIniFile::SectionExists(std::string_view section) const { return Find(section) != nullptr; }

bool TAppIniFile::ValueExists(std::string_view section, std::string_view key) const {
    return FindValue(section, key).has_value();
}

std::vector<std::string> TAppIniFile::SectionNames() const {
    std::vector<std::string> names;
    for (const TSection& section : sections_) names.push_back(section.name);
    return names;
}

std::optional<std::string> TAppIniFile::FindValue(std::string_view section, std::string_view key) const {
    const TSection* found = Find(section);
    if (found == nullptr) return std::nullopt;
    const auto line = found->firstLineOfKey.find(Lower(key));
    if (line == found->firstLineOfKey.end()) return std::nullopt;
    const std::string& text = found->lines[line->second];
    return text.substr(text.find('=') + 1);
}

std::string TAppIniFile::ReadString(std::string_view section, std::string_view key,
                                    const std::string& fallback) const {
    return FindValue(section, key).value_or(fallback);
}

std::int32_t TAppIniFile::ReadInteger(std::string_view section, std::string_view key,
                                      std::int32_t fallback) const {
    const auto value = FindValue(section, key);
    if (!value) return fallback;
    return ParseIniInteger(*value).value_or(fallback);
}

bool TAppIniFile::ReadBool(std::string_view section, std::string_view key, bool fallback) const {
    const auto value = FindValue(section, key);
    if (!value) return fallback;
    const auto number = ParseIniInteger(*value);
    return number ? *number != 0 : fallback;
}

double TAppIniFile::ReadFloat(std::string_view section, std::string_view key, double fallback) const {
    const auto value = FindValue(section, key);
    if (!value) return fallback;
    return ParseIniFloat(*value).value_or(fallback);
}

std::vector<std::string> TAppIniFile::ReadSectionLines(std::string_view section) const {
    const TSection* found = Find(section);
    return found == nullptr ? std::vector<std::string>{} : found->lines;
}

void TAppIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    TSection& target = FindOrAdd(section);
    std::string cleanKey = WithoutLineBreaks(key);
    std::string line = cleanKey + "=" + WithoutLineBreaks(value);
    const auto existing = target.firstLineOfKey.find(Lower(cleanKey));
    if (existing != target.firstLineOfKey.end()) {
        target.lines[existing->second] = std::move(line);
        return;
    }
    target.lines.push_back(std::move(line));
    IndexLine(target, target.lines.size() - 1);
}

void TAppIniFile::WriteInteger(std::string_view section, std::string_view key, std::int32_t value) {
    WriteString(section, key, std::to_string(value));
}

void TAppIniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

void TAppIniFile::WriteFloat(std::string_view section, std::string_view key, double value) {
    WriteString(section, key, FormatIniFloat(value));
}

void TAppIniFile::WriteSectionLines(std::string_view section, const std::vector<std::string>& lines) {
    TSection& target = FindOrAdd(section);
    target.lines.clear();
    target.firstLineOfKey.clear();
    for (const std::string& line : lines) {
        std::vector<std::string_view> parts = SplitLines(line);
        if (parts.empty()) parts.emplace_back();  // an empty line is written as one
        for (std::string_view part : parts) {
            target.lines.emplace_back(part);
            IndexLine(target, target.lines.size() - 1);
        }
    }
}

}  // namespace pellicor
