// Matching the Windows face names kept in the settings ("ＭＳ ゴシック",
// "MS Mincho", ...) to fonts installed on this machine, and listing the
// Japanese fixed-pitch families the font chooser offers.
//
// A name always resolves to a family that exists, preferring one that draws
// Japanese, so a fresh machine shows real glyphs rather than empty boxes.
#pragma once

#include <QString>
#include <QStringList>

#include <string>

// The installed family to draw the face with. A face that is installed is
// used as given; a Windows Japanese face goes to its IPA counterpart (or
// another installed Japanese font of the same kind); anything else falls
// back to DefaultJapaneseFamily().
QString MapFaceName(const QString& face);
// True when the face is installed or is a Windows Japanese face with an
// installed stand-in, that is, when MapFaceName does not fall back.
bool KnownFaceName(const QString& face);
// The same for a Shift-JIS face name from the settings.
QString MapFaceNameSjis(const std::string& faceSjis);

// IPAGothic when installed, else the first installed family that covers
// Japanese, else the system's general font.
QString DefaultJapaneseFamily();

// Installed Japanese families whose glyphs all share one cell width: those
// Qt reports as fixed pitch, and the dual-width CJK fonts (half-width Latin,
// full-width kana and ideographs exactly twice as wide) that fontconfig
// calls "dual" and Qt does not. Sorted.
QStringList JapaneseFixedPitchFamilies();
// The dual-width test alone, for one family.
bool IsDualWidthFamily(const QString& family);
