#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace pellicor {

// Reading or writing an INI file failed; the message names the file and the cause.
class TIniFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// An INI text file held whole in memory as sections of lines.
//
// Reading: a UTF-8 byte order mark is skipped; a file that is not valid UTF-8 is read as
// Windows-1252; lines may end in CR LF, LF or CR. Empty lines, lines that are exactly one
// Ctrl-Z and lines before the first section are dropped. A line whose first character is
// "[" and last "]" starts a section; every other line belongs to the current section,
// with or without "=". A section name seen again later is dropped with all its lines.
// Section names and keys compare without regard to ASCII case; within a section the
// first line with a key is the one read and the one a write replaces.
//
// Writing: "[name]", the lines, then one empty line, all ending in CR LF, sections in the
// order they were first written; a section without lines is left out. "key=value" with
// nothing around the "="; values are not quoted. Line breaks inside a written value
// become spaces, so a value can never start a line of its own.
class TAppIniFile {
public:
    TAppIniFile() = default;

    // Reads `fileName` when it exists; a missing file reads as empty. Throws TIniFileError
    // when the file exists but cannot be read.
    explicit TAppIniFile(std::filesystem::path fileName);

    const std::filesystem::path& FileName() const { return fileName_; }

    void LoadFromText(std::string_view text);  // replaces everything held
    std::string ToText() const;

    // Writes the text to FileName(), replacing the old file atomically (a temporary file
    // beside it, then a rename). Throws TIniFileError with the system's message.
    void UpdateFile() const;

    void Clear();
    bool SectionExists(std::string_view section) const;
    bool ValueExists(std::string_view section, std::string_view key) const;
    std::vector<std::string> SectionNames() const;

    // The value of the first line with `key`, or nothing when the key is missing.
    std::optional<std::string> FindValue(std::string_view section, std::string_view key) const;

    std::string ReadString(std::string_view section, std::string_view key, const std::string& fallback) const;
    // Decimal, or hexadecimal after "0x" or "$"; anything else gives the fallback.
    std::int32_t ReadInteger(std::string_view section, std::string_view key, std::int32_t fallback) const;
    // Read as an integer, non-zero is true.
    bool ReadBool(std::string_view section, std::string_view key, bool fallback) const;
    // Decimal separator "." or ",".
    double ReadFloat(std::string_view section, std::string_view key, double fallback) const;
    // Every line of the section, as stored.
    std::vector<std::string> ReadSectionLines(std::string_view section) const;

    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, std::int32_t value);
    void WriteBool(std::string_view section, std::string_view key, bool value);
    void WriteFloat(std::string_view section, std::string_view key, double value);
    // Replaces the section's content with `lines` (a line holding line breaks becomes
    // several lines).
    void WriteSectionLines(std::string_view section, const std::vector<std::string>& lines);

private:
    struct TSection {
        std::string name;
        std::vector<std::string> lines;
        std::unordered_map<std::string, std::size_t> firstLineOfKey;  // lower-cased key -> line
    };

    const TSection* Find(std::string_view section) const;
    TSection& FindOrAdd(std::string_view section);
    static void IndexLine(TSection& section, std::size_t line);

    std::filesystem::path fileName_;
    std::vector<TSection> sections_;
    std::unordered_map<std::string, std::size_t> sectionIndex_;  // lower-cased name -> position
};

// Value forms shared by the reader and by callers that check values before writing them.
std::optional<std::int32_t> ParseIniInteger(std::string_view text);
std::optional<double> ParseIniFloat(std::string_view text);
// Shortest general form with up to 15 significant digits, "." as separator ("29.97", "1E20").
std::string FormatIniFloat(double value);

// Writes `data` to a temporary file beside `target`, then renames it over `target`.
// Throws TIniFileError naming the file and the system's reason.
void ReplaceFileAtomically(const std::filesystem::path& target, std::string_view data);

}  // namespace pellicor
