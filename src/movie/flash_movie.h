#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "movie/flash_object.h"
#include "swf/movie_stream.h"
#include "swf/records.h"

namespace pellicor {

class TFlashActionScript;
class TFlashButton;
class TFlashExternalMovie;
class TFlashFont;
class TFlashImage;
class TFlashPlaceObject;
class TFlashShape;
class TFlashSound;
class TFlashSprite;
class TFlashStreamSound;
class TFlashText;

// The per-kind lists: they refer to objects that the movie's Objects own.
using TFlashButtonList = std::vector<TFlashButton*>;
using TFlashFontList = std::vector<TFlashFont*>;
using TFlashImageList = std::vector<TFlashImage*>;
using TFlashShapeList = std::vector<TFlashShape*>;
using TFlashSpriteList = std::vector<TFlashSprite*>;
using TFlashTextList = std::vector<TFlashText*>;

// The owning, ordered list of everything a movie writes.
using TFlashObjectList = std::vector<std::unique_ptr<TBasedSWFObject>>;

// A system font as a caller describes it (the caption font of a task).
struct TFlashFontDescription {
    std::string FaceName;
    bool Bold = false;
    bool Italic = false;
    // Height in pixels; its absolute value is the font size.
    std::int32_t Height = 0;
    // System character set (0 ANSI, 1 default, 2 symbol, 128 Shift-JIS, ...).
    std::uint8_t Charset = 0;
};

// Section markers: bare tag objects with these codes, appended to Objects by the caller and
// never written (WriteSection writes what lies between two of them).
inline constexpr int kSectionMarkerFirst = -2;  // tag code 0xFFFE
inline constexpr int kSectionMarkerLast = -1;   // tag code 0xFFFF

// The movie builder: everything that goes into one SWF file, as one ordered list of tag
// objects and builder objects. It hands out character ids, closes frames, tracks the version
// the content needs, and writes the list into its stream, whole (WriteMovie) or in sections
// around bytes that other code writes into the same stream (WriteSection, PatchHeader).
class TFlashMovie : public TBasedSWFStream {
public:
    // In memory. unitsInPixels is applied first, then the rectangle is multiplied by the
    // resulting TwipsFactor. Version 5, no objects, next character id 1.
    TFlashMovie(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom, double frameRate,
                bool unitsInPixels);
    // On a file, created (truncated) now.
    TFlashMovie(const std::string& fileName, std::int32_t left, std::int32_t top, std::int32_t right,
                std::int32_t bottom, double frameRate, bool unitsInPixels);
    ~TFlashMovie() override;

    // ---- the object list ----

    // Owns everything that is written, in writing order. Callers may append tag objects
    // directly (section markers, for example).
    TFlashObjectList Objects;
    // AddObject inserts at InsertIndex instead of appending.
    bool InsertMode = false;
    std::int32_t InsertIndex = -1;

    // With InsertMode on, InsertIndex not -1 and InsertIndex < count - 1: inserts the object
    // at InsertIndex and advances InsertIndex. Otherwise appends it and sets InsertIndex to
    // the index of the last item.
    TBasedSWFObject& AddObject(std::unique_ptr<TBasedSWFObject> object);
    template <class T>
    T& AddObject(std::unique_ptr<T> object) {
        T& added = *object;
        AddObject(std::unique_ptr<TBasedSWFObject>(std::move(object)));
        return added;
    }

    // Registers a character: this movie becomes its owner, it gets NextCharacterId, goes
    // through AddObject and into its kind list, and NextCharacterId advances.
    template <class T>
    T& AddCharacter(std::unique_ptr<T> object, std::vector<T*>& kindList) {
        T& added = *object;
        added.SetOwner(this);
        added.SetCharacterId(NextCharacterId);
        AddObject(std::move(object));
        kindList.push_back(&added);
        ++NextCharacterId;
        return added;
    }

    // Next free character identifier.
    std::uint16_t NextCharacterId = 1;

    TFlashButtonList& Buttons() { return buttons_; }
    TFlashFontList& Fonts() { return fonts_; }
    TFlashImageList& Images() { return images_; }
    TFlashShapeList& Shapes() { return shapes_; }
    TFlashSpriteList& Sprites() { return sprites_; }
    TFlashTextList& Texts() { return texts_; }

    // ---- characters ----
    // The shape, image, font, text and external-movie operations are defined beside their
    // classes (flash_shape.cpp, flash_image.cpp, ...).

    // A new empty shape when none is given; a given shape is registered as it is.
    TFlashShape& AddShape(std::unique_ptr<TFlashShape> shape = nullptr);
    // A shape with these bounds and a closed rectangle outline; the caller adds the fill.
    TFlashShape& AddRectangle(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom);
    // Loads the file when the name is not empty.
    TFlashImage& AddImage(const std::string& fileName = {});
    TFlashFont& AddFont(const TFlashFontDescription& font, bool outlinesOnDemand);
    // color: packed with alpha in bits 24-31.
    TFlashText& AddText(const std::string& text, std::uint32_t color, TFlashFont& font, TPoint origin,
                        int alignment);
    TFlashButton& AddButton(bool trackAsMenu, bool useButton2);
    // An external SWF file merged in the mode (TExternalMovieMode); with parse its tags
    // become objects and its characters are renumbered after this movie's own. Defined in
    // flash_external_movie.cpp.
    TFlashExternalMovie& AddExternalMovie(const std::string& fileName, int mode, bool parse);
    // Takes the loaded file over: it goes into Objects with the next character id, its tags
    // are parsed, and in mode 3 it gets its sprite (the same id, the file's frame count,
    // listed in Sprites). ESWFError when the file's characters do not fit in the ids left.
    TFlashExternalMovie& LoadExternalMovie(std::unique_ptr<TFlashExternalMovie> movie, int mode, bool parse);

    // ---- display list, frames, movie-wide settings ----

    // A placement (PlaceObject2) at the depth, of the object when one is given. Consumes no
    // character id; the depth is always the caller's.
    TFlashPlaceObject& PlaceObject(TFlashIDObject* object, std::uint16_t depth);
    // With an object RemoveObject (its id and the depth), else RemoveObject2 (the depth).
    void RemoveObject(std::uint16_t depth, TFlashIDObject* object = nullptr);
    // Closes the frame: the pending label, the pending frame actions, then count ShowFrame
    // tags (0 counts as 1), each adding one to the header frame count.
    void ShowFrame(int count = 1);
    // Index of the last frame closed by ShowFrame (frame count - 1).
    std::int32_t CurrentFrame = 0;

    // The actions of the frame under construction, created on first use.
    TFlashActionScript& FrameActions();
    TFlashActionScript* FrameActionsIfAny() const { return frameActions_.get(); }
    // Label of the frame under construction (empty = none).
    std::string FrameLabel;

    // The background colour, created on first use. Every access means the movie gets a
    // SetBackgroundColor tag (black unless changed).
    TSWFRGB& BackgroundColor();
    bool HasBackgroundColor() const { return backgroundSet_; }

    // A Protect tag carrying the pass phrase.
    void SetProtect(const std::string& passPhrase);
    bool Protected() const { return protect_; }
    const std::string& PassPhrase() const { return passPhrase_; }

    // The movie's single stream sound, created on first use (no file, looping) by the sound
    // object's code, which defines this operation (flash_sound.cpp).
    TFlashSound& StreamSound();
    TFlashStreamSound* StreamSoundIfAny() const { return streamSound_.get(); }
    bool HasStreamSound() const { return hasStreamSound_; }
    // Takes the stream sound over and raises the has-stream-sound flag (StreamSound uses it).
    void SetStreamSound(std::unique_ptr<TFlashStreamSound> sound);

    // ---- writing ----

    // ShowFrame tags written by WriteSection, plus what other code adds for frames it writes
    // into the stream itself (AddFramesWritten).
    int FramesWritten() const { return framesWritten_; }
    void AddFramesWritten(int count) { framesWritten_ += count; }

    // Progress while writing: (movie, percent 0..100, phase 1).
    std::function<void(TFlashMovie& sender, int percent, int phase)> OnProgress;

    // Writes the items between two section markers at the stream's current position
    // (writeHeader: the file header first, then from the first item), with the End tag when
    // writeEnd is set.
    void WriteSection(int fromMarker, int toMarker, bool writeHeader, bool writeEnd);
    // The whole list, without a file header, into the emptied stream; the End tag unless the
    // list ends with one. Not for lists that hold section markers.
    virtual void WriteMovie();

    // A bare section marker object (marker -2 or -1) for Objects.
    static std::unique_ptr<TSWFObject> NewSectionMarker(int marker);
    static bool IsSectionMarker(const TBasedSWFObject& object, int marker);

private:
    // SetBackgroundColor, the stream sound's head (withStreamHead) and Protect, as asked for;
    // version takes their needs.
    void WriteMovieSettings(int& version, bool withStreamHead);
    // Writes one item; version takes its need first, and a placement is told the result.
    void WriteItem(TBasedSWFObject& item, int& version);

    TFlashButtonList buttons_;
    TFlashFontList fonts_;
    TFlashImageList images_;
    TFlashShapeList shapes_;
    TFlashSpriteList sprites_;
    TFlashTextList texts_;

    std::unique_ptr<TFlashActionScript> frameActions_;
    std::unique_ptr<TSWFRGB> backgroundColor_;
    bool backgroundSet_ = false;
    bool protect_ = false;
    std::string passPhrase_;
    std::unique_ptr<TFlashStreamSound> streamSound_;
    bool hasStreamSound_ = false;
    int framesWritten_ = 0;
};

}  // namespace pellicor
