#include "platform/qt/QtGlyphRasterizer.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QTextLayout>
#include <QImage>
#include <QtEndian>

#include <algorithm>
#include <vector>

#include "platform/Sjis.h"
#include "platform/qt/FontMapping.h"

namespace {

// A cell beyond this is no character cell; refusing it keeps a corrupt
// caller from asking for gigabyte masks.
constexpr int kMaxCellHeight = 4096;

// OS/2 table offsets (big-endian 16-bit fields).
constexpr int kOs2WeightClass = 4;
constexpr int kOs2WinAscent = 74;
constexpr int kOs2WinDescent = 76;

int Os2Field(const QByteArray& os2, int offset) {
  if (os2.size() < offset + 2) return -1;
  return qFromBigEndian<quint16>(os2.constData() + offset);
}

quint32 GlyphOf(const QRawFont& font, const QString& text) {
  const QList<quint32> glyphs = font.glyphIndexesForString(text);
  return glyphs.size() == 1 ? glyphs.first() : 0;  // 0 is the missing glyph
}

// The glyph's coverage as one byte a pixel, whatever format the engine
// handed back.
QImage CoverageImage(QImage map) {
  switch (map.format()) {
    case QImage::Format_Alpha8:
    case QImage::Format_Grayscale8:
    case QImage::Format_Indexed8:  // the index is the coverage
      return map;
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB: {
      QImage out(map.size(), QImage::Format_Alpha8);
      for (int y = 0; y < map.height(); ++y) {
        uchar* row = out.scanLine(y);
        for (int x = 0; x < map.width(); ++x) row[x] = map.pixelIndex(x, y) ? 255 : 0;
      }
      return out;
    }
    default:
      return map.convertToFormat(QImage::Format_Alpha8);
  }
}

}  // namespace

int QtGlyphRasterizer::PixelSizeForCell(int cellHeight, int winAscent, int winDescent,
                                        int unitsPerEm) {
  const int units = winAscent + winDescent;
  if (units <= 0 || unitsPerEm <= 0) return cellHeight;
  return std::max(1, qRound(double(cellHeight) * unitsPerEm / units));
}

QtGlyphRasterizer::Face QtGlyphRasterizer::Open(const QString& family, bool bold, int cellHeight) {
  Face face;
  face.family = family;
  QFont font(family);
  font.setStyleStrategy(QFont::StyleStrategy(QFont::PreferAntialias | QFont::NoFontMerging));
  // Unhinted outlines, so that the glyphs (and font data files made from
  // them) do not follow the desktop's hinting settings.
  font.setHintingPreference(QFont::PreferNoHinting);
  font.setPixelSize(cellHeight);
  const QRawFont probe = QRawFont::fromFont(font, QFontDatabase::Any);
  if (!probe.isValid()) return face;

  const QByteArray os2 = probe.fontTable("OS/2");
  const int winAscent = Os2Field(os2, kOs2WinAscent);
  const int winDescent = Os2Field(os2, kOs2WinDescent);
  if (winAscent >= 0 && winDescent >= 0 && winAscent + winDescent > 0 && probe.unitsPerEm() > 0) {
    face.pixelSize =
        PixelSizeForCell(cellHeight, winAscent, winDescent, qRound(probe.unitsPerEm()));
    face.baseline = qRound(double(cellHeight) * winAscent / (winAscent + winDescent));
  } else {
    // No OS/2 table (a Type 1 or bitmap face): Qt's own ascent and descent,
    // measured at an em of cellHeight, stand in.
    const QFontMetricsF metrics(font);
    const qreal height = metrics.ascent() + metrics.descent();
    face.pixelSize =
        height > 0 ? std::max(1, qRound(cellHeight * cellHeight / height)) : cellHeight;
    face.baseline =
        height > 0 ? qRound(cellHeight * metrics.ascent() / height) : cellHeight * 4 / 5;
  }

  font.setPixelSize(face.pixelSize);
  font.setBold(bold);
  face.font = QRawFont::fromFont(font, QFontDatabase::Any);
  if (!bold || !face.font.isValid()) return face;

  // Bold is real when the family has a bold face, or when Qt already
  // emboldened the glyphs (some fontconfig setups ask it to); otherwise it
  // is made here.
  bool realBold = Os2Field(face.font.fontTable("OS/2"), kOs2WeightClass) >= 600;
  if (!realBold) {
    QFont regularFont = font;
    regularFont.setBold(false);
    const QRawFont regular = QRawFont::fromFont(regularFont, QFontDatabase::Any);
    const QString sample = QString::fromUtf8("漢");
    const quint32 g = GlyphOf(face.font, sample);
    if (g != 0 && regular.isValid() && GlyphOf(regular, sample) == g)
      realBold = face.font.boundingRect(g).width() > regular.boundingRect(g).width();
  }
  if (!realBold) {
    // Strokes about 3% of the em wider, half that taller: a clearly bolder
    // face that still keeps the counters of dense kanji open.
    face.boldX = std::max(1, qRound(face.pixelSize / 32.0));
    face.boldY = face.pixelSize / 64;
  }
  return face;
}

QtGlyphRasterizer::QtGlyphRasterizer(const std::string& faceSjis, bool bold, int cellHeight)
    : faceSjis_(faceSjis), bold_(bold), cellHeight_(cellHeight) {
  if (cellHeight < 1 || cellHeight > kMaxCellHeight) return;
  face_ = Open(MapFaceNameSjis(faceSjis), bold, cellHeight);
}

QtGlyphRasterizer::~QtGlyphRasterizer() = default;

void QtGlyphRasterizer::Draw(const Face& face, quint32 glyph, GlyphMask& out, int dx) const {
  const QImage map = CoverageImage(face.font.alphaMapForGlyph(glyph, QRawFont::PixelAntialiasing));
  if (map.isNull()) return;  // a glyph without outline, such as a space
  // The alpha map covers the glyph's pixel-aligned bounding box, whose
  // top-left is given relative to the pen position on the baseline.
  const QRectF box = face.font.boundingRect(glyph);
  const int left = qRound(box.left()) + dx;
  const int top = face.baseline + qRound(box.top());
  const int cell = cellHeight_;
  // Synthetic bold widens each row by boldX pixels (the coverage's running
  // maximum) and lays it boldY more times, each a pixel higher.
  const int width = map.width();
  const int rowLength = width + face.boldX;
  const int x0 = std::max(0, -left);
  const int x1 = std::min(rowLength, cell - left);
  std::vector<std::uint8_t> row(face.boldX > 0 ? rowLength : 0);
  for (int y = 0; y < map.height(); ++y) {
    const std::uint8_t* src = map.constScanLine(y);
    if (face.boldX > 0) {
      std::fill(row.begin(), row.end(), 0);
      for (int dx = 0; dx <= face.boldX; ++dx)
        for (int x = 0; x < width; ++x) row[x + dx] = std::max(row[x + dx], src[x]);
      src = row.data();
    }
    for (int dy = 0; dy <= face.boldY; ++dy) {
      const int ty = top + y - dy;
      if (ty < 0 || ty >= cell) continue;
      std::uint8_t* dst = out.Alpha.data() + std::size_t(ty) * cell;
      for (int x = x0; x < x1; ++x) dst[left + x] = std::max(dst[left + x], src[x]);
    }
  }
}

const QtGlyphRasterizer::Face* QtGlyphRasterizer::FaceFor(const QString& text, bool anyFace,
                                                          quint32& glyph) {
  glyph = GlyphOf(face_.font, text);
  if (glyph != 0) return &face_;
  // The chosen face lacks the character: draw it from the default
  // Japanese face rather than as an empty box.
  if (!fallbackTried_) {
    fallbackTried_ = true;
    const QString family = DefaultJapaneseFamily();
    if (family.compare(face_.family, Qt::CaseInsensitive) != 0) {
      auto fallback = std::make_unique<Face>(Open(family, bold_, cellHeight_));
      if (fallback->font.isValid()) fallback_ = std::move(fallback);
    }
  }
  if (fallback_ && (glyph = GlyphOf(fallback_->font, text)) != 0) return fallback_.get();
  if (!anyFace) return nullptr;
  // Whatever face Qt's font merging (fontconfig's fallback order) draws the
  // character with, opened at this cell like any other.
  QFont merged(face_.family);
  merged.setPixelSize(cellHeight_);
  QTextLayout layout(text, merged);
  layout.beginLayout();
  layout.createLine();
  layout.endLayout();
  QString family;
  for (const QGlyphRun& run : layout.glyphRuns())
    if (!run.glyphIndexes().isEmpty() && run.glyphIndexes().first() != 0)
      family = run.rawFont().familyName();
  if (family.isEmpty()) return nullptr;
  auto known = std::find_if(others_.begin(), others_.end(),
                            [&](const auto& f) { return f.first == family; });
  if (known == others_.end()) {
    auto face = std::make_unique<Face>(Open(family, bold_, cellHeight_));
    others_.emplace_back(family, face->font.isValid() ? std::move(face) : nullptr);
    known = others_.end() - 1;
  }
  if (!known->second || (glyph = GlyphOf(known->second->font, text)) == 0) return nullptr;
  return known->second.get();
}

bool QtGlyphRasterizer::RasterizeChar(char32_t ch, GlyphMask& out) {
  out = GlyphMask();
  if (!IsValid()) return false;
  quint32 glyph = 0;
  const Face* face = FaceFor(QString::fromUcs4(&ch, 1), true, glyph);
  if (!face) return false;
  // A narrow character (a Latin letter, most symbols) stands in the middle
  // of its full-width cell, as in Japanese print, in rows and in columns.
  const qreal advance = face->font.advancesForGlyphIndexes(QList<quint32>{glyph}).value(0).x();
  const int dx =
      advance > 0 && advance < cellHeight_ * 0.75 ? qRound((cellHeight_ - advance) / 2) : 0;
  out.Width = cellHeight_;
  out.Height = cellHeight_;
  out.Alpha.assign(std::size_t(cellHeight_) * cellHeight_, 0);
  Draw(*face, glyph, out, dx);
  return true;
}

bool QtGlyphRasterizer::Rasterize(std::uint8_t lead, std::uint8_t trail, GlyphMask& out) {
  out = GlyphMask();
  if (!IsValid()) return false;
  std::string utf8;
  if (!SjisToUtf8(std::string{char(lead), char(trail)}, utf8)) return false;
  const QString text = QString::fromStdString(utf8);
  if (text.toUcs4().size() != 1) return false;  // two single-byte characters

  quint32 glyph = 0;
  const Face* face = FaceFor(text, false, glyph);
  if (!face) return false;

  out.Width = cellHeight_;
  out.Height = cellHeight_;
  out.Alpha.assign(std::size_t(cellHeight_) * cellHeight_, 0);
  Draw(*face, glyph, out);
  return true;
}

bool GlyphRasterizerCache::Rasterize(std::uint8_t lead, std::uint8_t trail,
                                     const std::string& faceSjis, bool bold, int cellHeight,
                                     GlyphMask& out) {
  return For(faceSjis, bold, cellHeight).Rasterize(lead, trail, out);
}

bool GlyphRasterizerCache::RasterizeChar(char32_t ch, const std::string& faceSjis, bool bold,
                                         int cellHeight, GlyphMask& out) {
  return For(faceSjis, bold, cellHeight).RasterizeChar(ch, out);
}

QtGlyphRasterizer& GlyphRasterizerCache::For(const std::string& faceSjis, bool bold,
                                             int cellHeight) {
  const auto matches = [&](const std::unique_ptr<QtGlyphRasterizer>& r) {
    return r && r->FaceSjis() == faceSjis && r->Bold() == bold && r->CellHeight() == cellHeight;
  };
  if (!matches(recent_[0])) {
    if (matches(recent_[1])) {
      std::swap(recent_[0], recent_[1]);
    } else {
      recent_[1] = std::move(recent_[0]);
      recent_[0] = std::make_unique<QtGlyphRasterizer>(faceSjis, bold, cellHeight);
    }
  }
  return *recent_[0];
}

std::function<bool(std::uint8_t, std::uint8_t, GlyphMask&)> MakeLazyRasterizer(
    const std::string& faceSjis, bool bold, int cellHeight) {
  auto rasterizer = std::make_shared<std::unique_ptr<QtGlyphRasterizer>>();
  return [rasterizer, faceSjis, bold, cellHeight](std::uint8_t lead, std::uint8_t trail,
                                                  GlyphMask& out) {
    if (!*rasterizer) *rasterizer = std::make_unique<QtGlyphRasterizer>(faceSjis, bold, cellHeight);
    return (*rasterizer)->Rasterize(lead, trail, out);
  };
}
