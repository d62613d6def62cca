#include "movie/flash_external_movie.h"

#include <algorithm>

#include "movie/flash_movie.h"
#include "movie/flash_sprite.h"
#include "swf/swf_error.h"

namespace pellicor {

namespace {

bool IsDisplayListTag(std::uint16_t code) {
    return code == tagPlaceObject || code == tagRemoveObject || code == tagPlaceObject2 || code == tagRemoveObject2;
}

// FreeCharacter: old writers (ffmpeg's among them) free each frame's bitmap with it. The
// factory does not parse it, so its id would not be renumbered and would free one of the
// merging movie's own characters; dropping it only keeps a bitmap in memory.
constexpr std::uint16_t kTagFreeCharacter = 3;

// Tags that belong to a file as a whole, never to the movie that merges it. End is here
// in raw form too: copied into the middle of a movie it would cut the movie short.
bool IsFileLevelTag(std::uint16_t code) {
    return code == tagEnd || code == tagSetBackgroundColor || code == tagProtect || code == tagEnableDebugger ||
           code == tagEnableDebugger2 || code == kTagFreeCharacter;
}

// The tags that in mode 3 move into the sprite's timeline.
bool IsTimelineTag(std::uint16_t code) {
    switch (code) {
        case tagPlaceObject: case tagRemoveObject: case tagDoAction: case tagStartSound:
        case tagSoundStreamHead: case tagSoundStreamBlock: case tagPlaceObject2: case tagRemoveObject2:
        case tagFrameLabel: case tagSoundStreamHead2:
            return true;
        default:
            return false;
    }
}

}  // namespace

TFlashExternalMovie::TFlashExternalMovie(TFlashMovie* owner, const std::string& fileName,
                                         const TSWFReadLimits& limits)
    : TFlashIDObject(owner), reader_(std::make_unique<TSWFStreamReader>(fileName, limits)) {}

TFlashExternalMovie::~TFlashExternalMovie() = default;

void TFlashExternalMovie::SetSprite(std::unique_ptr<TFlashSprite> sprite) { sprite_ = std::move(sprite); }

void TFlashExternalMovie::Assign(const TBasedSWFObject& source) {
    if (&source != this) throw ESWFError("An external movie cannot be copied; load the file again");
}

int TFlashExternalMovie::MinVersion() const {
    int version = 1;
    for (const TSWFTagInfo& entry : reader_->Tags())
        if (entry.TagObject) version = std::max(version, entry.TagObject->MinVersion());
    return version;
}

bool TFlashExternalMovie::Keeps(TSWFObject& tag) {
    const std::uint16_t code = tag.TagID();
    if (IsFileLevelTag(code)) return false;
    if (Mode == emNoDisplay && (IsDisplayListTag(code) || code == tagShowFrame)) return false;
    if (Mode == emDisplayNoFrames && code == tagShowFrame) return false;
    bool write = true;
    if (OnTagFilter) OnTagFilter(tag, write);
    return write;
}

void TFlashExternalMovie::WriteParsedTag(TSWFObject& tag, TBitsEngine& writer) {
    const std::uint16_t code = tag.TagID();
    if (Mode == emSprite && code == tagShowFrame) {
        sprite_->ShowFrame(1);
    } else if (Mode == emSprite && IsTimelineTag(code)) {
        sprite_->ControlTags().push_back(tag.Clone());
    } else {
        tag.WriteToStream(writer);
        if (code == tagShowFrame && Owner()) {
            Owner()->SetFrameCount(static_cast<std::uint16_t>(Owner()->FrameCount() + 1));
            Owner()->AddFramesWritten(1);
        }
    }
}

void TFlashExternalMovie::WriteToStream(TBitsEngine& writer) {
    if (reader_->TagCount() == 0) return;
    if (Mode == emSprite) {
        if (sprite_) {
            sprite_->ControlTags().clear();
            sprite_->SetFrameCount(0);
        } else {
            sprite_ = std::make_unique<TFlashSprite>(Owner());
            sprite_->SetCharacterId(GetCharacterId());
        }
    }
    for (const TSWFTagInfo& entry : reader_->Tags()) {
        if (entry.TagObject) {
            if (Keeps(*entry.TagObject)) WriteParsedTag(*entry.TagObject, writer);
        } else if (!IsFileLevelTag(entry.TagCode)) {
            writer.WriteBytes(reader_->RawTagBytes(entry));
        }
    }
    if (Mode == emSprite) sprite_->WriteToStream(writer);
}

}  // namespace pellicor

namespace pellicor {

TFlashExternalMovie& TFlashMovie::AddExternalMovie(const std::string& fileName, int mode, bool parse) {
    return LoadExternalMovie(std::make_unique<TFlashExternalMovie>(this, fileName), mode, parse);
}

TFlashExternalMovie& TFlashMovie::LoadExternalMovie(std::unique_ptr<TFlashExternalMovie> movie, int mode,
                                                    bool parse) {
    TFlashExternalMovie& external = *movie;
    external.Mode = static_cast<std::uint8_t>(mode);
    const bool asSprite = mode == emSprite;
    // Action byte code stays as it was written: renumbering never looks inside it.
    external.Reader().ParseTags(parse, false);
    const std::uint32_t id = NextCharacterId;
    const std::uint32_t next = id + external.CountCharacters() + 1 + (asSprite ? 1 : 0);
    // Ids 0xFFFE and 0xFFFF would read as section markers.
    if (next >= 0xFFFE) throw ESWFError("The external movie defines more characters than the movie has ids left");

    AddObject(std::move(movie));
    external.SetOwner(this);
    external.SetCharacterId(static_cast<std::uint16_t>(id));
    if (parse) external.Renumber(static_cast<std::uint16_t>(id + (asSprite ? 1 : 0)));
    NextCharacterId = static_cast<std::uint16_t>(next);
    if (asSprite) {
        auto sprite = std::make_unique<TFlashSprite>(this);
        sprite->SetCharacterId(static_cast<std::uint16_t>(id));
        sprite->SetFrameCount(external.Reader().FrameCount());
        Sprites().push_back(sprite.get());
        external.SetSprite(std::move(sprite));
    }
    return external;
}

}  // namespace pellicor
