// The numbers the metafile records are known by, with the names Windows gives them.
//
// An old metafile's record holds a 16-bit function number (its low byte tells the functions
// apart, its high byte counts the parameter words of early Windows); an enhanced metafile's record
// holds a 32-bit type. Both readers dispatch through these enums; values not listed are records
// the player skips.
#pragma once

#include <cstdint>

#include "formats/byte_reader.h"

namespace drollo::formats::meta {

enum class WmfRecord : std::uint16_t {
  kEof = 0x0000,
  kSaveDc = 0x001E,
  kCreatePalette = 0x00F7,
  kCreateOldObject = 0x00F8,  // a region or bitmap object of old Windows: it only takes a slot
  kSetBkMode = 0x0102,
  kSetMapMode = 0x0103,
  kSetPolyFillMode = 0x0106,
  kRestoreDc = 0x0127,
  kSelectClipRegion = 0x012C,
  kSelectObject = 0x012D,
  kSetTextAlign = 0x012E,
  kDibCreatePatternBrush = 0x0142,
  kDeleteObject = 0x01F0,
  kCreatePatternBrush = 0x01F9,
  kSetBkColor = 0x0201,
  kSetTextColor = 0x0209,
  kSetWindowOrg = 0x020B,
  kSetWindowExt = 0x020C,
  kSetViewportOrg = 0x020D,
  kSetViewportExt = 0x020E,
  kOffsetWindowOrg = 0x020F,
  kOffsetViewportOrg = 0x0211,
  kLineTo = 0x0213,
  kMoveTo = 0x0214,
  kSelectPalette = 0x0234,
  kCreatePenIndirect = 0x02FA,
  kCreateFontIndirect = 0x02FB,
  kCreateBrushIndirect = 0x02FC,
  kPolygon = 0x0324,
  kPolyline = 0x0325,
  kScaleWindowExt = 0x0400,
  kScaleViewportExt = 0x0412,
  kExcludeClipRect = 0x0415,
  kIntersectClipRect = 0x0416,
  kEllipse = 0x0418,
  kRectangle = 0x041B,
  kSetPixel = 0x041F,
  kTextOut = 0x0521,
  kPolyPolygon = 0x0538,
  kRoundRect = 0x061C,
  kPatBlt = 0x061D,
  kCreateRegion = 0x06FF,
  kArc = 0x0817,
  kPie = 0x081A,
  kChord = 0x0830,
  kDibBitBlt = 0x0940,
  kExtTextOut = 0x0A32,
  kDibStretchBlt = 0x0B41,
  kSetDibToDev = 0x0D33,
  kStretchDib = 0x0F43,
};

enum class EmfRecord : std::uint32_t {
  kHeader = 1,
  kPolyBezier = 2,
  kPolygon = 3,
  kPolyline = 4,
  kPolyBezierTo = 5,
  kPolylineTo = 6,
  kPolyPolyline = 7,
  kPolyPolygon = 8,
  kSetWindowExtEx = 9,
  kSetWindowOrgEx = 10,
  kSetViewportExtEx = 11,
  kSetViewportOrgEx = 12,
  kEof = 14,
  kSetPixelV = 15,
  kSetMapMode = 17,
  kSetBkMode = 18,
  kSetPolyFillMode = 19,
  kSetTextAlign = 22,
  kSetTextColor = 24,
  kSetBkColor = 25,
  kMoveToEx = 27,
  kIntersectClipRect = 30,
  kScaleViewportExtEx = 31,
  kScaleWindowExtEx = 32,
  kSaveDc = 33,
  kRestoreDc = 34,
  kSetWorldTransform = 35,
  kModifyWorldTransform = 36,
  kSelectObject = 37,
  kCreatePen = 38,
  kCreateBrushIndirect = 39,
  kDeleteObject = 40,
  kAngleArc = 41,
  kEllipse = 42,
  kRectangle = 43,
  kRoundRect = 44,
  kArc = 45,
  kChord = 46,
  kPie = 47,
  kSelectPalette = 48,
  kCreatePalette = 49,
  kLineTo = 54,
  kArcTo = 55,
  kPolyDraw = 56,
  kSetArcDirection = 57,
  kBeginPath = 59,
  kEndPath = 60,
  kCloseFigure = 61,
  kFillPath = 62,
  kStrokeAndFillPath = 63,
  kStrokePath = 64,
  kSelectClipPath = 67,
  kAbortPath = 68,
  kExtSelectClipRgn = 75,
  kBitBlt = 76,
  kStretchBlt = 77,
  kSetDiBitsToDevice = 80,
  kStretchDiBits = 81,
  kExtCreateFontIndirectW = 82,
  kExtTextOutA = 83,
  kExtTextOutW = 84,
  kPolyBezier16 = 85,
  kPolygon16 = 86,
  kPolyline16 = 87,
  kPolyBezierTo16 = 88,
  kPolylineTo16 = 89,
  kPolyPolyline16 = 90,
  kPolyPolygon16 = 91,
  kPolyDraw16 = 92,
  kCreateMonoBrush = 93,
  kCreateDibPatternBrushPt = 94,
  kExtCreatePen = 95,
};

// Objects every device context has; an enhanced file selects them by index with the top bit set.
constexpr std::uint32_t kStockObjectBit = 0x80000000u;
enum class StockObject : std::uint32_t {
  kWhiteBrush,
  kLightGreyBrush,
  kGreyBrush,
  kDarkGreyBrush,
  kBlackBrush,
  kNullBrush,
  kWhitePen,
  kBlackPen,
  kNullPen,
  kOemFixedFont = 10,
  kAnsiFixedFont,
  kAnsiVarFont,
  kSystemFont,
  kDeviceDefaultFont,
  kDefaultPalette,
  kSystemFixedFont,
  kDcBrush = 18,
  kDcPen,
};

enum MapMode : int {
  kMmText = 1,
  kMmLoMetric,
  kMmHiMetric,
  kMmLoEnglish,
  kMmHiEnglish,
  kMmTwips,
  kMmIsotropic,
  kMmAnisotropic
};

// The values of the mode records that the player tells apart.
constexpr std::uint32_t kBkOpaque = 2;      // SetBkMode
constexpr std::uint32_t kFillWinding = 2;   // SetPolyFillMode
constexpr std::uint32_t kArcClockwise = 2;  // SetArcDirection
constexpr std::uint32_t kRegionCopy = 5;    // ExtSelectClipRgn, SelectClipPath
enum class WorldChange : std::uint32_t { kIdentity = 1, kLeftMultiply, kRightMultiply, kSet };

// ExtTextOut options.
constexpr std::uint32_t kTextOpaque = 0x0002;
constexpr std::uint32_t kTextClipped = 0x0004;
constexpr std::uint32_t kTextGlyphIndices = 0x0010;

// Walks an old metafile's records from the reader's position up to the end record, handing
// `play` each record's function, its length in words (header included) and its parameters.
template <typename Play>
void ForEachOldRecord(ByteReader& in, Play&& play) {
  while (in.remaining() > 0) {
    const std::uint32_t words = in.u32();
    const auto function = static_cast<WmfRecord>(in.u16());
    if (words < 3)
      throw PictureFileError("The metafile cannot be read: a record is shorter than its header.");
    if ((words - 3) * 2ull > in.remaining()) in.truncated();
    ByteReader rec(in.bytes((words - 3) * 2ull), "The metafile");
    if (function == WmfRecord::kEof) break;
    play(function, words, rec);
  }
}

}  // namespace drollo::formats::meta
