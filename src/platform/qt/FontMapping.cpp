#include "platform/qt/FontMapping.h"

#include <QFont>
#include <QFontDatabase>
#include <QRawFont>

#include <algorithm>
#include <cmath>

#include "platform/Sjis.h"

namespace {

// Installed stand-ins for the Windows Japanese faces, best first. The IPA
// fonts are what the setup script installs; the rest are common elsewhere.
const QStringList kGothic = {"IPAGothic",        "IPAexGothic",
                             "TakaoGothic",      "Noto Sans Mono CJK JP",
                             "Noto Sans CJK JP", "VL Gothic"};
const QStringList kMincho = {"IPAMincho", "IPAexMincho", "TakaoMincho", "Noto Serif CJK JP"};
const QStringList kPGothic = QStringList{"IPAPGothic", "TakaoPGothic"} + kGothic;
const QStringList kPMincho = QStringList{"IPAPMincho", "TakaoPMincho"} + kMincho;

// Compatibility-folded ("ＭＳ" -> "MS"), without spaces, case-folded, and
// without the "@" that marks a Windows vertical-writing face.
QString NormalisedFace(const QString& face) {
  QString s = face.normalized(QString::NormalizationForm_KC);
  s.remove(QChar(' '));
  s.remove(QChar('\t'));
  while (s.startsWith(QChar('@'))) s.remove(0, 1);
  return s.toCaseFolded();
}

const QStringList* CandidatesFor(const QString& face) {
  const QString n = NormalisedFace(face);
  if (n == QString::fromUtf8("mspゴシック") || n == "mspgothic" || n == "msuigothic")
    return &kPGothic;
  if (n == QString::fromUtf8("msp明朝") || n == "mspmincho") return &kPMincho;
  if (n.contains(QString::fromUtf8("明朝")) || n.contains("mincho")) return &kMincho;
  if (n.contains(QString::fromUtf8("ゴシック")) || n.contains("gothic")) return &kGothic;
  return nullptr;
}

bool Installed(const QString& family) {
  return !family.trimmed().isEmpty() && QFontDatabase::hasFamily(family);
}

}  // namespace

QString DefaultJapaneseFamily() {
  if (Installed("IPAGothic")) return "IPAGothic";
  const QStringList japanese = QFontDatabase::families(QFontDatabase::Japanese);
  if (!japanese.isEmpty()) return japanese.first();
  return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
}

QString MapFaceName(const QString& face) {
  // Leading '@' names the vertical form of a face; the horizontal one is
  // what a single upright character needs.
  QString upright = face;
  while (upright.startsWith(QChar('@'))) upright.remove(0, 1);
  if (Installed(upright)) return upright;
  if (const QStringList* candidates = CandidatesFor(upright)) {
    for (const QString& c : *candidates)
      if (Installed(c)) return c;
  }
  return DefaultJapaneseFamily();
}

bool KnownFaceName(const QString& face) {
  QString upright = face;
  while (upright.startsWith(QChar('@'))) upright.remove(0, 1);
  if (Installed(upright)) return true;
  const QStringList* candidates = CandidatesFor(upright);
  return candidates && std::any_of(candidates->begin(), candidates->end(), Installed);
}

QString MapFaceNameSjis(const std::string& faceSjis) {
  std::string utf8;
  // A name that is not valid Shift-JIS names no installed font either.
  if (!SjisToUtf8(faceSjis, utf8)) return DefaultJapaneseFamily();
  return MapFaceName(QString::fromStdString(utf8));
}

bool IsDualWidthFamily(const QString& family) {
  QFont font(family);
  font.setPixelSize(100);
  const QRawFont raw = QRawFont::fromFont(font, QFontDatabase::Any);
  if (!raw.isValid()) return false;
  // Several Latin letters of different natural widths, kana and kanji.
  const QString half = "iWM1";
  const QString full = QString::fromUtf8("あ漢ア");
  for (QChar c : half + full)
    if (!raw.supportsCharacter(c)) return false;
  const QList<quint32> halfGlyphs = raw.glyphIndexesForString(half);
  const QList<quint32> fullGlyphs = raw.glyphIndexesForString(full);
  const QList<QPointF> halfAdv =
      raw.advancesForGlyphIndexes(halfGlyphs, QRawFont::UseDesignMetrics);
  const QList<QPointF> fullAdv =
      raw.advancesForGlyphIndexes(fullGlyphs, QRawFont::UseDesignMetrics);
  if (halfAdv.size() != half.size() || fullAdv.size() != full.size()) return false;
  const qreal unit = halfAdv.first().x();
  if (unit <= 0) return false;
  const qreal tolerance = 0.01;
  for (const QPointF& a : halfAdv)
    if (std::abs(a.x() - unit) > tolerance) return false;
  for (const QPointF& a : fullAdv)
    if (std::abs(a.x() - 2 * unit) > tolerance) return false;
  return true;
}

QStringList JapaneseFixedPitchFamilies() {
  QStringList out;
  for (const QString& family : QFontDatabase::families(QFontDatabase::Japanese)) {
    if (QFontDatabase::isFixedPitch(family) || IsDualWidthFamily(family)) out << family;
  }
  std::sort(out.begin(), out.end(), [](const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) < 0;
  });
  out.removeDuplicates();
  return out;
}
