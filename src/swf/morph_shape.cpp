#include "swf/morph_shape.h"

#include <string>

namespace pellicor {

// ---- morph fill styles ----

void TSWFMorphColorFill::ReadFromStream(TBitsEngine& engine) {
    StartColor = engine.ReadRGBA();
    EndColor = engine.ReadRGBA();
}

void TSWFMorphColorFill::WriteToStream(TBitsEngine& engine) {
    engine.WriteByte(FillStyleType());
    engine.WriteRGBA(StartColor);
    engine.WriteRGBA(EndColor);
}

void TSWFMorphGradientFill::SetFillStyleType(std::uint8_t type) {
    if (!IsGradientFillType(type)) throw ESWFError("Not a gradient fill style type");
    fillStyleType_ = type;
}

void TSWFMorphGradientFill::ReadFromStream(TBitsEngine& engine) {
    StartGradientMatrix = engine.ReadMatrix();
    EndGradientMatrix = engine.ReadMatrix();
    const std::uint8_t count = engine.ReadByte();
    if (count > kMaxPoints) throw ESWFReadError("Gradient with more than 8 points");
    SetCount(count);
    for (int i = 1; i <= count; ++i) {
        TSWFMorphGradientPoint& point = Point(i);
        point.StartRatio = engine.ReadByte();
        point.StartColor = engine.ReadRGBA();
        point.EndRatio = engine.ReadByte();
        point.EndColor = engine.ReadRGBA();
    }
}

void TSWFMorphGradientFill::WriteToStream(TBitsEngine& engine) {
    engine.WriteByte(FillStyleType());
    engine.WriteMatrix(StartGradientMatrix);
    engine.WriteMatrix(EndGradientMatrix);
    engine.WriteByte(static_cast<std::uint8_t>(Count()));
    for (int i = 1; i <= Count(); ++i) {
        const TSWFMorphGradientPoint& point = Point(i);
        engine.WriteByte(point.StartRatio);
        engine.WriteRGBA(point.StartColor);
        engine.WriteByte(point.EndRatio);
        engine.WriteRGBA(point.EndColor);
    }
}

void TSWFMorphImageFill::SetFillStyleType(std::uint8_t type) {
    if (!IsBitmapFillType(type)) throw ESWFError("Not a bitmap fill style type");
    fillStyleType_ = type;
}

void TSWFMorphImageFill::ReadFromStream(TBitsEngine& engine) {
    BitmapID = engine.ReadWord();
    StartBitmapMatrix = engine.ReadMatrix();
    EndBitmapMatrix = engine.ReadMatrix();
}

void TSWFMorphImageFill::WriteToStream(TBitsEngine& engine) {
    engine.WriteByte(FillStyleType());
    engine.WriteWord(BitmapID);
    engine.WriteMatrix(StartBitmapMatrix);
    engine.WriteMatrix(EndBitmapMatrix);
}

std::unique_ptr<TSWFMorphFillStyle> CreateMorphFillStyle(std::uint8_t type) {
    if (type == kFillSolid) return std::make_unique<TSWFMorphColorFill>();
    if (IsGradientFillType(type)) {
        auto gradient = std::make_unique<TSWFMorphGradientFill>();
        gradient->SetFillStyleType(type);
        return gradient;
    }
    if (IsBitmapFillType(type)) {
        auto image = std::make_unique<TSWFMorphImageFill>();
        image->SetFillStyleType(type);
        return image;
    }
    return nullptr;
}

// ---- DefineMorphShape ----

std::vector<TSWFMorphImageFill*> TSWFDefineMorphShape::ImageFills() {
    std::vector<TSWFMorphImageFill*> fills;
    for (auto& style : MorphFillStyles)
        if (IsBitmapFillType(style->FillStyleType())) fills.push_back(static_cast<TSWFMorphImageFill*>(style.get()));
    return fills;
}


void TSWFDefineMorphShape::ReadFromStream(TBitsEngine& engine) {
    CharacterID = engine.ReadWord();
    StartBounds = engine.ReadRect();
    EndBounds = engine.ReadRect();
    const std::uint32_t offset = engine.ReadDWord();
    const std::uint64_t offsetBase = engine.Position();

    MorphFillStyles.clear();
    const std::size_t fillCount = ReadStyleCount(engine);
    for (std::size_t i = 0; i < fillCount; ++i) {
        const std::uint8_t type = engine.ReadByte();
        auto style = CreateMorphFillStyle(type);
        if (!style) throw ESWFReadError("Unknown morph fill style type " + std::to_string(type));
        style->ReadFromStream(engine);
        MorphFillStyles.push_back(std::move(style));
    }
    MorphLineStyles.clear();
    const std::size_t lineCount = ReadStyleCount(engine);
    for (std::size_t i = 0; i < lineCount; ++i) {
        TSWFMorphLineStyle style;
        style.StartWidth = engine.ReadWord();
        style.EndWidth = engine.ReadWord();
        style.StartColor = engine.ReadRGBA();
        style.EndColor = engine.ReadRGBA();
        MorphLineStyles.push_back(style);
    }

    ReadShape(engine, StartEdges, true);

    // The end edges start where the offset says when it points ahead within the body;
    // otherwise (an offset of 0 from some writers) right after the start edges.
    const std::uint64_t endEdges = offsetBase + offset;
    if (endEdges > engine.Position()) {
        engine.Require(endEdges - engine.Position());
        engine.Stream().Seek(endEdges);
    }
    ReadShape(engine, EndEdges, true);
}

void TSWFDefineMorphShape::WriteTagBody(TBitsEngine& engine) {
    engine.WriteWord(CharacterID);
    engine.WriteRect(StartBounds);
    engine.WriteRect(EndBounds);
    const std::uint64_t offsetPosition = engine.Position();
    engine.WriteDWord(0);

    WriteStyleCount(engine, MorphFillStyles.size());
    for (auto& style : MorphFillStyles) style->WriteToStream(engine);
    WriteStyleCount(engine, MorphLineStyles.size());
    for (const auto& style : MorphLineStyles) {
        engine.WriteWord(style.StartWidth);
        engine.WriteWord(style.EndWidth);
        engine.WriteRGBA(style.StartColor);
        engine.WriteRGBA(style.EndColor);
    }

    WriteShape(engine, StartEdges, StyleIndexBits(MorphFillStyles.size()), StyleIndexBits(MorphLineStyles.size()),
               true);

    const std::uint64_t endEdges = engine.Position();
    const std::uint64_t offset = endEdges - offsetPosition - 4;
    if (offset > 0xFFFFFFFFull) throw ESWFError("DefineMorphShape larger than 4 GiB");
    engine.Stream().Seek(offsetPosition);
    engine.WriteDWord(static_cast<std::uint32_t>(offset));
    engine.Stream().Seek(endEdges);

    WriteShape(engine, EndEdges, 0, 0, true);
}

}  // namespace pellicor
