#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "settings/app_ini_file.h"
#include "settings/cov_settings.h"
#include "settings/task_list.h"

namespace pellicor {

// A value of a task cannot be read (a colour that is not hexadecimal, a font value with
// fewer than nine elements). Loading drops that task and goes on.
class TTaskValueError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// How a key's value is written and read in the task list file.
enum class TValueKind {
    String,     // the text itself
    Integer,    // decimal; read also as hexadecimal after "0x" or "$"
    Boolean,    // "1" / "0"; read as an integer, non-zero is true
    Boolean32,  // the same, held as a 32-bit boolean (0 or all bits set)
    Float,      // FormatIniFloat; read with "." or ","
    Colour,     // 8 uppercase hexadecimal digits of 0x00BBGGRR
    Font,       // nine comma-separated elements
};

// Fixed identification written in section "General".
inline constexpr std::string_view kTaskFileId = "Quorvane Pellicor";
// A task never gets more filters than this, whatever "destFiltersCount" says.
inline constexpr std::int32_t kMaxFiltersPerTask = 1000;

std::string TaskSectionName(std::size_t index);       // "Task3"
std::string FiltersSectionName(std::size_t index);    // "Filters3"
std::string FlashTextSectionName(std::size_t index);  // "FlashText3"

// Colour values: "00FF0000" is blue. Reading takes any hexadecimal number that fits 32 bits
// and throws TTaskValueError otherwise.
std::string FormatColorValue(TColor color);
TColor ParseColorValue(std::string_view text);

// Font values: face name, size, bold, italic, underline, strikeout, colour, character set,
// pitch. The default font is written "MS Sans Serif",8,,,,,clBlack,1,0. Reading throws
// TTaskValueError for fewer than nine elements or a colour that is neither a number nor a
// colour name; size, character set and pitch that are not numbers become -1.
std::string FormatFontValue(const TFontDescription& font);
TFontDescription ParseFontValue(std::string_view text);

// Checks that `value` reads as `kind` exactly as the loader reads it; throws
// TTaskValueError saying why not. Strings may hold anything but line breaks.
void CheckValueReadable(TValueKind kind, std::string_view value);

// A key of a task: one of section Task<i>, or a filter key of section Filters<i> (the
// seven filter keys followed by the filter's position, "destFilterType2").
struct TTaskKey {
    std::string name;  // spelled as in the file
    TValueKind kind = TValueKind::String;
    bool inFilters = false;
    std::size_t filterIndex = 0;
};
// Finds a key without regard to case; nothing when it is not a task key.
std::optional<TTaskKey> FindTaskKey(std::string_view key);

// Writes one task as position `index`: Task<index>, then Filters<index> and
// FlashText<index> when they have lines.
void WriteTask(TAppIniFile& file, std::size_t index, const TCovSettings& settings, bool checked);

// Reads task `index`. Returns nothing when its source file (srcFilepath + srcFilename) does
// not exist; throws TTaskValueError when a value cannot be read or no movie can be made
// from the settings (TaskSettingsProblem: the message names the key and its range). `checked` receives
// "IsItemChecked" (default true).
std::unique_ptr<TCovSettings> ReadTask(const TAppIniFile& file, std::size_t index, bool& checked);

// Called once per task while loading and saving so that a user interface stays alive.
using TPumpEvents = std::function<void()>;

// Told of every task that loading drops, by its number in the file and why.
using TTaskDropped = std::function<void(std::size_t index, const std::string& reason)>;

// Fills `list` with every task of the file that can be read, dropping the rest (a task
// whose source file is gone without a word, one with a value that cannot be read or used
// through `dropped`), and leaves the modified flag cleared. A missing file gives an empty
// list; a file that exists but cannot be read throws TIniFileError.
void LoadTasks(const std::filesystem::path& fileName, TTaskList& list, const TPumpEvents& pump = {},
               const TTaskDropped& dropped = {});
void ReadTaskList(const TAppIniFile& file, TTaskList& list, const TPumpEvents& pump = {},
                  const TTaskDropped& dropped = {});

// Writes the whole list, tasks numbered by their positions, replacing the file atomically.
// Throws TIniFileError when the file cannot be written; the file then stays as it was.
void SaveTasks(const std::filesystem::path& fileName, const TTaskList& list, const TPumpEvents& pump = {});
void WriteTaskList(TAppIniFile& file, const TTaskList& list, const TPumpEvents& pump = {});

}  // namespace pellicor
