#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>

#include "platform/Files.h"
#include "platform/Sjis.h"
#include "platform/TextEncoding.h"
#include "platform/ZipText.h"
#include "reader/Reader.h"
#include "text/HtmlEntity.h"
#include "text/NamedChars.h"
#include "text/SjisTexts.h"
#include "text/TextWalk.h"

namespace {

// Positions are signed 32-bit, and a lead byte at the end reaches one byte
// past the text: anything of 2 GiB or more is refused.
constexpr std::uint64_t kMaxTextBytes = std::uint64_t(1) << 31;

// Reads the whole file and appends the terminating zero the walk relies on.
// A text in another encoding (as the setting Encoding chooses, or, when it
// leaves it to the text, as an HTML page read with tag removal declares)
// is converted to Shift-JIS: from here on the converted form is the text,
// positions and all; its characters beyond Shift-JIS are given codes of
// chars. The warning to give when the text cannot be had, or null.
const char* LoadText(const std::string& path, std::int32_t encoding, bool tagCut,
                     std::unique_ptr<std::uint8_t[]>& text, std::size_t& size, UserChars& chars) {
  switch (ReadWholeFile(path, text, size, kMaxTextBytes, 1)) {
    case ReadResult::Ok:
      break;
    case ReadResult::TooLarge:
      return sjis::kMsgTooLarge;
    default:
      return sjis::kMsgCannotRead;
  }
  // A ZIP (told by its first bytes, whatever its name) is read as the text
  // inside it. Refusals in the order of ZipMember; running out of memory
  // says too large, as it does for a file.
  if (IsZip(text.get(), size)) {
    static constexpr const char* kRefusals[] = {nullptr,
                                                sjis::kMsgZipDamaged,
                                                sjis::kMsgZipEncrypted,
                                                sjis::kMsgZipUnsupported,
                                                sjis::kMsgZipNoText,
                                                sjis::kMsgZipTooLarge,
                                                sjis::kMsgTooLarge};
    if (const char* refused = kRefusals[int(TakeZipMember(text, size, kMaxTextBytes, 1))])
      return refused;
  }
  text[size] = 0;  // markup is read up to a terminating zero, as the walk reads it
  const std::int64_t length = static_cast<std::int64_t>(size);
  const TextEncoding enc = encoding == 0 && tagCut && LooksLikeHtml(text.get(), length)
                               ? PageEncoding(DeclaredCharset(text.get(), length), text.get(), size)
                               : ChosenEncoding(encoding, text.get(), size);
  switch (ConvertToSjis(text, size, enc, kMaxTextBytes, &chars)) {
    case Conversion::AsIs:
    case Conversion::Converted:
      return nullptr;
    case Conversion::TooLarge:
      return sjis::kMsgTooLarge;
    default:
      return sjis::kMsgCannotRead;
  }
}

// The walk over a run's text, with the filters the settings ask for.
TextWalker Walker(const Reader& r, const std::uint8_t* text) {
  TextWalker walker(text, r.TextLength, r.AsciiToFull.data(), r.KanaToFull.data());
  // Settled before the first character, so that every line end of a text
  // in the notation is kept, those before its first note too.
  const std::int32_t aozora = SettingValue(r.IntSettings, kAozora);
  const bool notation = aozora == 2 || (aozora == 1 && r.TextNotation);
  walker.Aozora.Use = notation ? Notation::On : Notation::Off;
  walker.Aozora.UserCodes = walker.Html.UserCodes = walker.UserCodes = r.TextUserCodes;
  walker.Named = &r.NamedChars;
  const UserChars* chars = &r.TextChars;
  walker.Entities = [chars](std::uint32_t cp) {
    const std::uint16_t code = UnicodeToSjis(cp);
    return code ? code : chars->Find(char32_t(cp));
  };
  walker.Html.On = LooksLikeHtml(text, r.TextLength);
  walker.Extensions = ExtensionToSjis;
  walker.Ruby = SettingValue(r.IntSettings, kRuby);
  return walker;
}

// The characters the text names rather than holds, numbered after its
// own: those of its notes and accented letters (under the notation), then
// of its entities. The whole text is looked through once, so that a
// character has the same code wherever reading starts.
void FindNamed(Reader& r, const std::uint8_t* text) {
  const std::int64_t length = r.TextLength;
  UserChars& chars = r.TextChars;
  r.TextNotation = UsesAozoraNotation(text, length, r.TextUserCodes);
  const std::int32_t aozora = SettingValue(r.IntSettings, kAozora);
  const auto code = [&chars](char32_t ch) -> std::uint16_t {
    const std::uint16_t sjis = UnicodeToSjis(ch);
    // A single-byte code would read as another character in the walk.
    if (sjis) return sjis >= 0x100 ? sjis : 0;
    if (const std::uint16_t own = chars.Code(ch)) return own;
    // Past the last code, a character shows as 〓, as one the text holds.
    const bool none = ch > 0x10FFFF || (ch >= 0xD800 && ch <= 0xDFFF);
    return chars.Size() < kUserCodes || none ? std::uint16_t(0) : std::uint16_t(0x81AC);
  };
  if (aozora == 2 || (aozora == 1 && r.TextNotation))
    r.NamedChars = FindNamedChars(text, length, r.TextUserCodes, Jis0213ToUnicode, code);
  const bool html = LooksLikeHtml(text, length);
  for (const void* amp = std::memchr(text, '&', std::size_t(length)); amp;) {
    const std::int64_t at = static_cast<const std::uint8_t*>(amp) - text;
    std::uint32_t cp = 0;
    if (ParseEntity(text, length, at, cp, html) >= 0 && cp >= 0xA0 && !UnicodeToSjis(cp))
      chars.Code(char32_t(cp));
    amp = std::memchr(text + at + 1, '&', std::size_t(length - at - 1));
  }
}

// An empty page in the direction in force with the composer at its
// top-left.
void StartPage(Reader& r, std::int32_t start) {
  for (std::string& line : r.PageLines) line.clear();
  r.PageGlyphs.clear();
  r.Layout = PageLayout{SettingValue(r.IntSettings, kVertical) != 0,
                        SettingValue(r.IntSettings, kRuby) == 2};
  r.NextGroup = r.CurGroup = r.Placing.Rest = {};
  r.Placing.Left = r.RubyReach = 0;
  r.CurChar = {kLineBreakMarker, 0, 0};
  r.NextChar[1] = r.NextChar[2] = 0;
  r.Column = r.Row = r.MarkColumn = 0;
  r.CharEnd = r.PrevCharEnd = 0;
  r.PageStart = start;
  r.LineBreakPending = r.WaitArmed = r.Relayout = false;
  r.CharsSincePause = 0;  // a page laid out again counts what it shows again
}

// As a run from start begins.
void StartRun(Reader& r, std::int32_t start) {
  StartPage(r, start);
  for (std::string& line : r.PrevPageLines) line.clear();
  r.ReturnToTitle = r.Skipping = r.BreakTurned = false;
}

// Bytes walked between two pumps of a run (some 10 ms of work): a long
// stretch that shows nothing (a file of zero bytes) or a quiet layout,
// where the composer itself pumps none, must not freeze the window, nor
// keep a close waiting.
constexpr std::int64_t kPumpBytes = 1 << 20;

// Composes the text from pos to its end and calls step after each
// character. The composer runs one character behind the walk: NextChar is
// the lookahead of CurChar. The characters that end at or before redrawTo
// have been seen: they are laid out at once. False when the reader leaves
// or the direction changed.
template <class Step>
bool ComposeText(Reader& r, TextWalker& walker, std::int64_t pos, Step step,
                 std::int32_t redrawTo = -1) {
  auto compose = [&] {
    const bool redraw = r.CharEnd <= redrawTo;
    if (r.Redrawing && !redraw) r.FormPaint();  // the page as far as it was seen
    r.Redrawing = redraw;
    r.ComposeChar();
  };
  for (std::int64_t pump = pos + kPumpBytes;;) {
    walker.PauseAt(pump);
    if (!walker.Next(pos, r.IntSettings[kTagCut] != 0, r.NextChar.data())) {
      if (pos >= r.TextLength) break;
      r.Hooks->ProcessMessages();
      if (r.ReturnToTitle || r.Closing || r.Relayout) return false;
      pump = pos + kPumpBytes;
      continue;
    }
    // pos is the last byte of the character just produced; it lies at most
    // on the terminating zero, so it fits.
    r.ReadPos = static_cast<std::int32_t>(pos);
    if (walker.Grouped)
      r.NextGroup = std::move(walker.Group);
    else
      r.NextGroup.Base = 0;
    compose();
    step();
    // PrevCharEnd still tells where the character being composed begins.
    if (r.Relayout) return false;
    r.CurChar[0] = r.NextChar[0];
    r.CurChar[1] = r.NextChar[1];
    r.CurGroup = std::move(r.NextGroup);
    r.NextGroup.Base = 0;
    r.PrevCharEnd = r.CharEnd;
    r.CharEnd = pos + 1 > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(pos + 1);
    if (r.ReturnToTitle || r.Closing) return false;
    ++pos;
    // Ruby, like tag removal, follows the settings dialog from the next step
    // (beside the base, only once the page is laid out for it).
    walker.Ruby = std::min(SettingValue(r.IntSettings, kRuby), r.Layout.Ruby ? 2 : 1);
  }
  // End of the text: the last character gets a line break as its
  // lookahead, and that line break may pause once more.
  r.NextChar = {kLineBreakMarker, 0, 0};
  r.NextGroup.Base = 0;
  if (!EndsLine(r.CurChar.data())) compose();
  step();
  if (r.Relayout) return false;
  r.CurChar = {kLineBreakMarker, 0, 0};
  compose();
  return !r.Relayout;
}

// The start of the last page that shows a character: the whole text laid
// out by the composer drawing and waiting for nothing, the cover still on
// screen. -1 when the reader closed meanwhile.
std::int32_t LastPageStart(Reader& r, const std::uint8_t* text) {
  StartRun(r, 0);
  TextWalker walker = Walker(r, text);
  std::int32_t last = 0;
  r.Quiet = true;
  const bool whole = ComposeText(r, walker, 0, [&] {
    if (r.Column > 0) last = r.PageStart;
  });
  r.Quiet = false;
  return whole ? last : -1;
}

}  // namespace

void Reader::ReadText(std::int32_t start) {
  GlyphFont.Color = kWhite;

  std::unique_ptr<std::uint8_t[]> text;
  std::size_t size = 0;
  TextChars = UserChars();
  NamedChars.clear();
  // Masks of user-defined codes belong to the text they were drawn for.
  std::erase_if(GlyphCache.Masks, [](const auto& m) { return (m.first >> 8 & 0xFF) >= 0xF0; });
  // Exists but cannot be read, or is too large: never walk it as if it had
  // a size.
  if (const char* refused = LoadText(StrSettings[kText], SettingValue(IntSettings, kEncoding),
                                     IntSettings[kTagCut] != 0, text, size, TextChars)) {
    Warn(refused);
    return;
  }
  TextLength = static_cast<std::int32_t>(size);
  TextUserCodes = TextChars.Size();
  FindNamed(*this, text.get());
  if (TextLength == 0) {
    Warn(sjis::kMsgEmptyFile);
    return;
  }

  // A negative index can only come from a hand-edited settings file; it
  // would read before the buffer. One at or past the end (a text that has
  // become shorter) reads the last page. One inside a character, tag or
  // note (kept under other settings) reads from where that begins. Closed
  // while the last page is looked for, the record stays as it was stored.
  if (start < 0) start = 0;
  if (start >= TextLength && (start = LastPageStart(*this, text.get())) < 0) return;
  TextWalker walker = Walker(*this, text.get());
  start = static_cast<std::int32_t>(walker.Prime(start, IntSettings[kTagCut] != 0));
  StartRun(*this, start);
  ShowTextScreen();
  const bool fromTop = start == 0;
  bool shown = false;
  std::int32_t redrawTo = -1;
  while (!ComposeText(
      *this, walker, start, [&] { shown = shown || Column > 0; }, redrawTo)) {
    if (Relayout && !ReturnToTitle && !Closing) {
      // A new direction: the page being read from its start again, what was
      // seen of it at once, then the character being composed as before,
      // with its pause. Skip and auto mode and the pages kept stay.
      redrawTo = PrevCharEnd;
      walker = Walker(*this, text.get());
      start = static_cast<std::int32_t>(walker.Prime(PageStart, IntSettings[kTagCut] != 0));
      StartPage(*this, start);
      const Rect a = kPageClearArea;
      CopyRect(BackBuffer, a.Left, a.Top, BaseBitmap, a.Left, a.Top, a.Width(), a.Height());
      continue;
    }
    Redrawing = Relayout = false;
    Records[0] = {StrSettings[kText], PageStart, TextLength};
    text.reset();
    // Nothing is drawn once the window is closing.
    if (ReturnToTitle && !Closing) DrawTitleScreen(true);
    return;
  }
  text.reset();
  if (Closing) return;
  DrawTitleScreen(true);
  // A text whose bytes all show nothing (zero bytes, control bytes, tags
  // alone) is as good as empty, and says so.
  if (!shown && fromTop) Warn(sjis::kMsgEmptyFile);
}
