#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "movie/flash_movie.h"
#include "movie/flash_object.h"

namespace pellicor {

class TFlashActionScript;
class TFlashSound;
class TFlashStreamSound;

// A sprite character (DefineSprite): a nested timeline with its own control tags and frames,
// an optional stream sound and init actions (DoInitAction). The sprite keeps the
// DefineSprite fields itself (its id is the character id), because its control tags may be
// builder objects (placements, action scripts) as well as tag objects.
class TFlashSprite : public TFlashVisualObject {
public:
    explicit TFlashSprite(TFlashMovie* owner = nullptr);
    ~TFlashSprite() override;

    // The control tags, written in order inside the DefineSprite; callers append tag objects
    // and placements.
    TFlashObjectList& ControlTags() { return controlTags_; }
    const TFlashObjectList& ControlTags() const { return controlTags_; }
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

    // Copies the visual fields, the frame count, the control tags, the stream sound and the
    // init actions.
    void Assign(const TBasedSWFObject& source) override;
    // The highest need of the control tags, at least 3 (6 with init actions).
    int MinVersion() const override;
    // DefineSprite (a sprite without frames first gets one), then DoInitAction when there
    // are init actions.
    void WriteToStream(TBitsEngine& writer) override;

private:
    TFlashObjectList controlTags_;
    std::uint16_t frameCount_ = 0;
    std::unique_ptr<TFlashActionScript> frameActions_;
    std::unique_ptr<TFlashActionScript> initActions_;
    std::unique_ptr<TFlashStreamSound> streamSound_;
    bool hasStreamSound_ = false;
};

}  // namespace pellicor
