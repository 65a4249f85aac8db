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
// A text in another encoding is converted to Shift-JIS (when detect is set):
// from here on the converted form is the text, positions and all.
bool LoadText(const std::string& path, bool detect, std::unique_ptr<std::uint8_t[]>& text,
              std::size_t& size) {
  if (ReadWholeFile(path, text, size, kMaxTextBytes, 1) != ReadResult::Ok) return false;
  text[size] = 0;
  const TextEncoding encoding = detect ? DetectEncoding(text.get(), size) : TextEncoding::ShiftJis;
  return encoding == TextEncoding::ShiftJis || ConvertToSjis(text, size, encoding, kMaxTextBytes);
}

}  // namespace

void Reader::ReadText(std::int32_t start) {
  GlyphFont.Color = kWhite;

  std::unique_ptr<std::uint8_t[]> text;
  std::size_t size = 0;
  if (!LoadText(StrSettings[kText], SettingValue(IntSettings, kEncoding) == 0, text, size)) {
    // Exists but cannot be read, or is too large: never walk it as if it
    // had a size.
    const long long bytes = FileSize(StrSettings[kText]);
    Warn(bytes >= 0 && std::uint64_t(bytes) >= kMaxTextBytes ? sjis::kMsgTooLarge
                                                             : sjis::kMsgCannotRead);
    return;
  }
  TextLength = static_cast<std::int32_t>(size);
  if (TextLength == 0) {
    Warn(sjis::kMsgEmptyFile);
    return;
  }

  for (std::string& line : PageLines) line.clear();
  for (std::string& line : PrevPageLines) line.clear();
  CurChar = {kLineBreakMarker, 0, 0};
  NextChar[1] = NextChar[2] = 0;
  Column = Row = MarkColumn = 0;
  CharEnd = PrevCharEnd = 0;
  // A negative index can only come from a hand-edited settings file; it
  // would read before the buffer.
  if (start < 0) start = 0;
  PageStart = start;
  ReturnToTitle = LineBreakPending = WaitArmed = Skipping = false;

  ShowTextScreen();

  // The composer runs one character behind the walk: NextChar is the
  // lookahead of CurChar.
  TextWalker walker(text.get(), TextLength, AsciiToFull.data(), KanaToFull.data());
  const std::int32_t aozora = SettingValue(IntSettings, kAozora);
  walker.Aozora.Use = aozora == 0 ? Notation::Off : aozora == 2 ? Notation::On : Notation::IfUsed;
  walker.Entities = UnicodeToSjis;
  walker.Ruby = IntSettings[kRuby] == 1;
  walker.Prime(start, IntSettings[kTagCut] != 0);
  std::int64_t pos = start;
  while (walker.Next(pos, IntSettings[kTagCut] != 0, NextChar.data())) {
    // pos is the last byte of the character just produced; it lies at most
    // on the terminating zero, so it fits.
    ReadPos = static_cast<std::int32_t>(pos);
    ComposeChar();
    CurChar[0] = NextChar[0];
    CurChar[1] = NextChar[1];
    PrevCharEnd = CharEnd;
    CharEnd = pos + 1 > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(pos + 1);
    if (ReturnToTitle || Closing) {
      Records[0] = {StrSettings[kText], PageStart, TextLength};
      text.reset();
      // Nothing is drawn once the window is closing.
      if (ReturnToTitle && !Closing) DrawTitleScreen(true);
      return;
    }
    ++pos;
    // Ruby, like tag removal, follows the settings dialog from the next step.
    walker.Ruby = IntSettings[kRuby] == 1;
  }

  // End of the text: the last character gets a line break as its
  // lookahead, and that line break may pause once more.
  NextChar = {kLineBreakMarker, 0, 0};
  if (!EndsLine(CurChar.data())) ComposeChar();
  CurChar = {kLineBreakMarker, 0, 0};
  ComposeChar();
  text.reset();
  if (!Closing) DrawTitleScreen(true);
}
