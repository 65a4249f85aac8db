// Aozora Bunko notation as a filter on the byte walk, like tag removal: the
// explanatory block at the top of a text, ruby 《…》 (dropped, or shown in
// full-width parentheses), the ｜ that marks where a ruby base begins, and
// notes ［＃…］ are taken out; a note asking for a new page, column or spread
// becomes the page-break marker. Brackets count only when closed on the
// same line, so a stray 《 or ［＃ shows as written; a note ends at the ］
// that matches its ［＃, so it may quote text holding notes of its own. Each
// line end of a text in the notation is kept (a hard break). Positions stay
// those of the text: what is dropped is stepped over, never removed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// First byte of the page-break marker the walk produces for 改ページ and the
// like; like the line-break marker it is never drawn.
constexpr std::uint8_t kPageBreakMarker = 2;

// True when the text holds the explanatory block or at least one ［＃…］
// note: the notation then applies under its default setting. Settled
// before a walk begins, so that the line ends before the first note are
// kept too.
// userCodes as for CharBytes.
bool UsesAozoraNotation(const std::uint8_t* text, std::int64_t length, std::size_t userCodes = 0);

enum class Notation { Off, On };

// The longest base and ruby set beside each other, in characters: a base
// over two lines is prose, not a reading, and its ruby shows in （…）.
// A ruby is at most a vertical line long, so one base character with its
// ruby always fits a line.
constexpr std::int64_t kMaxRubyBase = 48, kMaxRubyText = 34;

// A ruby to be set beside its base: the walk shows the base's characters
// as ever, and announces the group with the first of them.
struct RubyGroup {
  int Base = 0;           // characters of the base
  std::string Text;       // the ruby's Shift-JIS codes, two bytes each
  bool Followed = false;  // the base of another ruby comes right after it
  // The construct's bytes, from its ｜ or first base byte to its 》.
  std::int64_t From = -1, To = -1;
  std::int64_t Open = -1;  // its 《
};

class AozoraFilter {
 public:
  Notation Use = Notation::Off;
  std::size_t UserCodes = 0;  // as for CharBytes

  // The walk produced out[0..1] from the bytes at..pos. True to show it
  // (perhaps as （, ） or the page-break marker); false to drop it, with pos
  // at the last byte dropped. ruby: 0 dropped, 1 shown in （…）, 2 beside
  // its base (GroupAt tells the groups; a ruby whose base cannot be told
  // shows in （…）).
  bool Pass(const std::uint8_t* text, std::int64_t length, std::int64_t at, std::int64_t& pos,
            std::uint8_t* out, int ruby) {
    if (out[0] != 0x81) {
      lineBare_ = out[0] == 1;  // after a line feed nothing is shown yet
      // Each line is a paragraph, a verse line, a heading or a signature:
      // its end is a hard break (kHardBreak), kept whatever NLineCut says.
      if (lineBare_) out[1] = 1;
      return true;
    }
    return PassMarked(text, length, at, pos, out, ruby);
  }
  // At a line start: when the explanatory block begins at pos, moves pos
  // past the line end that closes it and returns true.
  bool SkipBlock(const std::uint8_t* text, std::int64_t length, std::int64_t& pos);
  // Where the explanatory block that p lies inside begins, or -1.
  std::int64_t BlockAround(const std::uint8_t* text, std::int64_t length, std::int64_t p);
  // A walk starting at a line start (or not).
  void Reset(bool lineStart) {
    lineBare_ = lineStart;
    rubyClose_ = -1;
    baseAt_ = runEnd_ = groupEnd_ = groupOpen_ = markedOpen_ = -1;
    memo_ = {};
    shownGroup_ = {};
  }
  // With ruby beside its base: true when the character shown from the
  // bytes at `at` begins a ruby's base, with the group in g.
  bool GroupAt(const std::uint8_t* text, std::int64_t length, std::int64_t at, RubyGroup& g);
  // The last group announced, or whose ｜ was passed (From -1 for none).
  const RubyGroup& LastGroup() const { return shownGroup_; }

 private:
  bool PassMarked(const std::uint8_t* text, std::int64_t length, std::int64_t at, std::int64_t& pos,
                  std::uint8_t* out, int ruby);
  // The group whose construct begins at p (a ｜, or the first of a run of
  // kanji right before 《), if its ruby closes on the line and both parts
  // are plain characters of a bounded length. The last answer is kept.
  bool GroupFrom(const std::uint8_t* text, std::int64_t length, std::int64_t p, RubyGroup& g);
  // The index of the next code on the line from p, or -1. The last answer
  // of each search is kept: a later search from inside the stretch it
  // looked through has the same answer, so a long line costs one pass.
  struct Search {
    std::int64_t From = -1, To = -1, At = -1;
  };
  std::int64_t Find(const std::uint8_t* text, std::int64_t length, std::int64_t p,
                    std::uint8_t trail, Search& last);
  // The ］ that closes the note opened at `at`, or -1. The line is read
  // once, the first time a note of it is asked for.
  std::int64_t NoteClose(const std::uint8_t* text, std::int64_t length, std::int64_t at);

  struct Note {
    std::int64_t Open, Close;
  };
  std::int64_t lineFrom_ = -1, lineTo_ = -1;  // the line notes_ holds
  std::vector<Note> notes_;                   // its closed notes, by Open
  struct Bracket {
    std::int64_t At;
    std::uint8_t Kind;  // the trail byte of ［ (of ［＃), 「 or 《
  };
  std::vector<Bracket> nesting_;  // the brackets open as the line is read

  bool lineBare_ = true;         // nothing shown on this line yet
  std::int64_t rubyClose_ = -1;  // the 》 of the ruby being shown
  Search open_, close_;
  // Ruby beside its base: the first base byte after a ｜ dropped, and its
  // group; where the last run of kanji looked at ends; the base and the 《
  // of the group announced last; the 《 of a ｜ whose base could not be set
  // (no run of kanji before it takes its ruby); the last group looked for.
  std::int64_t baseAt_ = -1, runEnd_ = -1, groupEnd_ = -1, groupOpen_ = -1, markedOpen_ = -1;
  RubyGroup marked_, shownGroup_;
  struct Memo {
    std::int64_t At = -1;
    bool Found = false;
    RubyGroup Group;
  } memo_;
};
