#include "movie/flash_sprite.h"

#include <algorithm>

#include "movie/flash_action_script.h"
#include "movie/flash_place_object.h"
#include "movie/flash_stream_sound.h"
#include "swf/control_tags.h"
#include "swf/do_action_tags.h"
#include "swf/sound_tags.h"

namespace pellicor {

namespace {

bool IsTag(const TBasedSWFObject& object, std::uint16_t code) {
    const auto* tag = dynamic_cast<const TSWFObject*>(&object);
    return tag && tag->TagID() == code;
}

// A copy of a control tag by its kind's Clone (a script's copy owns its list). Other builder
// objects do not belong in a sprite's control tags.
std::unique_ptr<TBasedSWFObject> CopyControlTag(const TBasedSWFObject& object) {
    if (const auto* tag = dynamic_cast<const TSWFObject*>(&object)) return tag->Clone();
    if (const auto* place = dynamic_cast<const TFlashPlaceObject*>(&object)) return place->Clone();
    if (const auto* script = dynamic_cast<const TFlashActionScript*>(&object)) return script->Clone();
    throw ESWFError("A sprite's control tags hold tags, placements and action scripts only");
}

}  // namespace

TFlashSprite::TControlTags::TControlTags(const TControlTags& other) {
    for (const auto& object : other.Objects) Objects.push_back(CopyControlTag(*object));
}

TFlashSprite::TControlTags& TFlashSprite::TControlTags::operator=(const TControlTags& other) {
    if (this != &other) *this = TControlTags(other);
    return *this;
}

TFlashSprite::TFlashSprite(TFlashMovie* owner) : TFlashValueObject(owner) {}

TFlashSprite::~TFlashSprite() = default;

void TFlashSprite::ShowFrame(int count) {
    count = std::max(count, 1);
    frameCount_ = static_cast<std::uint16_t>(frameCount_ + count);
    if (frameActions_) controlTags_.Objects.push_back(frameActions_.take());
    if (!FrameLabel.empty()) {
        auto label = std::make_unique<TSWFFrameLabel>();
        label->Name = FrameLabel;
        controlTags_.Objects.push_back(std::move(label));
        FrameLabel.clear();
    }
    for (int i = 0; i < count; ++i) controlTags_.Objects.push_back(std::make_unique<TSWFShowFrame>());
    CurrentFrame = static_cast<std::int32_t>(frameCount_) - 1;
}

TFlashActionScript& TFlashSprite::FrameActions() {
    if (!frameActions_) frameActions_ = std::make_unique<TFlashActionScript>(Owner());
    return *frameActions_;
}

TFlashActionScript& TFlashSprite::InitActions() {
    if (!initActions_) initActions_ = std::make_unique<TFlashActionScript>(Owner());
    return *initActions_;
}

void TFlashSprite::SetStreamSound(std::unique_ptr<TFlashStreamSound> sound) {
    streamSound_ = std::move(sound);
    hasStreamSound_ = static_cast<bool>(streamSound_);
}

void TFlashSprite::OwnerChanged() {
    if (frameActions_) frameActions_->SetOwner(Owner());
    if (initActions_) initActions_->SetOwner(Owner());
}

int TFlashSprite::MinVersion() const {
    int version = 3;
    for (const auto& tag : controlTags_.Objects) version = std::max(version, tag->MinVersion());
    if (streamSound_) version = std::max(version, streamSound_->MinVersion());
    if (initActions_) version = std::max(version, 6);
    return version;
}

void TFlashSprite::WriteToStream(TBitsEngine& writer) {
    if (frameCount_ == 0) ShowFrame(1);
    TMemoryStream body;
    TBitsEngine engine(body);
    engine.WriteWord(GetCharacterId());
    engine.WriteWord(frameCount_);
    if (streamSound_) {
        if (!Owner()) throw ESWFError("A sprite with a stream sound needs an owner movie for its frame rate");
        TSWFSoundStreamHead2 head;
        streamSound_->FillStreamHead(head, Owner()->FrameRate());
        head.WriteToStream(engine);
    }
    int frame = 0;
    for (const auto& tag : controlTags_.Objects) {
        if (auto* place = dynamic_cast<TFlashPlaceObject*>(tag.get()); place && Owner())
            place->SetFileVersion(Owner()->Version());
        if (IsTag(*tag, tagShowFrame)) {
            if (streamSound_ && frame >= streamSound_->StartFrame) streamSound_->WriteStreamBlock(engine);
            ++frame;
        }
        tag->WriteToStream(engine);
    }
    if (controlTags_.Objects.empty() || !IsTag(*controlTags_.Objects.back(), tagEnd)) engine.WriteWord(0);
    WriteSWFTag(writer, tagDefineSprite, body);
    if (initActions_) {
        TSWFDoInitAction initAction(initActions_->Actions());
        initAction.SpriteID = GetCharacterId();
        initAction.WriteToStream(writer);
    }
}

}  // namespace pellicor
