#pragma once

#include <cstdint>
#include <memory>

#include "movie/flash_object.h"

namespace pellicor {

class TBitsEngine;
class TSWFSoundStreamHead2;

// What a movie and its sprites need of their stream sound: the head and one block per
// frame. The sound object (TFlashSound) derives from it and implements the two operations.
class TFlashStreamSound : public TFlashIDObject {
public:
    using TFlashIDObject::TFlashIDObject;

    // First movie frame that gets a block.
    std::uint16_t StartFrame = 0;

    // Fills a SoundStreamHead2 for the frame rate and resets the stream state; called before
    // the first block.
    virtual void FillStreamHead(TSWFSoundStreamHead2& head, double frameRate) = 0;
    // Writes the next SoundStreamBlock tag (nothing once the data is exhausted and the
    // sound does not loop).
    virtual void WriteStreamBlock(TBitsEngine& writer) = 0;
    // A new sound of the same class with the same contents.
    virtual std::unique_ptr<TFlashStreamSound> CloneStreamSound() const = 0;
    // The same, for holders of the interface (TClonePtr: a sprite's copy copies its stream
    // sound so). A sound class's own Clone, with its narrower result, hides this one.
    std::unique_ptr<TFlashStreamSound> Clone() const { return CloneStreamSound(); }
};

}  // namespace pellicor
