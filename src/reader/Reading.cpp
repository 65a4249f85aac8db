#include <climits>
#include <memory>

#include "platform/Files.h"
#include "platform/Sjis.h"
#include "platform/TextEncoding.h"
#include "reader/Reader.h"
#include "text/SjisTexts.h"
#include "text/TextWalk.h"

namespace {

// Positions are signed 32-bit, and a lead byte at the end reaches one byte
// past the text: anything of 2 GiB or more is refused.
constexpr std::uint64_t kMaxTextBytes = std::uint64_t(1) << 31;

// Reads the whole file and appends the terminating zero the walk relies on.
// A text in another encoding (as the setting Encoding chooses) is converted
// to Shift-JIS: from here on the converted form is the text, positions and
// all. The warning to give when the text cannot be had, or null.
const char* LoadText(const std::string& path, std::int32_t encoding,
                     std::unique_ptr<std::uint8_t[]>& text, std::size_t& size) {
  switch (ReadWholeFile(path, text, size, kMaxTextBytes, 1)) {
    case ReadResult::Ok:
      break;
    case ReadResult::TooLarge:
      return sjis::kMsgTooLarge;
    default:
      return sjis::kMsgCannotRead;
  }
  switch (ConvertToSjis(text, size, ChosenEncoding(encoding, text.get(), size), kMaxTextBytes)) {
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
  const std::int32_t aozora = SettingValue(r.IntSettings, kAozora);
  walker.Aozora.Use = aozora == 0 ? Notation::Off : aozora == 2 ? Notation::On : Notation::IfUsed;
  walker.Entities = UnicodeToSjis;
  walker.Ruby = r.IntSettings[kRuby] == 1;
  return walker;
}

// An empty page with the composer at its top-left, as a run from start
// begins.
void StartRun(Reader& r, std::int32_t start) {
  for (std::string& line : r.PageLines) line.clear();
  for (std::string& line : r.PrevPageLines) line.clear();
  r.CurChar = {kLineBreakMarker, 0, 0};
  r.NextChar[1] = r.NextChar[2] = 0;
  r.Column = r.Row = r.MarkColumn = 0;
  r.CharEnd = r.PrevCharEnd = 0;
  r.PageStart = start;
  r.ReturnToTitle = r.LineBreakPending = r.WaitArmed = r.Skipping = false;
}

// Bytes walked between two pumps of a run (some 10 ms of work): a long
// stretch that shows nothing (a file of zero bytes) or a quiet layout,
// where the composer itself pumps none, must not freeze the window, nor
// keep a close waiting.
constexpr std::int64_t kPumpBytes = 1 << 20;

// Composes the text from pos to its end and calls step after each
// character. The composer runs one character behind the walk: NextChar is
// the lookahead of CurChar. False when the reader leaves.
template <class Step>
bool ComposeText(Reader& r, TextWalker& walker, std::int64_t pos, Step step) {
  for (std::int64_t pump = pos + kPumpBytes;;) {
    walker.PauseAt(pump);
    if (!walker.Next(pos, r.IntSettings[kTagCut] != 0, r.NextChar.data())) {
      if (pos >= r.TextLength) break;
      r.Hooks->ProcessMessages();
      if (r.ReturnToTitle || r.Closing) return false;
      pump = pos + kPumpBytes;
      continue;
    }
    // pos is the last byte of the character just produced; it lies at most
    // on the terminating zero, so it fits.
    r.ReadPos = static_cast<std::int32_t>(pos);
    r.ComposeChar();
    step();
    r.CurChar[0] = r.NextChar[0];
    r.CurChar[1] = r.NextChar[1];
    r.PrevCharEnd = r.CharEnd;
    r.CharEnd = pos + 1 > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(pos + 1);
    if (r.ReturnToTitle || r.Closing) return false;
    ++pos;
    // Ruby, like tag removal, follows the settings dialog from the next step.
    walker.Ruby = r.IntSettings[kRuby] == 1;
  }
  // End of the text: the last character gets a line break as its
  // lookahead, and that line break may pause once more.
  r.NextChar = {kLineBreakMarker, 0, 0};
  if (!EndsLine(r.CurChar.data())) r.ComposeChar();
  step();
  r.CurChar = {kLineBreakMarker, 0, 0};
  r.ComposeChar();
  return true;
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
  // Exists but cannot be read, or is too large: never walk it as if it had
  // a size.
  if (const char* refused =
          LoadText(StrSettings[kText], SettingValue(IntSettings, kEncoding), text, size)) {
    Warn(refused);
    return;
  }
  TextLength = static_cast<std::int32_t>(size);
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
  bool shown = false;
  if (!ComposeText(*this, walker, start, [&] { shown = shown || Column > 0; })) {
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
  if (!shown && start == 0) Warn(sjis::kMsgEmptyFile);
}
