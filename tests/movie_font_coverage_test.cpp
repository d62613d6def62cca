// The embedded glyphs look like the system font: a caption's DefineFont2 outlines, laid out
// by its DefineText advances and filled by a small scanline rasteriser, cover the same
// pixels as FreeType's own antialiased rendering of the same string at the same size.

#include <gtest/gtest.h>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "movie/flash_font.h"
#include "movie/flash_movie.h"
#include "movie/flash_text.h"
#include "movie/font_reader.h"
#include "movie_test_support.h"
#include "swf/font_tags.h"
#include "swf/swf_helpers.h"
#include "swf/text_tags.h"

namespace pellicor {
namespace {

constexpr int kPixels = 32;  // em height of the text
constexpr int kWidth = 560, kHeight = 48;
constexpr double kBaseline = 36;
constexpr double kStartX = 4;

// Coverage 0..1 per pixel, rows top first.
struct TCoverage {
    std::vector<double> values = std::vector<double>(kWidth * kHeight, 0.0);
    double& At(int x, int y) { return values[static_cast<std::size_t>(y * kWidth + x)]; }
};

struct TLine {
    double x0, y0, x1, y1;
};

// Non-zero fill of closed polygons: vertically 16 sample rows per pixel, horizontally the
// exact overlap of each filled span with each pixel.
TCoverage Fill(const std::vector<TLine>& lines) {
    constexpr int kRows = 16;
    TCoverage coverage;
    struct TCrossing {
        double x;
        int winding;
    };
    std::vector<TCrossing> crossings;
    for (int sample = 0; sample < kHeight * kRows; ++sample) {
        const double y = (sample + 0.5) / kRows;
        crossings.clear();
        for (const TLine& line : lines) {
            if (line.y0 == line.y1) continue;
            const bool down = line.y1 > line.y0;
            const double top = down ? line.y0 : line.y1, bottom = down ? line.y1 : line.y0;
            if (y < top || y >= bottom) continue;
            const double t = (y - line.y0) / (line.y1 - line.y0);
            crossings.push_back({line.x0 + t * (line.x1 - line.x0), down ? 1 : -1});
        }
        std::sort(crossings.begin(), crossings.end(), [](const TCrossing& a, const TCrossing& b) { return a.x < b.x; });
        int winding = 0;
        for (std::size_t i = 0; i + 1 < crossings.size(); ++i) {
            winding += crossings[i].winding;
            if (winding == 0) continue;
            const double from = std::max(0.0, crossings[i].x), to = std::min<double>(kWidth, crossings[i + 1].x);
            for (int x = static_cast<int>(from); x < kWidth && x < to; ++x) {
                const double overlap = std::min<double>(x + 1, to) - std::max<double>(x, from);
                if (overlap > 0) coverage.At(x, sample / kRows) += overlap / kRows;
            }
        }
    }
    return coverage;
}

// One glyph's shape records (em units, y down) at the pen, as polygon edges in pixels.
void AddGlyph(const TSWFShapeRecordList& records, double penX, std::vector<TLine>& lines) {
    const double scale = static_cast<double>(kPixels) / kFontEmSquare;
    const auto px = [&](double x) { return penX + x * scale; };
    const auto py = [&](double y) { return kBaseline + y * scale; };
    double x = 0, y = 0, startX = 0, startY = 0;
    const auto close = [&] {
        if (x != startX || y != startY) lines.push_back({px(x), py(y), px(startX), py(startY)});
    };
    for (const auto& record : records) {
        switch (record->Kind()) {
            case TSWFShapeRecordKind::StyleChange: {
                const auto& change = static_cast<const TSWFStyleChangeRecord&>(*record);
                if (!change.StateMoveTo) break;
                close();
                x = startX = change.MoveDeltaX();
                y = startY = change.MoveDeltaY();
                break;
            }
            case TSWFShapeRecordKind::StraightEdge: {
                const auto& edge = static_cast<const TSWFStraightEdgeRecord&>(*record);
                lines.push_back({px(x), py(y), px(x + edge.DeltaX), py(y + edge.DeltaY)});
                x += edge.DeltaX;
                y += edge.DeltaY;
                break;
            }
            case TSWFShapeRecordKind::CurvedEdge: {
                const auto& curve = static_cast<const TSWFCurvedEdgeRecord&>(*record);
                const double cx = x + curve.ControlDeltaX, cy = y + curve.ControlDeltaY;
                const double ex = cx + curve.AnchorDeltaX, ey = cy + curve.AnchorDeltaY;
                double lastX = x, lastY = y;
                for (int i = 1; i <= 16; ++i) {
                    const double t = i / 16.0, u = 1 - t;
                    const double nx = u * u * x + 2 * u * t * cx + t * t * ex;
                    const double ny = u * u * y + 2 * u * t * cy + t * t * ey;
                    lines.push_back({px(lastX), py(lastY), px(nx), py(ny)});
                    lastX = nx;
                    lastY = ny;
                }
                x = ex;
                y = ey;
                break;
            }
            case TSWFShapeRecordKind::End: break;
        }
    }
    close();
}

// The caption as the movie writes it: its font and text tags read back, the glyphs
// drawn at the advances of the text record.
TCoverage OurRendering(const std::string& caption, const std::string& face, bool bold) {
    TFlashMovie movie(0, 0, kWidth * 20, kHeight * 20, 12, false);
    movie.SetPixelCoordinates(true);
    TFlashFontDescription description;
    description.FaceName = face;
    description.Bold = bold;
    description.Height = kPixels;
    description.Charset = 1;
    TFlashFont& font = movie.AddFont(description, true);
    TFlashText& text = movie.AddText(caption, 0xFF000000, font, {0, 0}, kAlignLeft);
    test::TagList tags = test::ParseTags(test::ObjectBytes(font), 0, 6);
    test::TagList textTags = test::ParseTags(test::ObjectBytes(text), 0, 6);
    if (tags.size() != 1 || textTags.size() != 1) {
        ADD_FAILURE() << "the font and the text write one tag each";
        return {};
    }
    const auto& font2 = dynamic_cast<const TSWFDefineFont2&>(*tags[0]);
    const auto& defineText = dynamic_cast<const TSWFDefineText&>(*textTags[0]);
    std::vector<TLine> lines;
    double penX = kStartX;
    for (const TSWFTextRecord& record : defineText.TextRecords) {
        EXPECT_EQ(record.TextHeight(), kPixels * 20);
        for (const TSWFGlyphEntry& entry : record.GlyphEntries) {
            AddGlyph(font2.GlyphShapes.at(entry.GlyphIndex), penX, lines);
            penX += entry.GlyphAdvance / 20.0;
        }
    }
    return Fill(lines);
}

// FreeType's antialiased rendering of the same string, unhinted, each glyph at its
// fractional pen position; shift moves the whole string right.
TCoverage FreeTypeRendering(const std::string& caption, const std::string& face, bool bold, double shift = 0) {
    TCoverage coverage;
    const TFontReader reader(face, bold, false);
    FT_Library library = nullptr;
    FT_Face ftFace = nullptr;
    if (FT_Init_FreeType(&library) != 0 ||
        FT_New_Face(library, reader.FilePath().c_str(), reader.FaceIndex(), &ftFace) != 0) {
        ADD_FAILURE() << "FreeType cannot open " << reader.FilePath();
        return coverage;
    }
    FT_Set_Pixel_Sizes(ftFace, 0, kPixels);
    double penX = kStartX + shift;
    for (const char16_t unit : AnsiToWide(caption)) {
        if (FT_Load_Char(ftFace, unit, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0) continue;
        FT_GlyphSlot slot = ftFace->glyph;
        const double whole = std::floor(penX);
        FT_Outline_Translate(&slot->outline, static_cast<FT_Pos>(std::lround((penX - whole) * 64)), 0);
        if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) == 0) {
            const FT_Bitmap& bitmap = slot->bitmap;
            for (unsigned row = 0; row < bitmap.rows; ++row) {
                for (unsigned column = 0; column < bitmap.width; ++column) {
                    const int x = static_cast<int>(whole) + slot->bitmap_left + static_cast<int>(column);
                    const int y = static_cast<int>(kBaseline) - slot->bitmap_top + static_cast<int>(row);
                    if (x < 0 || y < 0 || x >= kWidth || y >= kHeight) continue;
                    coverage.At(x, y) += bitmap.buffer[row * bitmap.pitch + column] / 255.0;
                }
            }
        }
        penX += slot->linearHoriAdvance / 65536.0;
    }
    FT_Done_Face(ftFace);
    FT_Done_FreeType(library);
    return coverage;
}

struct TComparison {
    double ink = 0;         // the reference's total coverage
    double difference = 0;  // sum of |ours - reference| over the reference's ink
};

TComparison Compare(const TCoverage& ours, const TCoverage& reference) {
    TComparison result;
    double difference = 0;
    for (std::size_t i = 0; i < ours.values.size(); ++i) {
        const double a = std::min(1.0, ours.values[i]), b = std::min(1.0, reference.values[i]);
        result.ink += b;
        difference += std::abs(a - b);
    }
    result.difference = result.ink > 0 ? difference / result.ink : 1;
    return result;
}

constexpr double kTolerance = 0.03;

TEST(FontCoverage, CaptionOutlinesCoverWhatFreeTypeDrawsForTheSameString) {
    const std::string caption = "Gr\xC3\xBC\xC3\x9F" "e, Pellicor";
    const TCoverage ours = OurRendering(caption, "DejaVu Sans", true);
    const TComparison same = Compare(ours, FreeTypeRendering(caption, "DejaVu Sans", true));
    EXPECT_GT(same.ink, 200) << "the reference drew the string";
    EXPECT_LT(same.difference, kTolerance);

    // The measure tells a string one pixel off, and the regular weight, apart.
    EXPECT_GT(Compare(ours, FreeTypeRendering(caption, "DejaVu Sans", true, 1.0)).difference, 4 * kTolerance);
    EXPECT_GT(Compare(ours, FreeTypeRendering(caption, "DejaVu Sans", false)).difference, 2 * kTolerance);
}

TEST(FontCoverage, ChineseOutlinesMatchToo) {
    const std::string caption = "\xE4\xB8\xAD\xE6\x96\x87\xE5\xAD\x97\xE5\xB9\x95";  // four characters
    const TComparison same =
        Compare(OurRendering(caption, "WenQuanYi Micro Hei", false), FreeTypeRendering(caption, "WenQuanYi Micro Hei", false));
    EXPECT_GT(same.ink, 200);
    EXPECT_LT(same.difference, kTolerance);
}

}  // namespace
}  // namespace pellicor
