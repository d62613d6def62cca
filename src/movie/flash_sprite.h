#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "movie/flash_action_script.h"
#include "movie/flash_movie.h"
#include "movie/flash_object.h"
#include "movie/flash_stream_sound.h"
#include "util/clone_ptr.h"

namespace pellicor {

class TFlashSound;

// A sprite character (DefineSprite): a nested timeline with its own control tags and frames,
// an optional stream sound and init actions (DoInitAction). The sprite keeps the
// DefineSprite fields itself (its id is the character id), because its control tags may be
// builder objects (placements, action scripts) as well as tag objects.
class TFlashSprite : public TFlashValueObject<TFlashSprite, TFlashVisualObject> {
public:
    explicit TFlashSprite(TFlashMovie* owner = nullptr);
    ~TFlashSprite() override;

    // The control tags, written in order inside the DefineSprite; callers append tag objects
    // and placements.
    TFlashObjectList& ControlTags() { return controlTags_.Objects; }
    const TFlashObjectList& ControlTags() const { return controlTags_.Objects; }
    std::uint16_t FrameCount() const { return frameCount_; }
    void SetFrameCount(std::uint16_t count) { frameCount_ = count; }
    // Index of the last frame closed by ShowFrame (frame count - 1).
    std::int32_t CurrentFrame = 0;

    // Closes count frames (0 counts as 1): the pending frame actions, the pending label,
    // then count ShowFrame tags.
    void ShowFrame(int count = 1);
    // The actions of the frame under construction, created on first use.
    TFlashActionScript& FrameActions();
    // Label of the frame under construction (empty = none).
    std::string FrameLabel;

    // Written as DoInitAction after the DefineSprite; created on first use.
    TFlashActionScript& InitActions();
    TFlashActionScript* InitActionsIfAny() const { return initActions_.get(); }

    // The sprite's stream sound, created on first use with the sprite's owner by the sound
    // object's code, which defines this operation (flash_sound.cpp).
    TFlashSound& StreamSound();
    TFlashStreamSound* StreamSoundIfAny() const { return streamSound_.get(); }
    bool HasStreamSound() const { return hasStreamSound_; }
    // Takes the stream sound over and raises the has-stream-sound flag.
    void SetStreamSound(std::unique_ptr<TFlashStreamSound> sound);

    // The frame and init action scripts follow the owner.
    void OwnerChanged() override;
    // The highest need of the control tags, at least 3 (6 with init actions).
    int MinVersion() const override;
    // DefineSprite (a sprite without frames first gets one), then DoInitAction when there
    // are init actions.
    void WriteToStream(TBitsEngine& writer) override;

private:
    // Tags and builder objects (placements, action scripts) have no copy in common: a copy
    // of the list holds a copy of each, made by its kind's Clone.
    struct TControlTags {
        TFlashObjectList Objects;
        TControlTags() = default;
        TControlTags(const TControlTags& other);
        TControlTags& operator=(const TControlTags& other);
        TControlTags(TControlTags&&) noexcept = default;
        TControlTags& operator=(TControlTags&&) noexcept = default;
    };

    TControlTags controlTags_;
    std::uint16_t frameCount_ = 0;
    // Copies own copies of the scripts' lists and of the stream sound.
    TClonePtr<TFlashActionScript> frameActions_;
    TClonePtr<TFlashActionScript> initActions_;
    TClonePtr<TFlashStreamSound> streamSound_;
    bool hasStreamSound_ = false;
};

}  // namespace pellicor
