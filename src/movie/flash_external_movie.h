#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "movie/flash_object.h"
#include "movie/swf_stream_reader.h"

namespace pellicor {

class TFlashSprite;

// How an external movie goes into the movie that merges it.
enum TExternalMovieMode : std::uint8_t {
    emMainTimeline = 0,  // its frames join the main timeline
    emNoDisplay = 1,     // definitions only: no display list, no frames
    emDisplayNoFrames = 2,  // display list, no frames
    emSprite = 3,        // the whole file becomes one sprite
};

// An existing SWF file merged into a movie under construction. Its reader keeps the file's
// tags; the movie writes them where AddExternalMovie put this object in its Objects, each
// tag filtered by the mode, with the file's characters renumbered after the movie's own.
class TFlashExternalMovie : public TFlashIDObject {
public:
    // Loads the file with a reader (ESWFReadError, EStreamError when it cannot).
    TFlashExternalMovie(TFlashMovie* owner, const std::string& fileName, const TSWFReadLimits& limits = {});
    ~TFlashExternalMovie() override;

    TSWFStreamReader& Reader() { return *reader_; }
    const TSWFStreamReader& Reader() const { return *reader_; }
    std::uint8_t Mode = emSprite;
    // Asked for every parsed tag the mode keeps; clearing write drops it.
    std::function<void(TSWFObject& tag, bool& write)> OnTagFilter;

    // The sprite of mode 3 (made by the movie when it loads this file), or none.
    TFlashSprite* Sprite() const { return sprite_.get(); }
    void SetSprite(std::unique_ptr<TFlashSprite> sprite);

    std::uint32_t CountCharacters() const { return reader_->CountCharacters(); }
    std::uint16_t Renumber(std::uint16_t startId) { return reader_->RenumberCharacters(startId); }

    // An external movie is not copied: its reader holds the file's parsed and renumbered
    // tags, and a copy that took only the owner and id would merge nothing (ESWFError).
    void Assign(const TBasedSWFObject& source) override;
    // The highest need of the parsed tags, at least 1.
    int MinVersion() const override;
    // The tags, filtered by the mode; in mode 3 the definitions, then the sprite holding
    // the control tags and frames.
    void WriteToStream(TBitsEngine& writer) override;

private:
    // Whether the mode keeps a parsed tag (and OnTagFilter does not veto it).
    bool Keeps(TSWFObject& tag);
    void WriteParsedTag(TSWFObject& tag, TBitsEngine& writer);

    std::unique_ptr<TSWFStreamReader> reader_;
    std::unique_ptr<TFlashSprite> sprite_;
};

}  // namespace pellicor
