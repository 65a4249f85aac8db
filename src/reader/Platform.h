// The few things the reader needs from a window system, named for what the
// reader does with them. The Qt shell implements them for the real window;
// tests implement them with a scripted clock and scripted input, so the whole
// reader runs headless and repeatably.
//
// Every string crossing this boundary is Shift-JIS, as in the rest of the
// core; the implementation converts at its edge.
#pragma once

#include <cstdint>
#include <string>

#include "render/Bitmap.h"
#include "render/GlyphMask.h"

enum class BoxKind {
  Warning,       // title "警告", one OK button
  Information,   // information icon, one OK button
  Confirmation,  // question, OK and Cancel
  Plain,         // no icon, one OK button (the About box)
  Error,         // an error report, one OK button
  YesNo,         // question, Yes (Ok) and No (Cancel), No the default
};

enum class BoxResult { Ok, Cancel };

// What an open-file dialog is given and what it gives back.
struct FileDialogRequest {
  std::string Title;       // Shift-JIS
  std::string Filter;      // "description|pattern|description|pattern", Shift-JIS
  int FilterIndex = 1;     // 1-based, in and out
  std::string InitialDir;  // Shift-JIS path
  std::string FileName;    // Shift-JIS, file-name part only
  std::string Chosen;      // out: Shift-JIS full path when confirmed
};

class PlatformHooks {
 public:
  virtual ~PlatformHooks() = default;

  // Handles every pending window message once, without waiting.
  virtual void ProcessMessages() = 0;
  // The same, but with nothing pending it first waits for a message, though
  // not past tick `until` (a tick already reached, in wrap-around order,
  // waits not at all). The reader calls it where nothing it shows changes
  // before that tick unless a message comes, so the window system can block
  // instead of polling. By default it is ProcessMessages().
  virtual void ProcessMessagesUntil(std::uint32_t until) {
    (void)until;
    ProcessMessages();
  }
  // The same where only a message can change anything: no time limit.
  virtual void WaitForMessages() { ProcessMessages(); }
  // The 32-bit millisecond tick counter; wraps, so compare unsigned.
  virtual std::uint32_t GetTickCount() = 0;
  // Sleeps until tick `until` without handling any message: the column wipe
  // waits on the clock alone. By default it returns at once and the caller
  // polls the clock.
  virtual void RestUntil(std::uint32_t until) { (void)until; }

  // Copies the w x h rectangle at (sx, sy) of src to (dx, dy) of the window
  // (clipped to both). The window shows it at its next repaint...
  virtual void CopyToWindow(const Bitmap& src, int sx, int sy, int w, int h, int dx, int dy) = 0;
  // ...or now: pushes the copies made so far to the screen without handling
  // any input (the column wipe must be seen as it happens).
  virtual void FlushWindow() {}

  virtual void Beep() {}
  virtual BoxResult MessageBox(BoxKind kind, const std::string& text,
                               const std::string& caption) = 0;

  // The menu model (captions, enabled, checked) or the caption changed.
  virtual void MenuChanged() {}
  virtual void CaptionChanged(const std::string& caption) { (void)caption; }

  // Rasterises one Shift-JIS double-byte character in the named face at the
  // given character cell height (72 for glyph drawing, 96 for font data).
  // Returns false when nothing can be drawn; out is then empty.
  virtual bool RasterizeGlyph(std::uint8_t lead, std::uint8_t trail, const std::string& face,
                              bool bold, int cellHeight, GlyphMask& out) = 0;
  // The same for a character Shift-JIS lacks, by its code point: from the
  // named face, or else from any installed face that has it. False when
  // none has it.
  virtual bool RasterizeChar(char32_t ch, const std::string& face, bool bold, int cellHeight,
                             GlyphMask& out) {
    (void)ch, (void)face, (void)bold, (void)cellHeight, (void)out;
    return false;
  }

  // Reads a bitmap file into a 24-bit bitmap. False leaves out untouched.
  virtual bool LoadBitmapFile(const std::string& path, Bitmap& out) {
    (void)path;
    (void)out;
    return false;
  }

  // Runs a modal open-file dialog; true when the reader confirmed a file.
  // req.FilterIndex is updated either way.
  virtual bool ChooseFile(FileDialogRequest& req) {
    (void)req;
    return false;
  }

  // Asks the window to close; the shell runs FormClose from its close event.
  virtual void CloseWindow() {}

  // Desktop size and colour depth, and the window's outer size (frame,
  // caption and menu bar included) and position.
  virtual void GetDesktop(int& width, int& height, int& bitsPerPixel) {
    width = 1920;
    height = 1080;
    bitsPerPixel = 24;
  }
  virtual void GetWindowOuterSize(int& width, int& height) {
    width = 640;
    height = 480;
  }
  virtual void MoveWindow(int left, int top) {
    (void)left;
    (void)top;
  }
  // The part of the screen a window may take (the desktop less its panels).
  virtual void GetWorkArea(int& width, int& height) {
    int bitsPerPixel{};
    GetDesktop(width, height, bitsPerPixel);
  }
  // Shows the window's page at a whole factor (1..3), each page pixel a
  // square of that side; the window's outer size follows. Full screen keeps
  // its own scale and takes the factor up when it is left.
  virtual void SetZoom(int factor) { (void)factor; }

  // The full-screen emulation: enter (true) or leave (false).
  virtual void SetFullScreen(bool on) { (void)on; }
  // Shows or hides the menu bar while full screen.
  virtual void ShowMenuBar(bool visible) { (void)visible; }
};
