// How a character stands in a vertical column, as vertical print sets it:
// most stand as they are; lines, dashes, brackets and arrows, which follow
// the direction of the text, turn a quarter clockwise; the punctuation that
// sits at the foot of its cell after the character it follows moves to the
// head's right; small kana move a little up and right, to the side of the
// column where they belong. Full-width Latin letters and figures stand.
#pragma once

#include <cstdint>

enum class VerticalForm : std::uint8_t { Upright, Turned, Punctuation, SmallKana };

// The form of the Shift-JIS double-byte code (lead, trail).
constexpr VerticalForm VerticalFormOf(std::uint8_t lead, std::uint8_t trail) {
  if (lead == 0x81) {
    switch (trail) {
      case 0x41:  // 、
      case 0x42:  // 。
      case 0x43:  // ，
      case 0x44:  // ．
        return VerticalForm::Punctuation;
      case 0x46:  // ：
      case 0x47:  // ；
      case 0x50:  // ￣
      case 0x51:  // ＿
      case 0x5B:  // ー
      case 0x5C:  // ―
      case 0x5D:  // ‐
      case 0x60:  // ～ and 〜
      case 0x62:  // ｜
      case 0x63:  // …
      case 0x64:  // ‥
      case 0x7C:  // －
      case 0x81:  // ＝
      case 0x83:  // ＜
      case 0x84:  // ＞
      case 0xE1:  // ≪
      case 0xE2:  // ≫
        return VerticalForm::Turned;
      default:
        // The brackets （）〔〕［］｛｝〈〉《》「」『』【】 and the arrows →←↑↓.
        if ((trail >= 0x69 && trail <= 0x7A) || (trail >= 0xA8 && trail <= 0xAB))
          return VerticalForm::Turned;
        return VerticalForm::Upright;
    }
  }
  // ぁぃぅぇぉ っ ゃゅょ ゎ, ァィゥェォ ッ ャュョ ヮ ヵヶ.
  if (lead == 0x82)
    return (trail >= 0x9F && trail <= 0xA7 && trail % 2 == 1) || trail == 0xC1 || trail == 0xE1 ||
                   trail == 0xE3 || trail == 0xE5 || trail == 0xEC
               ? VerticalForm::SmallKana
               : VerticalForm::Upright;
  if (lead == 0x83)
    return (trail >= 0x40 && trail <= 0x48 && trail % 2 == 0) || trail == 0x62 || trail == 0x83 ||
                   trail == 0x85 || trail == 0x87 || trail == 0x8E || trail == 0x95 || trail == 0x96
               ? VerticalForm::SmallKana
               : VerticalForm::Upright;
  return VerticalForm::Upright;
}
