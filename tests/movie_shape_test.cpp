// Shapes and their pen: split lines, degenerate curves, moves, rectangles, flips, style
// selection, solid and image fills, alpha, bounds, dashed outlines, and the movie's
// AddShape / AddRectangle.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "movie/flash_edges.h"
#include "movie/flash_image.h"
#include "movie/flash_movie.h"
#include "movie/flash_shape.h"
#include "swf/shape_tags.h"
#include "swf/tag_factory.h"
#include "swf_test_support.h"

namespace pellicor {
namespace {

using test::Bytes;

std::string Describe(const TSWFShapeRecord& record) {
    switch (record.Kind()) {
        case TSWFShapeRecordKind::StyleChange: {
            const auto& change = static_cast<const TSWFStyleChangeRecord&>(record);
            std::string text = "style";
            if (change.StateMoveTo)
                text += " move " + std::to_string(change.MoveDeltaX()) + "," + std::to_string(change.MoveDeltaY());
            if (change.StateFillStyle0) text += " f0=" + std::to_string(change.FillStyle0());
            if (change.StateFillStyle1) text += " f1=" + std::to_string(change.FillStyle1());
            if (change.StateLineStyle) text += " l=" + std::to_string(change.LineStyle());
            return text;
        }
        case TSWFShapeRecordKind::StraightEdge: {
            const auto& edge = static_cast<const TSWFStraightEdgeRecord&>(record);
            return "line " + std::to_string(edge.DeltaX) + "," + std::to_string(edge.DeltaY);
        }
        case TSWFShapeRecordKind::CurvedEdge: {
            const auto& curve = static_cast<const TSWFCurvedEdgeRecord&>(record);
            return "curve " + std::to_string(curve.ControlDeltaX) + "," + std::to_string(curve.ControlDeltaY) + "," +
                   std::to_string(curve.AnchorDeltaX) + "," + std::to_string(curve.AnchorDeltaY);
        }
        case TSWFShapeRecordKind::End: return "end";
    }
    return "?";
}

std::vector<std::string> Describe(const TSWFShapeRecordList& records) {
    std::vector<std::string> out;
    for (const auto& record : records) out.push_back(Describe(*record));
    return out;
}

Bytes WrittenBytes(TBasedSWFObject& object) {
    return test::WrittenBytes([&](TBitsEngine& engine) { object.WriteToStream(engine); });
}

// Writes the shape and reads the tag back through the tag factory.
std::unique_ptr<TSWFDefineShape> WriteAndRead(TFlashShape& shape) {
    const Bytes bytes = WrittenBytes(shape);
    TMemoryStream stream(bytes);
    TBitsEngine engine(stream);
    std::unique_ptr<TSWFObject> tag = ReadSWFTag(engine);
    EXPECT_EQ(engine.BytesLeft(), 0u);
    auto* typed = dynamic_cast<TSWFDefineShape*>(tag.get());
    if (!typed) {
        ADD_FAILURE() << "not a shape tag: " << test::HexString(bytes);
        return nullptr;
    }
    tag.release();
    return std::unique_ptr<TSWFDefineShape>(typed);
}

// Absolute end point of a record list (moves are absolute, edges relative).
std::pair<std::int64_t, std::int64_t> EndPoint(const TSWFShapeRecordList& records) {
    std::int64_t x = 0, y = 0;
    for (const auto& record : records) {
        if (record->Kind() == TSWFShapeRecordKind::StyleChange) {
            const auto& change = static_cast<const TSWFStyleChangeRecord&>(*record);
            if (change.StateMoveTo) x = change.MoveDeltaX(), y = change.MoveDeltaY();
        } else if (record->Kind() == TSWFShapeRecordKind::StraightEdge) {
            const auto& edge = static_cast<const TSWFStraightEdgeRecord&>(*record);
            x += edge.DeltaX, y += edge.DeltaY;
        } else if (record->Kind() == TSWFShapeRecordKind::CurvedEdge) {
            const auto& curve = static_cast<const TSWFCurvedEdgeRecord&>(*record);
            x += curve.ControlDeltaX + curve.AnchorDeltaX, y += curve.ControlDeltaY + curve.AnchorDeltaY;
        }
    }
    return {x, y};
}

const Bytes kSomeJpeg = {0xFF, 0xD8, 0xFF, 0xD9};

// ---- the pen ----

TEST(FlashEdges, LinesAreCutIntoPiecesOfAtMost65535Twips) {
    TFlashShape shape;
    TFlashEdges& pen = shape.Edges();
    const auto drawn = [&](auto draw) {
        shape.ShapeTag().Records.resize(1);
        draw();
        std::vector<std::string> records = Describe(shape.ShapeTag().Records);
        records.erase(records.begin());
        return records;
    };
    EXPECT_EQ(drawn([&] { pen.LineDelta(70000, 0); }), (std::vector<std::string>{"line 35000,0", "line 35000,0"}));
    EXPECT_EQ(drawn([&] { pen.LineDelta(131071, 5); }),
              (std::vector<std::string>{"line 43690,2", "line 43691,1", "line 43690,2"}));
    // 65537 / 2 = 32768.5 rounds to the even 32768.
    EXPECT_EQ(drawn([&] { pen.LineDelta(-65537, 0); }), (std::vector<std::string>{"line -32768,0", "line -32769,0"}));
    EXPECT_EQ(drawn([&] { pen.LineDelta(65535, -65535); }), (std::vector<std::string>{"line 65535,-65535"}));
    EXPECT_TRUE(drawn([&] { pen.LineDelta(0, 0); }).empty());
    EXPECT_EQ(pen.PenX(), 70000 + 131071 - 65537 + 65535);
    EXPECT_EQ(pen.PenY(), 5 - 65535);

    // LineTo is relative to the pen; the pieces still sum to the whole way.
    pen.LineTo(0, 0);
    std::int64_t sumX = 0, sumY = 0;
    for (const auto& record : shape.ShapeTag().Records) {
        if (record->Kind() != TSWFShapeRecordKind::StraightEdge) continue;
        const auto& edge = static_cast<const TSWFStraightEdgeRecord&>(*record);
        EXPECT_LE(std::abs(edge.DeltaX), 65535);
        EXPECT_LE(std::abs(edge.DeltaY), 65535);
        sumX += edge.DeltaX, sumY += edge.DeltaY;
    }
    EXPECT_EQ(sumX, -(70000 + 131071 - 65537 + 65535));
    EXPECT_EQ(sumY, 65535 - 5);
    EXPECT_EQ(pen.PenX(), 0);
    EXPECT_EQ(pen.PenY(), 0);
}

TEST(FlashEdges, CurvesAndTheirDegenerateForms) {
    TFlashShape shape;
    TFlashEdges& pen = shape.Edges();
    pen.CurveTo(0, 0, 100, 50);       // control at the pen: a line to the anchor
    pen.CurveTo(300, 50, 300, 50);    // anchor at the control: a line to the control
    pen.CurveTo(400, 50, 350, 50);    // all on one horizontal: a line by the sum
    pen.CurveTo(350, 10, 350, 30);    // all on one vertical: a line by the sum
    pen.CurveTo(500, 500, 350, 30);   // anchor at the pen: nothing
    pen.CurveTo(400, 30, 400, 100);   // a real curve
    EXPECT_EQ(Describe(shape.ShapeTag().Records),
              (std::vector<std::string>{"style move 0,0 f1=0", "line 100,50", "line 200,0", "line 50,0", "line 0,-20",
                                        "curve 50,0,0,70"}));
    EXPECT_EQ(pen.PenX(), 400);
    EXPECT_EQ(pen.PenY(), 100);

    // A curve too wide for one record is split into parts that fit and end at the anchor.
    shape.ShapeTag().Records.resize(1);
    pen.MoveTo(0, 0);
    pen.CurveTo(400000, 100, 400000, 300000);
    ASSERT_GT(shape.ShapeTag().Records.size(), 2u);
    for (std::size_t i = 1; i < shape.ShapeTag().Records.size(); ++i) {
        const auto& record = *shape.ShapeTag().Records[i];
        ASSERT_NE(record.Kind(), TSWFShapeRecordKind::StyleChange);
        if (record.Kind() != TSWFShapeRecordKind::CurvedEdge) continue;
        const auto& curve = static_cast<const TSWFCurvedEdgeRecord&>(record);
        EXPECT_LE(MaxAbs(curve.ControlDeltaX, curve.ControlDeltaY, curve.AnchorDeltaX, curve.AnchorDeltaY), 65535);
    }
    EXPECT_EQ(EndPoint(shape.ShapeTag().Records), (std::pair<std::int64_t, std::int64_t>{400000, 300000}));
    shape.Edges().EndShape();
    ASSERT_NE(WriteAndRead(shape), nullptr);  // every part is encodable
}

TEST(FlashEdges, MovesRectanglesClosingAndFlipping) {
    TFlashShape shape;
    TFlashEdges& pen = shape.Edges();
    auto& records = shape.ShapeTag().Records;
    // A fresh shape: a move to the pen position changes nothing.
    pen.MoveTo(0, 0);
    EXPECT_EQ(Describe(records), (std::vector<std::string>{"style move 0,0 f1=0"}));
    // Elsewhere: the last record (a style change) takes the move.
    pen.MoveTo(100, 100);
    EXPECT_EQ(Describe(records), (std::vector<std::string>{"style move 100,100 f1=0"}));
    pen.LineDelta(50, 0);
    pen.LineDelta(0, 50);
    pen.CloseContour();
    pen.CloseContour();  // at the start already
    pen.MoveTo(10, 20);  // after an edge: a new style change
    pen.Rectangle(30, -40);
    pen.EndShape();
    EXPECT_EQ(Describe(records),
              (std::vector<std::string>{"style move 100,100 f1=0", "line 50,0", "line 0,50", "line -50,-50",
                                        "style move 10,20", "line 30,0", "line 0,-40", "line -30,0", "line 0,40",
                                        "end"}));
    EXPECT_TRUE(pen.AtContourStart());

    pen.CurveTo(20, 20, 30, 0);
    pen.Flip(false, true);
    EXPECT_EQ(Describe(records).front(), "style move 100,-100 f1=0");
    EXPECT_EQ(Describe(records)[2], "line 0,-50");
    EXPECT_EQ(Describe(records).back(), "curve 10,0,10,20");
    EXPECT_EQ(pen.PenY(), 0);
    pen.Flip(true, false);
    EXPECT_EQ(Describe(records)[3], "line 50,50");
    EXPECT_EQ(Describe(records).back(), "curve -10,0,-10,20");
    EXPECT_EQ(pen.PenX(), -30);

    // In a movie that works in pixels the pen takes pixels; the override keeps twips.
    TFlashMovie movie(0, 0, 100, 100, 12, true);
    TFlashShape& owned = movie.AddShape();
    owned.Edges().MoveTo(3, 4);
    owned.Edges().LineDelta(1, 0);
    EXPECT_EQ(Describe(owned.ShapeTag().Records), (std::vector<std::string>{"style move 60,80 f1=0", "line 20,0"}));
    owned.Edges().TwipsOverride = true;
    owned.Edges().LineDelta(1, 0);
    EXPECT_EQ(Describe(owned.ShapeTag().Records).back(), "line 1,0");
    // The shape's own override reaches its pen too, so bounds and drawing agree.
    owned.Edges().TwipsOverride = false;
    owned.TwipsOverride = true;
    owned.Edges().LineDelta(2, 0);
    owned.SetBounds(0, 0, 2, 2);
    EXPECT_EQ(Describe(owned.ShapeTag().Records).back(), "line 2,0");
    EXPECT_EQ(owned.Bounds(), TSWFRect(0, 2, 0, 2));
}

// ---- the shape ----

TEST(FlashShape, FrameRectangleFilledWithAnImage) {
    // The frame pipeline's shape: no owner, twips, filled in fit mode.
    TFlashImage image;
    image.LoadFromMemory(kSomeJpeg, true, 10, 10);
    image.SetCharacterId(1);
    TFlashShape shape;
    shape.SetBounds(0, 0, 200, 100);
    shape.Edges().MoveTo(0, 0);
    shape.Edges().Rectangle(200, 100);
    shape.Edges().EndShape();
    TSWFImageFill& fill = shape.SetImageFill(image, 1, 1, 1);
    shape.SetCharacterId(2);
    EXPECT_EQ(shape.ShapeTag().ShapeID, 2);
    EXPECT_EQ(Describe(shape.ShapeTag().Records),
              (std::vector<std::string>{"style move 0,0 f1=1", "line 200,0", "line 0,100", "line -200,0", "line 0,-100",
                                        "end"}));
    EXPECT_EQ(fill.FillStyleType(), kFillClippedBitmap);
    EXPECT_EQ(fill.BitmapID, 1);
    EXPECT_EQ(Fixed16ToFloat(fill.BitmapMatrix.ScaleX), 20.003662109375);
    EXPECT_EQ(Fixed16ToFloat(fill.BitmapMatrix.ScaleY), 10.003662109375);
    EXPECT_EQ(fill.BitmapMatrix.TranslateX, -5);
    EXPECT_EQ(fill.BitmapMatrix.TranslateY, -5);
    EXPECT_EQ(shape.MinVersion(), 2);

    // The same tag built by hand from the tag classes.
    TSWFDefineShape2 expected;
    expected.ShapeID = 2;
    expected.ShapeBounds = TSWFRect(0, 200, 0, 100);
    TSWFMatrix matrix;
    matrix.SetScale(20.003662109375, 10.003662109375);
    matrix.SetTranslate(-5, -5);
    expected.AddImageFill(1, matrix);
    TSWFStyleChangeRecord& start = expected.AddStyleChange();
    start.SetMoveTo(0, 0);
    start.SetFillStyle1(1);
    for (auto [dx, dy] : {std::pair{200, 0}, {0, 100}, {-200, 0}, {0, -100}}) expected.AddStraightEdge(dx, dy);
    expected.AddEndRecord();
    const Bytes written = WrittenBytes(shape);
    EXPECT_EQ(test::HexString(written), test::HexString(test::TagBytes(expected)));
    // After the fill style array (one bitmap fill: type, id, matrix) and an empty line
    // style array: UB[4] 1, UB[4] 0, then the style change 000101, UB[5] 0, UB[1] 1.
    const Bytes matrixBytes = test::WrittenBytes([&](TBitsEngine& engine) { engine.WriteMatrix(matrix); });
    const Bytes boundsBytes = test::WrittenBytes([&](TBitsEngine& engine) { engine.WriteRect(expected.ShapeBounds); });
    const std::size_t afterStyles = 2 /*header*/ + 2 /*id*/ + boundsBytes.size() + 1 + 3 + matrixBytes.size() + 1;
    ASSERT_GT(written.size(), afterStyles + 2);
    EXPECT_EQ(written[afterStyles], 0x10);
    EXPECT_EQ(written[afterStyles + 1], 0b00010100);
    EXPECT_EQ(written[afterStyles + 2] >> 4, 0b0001);
    auto read = WriteAndRead(shape);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->TagID(), tagDefineShape2);

    // Writing twice gives the same bytes: the shape is unchanged by writing.
    EXPECT_EQ(WrittenBytes(shape), written);
}

TEST(FlashShape, SolidFillAlphaChoosesTheTag) {
    const auto filled = [](std::uint32_t color) {
        auto shape = std::make_unique<TFlashShape>();
        shape->SetBounds(0, 0, 20, 20);
        shape->Edges().Rectangle(20, 20);
        shape->Edges().EndShape();
        shape->SetSolidFill(color);
        return shape;
    };
    auto opaque = filled(0xFF2010F0);
    EXPECT_FALSE(opaque->UsesAlpha());
    EXPECT_EQ(opaque->MinVersion(), 2);
    auto read = WriteAndRead(*opaque);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->TagID(), tagDefineShape2);
    const auto& solid = static_cast<const TSWFColorFill&>(*read->FillStyles.at(0));
    EXPECT_EQ(solid.Color.R, 0xF0);
    EXPECT_EQ(solid.Color.G, 0x10);
    EXPECT_EQ(solid.Color.B, 0x20);

    auto translucent = filled(0x80FF0000);
    EXPECT_TRUE(translucent->UsesAlpha());
    EXPECT_EQ(translucent->MinVersion(), 3);
    read = WriteAndRead(*translucent);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->TagID(), tagDefineShape3);
    EXPECT_EQ(static_cast<const TSWFColorFill&>(*read->FillStyles.at(0)).Color.A(), 0x80);
    // DefineShape3 carries four colour bytes, DefineShape2 three.
    EXPECT_EQ(WrittenBytes(*translucent).size(), WrittenBytes(*opaque).size() + 1);

    // A translucent line colour needs DefineShape3 too, or its alpha would be lost.
    TFlashShape outlined;
    outlined.AddLineStyle(20, 0x40000000);
    EXPECT_TRUE(outlined.UsesAlpha());
}

TEST(FlashShape, BoundsGrowByHalfTheWidestLine) {
    TFlashShape shape;
    shape.SetBounds(0, 0, 200, 100);
    shape.AddLineStyle(20, 0xFF000000);
    shape.AddLineStyle(41, 0xFF00FF00);  // 41 div 2 = 20
    shape.Edges().Rectangle(200, 100);
    shape.Edges().EndShape();
    EXPECT_EQ(shape.LineStyle(), 2);
    auto read = WriteAndRead(shape);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->ShapeBounds, TSWFRect(-20, 220, -20, 120));
    EXPECT_EQ(shape.Bounds(), TSWFRect(0, 200, 0, 100));  // the stored bounds stay

    TFlashShape bare;
    bare.SetBounds(-10, 5, 30, 60);
    read = WriteAndRead(bare);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->ShapeBounds, TSWFRect(-10, 30, 5, 60));
}

TEST(FlashShape, StyleSelectionGoesToTheFirstOrLastStyleChange) {
    TFlashShape shape;
    shape.Edges().LineDelta(10, 0);
    shape.Edges().MoveTo(50, 50);
    shape.SetFillStyle0(3);
    shape.SetLineStyle(2);
    EXPECT_EQ(Describe(shape.ShapeTag().Records),
              (std::vector<std::string>{"style move 0,0 f0=3 f1=0 l=2", "line 10,0", "style move 50,50"}));
    shape.SelectOnLastRecord = true;
    shape.SetFillStyle1(1);
    EXPECT_EQ(Describe(shape.ShapeTag().Records).back(), "style move 50,50 f1=1");
    EXPECT_EQ(shape.FillStyle0(), 3);
    EXPECT_EQ(shape.FillStyle1(), 1);
    EXPECT_EQ(shape.LineStyle(), 2);

    // Without a style change to write into, the remembered index is 0.
    TFlashShape edgeFirst;
    edgeFirst.ShapeTag().Records.clear();
    edgeFirst.Edges().LineDelta(5, 5);
    edgeFirst.SetFillStyle1(4);
    edgeFirst.SelectOnLastRecord = true;
    edgeFirst.SetLineStyle(1);
    EXPECT_EQ(edgeFirst.FillStyle1(), 0);
    EXPECT_EQ(edgeFirst.LineStyle(), 0);
    EXPECT_EQ(Describe(edgeFirst.ShapeTag().Records), (std::vector<std::string>{"line 5,5"}));

    // Each added fill becomes fill style 1 by its position.
    TFlashShape fills;
    fills.SetSolidFill(0xFF000000);
    fills.SetSolidFill(0xFFFFFFFF);
    EXPECT_EQ(fills.FillStyle1(), 2);
    EXPECT_EQ(fills.FillStyles().size(), 2u);
}

TEST(FlashShape, ImageFillModes) {
    TFlashImage image;
    image.LoadFromMemory(kSomeJpeg, true, 10, 10);
    image.SetCharacterId(7);
    TFlashShape shape;
    shape.SetBounds(100, 60, 300, 160);

    TSWFImageFill& fit = shape.SetImageFill(image, 1, 3, 3);
    EXPECT_EQ(fit.FillStyleType(), kFillClippedBitmap);
    EXPECT_EQ(fit.BitmapMatrix.ScaleX, FloatToFixed16(20.003662109375));
    EXPECT_EQ(fit.BitmapMatrix.ScaleY, FloatToFixed16(10.003662109375));
    EXPECT_EQ(fit.BitmapMatrix.TranslateX, 95);
    EXPECT_EQ(fit.BitmapMatrix.TranslateY, 55);

    TSWFImageFill& scaled = shape.SetImageFill(image, 0, 2, 3);
    EXPECT_EQ(scaled.FillStyleType(), kFillClippedBitmap);
    EXPECT_EQ(scaled.BitmapMatrix.ScaleX, FloatToFixed16(40));
    EXPECT_EQ(scaled.BitmapMatrix.ScaleY, FloatToFixed16(60));
    EXPECT_EQ(scaled.BitmapMatrix.TranslateX, 95);

    TSWFImageFill& tiled = shape.SetImageFill(image, 2, 0.5, 0.25);
    EXPECT_EQ(tiled.FillStyleType(), kFillRepeatingBitmap);
    EXPECT_EQ(tiled.BitmapMatrix.ScaleX, FloatToFixed16(10));
    EXPECT_EQ(tiled.BitmapMatrix.ScaleY, FloatToFixed16(5));
    EXPECT_EQ(tiled.BitmapID, 7);
    EXPECT_EQ(shape.FillStyle1(), 3);

    // An image of unknown size (a progressive JPEG) is not stretched by a division by zero.
    TFlashImage unknown;
    unknown.LoadFromMemory(kSomeJpeg, true, 0, 0);
    TSWFImageFill& natural = shape.SetImageFill(unknown, 1, 1, 1);
    EXPECT_EQ(natural.BitmapMatrix.ScaleX, FloatToFixed16(20));
    EXPECT_EQ(natural.BitmapMatrix.ScaleY, FloatToFixed16(20));

    EXPECT_THROW(shape.SetImageFill(image, 3, 1, 1), ESWFError);
    EXPECT_EQ(shape.FillStyles().size(), 4u);
}

TEST(FlashShape, AssignCopiesDeeplyAndIdsReachTheTag) {
    TFlashMovie movie(0, 0, 100, 100, 12, true);
    TFlashShape source(nullptr);
    source.SetBounds(0, 0, 300, 200);
    source.AddLineStyle(10, 0xFF0000FF);
    source.SetSolidFill(0x80112233);
    source.Edges().MoveTo(10, 10);
    source.Edges().LineDelta(100, 0);
    source.DashPattern().Lengths = {4, 2};
    source.SetCharacterId(9);

    TFlashShape copy(&movie);
    copy.Assign(source);
    EXPECT_EQ(copy.GetCharacterId(), 9);
    EXPECT_EQ(copy.ShapeTag().ShapeID, 9);
    EXPECT_EQ(copy.Owner(), &movie);  // its own owner stays
    EXPECT_EQ(copy.Bounds(), source.Bounds());
    EXPECT_TRUE(copy.UsesAlpha());
    EXPECT_TRUE(copy.Dashed());
    EXPECT_EQ(copy.Edges().PenX(), 110);
    // Same bytes while the units agree (the copy keeps the movie, so switch it to twips).
    copy.TwipsOverride = true;
    EXPECT_EQ(WrittenBytes(copy), WrittenBytes(source));
    source.Edges().LineDelta(0, 50);
    source.DashPattern().Lengths = {1};
    EXPECT_EQ(copy.ShapeTag().Records.size(), 2u);
    EXPECT_EQ(copy.DashPattern().Lengths, (std::vector<std::uint8_t>{4, 2}));

    // The pen follows the owner.
    TFlashShape loose;
    EXPECT_EQ(loose.Edges().UnitMultiplier(), 1);
    loose.SetOwner(&movie);
    EXPECT_EQ(loose.Edges().UnitMultiplier(), 20);
    EXPECT_EQ(loose.UnitMultiplier(), 20);
}

// ---- dashed outlines ----

TEST(FlashShape, DashedLineAlternatesDashesAndGaps) {
    TFlashShape shape;
    shape.SetBounds(0, 0, 200, 0);
    shape.AddLineStyle(20, 0xFF000000);
    shape.Edges().LineDelta(200, 0);
    shape.Edges().EndShape();
    shape.DashPattern().Lengths = {2, 3};  // 40 twips on, 60 off
    auto read = WriteAndRead(shape);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(Describe(read->Records), (std::vector<std::string>{"style move 0,0 l=1", "line 40,0",
                                                                  "style move 100,0 l=1", "line 40,0",
                                                                  "style move 200,0 l=1", "end"}));
    // The shape's own records are back after writing.
    EXPECT_EQ(Describe(shape.ShapeTag().Records),
              (std::vector<std::string>{"style move 0,0 f1=0 l=1", "line 200,0", "end"}));

    // A pattern of zero length draws the outline solid.
    shape.DashPattern().Lengths = {0, 0};
    TFlashShape solid;
    solid.SetBounds(0, 0, 200, 0);
    solid.AddLineStyle(20, 0xFF000000);
    solid.Edges().LineDelta(200, 0);
    solid.Edges().EndShape();
    EXPECT_EQ(WrittenBytes(shape), WrittenBytes(solid));
}

TEST(FlashShape, DashedClosedShapeKeepsItsFillWithoutOutline) {
    TFlashShape shape;
    shape.SetBounds(0, 0, 400, 200);
    shape.AddLineStyle(20, 0xFF000000);
    shape.SetSolidFill(0xFF00FF00);
    shape.Edges().Rectangle(400, 200);
    shape.Edges().EndShape();
    shape.DashPattern().Lengths = {5, 5};  // 100 on, 100 off
    auto read = WriteAndRead(shape);
    ASSERT_NE(read, nullptr);
    const std::vector<std::string> records = Describe(read->Records);
    ASSERT_GE(records.size(), 7u);
    // The fill first, its line selection set to 0 ...
    EXPECT_EQ(std::vector<std::string>(records.begin(), records.begin() + 5),
              (std::vector<std::string>{"style move 0,0 f1=1 l=0", "line 400,0", "line 0,200", "line -400,0",
                                        "line 0,-200"}));
    // ... then the outline, with the fill switched off.
    EXPECT_EQ(records[5], "style move 0,0 f0=0 f1=0 l=1");
    int dashes = 0;
    std::int64_t drawn = 0;
    for (std::size_t i = 5; i < read->Records.size(); ++i) {
        if (read->Records[i]->Kind() != TSWFShapeRecordKind::StraightEdge) continue;
        const auto& edge = static_cast<const TSWFStraightEdgeRecord&>(*read->Records[i]);
        ++dashes;
        drawn += std::abs(edge.DeltaX) + std::abs(edge.DeltaY);
    }
    EXPECT_EQ(dashes, 6);  // 2 on each long side, 1 on each short one
    EXPECT_EQ(drawn, 600);
    EXPECT_EQ(EndPoint(read->Records), (std::pair<std::int64_t, std::int64_t>{0, 0}));

    // An open path keeps no fill: only the outline is written.
    TFlashShape open;
    open.AddLineStyle(20, 0xFF000000);
    open.SetSolidFill(0xFF00FF00);
    open.Edges().LineDelta(400, 0);
    open.DashPattern().Lengths = {5, 5};
    read = WriteAndRead(open);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(Describe(read->Records),
              (std::vector<std::string>{"style move 0,0 l=1", "line 100,0", "style move 200,0 l=1", "line 100,0",
                                        "style move 400,0 l=1", "end"}));
}

TEST(FlashShape, DashedCurveFollowsTheArc) {
    TFlashShape shape;
    shape.AddLineStyle(20, 0xFF000000);
    shape.Edges().CurveTo(2000, 0, 2000, 2000);
    shape.Edges().EndShape();
    shape.DashPattern().Lengths = {10, 10};  // 200 on, 200 off
    auto read = WriteAndRead(shape);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(EndPoint(read->Records), (std::pair<std::int64_t, std::int64_t>{2000, 2000}));
    int curves = 0, pieces = 0;
    std::int64_t x = 0, y = 0;
    for (const auto& record : read->Records) {
        if (record->Kind() == TSWFShapeRecordKind::StyleChange) {
            const auto& change = static_cast<const TSWFStyleChangeRecord&>(*record);
            // A gap spans about 200 twips of arc.
            const double gap = std::hypot(change.MoveDeltaX() - x, change.MoveDeltaY() - y);
            if (pieces > 0 && !(change.MoveDeltaX() == 2000 && change.MoveDeltaY() == 2000)) {
                EXPECT_NEAR(gap, 200, 12);
            }
            x = change.MoveDeltaX(), y = change.MoveDeltaY();
        } else if (record->Kind() != TSWFShapeRecordKind::End) {
            ++pieces;
            std::int64_t dx, dy;
            if (record->Kind() == TSWFShapeRecordKind::CurvedEdge) {
                ++curves;
                const auto& curve = static_cast<const TSWFCurvedEdgeRecord&>(*record);
                dx = curve.ControlDeltaX + curve.AnchorDeltaX, dy = curve.ControlDeltaY + curve.AnchorDeltaY;
            } else {
                const auto& edge = static_cast<const TSWFStraightEdgeRecord&>(*record);
                dx = edge.DeltaX, dy = edge.DeltaY;
            }
            x += dx, y += dy;
            if (!(x == 2000 && y == 2000)) {
                EXPECT_NEAR(std::hypot(dx, dy), 200, 12);
            }
        }
    }
    // The arc is about 3061 twips long: eight full dashes and a short last one, most of
    // them curved.
    EXPECT_EQ(pieces, 9);
    EXPECT_GT(curves, 0);
}

// ---- the movie's shape operations ----

TEST(FlashMovieShapes, AddShapeAddRectangleAndImageOrder) {
    TFlashMovie movie(0, 0, 320, 240, 12, true);
    TFlashShape& rectangle = movie.AddRectangle(10, 20, 110, 70);
    EXPECT_EQ(rectangle.GetCharacterId(), 1);
    EXPECT_EQ(rectangle.ShapeTag().ShapeID, 1);
    EXPECT_EQ(rectangle.Owner(), &movie);
    EXPECT_EQ(movie.NextCharacterId, 2);
    ASSERT_EQ(movie.Shapes().size(), 1u);
    EXPECT_EQ(movie.Shapes()[0], &rectangle);
    EXPECT_EQ(rectangle.Bounds(), TSWFRect(200, 2200, 400, 1400));
    EXPECT_EQ(rectangle.XMin(), 10);
    EXPECT_EQ(rectangle.YMax(), 70);
    EXPECT_EQ(rectangle.Width(), 100);
    EXPECT_EQ(rectangle.Height(true), 1000);
    EXPECT_EQ(Describe(rectangle.ShapeTag().Records),
              (std::vector<std::string>{"style move 200,400 f1=0", "line 2000,0", "line 0,1000", "line -2000,0",
                                        "line 0,-1000", "end"}));

    // An image added after the shape moves before it when it fills the shape.
    TFlashImage& image = movie.AddImage();
    EXPECT_EQ(image.GetCharacterId(), 2);
    EXPECT_EQ(image.DataKind(), TImageDataKind::None);
    ASSERT_EQ(movie.Objects.size(), 2u);
    EXPECT_EQ(movie.Objects[1].get(), &image);
    rectangle.SetImageFill(image, 1, 1, 1);
    EXPECT_EQ(movie.Objects[0].get(), &image);
    EXPECT_EQ(movie.Objects[1].get(), &rectangle);
    rectangle.SetImageFill(image, 0, 1, 1);  // already before: nothing moves
    EXPECT_EQ(movie.Objects[0].get(), &image);

    // A given shape is registered as it is.
    auto drawn = std::make_unique<TFlashShape>();
    drawn->Edges().LineDelta(5, 5);
    TFlashShape* raw = drawn.get();
    TFlashShape& added = movie.AddShape(std::move(drawn));
    EXPECT_EQ(&added, raw);
    EXPECT_EQ(added.GetCharacterId(), 3);
    EXPECT_EQ(added.Edges().UnitMultiplier(), 20);
    EXPECT_EQ(Describe(added.ShapeTag().Records), (std::vector<std::string>{"style move 0,0 f1=0", "line 5,5"}));
    EXPECT_EQ(movie.Shapes().size(), 2u);
    EXPECT_EQ(movie.Objects.back().get(), &added);
}

}  // namespace
}  // namespace pellicor
