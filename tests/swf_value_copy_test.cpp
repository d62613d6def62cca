// Tags of the control, display, sprite, bitmap, sound, font, text and button families, and
// raw and error tags, copy as values: Clone and Assign give an object of the same class that
// writes the same bytes and shares nothing with its source.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

#include "swf/action_list_fwd.h"
#include "swf/bitmap_tags.h"
#include "swf/button_tags.h"
#include "swf/control_tags.h"
#include "swf/display_tags.h"
#include "swf/font_tags.h"
#include "swf/sound_tags.h"
#include "swf/sprite_tags.h"
#include "swf/text_tags.h"
#include "swf_test_support.h"

namespace pellicor {
namespace {

using test::Bytes;
using test::HexBytes;
using test::HexString;
using test::TagBytes;

// One populated tag, and a change that reaches into what the tag owns (a child tag, an
// action list, a record), so that a shallow copy would show it in the source.
struct TValueCopyCase {
    std::string Name;
    std::function<std::unique_ptr<TSWFObject>()> Make;
    std::function<void(TSWFObject&)> Change;
};

template <class T>
T& As(TSWFObject& tag) {
    return dynamic_cast<T&>(tag);
}

std::unique_ptr<TSWFActionListBase> RawActions(const char* hex) {
    auto actions = std::make_unique<TSWFRawActionList>();
    actions->Bytes = HexBytes(hex);
    return actions;
}

TSWFRawActionList& RawActionsOf(TSWFActionListBase& actions) { return dynamic_cast<TSWFRawActionList&>(actions); }

std::unique_ptr<TSWFPlaceObject2> Placement(std::uint16_t depth) {
    auto place = std::make_unique<TSWFPlaceObject2>();
    place->SetCharacterID(3);
    place->Depth = depth;
    place->Matrix().SetTranslate(40, -60);
    place->ColorTransform().SetAlphaMult(128);
    place->SetName("clip");
    place->SWFVersion = 6;
    place->ClipActions().AddRecord(ClipEventBit(ceEnterFrame)).SetActions(RawActions("07 06"));
    return place;
}

TSWFShapeRecordList Triangle() {
    TSWFShapeRecordList glyph;
    auto move = std::make_unique<TSWFStyleChangeRecord>();
    move->SetMoveTo(0, -20);
    glyph.push_back(std::move(move));
    glyph.push_back(std::make_unique<TSWFStraightEdgeRecord>(20, 20));
    glyph.push_back(std::make_unique<TSWFStraightEdgeRecord>(-20, 0));
    return glyph;
}

std::vector<TValueCopyCase> ControlAndDisplayCases() {
    return {
        {"SetBackgroundColor",
         [] {
             auto tag = std::make_unique<TSWFSetBackgroundColor>();
             tag->Color = TSWFRGB(1, 2, 3);
             return tag;
         },
         [](TSWFObject& tag) { As<TSWFSetBackgroundColor>(tag).Color.R = 99; }},
        {"FrameLabel",
         [] {
             auto tag = std::make_unique<TSWFFrameLabel>();
             tag->Name = "start";
             tag->NamedAnchor = true;
             return tag;
         },
         [](TSWFObject& tag) { As<TSWFFrameLabel>(tag).Name = "other"; }},
        {"EnableDebugger2",
         [] {
             auto tag = std::make_unique<TSWFEnableDebugger2>();
             tag->EncodedPassword = "$1$ab$0123456789abcdefghijkl";
             return tag;
         },
         [](TSWFObject& tag) { As<TSWFEnableDebugger2>(tag).EncodedPassword.clear(); }},
        {"ImportAssets",
         [] {
             auto tag = std::make_unique<TSWFImportAssets>();
             tag->URL = "lib.swf";
             tag->AddAsset("button", 4);
             return tag;
         },
         [](TSWFObject& tag) { As<TSWFImportAssets>(tag).Assets[0].Name = "renamed"; }},
        {"ScriptLimits",
         [] {
             auto tag = std::make_unique<TSWFScriptLimits>();
             tag->MaxRecursionDepth = 256;
             tag->ScriptTimeoutSeconds = 15;
             return tag;
         },
         [](TSWFObject& tag) { As<TSWFScriptLimits>(tag).ScriptTimeoutSeconds = 60; }},
        {"PlaceObject",
         [] {
             auto tag = std::make_unique<TSWFPlaceObject>();
             tag->SetCharacterID(2);
             tag->Depth = 10;
             tag->Matrix.SetScale(0.5, 2);
             tag->ColorTransform.SetAdd(10, 20, 30);
             return tag;
         },
         [](TSWFObject& tag) { As<TSWFPlaceObject>(tag).Matrix.TranslateX = 400; }},
        {"PlaceObject2, its matrix",
         [] { return Placement(10); },
         [](TSWFObject& tag) { As<TSWFPlaceObject2>(tag).Matrix().TranslateY = 1; }},
        {"PlaceObject2, its clip actions",
         [] { return Placement(10); },
         [](TSWFObject& tag) {
             auto& record = *As<TSWFPlaceObject2>(tag).ClipActions().Records[0];
             RawActionsOf(record.Actions()).Bytes = HexBytes("06");
         }},
        {"RemoveObject2",
         [] {
             auto tag = std::make_unique<TSWFRemoveObject2>();
             tag->Depth = 7;
             return tag;
         },
         [](TSWFObject& tag) { As<TSWFRemoveObject2>(tag).Depth = 8; }},
        {"DefineSprite, an inner tag",
         [] {
             auto sprite = std::make_unique<TSWFDefineSprite>();
             sprite->SpriteID = 5;
             sprite->FrameCount = 1;
             sprite->ControlTags.push_back(Placement(1));
             sprite->ControlTags.push_back(std::make_unique<TSWFShowFrame>());
             return sprite;
         },
         [](TSWFObject& tag) {
             auto& inner = As<TSWFPlaceObject2>(*As<TSWFDefineSprite>(tag).ControlTags[0]);
             RawActionsOf(inner.ClipActions().Records[0]->Actions()).Bytes = HexBytes("06");
         }},
    };
}

std::vector<TValueCopyCase> BitmapAndSoundCases() {
    return {
        {"DefineBitsJPEG2",
         [] {
             auto tag = std::make_unique<TSWFDefineBitsJPEG2>();
             tag->CharacterID = 1;
             tag->SetData(HexBytes("FF D8 01 02 FF D9"));
             return tag;
         },
         [](TSWFObject& tag) { As<TSWFDefineBitsJPEG2>(tag).SetData(HexBytes("FF D8 FF D9")); }},
        {"DefineBitsJPEG3",
         [] {
             auto tag = std::make_unique<TSWFDefineBitsJPEG3>();
             tag->CharacterID = 2;
             tag->SetData(HexBytes("FF D8 03 FF D9"));
             tag->SetAlphaPlane(HexBytes("00 80 FF 40"));
             return tag;
         },
         [](TSWFObject& tag) { As<TSWFDefineBitsJPEG3>(tag).SetAlphaPlane(HexBytes("FF FF FF FF")); }},
        {"JPEGTables",
         [] {
             auto tag = std::make_unique<TSWFJPEGTables>();
             tag->SetData(HexBytes("FF DB 00 43"));
             return tag;
         },
         [](TSWFObject& tag) { As<TSWFJPEGTables>(tag).WrapInMarkers = false; }},
        {"DefineBitsLossless2",
         [] {
             auto tag = std::make_unique<TSWFDefineBitsLossless2>();
             tag->CharacterID = 3;
             tag->BitmapWidth = 1;
             tag->BitmapHeight = 1;
             tag->SetPixelData(HexBytes("FF 10 20 30"));
             return tag;
         },
         [](TSWFObject& tag) { As<TSWFDefineBitsLossless2>(tag).BitmapWidth = 2; }},
        {"DefineVideoStream",
         [] {
             auto tag = std::make_unique<TSWFDefineVideoStream>();
             tag->CharacterID = 4;
             tag->NumFrames = 30;
             tag->Width = 320;
             tag->Height = 240;
             tag->Deblocking = 2;
             tag->Smoothing = true;
             tag->CodecID = 2;
             return tag;
         },
         [](TSWFObject& tag) { As<TSWFDefineVideoStream>(tag).Smoothing = false; }},
        {"VideoFrame",
         [] {
             auto tag = std::make_unique<TSWFVideoFrame>();
             tag->StreamID = 4;
             tag->FrameNum = 9;
             tag->SetData(HexBytes("01 02 03"));
             return tag;
         },
         [](TSWFObject& tag) { As<TSWFVideoFrame>(tag).ClearData(); }},
        {"DefineSound",
         [] {
             auto tag = std::make_unique<TSWFDefineSound>();
             tag->SoundId = 6;
             tag->SoundFormat = sndMP3;
             tag->SoundRate = sndRate22k;
             tag->SoundSize = 1;
             tag->SoundSampleCount = 1152;
             tag->SeekSamples = 4;
             tag->SetData(HexBytes("FF FB 90 00"));
             return tag;
         },
         [](TSWFObject& tag) { As<TSWFDefineSound>(tag).SeekSamples = 0; }},
        {"SoundStreamHead2",
         [] {
             auto tag = std::make_unique<TSWFSoundStreamHead2>();
             tag->StreamSoundCompression = sndMP3;
             tag->StreamSoundRate = sndRate44k;
             tag->StreamSoundSampleCount = 1470;
             tag->LatencySeek = -3;
             return tag;
         },
         [](TSWFObject& tag) { As<TSWFSoundStreamHead2>(tag).LatencySeek = 0; }},
        {"SoundStreamBlock",
         [] {
             auto tag = std::make_unique<TSWFSoundStreamBlock>();
             tag->StreamSoundCompression = sndMP3;
             tag->SampleCount = 1152;
             tag->SetData(HexBytes("FF FB 90 00 11"));
             return tag;
         },
         [](TSWFObject& tag) { As<TSWFSoundStreamBlock>(tag).SetData(HexBytes("00")); }},
        {"StartSound",
         [] {
             auto tag = std::make_unique<TSWFStartSound>();
             tag->SoundId = 6;
             tag->SetLoopCount(3);
             tag->Envelope.push_back({0, 32768, 0});
             return tag;
         },
         [](TSWFObject& tag) { As<TSWFStartSound>(tag).Envelope[0].LeftLevel = 1; }},
    };
}

std::vector<TValueCopyCase> FontTextAndButtonCases() {
    return {
        {"DefineFont2, a glyph's record",
         [] {
             auto font = std::make_unique<TSWFDefineFont2>();
             font->FontID = 1;
             font->FontName = "Sans";
             font->CodeTable = {'A'};
             font->GlyphShapes.push_back(Triangle());
             return font;
         },
         [](TSWFObject& tag) {
             dynamic_cast<TSWFStraightEdgeRecord&>(*As<TSWFDefineFont2>(tag).GlyphShapes[0][1]).DeltaX = 40;
         }},
        {"DefineFontInfo2",
         [] {
             auto info = std::make_unique<TSWFDefineFontInfo2>();
             info->FontID = 1;
             info->FontName = "Sans";
             info->LanguageCode = 1;
             info->CodeTable = {'A', 'B'};
             return info;
         },
         [](TSWFObject& tag) { As<TSWFDefineFontInfo2>(tag).CodeTable.push_back('C'); }},
        {"DefineText2",
         [] {
             auto text = std::make_unique<TSWFDefineText2>();
             text->CharacterID = 2;
             text->TextBounds = TSWFRect(0, 400, -300, 100);
             TSWFTextRecord& record = text->TextRecords.emplace_back();
             record.HasAlpha = true;
             record.SetFontID(1);
             record.SetTextHeight(240);
             record.TextColor().SetRGBA(0x80112233);
             record.AddGlyph(0, 200);
             text->SetBitsFromGlyphs();
             return text;
         },
         [](TSWFObject& tag) { As<TSWFDefineText2>(tag).TextRecords[0].TextColor().SetA(255); }},
        {"DefineEditText",
         [] {
             auto edit = std::make_unique<TSWFDefineEditText>();
             edit->CharacterID = 3;
             edit->Bounds = TSWFRect(0, 2000, 0, 400);
             edit->VariableName = "status";
             edit->HasText = true;
             edit->WideInitialText = std::u16string(1, u'\u4E2D');
             edit->TextColor().SetRGBA(0xFF0000FF);
             return edit;
         },
         [](TSWFObject& tag) { As<TSWFDefineEditText>(tag).WideInitialText.reset(); }},
        {"DefineButton, its actions",
         [] {
             auto button = std::make_unique<TSWFDefineButton>();
             button->ButtonID = 4;
             button->AddRecord(bsUp | bsHitTest, 2, 1);
             button->SetActions(RawActions("07 00"));
             return button;
         },
         [](TSWFObject& tag) { RawActionsOf(As<TSWFDefineButton>(tag).Actions()).Bytes = HexBytes("06 00"); }},
        {"DefineButton2, a condition's actions",
         [] {
             auto button = std::make_unique<TSWFDefineButton2>();
             button->ButtonID = 5;
             button->AddRecord(bsUp | bsOver | bsHitTest, 2, 1).ColorTransform().SetAlphaMult(128);
             button->AddCondAction(ButtonConditionBit(bcOverDownToOverUp)).SetActions(RawActions("07"));
             button->AddCondAction(0, 13).SetActions(RawActions("06"));
             return button;
         },
         [](TSWFObject& tag) {
             RawActionsOf(As<TSWFDefineButton2>(tag).CondActions[1].Actions()).Bytes = HexBytes("07 07");
         }},
        {"DefineButtonCxform",
         [] {
             auto cxform = std::make_unique<TSWFDefineButtonCxform>();
             cxform->ButtonID = 4;
             cxform->ColorTransform.SetMult(128, 256, 256);
             return cxform;
         },
         [](TSWFObject& tag) { As<TSWFDefineButtonCxform>(tag).ColorTransform.SetRedMult(0); }},
        {"DefineButtonSound, a transition's sound",
         [] {
             auto sounds = std::make_unique<TSWFDefineButtonSound>();
             sounds->ButtonID = 4;
             sounds->Sound(TSWFButtonSoundTransition::OverUpToOverDown).SoundId = 6;
             sounds->Sound(TSWFButtonSoundTransition::OverUpToOverDown).SetLoopCount(2);
             return sounds;
         },
         [](TSWFObject& tag) {
             As<TSWFDefineButtonSound>(tag).Sound(TSWFButtonSoundTransition::OverUpToOverDown).SyncStop = true;
         }},
        {"raw tag",
         [] {
             auto raw = std::make_unique<TSWFRawTag>(63);
             raw->Body = HexBytes("01 02 03");
             raw->LongHeader = true;
             return raw;
         },
         [](TSWFObject& tag) { As<TSWFRawTag>(tag).Body.push_back(4); }},
        {"error tag",
         [] { return std::make_unique<TSWFErrorTag>(tagSetBackgroundColor, "body too short", HexBytes("FF 00")); },
         [](TSWFObject& tag) { As<TSWFErrorTag>(tag).Body[0] = 0; }},
    };
}

void ExpectValueCopies(const std::vector<TValueCopyCase>& cases) {
    for (const auto& row : cases) {
        SCOPED_TRACE(row.Name);
        auto original = row.Make();
        const Bytes bytes = TagBytes(*original);

        auto clone = original->Clone();
        ASSERT_TRUE(clone);
        EXPECT_EQ(typeid(*clone), typeid(*original));
        EXPECT_EQ(clone->TagID(), original->TagID());
        EXPECT_EQ(HexString(TagBytes(*clone)), HexString(bytes)) << "cloned";
        row.Change(*clone);
        EXPECT_NE(HexString(TagBytes(*clone)), HexString(bytes)) << "the change shows in the clone";
        EXPECT_EQ(HexString(TagBytes(*original)), HexString(bytes)) << "and not in the original";

        // Assign overwrites every part of a changed object of the same class.
        auto assigned = row.Make();
        row.Change(*assigned);
        assigned->Assign(*original);
        EXPECT_EQ(HexString(TagBytes(*assigned)), HexString(bytes)) << "assigned";
        row.Change(*assigned);
        EXPECT_EQ(HexString(TagBytes(*original)), HexString(bytes)) << "the assigned copy owns its parts";
    }
}

TEST(SWFValueCopy, ControlDisplayAndSpriteTags) { ExpectValueCopies(ControlAndDisplayCases()); }

TEST(SWFValueCopy, BitmapAndSoundTags) { ExpectValueCopies(BitmapAndSoundCases()); }

TEST(SWFValueCopy, FontTextButtonRawAndErrorTags) { ExpectValueCopies(FontTextAndButtonCases()); }

// Every class of the tag table clones into its own class and code, and Assign takes only
// a source of exactly its own class (a subclass copied through its base's copy would lose
// its fields, and one code's body is no other code's).
TEST(SWFValueCopy, CopiesKeepTheExactClassAndCode) {
    for (const std::uint16_t code : KnownSWFTagCodes()) {
        SCOPED_TRACE(SWFTagName(code));
        auto tag = CreateSWFTag(code);
        auto clone = tag->Clone();
        EXPECT_EQ(typeid(*clone), typeid(*tag));
        EXPECT_EQ(clone->TagID(), code);
        EXPECT_NO_THROW(clone->Assign(*tag));
        EXPECT_THROW(clone->Assign(TSWFRawTag(code)), ESWFError);
    }
    TSWFDefineBitsJPEG2 jpeg2;
    EXPECT_THROW(jpeg2.Assign(TSWFDefineBitsJPEG3()), ESWFError) << "a subclass is another class";
    EXPECT_THROW(TSWFDefineBitsJPEG3().Assign(jpeg2), ESWFError) << "and so is a base";
    TSWFRawTag raw(63);
    EXPECT_THROW(raw.Assign(TSWFRawTag(62)), ESWFError);
    EXPECT_NO_THROW(raw.Assign(TSWFRawTag(63)));
}

// Payloads copy by their own rule: a borrowed buffer becomes an owned copy, a callback is
// shared and leaves the copy without bytes of its own.
TEST(SWFValueCopy, PayloadsOwnTheirBytesOrShareTheCallback) {
    const Bytes jpeg = HexBytes("FF D8 05 FF D9");
    const Bytes alpha = HexBytes("78 9C 63 00 00 00 01 00 01");
    TSWFDefineBitsJPEG3 lender;
    lender.SetData(jpeg.data(), jpeg.size());
    lender.SetAlphaData(alpha.data(), alpha.size());
    auto copy = lender.Clone();
    auto& typed = As<TSWFDefineBitsJPEG3>(*copy);
    EXPECT_TRUE(typed.OwnsData());
    EXPECT_TRUE(typed.OwnsAlphaData());
    EXPECT_NE(typed.Data(), jpeg.data());
    EXPECT_NE(typed.AlphaData(), alpha.data());
    EXPECT_EQ(TagBytes(typed), TagBytes(lender));

    int calls = 0;
    TSWFDefineBitsJPEG3 streamed;
    streamed.SetData(HexBytes("AA"));
    streamed.SetAlphaData(HexBytes("BB"));
    streamed.OnDataWrite = [&](TSWFDataObject&, TBitsEngine& engine) { ++calls, engine.WriteBytes(jpeg); };
    streamed.OnAlphaDataWrite = [&](TSWFDataObject&, TBitsEngine& engine) { ++calls, engine.WriteBytes(alpha); };
    TSWFDefineBitsJPEG3 assigned;
    assigned.Assign(streamed);
    EXPECT_EQ(assigned.DataSize(), 0);
    EXPECT_EQ(assigned.AlphaDataSize(), 0);
    EXPECT_EQ(TagBytes(assigned), TagBytes(streamed));
    EXPECT_EQ(calls, 4);
}

}  // namespace
}  // namespace pellicor
