#include <gtest/gtest.h>

#include <string>

#include "swf/morph_shape.h"
#include "swf/shape_tags.h"
#include "swf_test_support.h"

namespace pellicor {
namespace {

using test::Bytes;
using test::BodyBytes;
using test::ExpectRoundTrip;
using test::HexBytes;
using test::HexString;

// "0001 10" -> bits packed most significant first, the last byte padded with zeros
// (spaces are for reading only).
Bytes BitBytes(const std::string& bits) {
    Bytes bytes;
    int count = 0;
    for (const char ch : bits) {
        if (ch != '0' && ch != '1') continue;
        if (count % 8 == 0) bytes.push_back(0);
        if (ch == '1') bytes.back() |= static_cast<std::uint8_t>(0x80 >> (count % 8));
        ++count;
    }
    return bytes;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

// The bits one record writes with the given widths.
Bytes RecordBits(TSWFShapeRecord& record) {
    return test::WrittenBytes([&](TBitsEngine& engine) { record.WriteToStream(engine); });
}

// A 100 x 50 pixel rectangle in twips filled with bitmap 1: one style change (move to 0, 0,
// fill style 1 = 1), four edges and the end record, as the frame pipeline builds it.
template <class Shape>
void BuildBitmapRectangle(Shape& shape) {
    shape.ShapeID = 1;
    shape.ShapeBounds = TSWFRect(0, 2000, 0, 1000);
    TSWFMatrix matrix;
    matrix.SetScale(20, 20);
    matrix.SetTranslate(-5, -5);
    shape.AddImageFill(1, matrix);
    auto& change = shape.AddStyleChange();
    change.SetMoveTo(0, 0);
    change.SetFillStyle1(1);
    shape.AddStraightEdge(2000, 0);
    shape.AddStraightEdge(0, 1000);
    shape.AddStraightEdge(-2000, 0);
    shape.AddStraightEdge(0, -1000);
    shape.AddEndRecord();
}

// The body of BuildBitmapRectangle's DefineShape2.
Bytes BitmapRectangleBody() {
    return Concat({
        HexBytes("01 00"),
        BitBytes("01100 000000000000 011111010000 000000000000 001111101000"),  // RECT, 12 bits
        HexBytes("01 41 01 00"),                                                // one clipped bitmap fill of id 1
        BitBytes("1 10110 0101000000000000000000 0101000000000000000000"        // scale 20.0, 20.0 (22 bits)
                 "0 00100 1011 1011"),                                          // no rotation, translate -5, -5
        HexBytes("00"),                                                         // no line styles
        BitBytes("0001 0000"                                                    // NumFillBits 1, NumLineBits 0
                 "000101 00000 1"                                               // style change: fill style 1 = 1, move 0,0
                 "11 1010 0 0 011111010000"                                     // (2000, 0): 12 bits, horizontal
                 "11 1001 0 1 01111101000"                                      // (0, 1000): 11 bits, vertical
                 "11 1010 0 0 100000110000"                                     // (-2000, 0)
                 "11 1001 0 1 10000011000"                                      // (0, -1000)
                 "000000"),                                                     // end
    });
}

// A solid fill and a line style, both with alpha, for the colours of each shape kind.
template <class Shape>
std::unique_ptr<Shape> FilledAndLined() {
    auto shape = std::make_unique<Shape>();
    shape->AddSolidFill(TSWFRGBA(0x11, 0x22, 0x33, 0x80));
    shape->AddLineStyle(40, TSWFRGBA(0x44, 0x55, 0x66, 0x90));
    return shape;
}

// A style change asking for fill and line styles of a shape that has none.
std::unique_ptr<TSWFDefineShape> StylesWithoutStyles() {
    auto shape = std::make_unique<TSWFDefineShape>();
    auto& change = shape->AddStyleChange();
    change.SetFillStyle0(1);
    change.SetFillStyle1(2);
    change.SetLineStyle(1);
    change.SetMoveTo(0, 0);
    return shape;
}

TEST(SWFShapeTags, KnownBodies) {
    test::ExpectTagBodyCases({
        {"bitmap-filled rectangle", {}, [] {
             auto shape = std::make_unique<TSWFDefineShape2>();
             BuildBitmapRectangle(*shape);
             return shape;
         }, HexString(BitmapRectangleBody())},
        // An empty record list is a lone end record after the widths.
        {"empty", {}, [] { return std::make_unique<TSWFDefineShape>(); }, "00 00 00 00 00 00 00"},
        // No fill styles: the fill flags cannot be written; no line styles: nor the line flag.
        {"style flags without index bits", {}, [] { return StylesWithoutStyles(); },
         HexString(Concat({HexBytes("00 00 00 00 00"), BitBytes("0000 0000 000001 00000 000000")}))},
        {"DefineShape3 colours with alpha", {}, [] { return FilledAndLined<TSWFDefineShape3>(); },
         HexString(Concat({HexBytes("00 00 00 01 00 11 22 33 80 01 28 00 44 55 66 90"), BitBytes("0001 0001 000000")}))},
        {"DefineShape2 colours without", {}, [] { return FilledAndLined<TSWFDefineShape2>(); },
         HexString(Concat({HexBytes("00 00 00 01 00 11 22 33 01 28 00 44 55 66"), BitBytes("0001 0001 000000")}))},
    });
}

TEST(SWFShapeTags, BitmapFilledRectangleLayout) {
    TSWFDefineShape2 shape;
    BuildBitmapRectangle(shape);
    EXPECT_EQ(shape.MinVersion(), 2);
}

TEST(SWFShapeTags, EdgeRecordBits) {
    TSWFStraightEdgeRecord horizontal(200, 0);
    EXPECT_EQ(RecordBits(horizontal), BitBytes("11 0111 0 0 011001000"));
    TSWFStraightEdgeRecord up(0, -1);
    EXPECT_EQ(RecordBits(up), BitBytes("11 0000 0 1 11"));
    TSWFStraightEdgeRecord general(3, -4);  // 4 bits
    EXPECT_EQ(RecordBits(general), BitBytes("11 0010 1 0011 1100"));
    TSWFStraightEdgeRecord zero(0, 0);
    EXPECT_TRUE(RecordBits(zero).empty());
    TSWFCurvedEdgeRecord curve(10, 0, 0, -10);  // 5 bits
    EXPECT_EQ(RecordBits(curve), BitBytes("10 0011 01010 00000 00000 10110"));
    TSWFCurvedEdgeRecord flat(0, 0, 0, 0);
    EXPECT_TRUE(RecordBits(flat).empty());

    // A style change without style flags always carries a move-to, even when not asked.
    TSWFStyleChangeRecord bare;
    EXPECT_EQ(RecordBits(bare), BitBytes("000001 00000"));
    TSWFStyleChangeRecord move;
    move.SetMoveTo(20, -20);
    move.SetLineStyle(3);
    move.LineBits = 2;
    EXPECT_EQ(RecordBits(move), BitBytes("001001 00110 010100 101100 11"));

    // Deltas that do not fit the width field are refused rather than truncated.
    TSWFStraightEdgeRecord tooLong(65536, 0);
    EXPECT_THROW(RecordBits(tooLong), ESWFError);
    TSWFStraightEdgeRecord longest(65535, -65535);
    EXPECT_NO_THROW(RecordBits(longest));
}

TEST(SWFShapeTags, EndRecordsAndZeroEdgesInRecordLists) {
    const auto body = [](auto build) {
        TSWFDefineShape shape;
        shape.AddSolidFill(TSWFRGBA(1, 2, 3, 255));
        build(shape);
        return BodyBytes(shape);
    };
    const Bytes reference = body([](TSWFDefineShape& s) {
        s.AddStyleChange().SetFillStyle0(1);
        s.AddStraightEdge(100, 100);
        s.AddEndRecord();
    });
    // Without an end record one is appended.
    EXPECT_EQ(body([](TSWFDefineShape& s) {
                  s.AddStyleChange().SetFillStyle0(1);
                  s.AddStraightEdge(100, 100);
              }),
              reference);
    // An end record in the middle is dropped, so is a zero-length edge.
    EXPECT_EQ(body([](TSWFDefineShape& s) {
                  s.AddStyleChange().SetFillStyle0(1);
                  s.AddEndRecord();
                  s.AddStraightEdge(0, 0);
                  s.AddStraightEdge(100, 100);
                  s.AddEndRecord();
              }),
              reference);
}

TEST(SWFShapeTags, StyleFlagsWithoutIndexBitsAreDropped) {
    // Writing clears the flags that have no index bits.
    const auto shape = StylesWithoutStyles();
    BodyBytes(*shape);
    const auto& change = static_cast<const TSWFStyleChangeRecord&>(*shape->Records[0]);
    EXPECT_FALSE(change.StateFillStyle0 || change.StateFillStyle1 || change.StateLineStyle);
}

TEST(SWFShapeTags, ColoursFollowTheShapeKind) {
    const auto built3 = FilledAndLined<TSWFDefineShape3>();
    TSWFDefineShape3& shape3 = *built3;

    // A shape built as DefineShape3 can be written as DefineShape2 and back.
    TSWFDefineShape2 copy2;
    copy2.AssignShape(shape3);
    EXPECT_FALSE(copy2.HasAlpha);
    EXPECT_EQ(BodyBytes(copy2).size(), BodyBytes(shape3).size() - 2);
    TSWFDefineShape3 copy3;
    copy3.AssignShape(copy2);
    EXPECT_EQ(BodyBytes(copy3).size(), BodyBytes(shape3).size());
    EXPECT_THROW(copy3.Assign(copy2), ESWFError);
    EXPECT_EQ(shape3.MinVersion(), 3);
    EXPECT_EQ(TSWFDefineShape().MinVersion(), 1);
}

TEST(SWFShapeTags, LongStyleArrays) {
    TSWFDefineShape2 shape;
    for (int i = 0; i < 300; ++i) shape.AddSolidFill(TSWFRGBA(static_cast<std::uint8_t>(i), 0, 0, 255));
    auto& change = shape.AddStyleChange();
    change.SetFillStyle1(300);
    const Bytes body = BodyBytes(shape);
    ASSERT_GT(body.size(), 7u + 900u);
    EXPECT_EQ(Bytes(body.begin() + 3, body.begin() + 6), HexBytes("FF 2C 01"));
    // After 300 four-byte styles: no line styles, then NumFillBits 9, NumLineBits 0 and the
    // fill style 1 index 300 in 9 bits.
    const std::size_t after = 6 + 300 * 4;
    EXPECT_EQ(Bytes(body.begin() + static_cast<std::ptrdiff_t>(after), body.end()),
              Concat({HexBytes("00"), BitBytes("1001 0000 000100 100101100 000000")}));
    auto read = ExpectRoundTrip(shape);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->FillStyles.size(), 300u);
    EXPECT_EQ(static_cast<TSWFStyleChangeRecord&>(*read->Records[0]).FillStyle1(), 300);

    TSWFDefineShape2 tooMany;
    for (int i = 0; i < 65536; ++i) tooMany.AddSolidFill(TSWFRGBA());
    EXPECT_THROW(BodyBytes(tooMany), ESWFError);
}

// A DefineShape3 with every fill kind, line styles, every record kind and new styles in
// the middle of the record list.
void BuildFullShape(TSWFDefineShape& shape) {
    shape.ShapeID = 77;
    shape.ShapeBounds = TSWFRect(-400, 3000, -20, 2500);
    shape.AddSolidFill(TSWFRGBA(10, 20, 30, 128));
    auto gradient = std::make_unique<TSWFGradientFill>();
    gradient->SetFillStyleType(kFillRadialGradient);
    gradient->GradientMatrix.SetScale(0.5, 0.25);
    gradient->GradientMatrix.SetRotate(0.1, -0.1);
    gradient->GradientMatrix.SetTranslate(300, 400);
    gradient->AddPoint(0, TSWFRGBA(255, 0, 0, 255));
    gradient->AddPoint(128, TSWFRGBA(0, 255, 0, 64));
    gradient->AddPoint(255, TSWFRGBA(0, 0, 255, 0));
    shape.FillStyles.push_back(std::move(gradient));
    TSWFMatrix matrix;
    matrix.SetScale(20.003662109375, 10.003662109375);
    matrix.SetTranslate(-5, -5);
    shape.AddImageFill(9, matrix, kFillRepeatingBitmapHard);
    shape.AddLineStyle(40, TSWFRGBA(1, 2, 3, 255));
    shape.AddLineStyle(20, TSWFRGBA(4, 5, 6, 7));

    auto& first = shape.AddStyleChange();
    first.SetMoveTo(-400, 100);
    first.SetFillStyle0(1);
    first.SetFillStyle1(3);
    first.SetLineStyle(2);
    shape.AddStraightEdge(1000, 0);
    shape.AddStraightEdge(0, -100);
    shape.AddStraightEdge(-300, 450);
    shape.AddCurvedEdge(100, 200, -50, 60000);

    auto& fresh = shape.AddStyleChange();
    fresh.SetMoveTo(0, 0);
    fresh.SetFillStyle1(1);
    auto& newFill = fresh.NewFillStyles();
    for (int i = 0; i < 4; ++i) newFill.push_back(std::make_unique<TSWFColorFill>(TSWFRGBA(i, i, i, 200)));
    auto image = std::make_unique<TSWFImageFill>();
    image->BitmapID = 12;
    newFill.push_back(std::move(image));
    for (int i = 0; i < 3; ++i) fresh.NewLineStyles().emplace_back(static_cast<std::uint16_t>(i * 10), TSWFRGBA(9, 9, 9, 9));

    auto& select = shape.AddStyleChange();  // uses the widths of the new arrays: 3 and 2 bits
    select.SetFillStyle0(5);
    select.SetLineStyle(3);
    shape.AddCurvedEdge(-1, 1, 1, -1);
    shape.AddStraightEdge(-65535, 0);
    shape.AddStyleChange().SetMoveTo(65000, -65000);
    shape.AddEndRecord();
}

TEST(SWFShapeTags, FullShapeRoundTrip) {
    TSWFDefineShape3 shape;
    BuildFullShape(shape);
    auto read = ExpectRoundTrip(shape);
    ASSERT_TRUE(read);
    EXPECT_TRUE(read->HasAlpha);
    EXPECT_EQ(read->ShapeID, 77);
    EXPECT_EQ(read->ShapeBounds, shape.ShapeBounds);
    ASSERT_EQ(read->FillStyles.size(), 3u);
    ASSERT_EQ(read->FillStyles[1]->FillStyleType(), kFillRadialGradient);
    const auto& gradient = static_cast<const TSWFGradientFill&>(*read->FillStyles[1]);
    EXPECT_EQ(gradient.Count(), 3);
    EXPECT_EQ(gradient.Point(2).Ratio, 128);
    EXPECT_EQ(gradient.Point(3).Color.A(), 0);
    EXPECT_EQ(gradient.GradientMatrix, static_cast<const TSWFGradientFill&>(*shape.FillStyles[1]).GradientMatrix);
    EXPECT_EQ(read->FillStyles[2]->FillStyleType(), kFillRepeatingBitmapHard);
    ASSERT_EQ(read->LineStyles.size(), 2u);
    EXPECT_EQ(read->LineStyles[1].Color.A(), 7);

    ASSERT_EQ(read->Records.size(), shape.Records.size());
    for (std::size_t i = 0; i < shape.Records.size(); ++i)
        EXPECT_EQ(read->Records[i]->Kind(), shape.Records[i]->Kind()) << "record " << i;
    const auto& first = static_cast<const TSWFStyleChangeRecord&>(*read->Records[0]);
    EXPECT_EQ(first.MoveDeltaX(), -400);
    EXPECT_EQ(first.FillStyle1(), 3);
    EXPECT_EQ(first.LineStyle(), 2);
    const auto& curve = static_cast<const TSWFCurvedEdgeRecord&>(*read->Records[4]);
    EXPECT_EQ(curve.AnchorDeltaY, 60000);
    const auto& fresh = static_cast<const TSWFStyleChangeRecord&>(*read->Records[5]);
    EXPECT_TRUE(fresh.StateNewStyles);
    EXPECT_EQ(fresh.NewFillStyles().size(), 5u);
    EXPECT_EQ(fresh.NewLineStyles().size(), 3u);
    EXPECT_EQ(fresh.FillBits, 3);
    EXPECT_EQ(fresh.LineBits, 2);
    // Read with the widths of the new arrays.
    const auto& select = static_cast<const TSWFStyleChangeRecord&>(*read->Records[6]);
    EXPECT_EQ(select.FillStyle0(), 5);
    EXPECT_EQ(select.LineStyle(), 3);
    EXPECT_EQ(static_cast<const TSWFStraightEdgeRecord&>(*read->Records[8]).DeltaX, -65535);

    // Bitmap references in the arrays and in new styles, for renumbering.
    auto fills = read->ImageFills();
    ASSERT_EQ(fills.size(), 2u);
    EXPECT_EQ(fills[0]->BitmapID, 9);
    EXPECT_EQ(fills[1]->BitmapID, 12);
    fills[1]->BitmapID = 40;
    EXPECT_EQ(read->ImageFills()[1]->BitmapID, 40);

    // Version 1 and 2 shapes of the same contents round-trip as well (RGB colours).
    TSWFDefineShape shape1;
    BuildFullShape(shape1);
    ExpectRoundTrip(shape1);
    TSWFDefineShape2 shape2;
    shape2.AssignShape(shape);
    ExpectRoundTrip(shape2);
}

TEST(SWFShapeTags, StylesAndRecordsCopy) {
    TSWFDefineShape3 shape;
    BuildFullShape(shape);
    TSWFDefineShape3 copy;
    copy.Assign(shape);
    EXPECT_EQ(BodyBytes(copy), BodyBytes(shape));
    // Deep copies: changing the copy leaves the source alone.
    static_cast<TSWFStyleChangeRecord&>(*copy.Records[5]).NewFillStyles().clear();
    EXPECT_EQ(static_cast<TSWFStyleChangeRecord&>(*shape.Records[5]).NewFillStyles().size(), 5u);

    EXPECT_EQ(CreateFillStyle(0x00)->FillStyleType(), kFillSolid);
    EXPECT_EQ(CreateFillStyle(0x12)->FillStyleType(), kFillRadialGradient);
    EXPECT_EQ(CreateFillStyle(0x42)->FillStyleType(), kFillRepeatingBitmapHard);
    EXPECT_EQ(CreateFillStyle(0x13), nullptr);
    EXPECT_EQ(CreateFillStyle(0x44), nullptr);
    TSWFColorFill solid;
    TSWFImageFill image;
    EXPECT_THROW(solid.Assign(image), ESWFError);
    EXPECT_THROW(image.SetFillStyleType(kFillSolid), ESWFError);
    TSWFGradientFill gradient;
    for (int i = 0; i < 8; ++i) gradient.AddPoint(static_cast<std::uint8_t>(i), TSWFRGBA());
    EXPECT_THROW(gradient.AddPoint(9, TSWFRGBA()), ESWFError);
    EXPECT_THROW(gradient.Point(0), ESWFError);
}

// A morph shape with every morph fill kind, line styles, start edges with a curve and new
// styles, and end edges.
void BuildMorph(TSWFDefineMorphShape& morph) {
    morph.CharacterID = 5;
    morph.StartBounds = TSWFRect(0, 2000, 0, 2000);
    morph.EndBounds = TSWFRect(-100, 4000, 0, 100);
    auto solid = std::make_unique<TSWFMorphColorFill>();
    solid->StartColor = TSWFRGBA(1, 2, 3, 4);
    solid->EndColor = TSWFRGBA(5, 6, 7, 255);
    morph.MorphFillStyles.push_back(std::move(solid));
    auto gradient = std::make_unique<TSWFMorphGradientFill>();
    gradient->SetFillStyleType(kFillRadialGradient);
    gradient->StartGradientMatrix.SetScale(1.5, 1.5);
    gradient->EndGradientMatrix.SetTranslate(100, -100);
    auto& point = gradient->AddPoint();
    point.StartRatio = 10;
    point.EndRatio = 250;
    point.EndColor = TSWFRGBA(9, 8, 7, 6);
    gradient->AddPoint().StartColor = TSWFRGBA(200, 100, 50, 25);
    morph.MorphFillStyles.push_back(std::move(gradient));
    auto image = std::make_unique<TSWFMorphImageFill>();
    image->SetFillStyleType(kFillRepeatingBitmap);
    image->BitmapID = 3;
    image->EndBitmapMatrix.SetScale(2, 3);
    morph.MorphFillStyles.push_back(std::move(image));
    morph.MorphLineStyles.push_back({20, 60, TSWFRGBA(0, 0, 0, 255), TSWFRGBA(255, 255, 255, 128)});

    auto start = std::make_unique<TSWFStyleChangeRecord>();
    start->SetMoveTo(10, 10);
    start->SetFillStyle1(3);
    start->SetLineStyle(1);
    morph.StartEdges.push_back(std::move(start));
    morph.StartEdges.push_back(std::make_unique<TSWFStraightEdgeRecord>(1000, 0));
    morph.StartEdges.push_back(std::make_unique<TSWFCurvedEdgeRecord>(0, 500, -500, 500));
    morph.StartEdges.push_back(std::make_unique<TSWFEndShapeRecord>());
    auto end = std::make_unique<TSWFStyleChangeRecord>();
    end->SetMoveTo(-100, 0);
    morph.EndEdges.push_back(std::move(end));
    morph.EndEdges.push_back(std::make_unique<TSWFStraightEdgeRecord>(4000, 100));
    morph.EndEdges.push_back(std::make_unique<TSWFCurvedEdgeRecord>(0, 10, -10, 10));
}

TEST(SWFMorphShape, PublishedLayout) {
    TSWFDefineMorphShape morph;
    morph.CharacterID = 1;
    auto solid = std::make_unique<TSWFMorphColorFill>();
    solid->StartColor = TSWFRGBA(0x11, 0x22, 0x33, 0x44);
    solid->EndColor = TSWFRGBA(0x55, 0x66, 0x77, 0x88);
    morph.MorphFillStyles.push_back(std::move(solid));
    auto start = std::make_unique<TSWFStyleChangeRecord>();
    start->SetMoveTo(0, 0);
    start->SetFillStyle1(1);
    morph.StartEdges.push_back(std::move(start));
    morph.StartEdges.push_back(std::make_unique<TSWFStraightEdgeRecord>(20, 0));
    morph.EndEdges.push_back(std::make_unique<TSWFStyleChangeRecord>());
    morph.EndEdges.push_back(std::make_unique<TSWFStraightEdgeRecord>(40, 0));
    const Bytes expected = Concat({
        HexBytes("01 00 00 00"),               // id, empty start and end bounds
        HexBytes("10 00 00 00"),               // offset to the end edges: 10 + 1 + 5 bytes
        HexBytes("01 00 11 22 33 44 55 66 77 88"),  // one solid morph fill
        HexBytes("00"),                        // no line styles
        BitBytes("0001 0000 000101 00000 1 11 0100 0 0 010100 000000"),  // start edges
        BitBytes("0000 0000 000001 00000 11 0101 0 0 0101000 000000"),   // end edges, no style bits
    });
    EXPECT_EQ(HexString(BodyBytes(morph)), HexString(expected));
    EXPECT_EQ(morph.MinVersion(), 3);
    ExpectRoundTrip(morph);
}

TEST(SWFMorphShape, RoundTripAndOffset) {
    TSWFDefineMorphShape morph;
    BuildMorph(morph);
    auto read = ExpectRoundTrip(morph);
    ASSERT_TRUE(read);
    ASSERT_EQ(read->MorphFillStyles.size(), 3u);
    const auto& gradient = static_cast<const TSWFMorphGradientFill&>(*read->MorphFillStyles[1]);
    EXPECT_EQ(gradient.FillStyleType(), kFillRadialGradient);
    EXPECT_EQ(gradient.Count(), 2);
    EXPECT_EQ(gradient.Point(1).EndRatio, 250);
    EXPECT_EQ(gradient.Point(2).StartColor.RGBA(), TSWFRGBA(200, 100, 50, 25).RGBA());
    ASSERT_EQ(read->MorphLineStyles.size(), 1u);
    EXPECT_EQ(read->MorphLineStyles[0].EndWidth, 60);
    EXPECT_EQ(read->StartEdges.size(), 4u);
    ASSERT_EQ(read->EndEdges.size(), 4u);  // the end record is appended
    EXPECT_EQ(static_cast<const TSWFStraightEdgeRecord&>(*read->EndEdges[1]).DeltaY, 100);
    auto fills = read->ImageFills();
    ASSERT_EQ(fills.size(), 1u);
    EXPECT_EQ(fills[0]->BitmapID, 3);

    // The offset counts from after itself to the end edges: reading honours it even when
    // padding separates the two edge lists.
    Bytes body = BodyBytes(morph);
    const std::size_t offsetAt = 2 + test::WrittenBytes([&](TBitsEngine& e) {
                                         e.WriteRect(morph.StartBounds);
                                         e.WriteRect(morph.EndBounds);
                                     }).size();
    const std::uint32_t offset = body[offsetAt] | (body[offsetAt + 1] << 8) | (body[offsetAt + 2] << 16) |
                                 (static_cast<std::uint32_t>(body[offsetAt + 3]) << 24);
    const std::size_t endEdges = offsetAt + 4 + offset;
    ASSERT_LT(endEdges, body.size());
    body.insert(body.begin() + static_cast<std::ptrdiff_t>(endEdges), {0xAA, 0xBB});
    const std::uint32_t padded = offset + 2;
    for (int i = 0; i < 4; ++i) body[offsetAt + i] = static_cast<std::uint8_t>(padded >> (8 * i));
    auto padRead = test::ReadBody(tagDefineMorphShape, body);
    ASSERT_TRUE(padRead);
    EXPECT_EQ(BodyBytes(*padRead), BodyBytes(morph));

    TSWFDefineMorphShape copy;
    copy.Assign(morph);
    EXPECT_EQ(BodyBytes(copy), BodyBytes(morph));
}

TEST(SWFShapeTags, DamagedBodiesNeverCrashTheReaders) {
    TSWFDefineShape3 shape3;
    BuildFullShape(shape3);
    test::FuzzTagReader(tagDefineShape3, BodyBytes(shape3));
    TSWFDefineShape2 shape2;
    BuildFullShape(shape2);
    test::FuzzTagReader(tagDefineShape2, BodyBytes(shape2));
    TSWFDefineShape shape1;
    BuildBitmapRectangle(shape1);
    test::FuzzTagReader(tagDefineShape, BodyBytes(shape1));
    TSWFDefineMorphShape morph;
    BuildMorph(morph);
    test::FuzzTagReader(tagDefineMorphShape, BodyBytes(morph));
}

}  // namespace
}  // namespace pellicor
