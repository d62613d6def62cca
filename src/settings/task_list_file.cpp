#include "settings/task_list_file.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <variant>

#include "settings/settings_check.h"

namespace pellicor {

namespace {

// Where a key's value lives in a record. Booleans held in 32 bits use the int32 form.
using TFieldRef = std::variant<std::string*, std::int32_t*, bool*, double*, TColor*, TFontDescription*>;

struct TTaskField {
    std::string_view key;
    TValueKind kind;
    TFieldRef (*locate)(TCovSettings&);  // null for the two keys handled apart
};

struct TFilterField {
    std::string_view key;
    TValueKind kind;
    TFieldRef (*locate)(TFilterSettings&);
};

constexpr std::string_view kCheckedKey = "IsItemChecked";
constexpr std::string_view kFiltersCountKey = "destFiltersCount";
constexpr std::string_view kFlashTextFlagKey = "destIsFlashText";
constexpr std::string_view kHtmlRuffleKey = "destIsHtmlRuffle";
constexpr std::string_view kHtmlRuffleScriptKey = "destHtmlRuffleScript";

#define SOURCE_FIELD(name, kind) \
    TTaskField { #name, TValueKind::kind, [](TCovSettings& s) -> TFieldRef { return &s.sourceInfo.name; } }
#define EXPORT_FIELD(name, kind) \
    TTaskField { #name, TValueKind::kind, [](TCovSettings& s) -> TFieldRef { return &s.name; } }
#define EFFECT_FIELD(name, kind) \
    TTaskField { #name, TValueKind::kind, [](TCovSettings& s) -> TFieldRef { return &s.effects.name; } }
#define FILTER_FIELD(name, kind) \
    TFilterField { #name, TValueKind::kind, [](TFilterSettings& f) -> TFieldRef { return &f.name; } }

// Section Task<i>, in the order the keys are written.
const TTaskField kTaskFields[] = {
    SOURCE_FIELD(srcFilename, String), SOURCE_FIELD(srcFilepath, String), SOURCE_FIELD(srcFilesize, String),
    SOURCE_FIELD(srcFileFormat, String), SOURCE_FIELD(fName, String), SOURCE_FIELD(fFmtName, String),
    SOURCE_FIELD(fSize, Float), SOURCE_FIELD(vExists, Boolean32), SOURCE_FIELD(vSupported, Boolean32),
    SOURCE_FIELD(vCodec, Integer), SOURCE_FIELD(vFmtName, String), SOURCE_FIELD(vLen, Integer),
    SOURCE_FIELD(vTimeLenf, Float), SOURCE_FIELD(vBytesLen, Float), SOURCE_FIELD(vFreq, Float),
    SOURCE_FIELD(resX, Integer), SOURCE_FIELD(resY, Integer), SOURCE_FIELD(resB, Integer),
    SOURCE_FIELD(bpp, Integer), SOURCE_FIELD(aExists, Boolean32), SOURCE_FIELD(aSupported, Boolean32),
    SOURCE_FIELD(aCodec, Integer), SOURCE_FIELD(aFmtName, String), SOURCE_FIELD(aLen, Integer),
    SOURCE_FIELD(aTimeLen, Float), SOURCE_FIELD(aBytesLen, Float), SOURCE_FIELD(aChannels, Integer),
    SOURCE_FIELD(aBitsChn, Integer), SOURCE_FIELD(aSampleSize, Integer),

    TTaskField{kCheckedKey, TValueKind::Boolean, nullptr},

    EXPORT_FIELD(destFilename, String), EXPORT_FIELD(destFilepath, String), EXPORT_FIELD(destExportType, Integer),
    EXPORT_FIELD(destFlashFormat, Integer), EXPORT_FIELD(destIsFlashCompressed, Boolean),
    EXPORT_FIELD(destIsFlashProtected, Boolean), EXPORT_FIELD(destFlashPassword, String),
    EXPORT_FIELD(destFlashPlayingQuality, Integer), EXPORT_FIELD(destFlashBackgroundColor, Colour),
    EXPORT_FIELD(destFrameRate, Integer), EXPORT_FIELD(destFrameQuality, Integer),
    EXPORT_FIELD(destStartFrame, Integer), EXPORT_FIELD(destEndFrame, Integer), EXPORT_FIELD(destWidth, Integer),
    EXPORT_FIELD(destHeight, Integer), EXPORT_FIELD(destIsDefaultFrameRate, Boolean),
    EXPORT_FIELD(destIsDefaultFrameQuality, Boolean), EXPORT_FIELD(destIsDefaultDuration, Boolean),
    EXPORT_FIELD(destIsDefaultRegion, Boolean), EXPORT_FIELD(destIsKeepAspectRatio, Boolean),

    EXPORT_FIELD(destIsApplyRegion, Boolean), EXPORT_FIELD(destRegionX, Integer), EXPORT_FIELD(destRegionY, Integer),
    EXPORT_FIELD(destRegionWidth, Integer), EXPORT_FIELD(destRegionHeight, Integer),

    EFFECT_FIELD(destIsApplyEffects, Boolean), EFFECT_FIELD(destIsBrightness, Boolean),
    EFFECT_FIELD(destBrightnessR, Integer), EFFECT_FIELD(destBrightnessG, Integer),
    EFFECT_FIELD(destBrightnessB, Integer), EFFECT_FIELD(destIsContrast, Boolean),
    EFFECT_FIELD(destContrastR, Integer), EFFECT_FIELD(destContrastG, Integer), EFFECT_FIELD(destContrastB, Integer),
    EFFECT_FIELD(destIsGamma, Boolean), EFFECT_FIELD(destGammaR, Float), EFFECT_FIELD(destGammaG, Float),
    EFFECT_FIELD(destGammaB, Float), EFFECT_FIELD(destIsWhiteBalance, Boolean),
    EFFECT_FIELD(destWhiteBalanceR, Integer), EFFECT_FIELD(destWhiteBalanceG, Integer),
    EFFECT_FIELD(destWhiteBalanceB, Integer), EFFECT_FIELD(destIsSolarize, Boolean),
    EFFECT_FIELD(destSolarizeR, Integer), EFFECT_FIELD(destSolarizeG, Integer), EFFECT_FIELD(destSolarizeB, Integer),
    EFFECT_FIELD(destIsSaturation, Boolean), EFFECT_FIELD(destSaturationPercent, Integer),
    TTaskField{kFiltersCountKey, TValueKind::Integer, nullptr},

    EXPORT_FIELD(destIsAudioIncluded, Boolean), EXPORT_FIELD(destIsAudioExtracted, Boolean),
    EXPORT_FIELD(destAudioFormat, Integer), EXPORT_FIELD(destAudioFrequency, Integer),
    EXPORT_FIELD(destAudioBitrate, Integer), EXPORT_FIELD(destIsAudioReplaced, Boolean),
    EXPORT_FIELD(destAudioReplacedFile, String),

    EXPORT_FIELD(destFlashStartAction, Integer), EXPORT_FIELD(destIsFlashStartWait, Boolean),
    EXPORT_FIELD(destFlashStartWaitSeconds, Integer), EXPORT_FIELD(destIsFlashEndRepeat, Boolean),
    EXPORT_FIELD(destFlashEndRepeatTimes, Integer), EXPORT_FIELD(destIsFlashEndUnload, Boolean),
    EXPORT_FIELD(destIsFlashEndOpenLink, Boolean), EXPORT_FIELD(destFlashEndOpenLinkType, Integer),
    EXPORT_FIELD(destFlashEndOpenLinkTarget, Integer), EXPORT_FIELD(destFlashEndOpenLinkURL, String),
    EXPORT_FIELD(destIsFlashClickOpenLink, Boolean), EXPORT_FIELD(destFlashClickOpenLinkType, Integer),
    EXPORT_FIELD(destFlashClickOpenLinkTarget, Integer), EXPORT_FIELD(destFlashClickOpenLinkURL, String),

    EXPORT_FIELD(destIsFlashText, Boolean), EXPORT_FIELD(destFlashTextFont, Font),
    EXPORT_FIELD(destFlashTextOpacity, Integer), EXPORT_FIELD(destFlashTextPosition, Integer),
    EXPORT_FIELD(destFlashTextX, Integer), EXPORT_FIELD(destFlashTextY, Integer),
    EXPORT_FIELD(destIsFlashTextOpenLink, Boolean), EXPORT_FIELD(destFlashTextOpenLinkType, Integer),
    EXPORT_FIELD(destFlashTextOpenLinkTarget, Integer), EXPORT_FIELD(destFlashTextOpenLinkURL, String),

    EXPORT_FIELD(destIsFlashBlankFrame, Boolean), EXPORT_FIELD(destFlashBlankFrameColor, Colour),
    EXPORT_FIELD(destIsFlashImageFrame, Boolean), EXPORT_FIELD(destFlashImageFrameFile, String),

    EXPORT_FIELD(destIsPreloader, Boolean), EXPORT_FIELD(destPreloader, String),
    EXPORT_FIELD(destPreloaderScaleX, Integer), EXPORT_FIELD(destPreloaderScaleY, Integer),
    EXPORT_FIELD(destPreloaderPosition, Integer), EXPORT_FIELD(destPreloaderPositionX, Integer),
    EXPORT_FIELD(destPreloaderPositionY, Integer), EXPORT_FIELD(destIsPlayback, Boolean),
    EXPORT_FIELD(destPlayback, String), EXPORT_FIELD(destPlaybackScaleX, Integer),
    EXPORT_FIELD(destPlaybackScaleY, Integer), EXPORT_FIELD(destPlaybackPosition, Integer),
    EXPORT_FIELD(destPlaybackPositionX, Integer), EXPORT_FIELD(destPlaybackPositionY, Integer),
    EXPORT_FIELD(destIsSkin, Boolean), EXPORT_FIELD(destSkinType, Integer),

    // Written only for a task that changes them (see WriteTask).
    EXPORT_FIELD(destIsHtmlRuffle, Boolean), EXPORT_FIELD(destHtmlRuffleScript, String),
};

// Section Filters<i>: each key followed by the filter's position.
const TFilterField kFilterFields[] = {
    FILTER_FIELD(destIsApplyFilter, Boolean), FILTER_FIELD(destFilterType, Integer),
    FILTER_FIELD(destPixelizeWidth, Integer), FILTER_FIELD(destPixelizeHeight, Integer),
    FILTER_FIELD(destChaosLevelr, Integer),   FILTER_FIELD(destIsKeepEvenr, Boolean),
    FILTER_FIELD(destIsInterpolate, Boolean),
};

#undef SOURCE_FIELD
#undef EXPORT_FIELD
#undef EFFECT_FIELD
#undef FILTER_FIELD

struct TNamedColor {
    std::string_view name;
    TColor color;
};

constexpr std::array<TNamedColor, 16> kColorNames = {{
    {"clBlack", 0x000000}, {"clMaroon", 0x000080}, {"clGreen", 0x008000}, {"clOlive", 0x008080},
    {"clNavy", 0x800000}, {"clPurple", 0x800080}, {"clTeal", 0x808000}, {"clGray", 0x808080},
    {"clSilver", 0xC0C0C0}, {"clRed", 0x0000FF}, {"clLime", 0x00FF00}, {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000}, {"clFuchsia", 0xFF00FF}, {"clAqua", 0xFFFF00}, {"clWhite", 0xFFFFFF},
}};

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
               return lower(x) == lower(y);
           });
}

std::optional<TColor> ParseHexColor(std::string_view text) {
    if (text.empty()) return std::nullopt;
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (error != std::errc() || end != text.data() + text.size() || value > 0xFFFFFFFFull) return std::nullopt;
    return static_cast<TColor>(value);
}

TColor ParseFontColor(std::string_view element) {
    if (!element.empty() && element.front() == '$') {
        if (auto color = ParseHexColor(element.substr(1))) return *color;
    } else if (auto color = ParseHexColor(element)) {
        return *color;
    }
    for (const TNamedColor& named : kColorNames)
        if (EqualsIgnoringCase(named.name, element)) return named.color;
    throw TTaskValueError("\"" + std::string(element) + "\" is not a colour");
}

std::string FontColorElement(TColor color) {
    for (const TNamedColor& named : kColorNames)
        if (named.color == color) return std::string(named.name);
    return "$" + FormatColorValue(color);
}

bool NeedsQuotes(std::string_view element) {
    return std::any_of(element.begin(), element.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte <= ' ' || byte == 0x7F || c == ',' || c == '"';
    });
}

std::string QuoteElement(std::string_view element) {
    if (!NeedsQuotes(element)) return std::string(element);
    std::string quoted = "\"";
    for (char c : element) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

// Splits a comma-separated list; an element that begins with a double quote runs to the
// matching quote, doubled quotes standing for one.
std::vector<std::string> SplitElements(std::string_view text) {
    std::vector<std::string> elements;
    if (text.empty()) return elements;
    std::size_t i = 0;
    while (true) {
        std::string element;
        if (i < text.size() && text[i] == '"') {
            ++i;
            while (i < text.size()) {
                if (text[i] == '"') {
                    if (i + 1 < text.size() && text[i + 1] == '"') {
                        element += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                element += text[i++];
            }
        }
        while (i < text.size() && text[i] != ',') element += text[i++];
        elements.push_back(std::move(element));
        if (i >= text.size()) break;
        ++i;  // the comma
    }
    return elements;
}

std::int32_t NumberOrMinusOne(std::string_view element) { return ParseIniInteger(element).value_or(-1); }

void ReadValueOf(const std::optional<std::string>& text, TValueKind kind, TFieldRef ref);

// Reads one key into its field; a value that cannot be read throws TTaskValueError naming
// the key.
void ReadValue(const TAppIniFile& file, std::string_view section, std::string_view key, TValueKind kind,
               TFieldRef ref) {
    try {
        ReadValueOf(file.FindValue(section, key), kind, ref);
    } catch (const TTaskValueError& error) {
        throw TTaskValueError(std::string(key) + ": " + error.what());
    }
}

void ReadValueOf(const std::optional<std::string>& text, TValueKind kind, TFieldRef ref) {
    if (kind == TValueKind::Font) {
        // A missing font value has fewer than nine elements too.
        *std::get<TFontDescription*>(ref) = ParseFontValue(text.value_or(""));
        return;
    }
    if (!text) return;  // missing keys keep the default
    switch (kind) {
        case TValueKind::String:
            *std::get<std::string*>(ref) = *text;
            break;
        case TValueKind::Integer:
            if (auto value = ParseIniInteger(*text)) *std::get<std::int32_t*>(ref) = *value;
            break;
        case TValueKind::Boolean:
            if (auto value = ParseIniInteger(*text)) *std::get<bool*>(ref) = *value != 0;
            break;
        case TValueKind::Boolean32:
            if (auto value = ParseIniInteger(*text)) *std::get<std::int32_t*>(ref) = *value != 0 ? kTrue32 : 0;
            break;
        case TValueKind::Float:
            if (auto value = ParseIniFloat(*text)) *std::get<double*>(ref) = *value;
            break;
        case TValueKind::Colour:
            *std::get<TColor*>(ref) = ParseColorValue(*text);
            break;
        case TValueKind::Font:
            break;
    }
}

void WriteValue(TAppIniFile& file, std::string_view section, std::string_view key, TValueKind kind, TFieldRef ref) {
    switch (kind) {
        case TValueKind::String:
            file.WriteString(section, key, *std::get<std::string*>(ref));
            break;
        case TValueKind::Integer:
            file.WriteInteger(section, key, *std::get<std::int32_t*>(ref));
            break;
        case TValueKind::Boolean:
            file.WriteBool(section, key, *std::get<bool*>(ref));
            break;
        case TValueKind::Boolean32:
            file.WriteBool(section, key, *std::get<std::int32_t*>(ref) != 0);
            break;
        case TValueKind::Float:
            file.WriteFloat(section, key, *std::get<double*>(ref));
            break;
        case TValueKind::Colour:
            file.WriteString(section, key, FormatColorValue(*std::get<TColor*>(ref)));
            break;
        case TValueKind::Font:
            file.WriteString(section, key, FormatFontValue(*std::get<TFontDescription*>(ref)));
            break;
    }
}

// The page player keys came after the rest: a task that keeps both at their defaults is
// saved without them, so the files of everyone who never uses the page player stay as they
// were, and a missing key reads as its default.
bool SkipsPagePlayerKeys(std::string_view key, const TCovSettings& settings) {
    if (key != kHtmlRuffleKey && key != kHtmlRuffleScriptKey) return false;
    return !settings.destIsHtmlRuffle && settings.destHtmlRuffleScript.empty();
}

std::string SuffixedKey(std::string_view key, std::size_t index) { return std::string(key) + std::to_string(index); }

bool SourceFileExists(const std::string& path) {
    if (path.empty()) return false;
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    return !error && std::filesystem::exists(status) && !std::filesystem::is_directory(status);
}

// "Task12" -> 12; names with leading zeros, signs or other text are not task sections.
std::optional<std::size_t> TaskIndexOfSection(std::string_view name) {
    constexpr std::string_view prefix = "task";
    if (name.size() <= prefix.size() || !EqualsIgnoringCase(name.substr(0, prefix.size()), prefix))
        return std::nullopt;
    const std::string_view digits = name.substr(prefix.size());
    if (digits.size() > 1 && digits.front() == '0') return std::nullopt;
    std::size_t index = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), index);
    if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    return index;
}

}  // namespace

std::string TaskSectionName(std::size_t index) { return "Task" + std::to_string(index); }
std::string FiltersSectionName(std::size_t index) { return "Filters" + std::to_string(index); }
std::string FlashTextSectionName(std::size_t index) { return "FlashText" + std::to_string(index); }

std::string FormatColorValue(TColor color) {
    char text[9];
    std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(color));
    return text;
}

TColor ParseColorValue(std::string_view text) {
    if (auto color = ParseHexColor(text)) return *color;
    throw TTaskValueError("\"" + std::string(text) + "\" is not a hexadecimal colour");
}

std::string FormatFontValue(const TFontDescription& font) {
    const std::vector<std::string> elements = {
        QuoteElement(font.name),         std::to_string(font.size),     font.bold ? "1" : "",
        font.italic ? "1" : "",          font.underline ? "1" : "",     font.strikeout ? "1" : "",
        QuoteElement(FontColorElement(font.color)), std::to_string(font.charset), std::to_string(font.pitch)};
    std::string text;
    for (std::size_t i = 0; i < elements.size(); ++i) text += (i ? "," : "") + elements[i];
    return text;
}

TFontDescription ParseFontValue(std::string_view text) {
    const std::vector<std::string> elements = SplitElements(text);
    if (elements.size() < 9)
        throw TTaskValueError("a font needs nine elements, \"" + std::string(text) + "\" has " +
                              std::to_string(elements.size()));
    TFontDescription font;
    font.name = elements[0];
    font.size = NumberOrMinusOne(elements[1]);
    font.bold = elements[2] == "1";
    font.italic = elements[3] == "1";
    font.underline = elements[4] == "1";
    font.strikeout = elements[5] == "1";
    font.color = ParseFontColor(elements[6]);
    font.charset = NumberOrMinusOne(elements[7]);
    font.pitch = NumberOrMinusOne(elements[8]);
    return font;
}

void CheckValueReadable(TValueKind kind, std::string_view value) {
    const std::string quoted = "\"" + std::string(value) + "\"";
    switch (kind) {
        case TValueKind::String:
            if (value.find_first_of("\r\n") != std::string_view::npos)
                throw TTaskValueError("a value cannot hold line breaks");
            break;
        case TValueKind::Integer:
        case TValueKind::Boolean:
        case TValueKind::Boolean32:
            if (!ParseIniInteger(value)) throw TTaskValueError(quoted + " is not an integer");
            break;
        case TValueKind::Float:
            if (!ParseIniFloat(value)) throw TTaskValueError(quoted + " is not a number");
            break;
        case TValueKind::Colour:
            ParseColorValue(value);
            break;
        case TValueKind::Font:
            ParseFontValue(value);
            break;
    }
}

std::optional<TTaskKey> FindTaskKey(std::string_view key) {
    for (const TTaskField& field : kTaskFields)
        if (EqualsIgnoringCase(field.key, key)) return TTaskKey{std::string(field.key), field.kind, false, 0};
    for (const TFilterField& field : kFilterFields) {
        if (key.size() <= field.key.size() || !EqualsIgnoringCase(key.substr(0, field.key.size()), field.key))
            continue;
        const std::string_view digits = key.substr(field.key.size());
        if (digits.size() > 1 && digits.front() == '0') continue;
        std::size_t index = 0;
        const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), index);
        if (error != std::errc() || end != digits.data() + digits.size()) continue;
        return TTaskKey{SuffixedKey(field.key, index), field.kind, true, index};
    }
    return std::nullopt;
}

void WriteTask(TAppIniFile& file, std::size_t index, const TCovSettings& settings, bool checked) {
    const std::string section = TaskSectionName(index);
    // The table locates fields through a mutable record; writing never changes it.
    auto& record = const_cast<TCovSettings&>(settings);
    for (const TTaskField& field : kTaskFields) {
        if (field.key == kCheckedKey) {
            file.WriteBool(section, field.key, checked);
        } else if (field.key == kFiltersCountKey) {
            const TFilterList& filters = settings.effects.destFilters;
            file.WriteInteger(section, field.key, static_cast<std::int32_t>(filters.size()));
            const std::string filtersSection = FiltersSectionName(index);
            for (std::size_t j = 0; j < filters.size(); ++j) {
                auto& filter = const_cast<TFilterSettings&>(filters[j]);
                for (const TFilterField& filterField : kFilterFields)
                    WriteValue(file, filtersSection, SuffixedKey(filterField.key, j), filterField.kind,
                               filterField.locate(filter));
            }
        } else if (!SkipsPagePlayerKeys(field.key, settings)) {
            WriteValue(file, section, field.key, field.kind, field.locate(record));
            if (field.key == kFlashTextFlagKey && !settings.destFlashText.empty())
                file.WriteSectionLines(FlashTextSectionName(index), settings.destFlashText);
        }
    }
}

std::unique_ptr<TCovSettings> ReadTask(const TAppIniFile& file, std::size_t index, bool& checked) {
    const std::string section = TaskSectionName(index);
    const std::string source = file.ReadString(section, "srcFilepath", "") + file.ReadString(section, "srcFilename", "");
    if (!SourceFileExists(source)) return nullptr;

    auto settings = std::make_unique<TCovSettings>();
    InitTaskSettings(source, *settings, kInitNoProbe);
    checked = true;
    for (const TTaskField& field : kTaskFields) {
        if (field.key == kCheckedKey) {
            checked = file.ReadBool(section, field.key, true);
        } else if (field.key == kFiltersCountKey) {
            const std::int32_t count =
                std::clamp(file.ReadInteger(section, field.key, 0), std::int32_t{0}, kMaxFiltersPerTask);
            const std::string filtersSection = FiltersSectionName(index);
            TFilterList& filters = settings->effects.destFilters;
            filters.Clear();
            for (std::int32_t j = 0; j < count; ++j) {
                TFilterSettings& filter = filters.Add();
                for (const TFilterField& filterField : kFilterFields)
                    ReadValue(file, filtersSection, SuffixedKey(filterField.key, static_cast<std::size_t>(j)),
                              filterField.kind, filterField.locate(filter));
            }
        } else {
            ReadValue(file, section, field.key, field.kind, field.locate(*settings));
            if (field.key == kFlashTextFlagKey) settings->destFlashText = file.ReadSectionLines(FlashTextSectionName(index));
        }
    }
    if (const auto problem = TaskSettingsProblem(*settings)) throw TTaskValueError(*problem);
    return settings;
}

void ReadTaskList(const TAppIniFile& file, TTaskList& list, const TPumpEvents& pump, const TTaskDropped& dropped) {
    list.Clear();
    const std::int32_t count = file.ReadInteger("General", "TaskCount", 0);
    // Only sections that exist can name a task whose source exists, so walk those instead
    // of counting up to TaskCount (which a damaged file may set to two billion).
    std::vector<std::size_t> indexes;
    for (const std::string& name : file.SectionNames()) {
        const auto index = TaskIndexOfSection(name);
        if (index && *index < static_cast<std::size_t>(std::max(count, 0))) indexes.push_back(*index);
    }
    std::sort(indexes.begin(), indexes.end());
    for (std::size_t index : indexes) {
        try {
            bool checked = true;
            if (auto settings = ReadTask(file, index, checked)) list.Add(std::move(settings), checked);
        } catch (const std::exception& error) {
            // A task that cannot be read is dropped; the others still load.
            if (dropped) dropped(index, error.what());
        }
        if (pump) pump();
    }
}

void LoadTasks(const std::filesystem::path& fileName, TTaskList& list, const TPumpEvents& pump,
               const TTaskDropped& dropped) {
    list.Clear();
    const TAppIniFile file(fileName);
    ReadTaskList(file, list, pump, dropped);
    list.SetModified(false);
}

void WriteTaskList(TAppIniFile& file, const TTaskList& list, const TPumpEvents& pump) {
    file.Clear();
    file.WriteString("General", "ID", kTaskFileId);
    file.WriteInteger("General", "TaskCount", static_cast<std::int32_t>(list.Count()));
    for (std::size_t i = 0; i < list.Count(); ++i) {
        WriteTask(file, i, list.Settings(i), list.Checked(i));
        if (pump) pump();
    }
}

void SaveTasks(const std::filesystem::path& fileName, const TTaskList& list, const TPumpEvents& pump) {
    TAppIniFile file;
    WriteTaskList(file, list, pump);
    ReplaceFileAtomically(fileName, file.ToText());
}

}  // namespace pellicor
