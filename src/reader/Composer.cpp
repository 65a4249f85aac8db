#include <algorithm>

#include "reader/Reader.h"
#include "render/Screen.h"
#include "text/TextWalk.h"
#include "text/VerticalForm.h"
#include "text/WordList.h"

namespace {

// The underline's pattern: rows 480..481 of BaseBitmap (white over grey).
constexpr int kUnderlinePattern = 480;

// A page break ends its line as a line break does.
bool IsLineBreak(const std::array<std::uint8_t, 3>& c) { return EndsLine(c.data()); }
bool Leaving(const Reader& r) { return r.Closing || r.ReturnToTitle || r.Relayout; }

// How a character stands in its cell: upright in horizontal text, as
// vertical print sets it in a column.
GlyphTransform FormIn(const PageLayout& layout, const std::uint8_t* c) {
  if (!layout.Vertical) return {};
  switch (VerticalFormOf(c[0], c[1])) {
    case VerticalForm::Turned:
      return {true, 0, 0};
    case VerticalForm::Punctuation:
      return {false, 12, -12};  // from the lower left quarter to the upper right
    case VerticalForm::SmallKana:
      return {false, 3, -3};
    default:
      return {};
  }
}

// Cells a base of n characters takes from cell `column` with a ruby of m,
// and how far its ruby begins before the base (negative: after it). A ruby
// is centred on its base; a longer one may reach over the character on
// either side by one ruby character (12 pixels), if that character has no
// ruby of its own and the line does not end there; beyond that the base
// takes more cells and spreads over them.
struct RubyFit {
  int Cells, Hang;
};
RubyFit FitRuby(int column, int n, int m, bool followed, int reach, int cells) {
  const int ruby = 12 * m;
  const int left = column > 0 && reach <= 24 * column - 12 ? 12 : 0;
  for (int k = n;; ++k) {
    const int span = 24 * k, over = ruby - span;
    if (over <= 0) return {k, over / 2};
    const int right = !followed && column + k < cells ? 12 : 0;
    int hangLeft = std::min(left, (over + 1) / 2);
    if (over - hangLeft > right) hangLeft = over - right;
    if (hangLeft <= left) return {k, hangLeft};
  }
}

// Lays out the group CurGroup begins from the current cell, on the next line
// when the rest of this one is too short; a base longer than a whole line
// goes a line's worth at a time, each with its share of the ruby. False when
// the reader left at a page end.
bool PlaceGroup(Reader& r) {
  RubyGroup g = std::move(r.CurGroup);
  r.CurGroup = {};
  const int cells = r.Layout.Cells();
  int n = g.Base, m = static_cast<int>(g.Text.size() / 2);
  RubyFit fit = FitRuby(r.Column, n, m, g.Followed, r.RubyReach, cells);
  while (r.Column + fit.Cells > cells && r.Column > 0) {
    r.NewLine();
    if (Leaving(r)) return false;
    fit = FitRuby(r.Column, n, m, g.Followed, r.RubyReach, cells);
  }
  r.Placing.Rest = {};
  if (fit.Cells > cells) {
    // The ruby's share rounds up, so the last piece never holds more than
    // the base it covers.
    for (int p = std::min(n, cells);; --p) {
      const int share = (m * p + n - 1) / n;
      fit = FitRuby(0, p, share, true, 0, cells);
      if (fit.Cells > cells && p > 1) continue;
      r.Placing.Rest = {n - p, g.Text.substr(2 * share), g.Followed};
      g.Text.resize(2 * share);
      n = p;
      break;
    }
  }
  r.Placing.Left = r.Placing.Count = n;
  r.Placing.Column = r.Column;
  r.Placing.Cells = fit.Cells;
  // Never over a ruby before it (one that a note between hid from its look ahead).
  r.Placing.RubyAlong = std::max(24 * r.Column - fit.Hang, r.RubyReach);
  r.Placing.Text = std::move(g.Text);
  return true;
}

// Shows the ruby of the group just placed, as the last of its base is shown.
void ShowRuby(Reader& r) {
  const Reader::RubyPlacement& p = r.Placing;
  const int m = static_cast<int>(p.Text.size() / 2);
  for (int j = 0; j < m && !r.Quiet; ++j) {
    const auto* c = reinterpret_cast<const std::uint8_t*>(p.Text.data() + 2 * j);
    GlyphTransform form = FormIn(r.Layout, c);
    form.Ruby = true;
    const PlacedGlyph g{static_cast<std::int16_t>(r.Layout.RubyX(r.Row, p.RubyAlong + 12 * j)),
                        static_cast<std::int16_t>(r.Layout.RubyY(r.Row, p.RubyAlong + 12 * j)),
                        c[0], c[1], form};
    const Colour saved = r.GlyphFont.Color;
    r.GlyphFont.Color = kWhite;
    r.DrawPlacedGlyph(r.BackBuffer, g);
    r.GlyphFont.Color = saved;
    r.PageGlyphs.push_back(g);
  }
  if (!r.Quiet && !r.Redrawing && m > 0) {
    // The band the ruby and its shadow cover.
    const int x = r.Layout.RubyX(r.Row, p.RubyAlong), y = r.Layout.RubyY(r.Row, p.RubyAlong);
    const int along = 12 * m + 1;
    r.Hooks->CopyToWindow(r.BackBuffer, x, y, r.Layout.Vertical ? 13 : along,
                          r.Layout.Vertical ? along : 13, x, y);
  }
  // The next ruby keeps clear of this one and of its base.
  r.RubyReach = std::max(p.RubyAlong + 12 * m, 24 * (p.Column + p.Cells));
}

// Draws the pause marker beside the text shown since the last pause, or
// erases it with the clean background from the same place. Vertical text
// takes it from MarkerColumns, horizontal from BaseBitmap's marker rows.
void Underline(Reader& r, bool draw) {
  const Rect m = r.Layout.Marker(r.Row, r.MarkColumn, r.Column);
  if (m.Width() <= 0 || m.Height() <= 0) return;
  const Bitmap& from = draw && r.Layout.Vertical ? r.MarkerColumns : r.BaseBitmap;
  const int sx = draw && r.Layout.Vertical ? 0 : m.Left;
  const int sy = draw && !r.Layout.Vertical ? kUnderlinePattern : m.Top;
  r.Hooks->CopyToWindow(from, sx, sy, m.Width(), m.Height(), m.Left, m.Top);
}

void ClearText(Reader& r) {
  const Rect a = kPageClearArea;
  CopyRect(r.BackBuffer, a.Left, a.Top, r.BaseBitmap, a.Left, a.Top, a.Width(), a.Height());
}

// Clears the text area and draws the glyphs as they were drawn, then shows
// the result.
void RedrawPage(Reader& r, const std::vector<PlacedGlyph>& glyphs) {
  ClearText(r);
  for (const PlacedGlyph& g : glyphs) r.DrawPlacedGlyph(r.BackBuffer, g);
  r.FormPaint();
}

// The settings dialog and the direction stay as they are while a page looked
// back at is shown: either would lay out the page being read under it.
void SetEnvEnabled(Reader& r, bool enabled) {
  r.MEnv1.Enabled = r.MVert1.Enabled = enabled;
  r.Hooks->MenuChanged();
}

// The look back, inside a pause: the previous page until the next press,
// then the current page again. The settings dialog is kept shut meanwhile,
// since it would redraw the current page under the reader. False when the
// reader leaves, which ends the pause at once.
bool ShowPreviousPage(Reader& r) {
  static const std::vector<PlacedGlyph> kNone;
  RedrawPage(r, r.PageHistory.empty() ? kNone : r.PageHistory.back().Glyphs);
  // The first page of a run has no previous page to save: the empty page
  // shown saves as the page being read.
  if (!r.PageHistory.empty()) r.LookBackStart = r.PageHistory.back().Start;
  while (r.InputState != 0) {
    r.Hooks->WaitForMessages();
    if (Leaving(r)) return false;
  }
  SetEnvEnabled(r, false);
  while (r.InputState == 0) {
    r.Hooks->WaitForMessages();
    if (Leaving(r)) {
      SetEnvEnabled(r, true);
      return false;
    }
  }
  SetEnvEnabled(r, true);
  r.LookBackStart = -1;
  RedrawPage(r, r.PageGlyphs);
  while (r.InputState != 0 && !Leaving(r)) r.Hooks->WaitForMessages();
  return true;
}

// The page-end pause, then a clean page. PageStart moves to next before the
// pause, so that a reader who leaves now resumes there. False when the
// reader left: the page stays as it is.
bool EndPage(Reader& r, std::int32_t next) {
  const std::int32_t shown = r.PageStart;
  r.PageStart = next;
  r.WaitForReader();
  if (Leaving(r)) {
    // A new direction lays out again the page on screen.
    if (r.Relayout) r.PageStart = shown;
    return false;
  }
  if (r.Quiet) return true;
  ClearText(r);
  if (r.IntSettings[kPageBar] != 0) r.DrawPageBar(true);
  r.FormPaint();
  // Swapping keeps both sets of strings at their grown capacity.
  for (int i = 0; i < kMaxPageLines; ++i) {
    r.PrevPageLines[i].swap(r.PageLines[i]);
    r.PageLines[i].clear();
  }
  // The oldest page kept gives its glyphs' room to the newest.
  std::vector<PlacedGlyph> glyphs;
  if (r.PageHistory.size() == kLookBackPages) {
    glyphs.swap(r.PageHistory.front().Glyphs);
    r.PageHistory.pop_front();
  }
  glyphs.swap(r.PageGlyphs);
  r.PageGlyphs.clear();
  r.PageHistory.push_back({shown, r.Layout, std::move(glyphs)});
  return true;
}

// The look-back marker in the page bar's row, or in the caption when the
// page bar is off; depth 0 takes it away.
void ShowLookBackMarker(Reader& r, int depth) {
  if (r.IntSettings[kPageBar] == 0) {
    r.Hooks->CaptionChanged(depth ? r.Caption() + " (-" + std::to_string(depth) + ")"
                                  : r.Caption());
    return;
  }
  const Rect m = screen::kLookBackMarker;
  DrawLookBackMarker(r.BackBuffer, r.BaseBitmap, depth);
  r.Hooks->CopyToWindow(r.BackBuffer, m.Left, m.Top, m.Width(), m.Height(), m.Left, m.Top);
}

// The look back through the pages the run keeps, inside a pause: the wheel
// or PageUp and PageDown step between them; a step on from the newest, or a
// press of Enter, Space, Escape or a button, returns to the page being read.
// The settings dialog stays shut meanwhile, as for the previous page. False
// when the reader leaves, which ends the pause at once.
bool LookBackPages(Reader& r) {
  if (r.PageHistory.empty()) return true;
  const int kept = static_cast<int>(r.PageHistory.size());
  SetEnvEnabled(r, false);
  for (;;) {
    const int depth = std::clamp(r.LookBackDepth - r.PauseSteps, 0, kept);
    r.PauseSteps = 0;
    if (depth == 0 || r.InputState != 0) break;
    if (depth != r.LookBackDepth) {
      r.LookBackDepth = depth;
      r.LookBackStart = r.PageHistory[kept - depth].Start;
      RedrawPage(r, r.PageHistory[kept - depth].Glyphs);
      ShowLookBackMarker(r, depth);
    }
    r.Hooks->WaitForMessages();
    if (Leaving(r)) break;
  }
  r.LookBackDepth = 0;
  r.LookBackStart = -1;
  SetEnvEnabled(r, true);
  ShowLookBackMarker(r, 0);
  if (!Leaving(r)) {
    RedrawPage(r, r.PageGlyphs);
    // The press that returned must be let go, or it would end the pause too.
    while (r.InputState != 0 && !Leaving(r)) r.Hooks->WaitForMessages();
  }
  return !Leaving(r);
}

}  // namespace

void Reader::ComposeChar() {
  // An ideographic space right before a line break would only push the
  // break: it is not drawn and takes no cell.
  if (CurChar[0] == 0x81 && CurChar[1] == 0x40 && IsLineBreak(NextChar)) return;

  // A base ends before a line or page break even when its last character
  // was not drawn (an ideographic space before the break): its ruby shows.
  if (Placing.Left > 0 && EndsLine(CurChar.data())) {
    Placing.Left = 0;
    Placing.Rest = {};
    ShowRuby(*this);
  }

  // A page-break note ends the page as if it were full; the next page
  // begins after the note. An empty page is not turned, but for one that a
  // page break began: two breaks in a row leave a blank page, as in print,
  // shown with its pause; a third adds none. A page that is full anyway
  // turns as it would without the note.
  if (CurChar[0] == kPageBreakMarker) {
    const bool blank = Column + Row == 0 && BreakTurned;
    const bool full = Row == Layout.Lines() - 1 && LineBreakPending;
    WaitArmed |= blank;
    if ((Column + Row > 0 || blank) && EndPage(*this, CharEnd)) {
      Column = MarkColumn = Row = RubyReach = 0;
      LineBreakPending = false;
      BreakTurned = !blank && !full;
    }
    return;
  }

  if (IsLineBreak(CurChar)) {
    // Text files break lines inside sentences; with NLineCut only a blank
    // line or a line opening with a NLineWord character (an indent, a
    // quotation) keeps its break.
    const bool honoured = CurChar[1] == kHardBreak || IntSettings[kNLineCut] == 0 ||
                          IsLineBreak(NextChar) ||
                          InWordList(StrSettings[kNLineWord], NextChar.data());
    if (honoured) {
      WaitForReader();
      // No empty line at the top-left of a page.
      if (Column + Row > 0) NewLine();
    }
    if (LineBreakPending) NewLine();
    return;
  }

  if (LineBreakPending) {
    NewLine();
    if (Leaving(*this)) return;
  }

  // An opening bracket never ends a line: it goes with a base whose group
  // begins the next one.
  if (Layout.Ruby && Column > 0 && Placing.Left == 0 && CurGroup.Base == 0 && NextGroup.Base > 0 &&
      InWordList(StrSettings[kTailWord], CurChar.data())) {
    const int m = static_cast<int>(NextGroup.Text.size() / 2);
    const RubyFit fit =
        FitRuby(Column + 1, NextGroup.Base, m, NextGroup.Followed, RubyReach, Layout.Cells());
    if (Column + 1 + fit.Cells > Layout.Cells()) {
      NewLine();
      if (Leaving(*this)) return;
    }
  }

  // Where the character goes along its line: its cell, or its place in the
  // spread of a ruby's base.
  if (Placing.Left == 0 && Placing.Rest.Base > 0) CurGroup = std::move(Placing.Rest);
  if (Placing.Left == 0 && CurGroup.Base > 0 && Layout.Ruby && !PlaceGroup(*this)) return;
  CurGroup = {};
  int along = 24 * Column;
  if (Placing.Left > 0) {
    const int i = Placing.Count - Placing.Left, extra = 24 * (Placing.Cells - Placing.Count);
    along = 24 * (Placing.Column + i) + extra * (2 * i + 1) / (2 * Placing.Count);
  }

  if (!Quiet) {
    const PlacedGlyph g{static_cast<std::int16_t>(Layout.BaseX(Row, along)),
                        static_cast<std::int16_t>(Layout.BaseY(Row, along)), CurChar[0], CurChar[1],
                        FormIn(Layout, CurChar.data())};
    if (Redrawing)
      DrawPlacedGlyph(BackBuffer, g);  // shown with the whole page once it is laid out
    else
      ShowGlyph(g.X, g.Y, CurChar.data(), g.Form);
    PageGlyphs.push_back(g);
    PageLines[Row].append(reinterpret_cast<const char*>(CurChar.data()), 2);
    ++CharsSincePause;
  }
  ++Column;
  WaitArmed = true;
  BreakTurned = false;
  // A base holds no pause and no line end: it is shown whole, its ruby
  // with its last character.
  bool inBase = false;
  if (Placing.Left > 0) {
    const int i = Placing.Count - --Placing.Left;
    Column = Placing.Column + i * Placing.Cells / Placing.Count;
    if (Placing.Left == 0) ShowRuby(*this);
    inBase = Placing.Left > 0;
  }

  // Reveal delay, on the wrapping tick counter. Skip mode has none and so
  // handles input only where a pause would have been. Until the delay is
  // over only a message can change anything. A delay runs from the end of
  // the one before when that is less than a delay ago, so a late wake-up
  // on a busy machine does not slow the whole reveal.
  if (!Quiet && !Redrawing && !Skipping && IntSettings[kMsgSpeed] > 0) {
    const std::uint32_t speed = static_cast<std::uint32_t>(IntSettings[kMsgSpeed]);
    std::uint32_t t = Hooks->GetTickCount();
    if (RevealDueSet && t - RevealDue < speed) t = RevealDue;
    // Ticks are compared by their difference, which holds across the wrap.
    while (!Skipping && !Leaving(*this) &&
           static_cast<std::int32_t>(Hooks->GetTickCount() - t) < static_cast<std::int32_t>(speed))
      Hooks->ProcessMessagesUntil(t + speed);
    RevealDue = t + speed;
    RevealDueSet = true;
  }

  // A wait character pauses unless a character that may not begin a line
  // follows ("。」" pauses after the bracket's sentence, not inside it).
  if (inBase) return;
  if (InWordList(StrSettings[kWaitWord], CurChar.data()) &&
      !InWordList(StrSettings[kHeadWord], NextChar.data()))
    WaitForReader();

  // Line end; Column counts the character just drawn.
  const int cells = Layout.Cells();
  if (Column == cells - 1 && InWordList(StrSettings[kTailWord], NextChar.data()))
    LineBreakPending = true;  // an opening bracket never ends a line
  if (Column == cells && !InWordList(StrSettings[kHeadWord], NextChar.data()))
    LineBreakPending = true;
  if (Column == cells + 1) LineBreakPending = true;  // only one character hangs
}

void Reader::NewLine() {
  // The next page begins with the character being composed.
  if (Row >= Layout.Lines() - 1 && !EndPage(*this, PrevCharEnd)) return;
  Column = 0;
  MarkColumn = 0;
  RubyReach = 0;
  Row = (Row + 1) % Layout.Lines();
  LineBreakPending = false;
}

void Reader::WaitForReader() {
  if (Leaving(*this) || !WaitArmed) return;
  WaitArmed = false;
  RevealDueSet = false;  // the reveal starts afresh after a pause
  const std::int32_t shownChars = CharsSincePause;
  CharsSincePause = 0;
  if (Quiet || Redrawing) {
    MarkColumn = Column;
    return;
  }
  Hooks->ProcessMessages();
  // An arrow key held runs through every pause.
  if (InputState > 2) return;
  // A key or button still down from before must be let go first, so a held
  // Enter does not run on.
  while (InputState != 0 && !Leaving(*this)) Hooks->WaitForMessages();

  bool shown = false;
  if (!Leaving(*this)) {
    const std::uint32_t t0 = Hooks->GetTickCount();
    // Auto mode ends the pause by itself, later the more text it follows;
    // a look back starts the wait again.
    const std::uint32_t autoWait =
        static_cast<std::uint32_t>(SettingValue(IntSettings, kAutoWait) + 50 * shownChars);
    std::uint32_t autoFrom = t0;
    PauseSteps = 0;  // steps made before the pause do not count
    while (InputState == 0) {
      // The underline changes only at the 400 ms edges of its blink; till
      // the next one only a message can end the pause. An underline not yet
      // as its phase wants it is due now.
      const std::uint32_t elapsed = Hooks->GetTickCount() - t0;
      const bool due = (elapsed / 400 % 2 == 0) != shown;
      std::uint32_t until = t0 + elapsed + (due ? 0 : 400 - elapsed % 400);
      // Auto mode may end the pause before the next edge.
      const std::uint32_t autoEnd = autoFrom + autoWait;
      if (MAuto1.Checked && static_cast<std::int32_t>(autoEnd - until) < 0) until = autoEnd;
      Hooks->ProcessMessagesUntil(until);
      if (Leaving(*this) || Skipping) break;
      // Visible for the first 400 ms of every 800.
      const std::uint32_t phase = ((Hooks->GetTickCount() - t0) / 100) % 8;
      if (InputState == 1 || PauseSteps < 0) {
        // Wheel steps during the previous page are not kept for later.
        const bool stay = InputState == 1 ? ShowPreviousPage(*this) : LookBackPages(*this);
        LookBackStart = -1;
        PauseSteps = 0;
        if (!stay) return;
        if (MAuto1.Checked) autoFrom = Hooks->GetTickCount();
      }
      // The wheel turned towards the reader, or PageDown, goes on.
      if (PauseSteps > 0) break;
      if (MAuto1.Checked && Hooks->GetTickCount() - autoFrom >= autoWait) break;
      if (shown && phase > 3) {
        Underline(*this, false);
        shown = false;
        continue;
      }
      if (!shown && phase < 4) {
        Underline(*this, true);
        shown = true;
      }
    }
  }
  if (shown && !Closing) Underline(*this, false);
  MarkColumn = Column;
}
