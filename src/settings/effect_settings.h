#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace pellicor {

// One filter of a task's ordered filter list; a new entry carries these defaults.
struct TFilterSettings {
    bool destIsApplyFilter = true;
    std::int32_t destFilterType = 0;  // 0 .. 9
    std::int32_t destPixelizeWidth = 3;
    std::int32_t destPixelizeHeight = 3;
    std::int32_t destChaosLevelr = 5;
    bool destIsKeepEvenr = false;
    bool destIsInterpolate = false;

    bool operator==(const TFilterSettings&) const = default;
};

// The filter list owns its entries; copying the block copies every entry, so two
// blocks never share a filter.
class TFilterList {
public:
    TFilterList() = default;
    TFilterList(const TFilterList& other) { *this = other; }
    TFilterList& operator=(const TFilterList& other) {
        if (this != &other) {
            items_.clear();
            for (const auto& item : other.items_) items_.push_back(std::make_unique<TFilterSettings>(*item));
        }
        return *this;
    }
    TFilterList(TFilterList&&) noexcept = default;
    TFilterList& operator=(TFilterList&&) noexcept = default;

    std::size_t size() const { return items_.size(); }
    bool empty() const { return items_.empty(); }
    TFilterSettings& operator[](std::size_t index) { return *items_[index]; }
    const TFilterSettings& operator[](std::size_t index) const { return *items_[index]; }
    TFilterSettings& Add(const TFilterSettings& filter = {}) {
        items_.push_back(std::make_unique<TFilterSettings>(filter));
        return *items_.back();
    }
    void Remove(std::size_t index) { items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index)); }
    void Clear() { items_.clear(); }

    bool operator==(const TFilterList& other) const {
        if (size() != other.size()) return false;
        for (std::size_t i = 0; i < size(); ++i)
            if (!(*items_[i] == *other.items_[i])) return false;
        return true;
    }

private:
    std::vector<std::unique_ptr<TFilterSettings>> items_;
};

// The colour effects and filters of one task, copied whole (the filter list deeply).
// Zero-initialised like every new record; InitTaskSettings gives the defaults.
struct TEffectSettings {
    bool destIsApplyEffects = false;
    bool destIsBrightness = false;
    std::int32_t destBrightnessR = 0, destBrightnessG = 0, destBrightnessB = 0;
    bool destIsContrast = false;
    std::int32_t destContrastR = 0, destContrastG = 0, destContrastB = 0;
    bool destIsGamma = false;
    double destGammaR = 0, destGammaG = 0, destGammaB = 0;
    bool destIsWhiteBalance = false;
    std::int32_t destWhiteBalanceR = 0, destWhiteBalanceG = 0, destWhiteBalanceB = 0;
    bool destIsSolarize = false;
    std::int32_t destSolarizeR = 0, destSolarizeG = 0, destSolarizeB = 0;
    bool destIsSaturation = false;
    std::int32_t destSaturationPercent = 0;
    TFilterList destFilters;

    bool operator==(const TEffectSettings&) const = default;
};

}  // namespace pellicor
