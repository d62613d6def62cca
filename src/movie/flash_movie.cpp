#include "movie/flash_movie.h"

#include <algorithm>

#include "movie/flash_action_script.h"
#include "movie/flash_place_object.h"
#include "movie/flash_stream_sound.h"
#include "swf/control_tags.h"
#include "swf/display_tags.h"
#include "swf/sound_tags.h"
#include "util/numbers.h"

namespace pellicor {

namespace {

bool IsShowFrame(const TBasedSWFObject& object) {
    const auto* tag = dynamic_cast<const TSWFObject*>(&object);
    return tag && tag->TagID() == tagShowFrame;
}

std::uint16_t MarkerCode(int marker) { return static_cast<std::uint16_t>(marker); }

// Any section marker: tag codes are 10 bits, so 0xFFFE and 0xFFFF belong to no SWF tag.
bool IsAnySectionMarker(const TBasedSWFObject& object) {
    return TFlashMovie::IsSectionMarker(object, kSectionMarkerFirst) ||
           TFlashMovie::IsSectionMarker(object, kSectionMarkerLast);
}

}  // namespace

TFlashMovie::TFlashMovie(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
                         double frameRate, bool unitsInPixels)
    : TBasedSWFStream(unitsInPixels, TRect{left, top, right, bottom}, frameRate) {}

TFlashMovie::TFlashMovie(const std::string& fileName, std::int32_t left, std::int32_t top, std::int32_t right,
                         std::int32_t bottom, double frameRate, bool unitsInPixels)
    : TBasedSWFStream(fileName, unitsInPixels, TRect{left, top, right, bottom}, frameRate) {}

TFlashMovie::~TFlashMovie() = default;

TBasedSWFObject& TFlashMovie::AddObject(std::unique_ptr<TBasedSWFObject> object) {
    if (!object) throw ESWFError("No object to add to the movie");
    TBasedSWFObject& added = *object;
    const auto count = static_cast<std::int64_t>(Objects.size());
    if (InsertMode && InsertIndex >= 0 && InsertIndex < count - 1) {
        Objects.insert(Objects.begin() + InsertIndex, std::move(object));
        ++InsertIndex;
    } else {
        Objects.push_back(std::move(object));
        InsertIndex = static_cast<std::int32_t>(Objects.size() - 1);
    }
    return added;
}

TFlashPlaceObject& TFlashMovie::PlaceObject(TFlashIDObject* object, std::uint16_t depth) {
    return AddObject(std::make_unique<TFlashPlaceObject>(this, depth, object));
}

void TFlashMovie::RemoveObject(std::uint16_t depth, TFlashIDObject* object) {
    if (object) {
        auto remove = std::make_unique<TSWFRemoveObject>();
        remove->CharacterID = object->GetCharacterId();
        remove->Depth = depth;
        AddObject(std::move(remove));
    } else {
        auto remove = std::make_unique<TSWFRemoveObject2>();
        remove->Depth = depth;
        AddObject(std::move(remove));
    }
}

void TFlashMovie::ShowFrame(int count) {
    if (!FrameLabel.empty()) {
        auto label = std::make_unique<TSWFFrameLabel>();
        label->Name = FrameLabel;
        AddObject(std::move(label));
        FrameLabel.clear();
    }
    if (frameActions_) AddObject(std::move(frameActions_));
    count = std::max(count, 1);
    for (int i = 0; i < count; ++i) {
        AddObject(std::make_unique<TSWFShowFrame>());
        SetFrameCount(static_cast<std::uint16_t>(FrameCount() + 1));
    }
    CurrentFrame = static_cast<std::int32_t>(FrameCount()) - 1;
}

TFlashActionScript& TFlashMovie::FrameActions() {
    if (!frameActions_) frameActions_ = std::make_unique<TFlashActionScript>(this);
    return *frameActions_;
}

TSWFRGB& TFlashMovie::BackgroundColor() {
    if (!backgroundColor_) backgroundColor_ = std::make_unique<TSWFRGB>();
    backgroundSet_ = true;
    return *backgroundColor_;
}

void TFlashMovie::SetProtect(const std::string& passPhrase) {
    protect_ = true;
    passPhrase_ = passPhrase;
}

void TFlashMovie::SetStreamSound(std::unique_ptr<TFlashStreamSound> sound) {
    streamSound_ = std::move(sound);
    hasStreamSound_ = streamSound_ != nullptr;
}

namespace {

// A place in the object list, known by its code alone: it has no body.
class TSectionMarkerTag final : public TSWFValueTag<TSectionMarkerTag> {
public:
    using TSWFValueTag::TSWFValueTag;
};

}  // namespace

std::unique_ptr<TSWFObject> TFlashMovie::NewSectionMarker(int marker) {
    return std::make_unique<TSectionMarkerTag>(MarkerCode(marker));
}

bool TFlashMovie::IsSectionMarker(const TBasedSWFObject& object, int marker) {
    const auto* tag = dynamic_cast<const TSWFObject*>(&object);
    return tag && tag->TagID() == MarkerCode(marker);
}

void TFlashMovie::WriteMovieSettings(int& version, bool withStreamHead) {
    TBitsEngine& engine = Engine();
    if (backgroundSet_) {
        TSWFSetBackgroundColor background;
        background.Color.Assign(*backgroundColor_);
        background.WriteToStream(engine);
    }
    if (streamSound_ && withStreamHead) {
        version = std::max(version, streamSound_->MinVersion());
        TSWFSoundStreamHead2 head;
        streamSound_->FillStreamHead(head, FrameRate());
        head.WriteToStream(engine);
    }
    if (protect_) {
        TSWFProtect protect;
        protect.Password = passPhrase_;
        protect.WriteToStream(engine);
        version = std::max(version, protect.MinVersion());
    }
}

void TFlashMovie::WriteItem(TBasedSWFObject& item, int& version) {
    version = std::max(version, item.MinVersion());
    if (auto* place = dynamic_cast<TFlashPlaceObject*>(&item)) place->SetFileVersion(version);
    item.WriteToStream(Engine());
}

void TFlashMovie::WriteSection(int fromMarker, int toMarker, bool writeHeader, bool writeEnd) {
    int version = Version();
    if (writeHeader) {
        framesWritten_ = 0;
        WriteHeader();
        WriteMovieSettings(version, false);
    }
    bool writing = writeHeader;
    int frames = 0;
    for (const auto& item : Objects) {
        if (!writing) {
            writing = IsSectionMarker(*item, fromMarker);
            continue;
        }
        if (IsSectionMarker(*item, toMarker)) break;
        if (IsAnySectionMarker(*item)) continue;
        if (IsShowFrame(*item)) ++frames;
        WriteItem(*item, version);
    }
    if (writeEnd) Engine().WriteWord(0);
    framesWritten_ += frames;
    if (Version() < version) SetVersion(version);
}

void TFlashMovie::WriteMovie() {
    Stream().SetSize(0);
    Stream().Seek(0);
    int version = Version();
    WriteMovieSettings(version, true);
    int frames = 0;
    // Objects that write frames of their own (an external movie on the main timeline)
    // count them through AddFramesWritten.
    const int framesAddedBefore = framesWritten_;
    const std::size_t count = Objects.size();
    for (std::size_t i = 0; i < count; ++i) {
        TBasedSWFObject& item = *Objects[i];
        if (OnProgress)
            OnProgress(*this, static_cast<int>(RoundHalfEven(static_cast<double>(i + 1) / count * 100)), 1);
        if (IsAnySectionMarker(item)) continue;
        if (IsShowFrame(item)) {
            if (streamSound_ && frames + 1 >= streamSound_->StartFrame && FrameCount() >= streamSound_->StartFrame)
                streamSound_->WriteStreamBlock(Engine());
            ++frames;
        }
        WriteItem(item, version);
    }
    WriteEndTag(Objects.empty() ? nullptr : Objects.back().get());
    SetFrameCount(static_cast<std::uint16_t>(frames + framesWritten_ - framesAddedBefore));
    if (Version() < version) SetVersion(version);
}

}  // namespace pellicor
