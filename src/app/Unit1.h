// The reader window: a QMainWindow that is also the reader object and its
// platform. It forwards Qt's events to the reader's handlers and provides
// what the reader needs of the window system (the pump, the tick counter,
// window copies, boxes, menus, the text rasteriser, file dialogs).
#pragma once

#include <QImage>
#include <QMainWindow>
#include <QTimer>

#include <map>
#include <memory>

#include "dialog/Unit2.h"
#include "platform/qt/MessagePump.h"
#include "platform/qt/QtGlyphRasterizer.h"
#include "reader/Reader.h"

class QAction;
class QMenu;
class QMenuBar;

// The 640 x 480 client area: paints the window surface and reports the
// pointer and keys in page coordinates.
class PageView : public QWidget {
  Q_OBJECT
 public:
  explicit PageView(QWidget* parent);
  QImage Surface;          // wraps the window surface bitmap
  QRect PageRect() const;  // where the page sits in the widget
  // Page coordinates (0..639, 0..479) of a point of the widget.
  QPoint ToPage(QPointF p) const;
  bool Scaled = false;  // full screen: the page fills the widget
  int Zoom = 1;         // otherwise: each page pixel a Zoom x Zoom square

 signals:
  void KeyDown(QKeyEvent* e);
  void KeyUp(QKeyEvent* e);
  void MouseDown(QMouseEvent* e);
  void MouseUp(QMouseEvent* e);
  void MouseMove(QMouseEvent* e);
  void Wheel(QWheelEvent* e);

 protected:
  void paintEvent(QPaintEvent*) override;
  void keyPressEvent(QKeyEvent* e) override { emit KeyDown(e); }
  void keyReleaseEvent(QKeyEvent* e) override { emit KeyUp(e); }
  void mousePressEvent(QMouseEvent* e) override { emit MouseDown(e); }
  void mouseReleaseEvent(QMouseEvent* e) override { emit MouseUp(e); }
  void mouseMoveEvent(QMouseEvent* e) override { emit MouseMove(e); }
  void mouseDoubleClickEvent(QMouseEvent* e) override { emit MouseDown(e); }
  void wheelEvent(QWheelEvent* e) override { emit Wheel(e); }
};

class TForm1 : public QMainWindow, public PlatformHooks, public Reader, public SettingsDialogOwner {
  Q_OBJECT
 public:
  TForm1();
  ~TForm1() override;

  // Fills and shows the settings dialog (Form2, which registers itself
  // when it is created; made here at the first use unless a test made one),
  // then redraws what it changed.
  void MEnv1Click();

  // Closes as Alt+F4 does, asked from outside (a signal, the session's
  // end), in whatever state: boxes and dialogs open are closed, a font data
  // run is stopped as 中止 stops it and the close goes on once it has. From
  // then on a box waits for nobody: its text goes to standard error.
  void EndSession();

  PageView* View() const { return view_; }
  const Bitmap& WindowSurface() const { return surface_; }
  QAction* ActionFor(const MenuItem* item) const;

  // Maps a Qt key to the virtual key code the reader knows (0 for keys it
  // has no code for).
  static std::uint16_t VirtualKey(int qtKey);

  // ---- SettingsDialogOwner ----
  Reader& DialogReader() override { return *this; }
  QWidget* DialogWindow() override { return this; }
  void FontDataRunEnded() override;

  // ---- PlatformHooks ----
  void ProcessMessages() override;
  void ProcessMessagesUntil(std::uint32_t until) override;
  void WaitForMessages() override;
  std::uint32_t GetTickCount() override;
  void RestUntil(std::uint32_t until) override;
  void CopyToWindow(const Bitmap& src, int sx, int sy, int w, int h, int dx, int dy) override;
  void FlushWindow() override;
  void Beep() override;
  BoxResult MessageBox(BoxKind kind, const std::string& text, const std::string& caption) override;
  void MenuChanged() override;
  void CaptionChanged(const std::string& caption) override;
  bool RasterizeGlyph(std::uint8_t lead, std::uint8_t trail, const std::string& face, bool bold,
                      int cellHeight, GlyphMask& out) override;
  bool RasterizeChar(char32_t ch, const std::string& face, bool bold, int cellHeight,
                     GlyphMask& out) override;
  bool LoadBitmapFile(const std::string& path, Bitmap& out) override;
  bool ChooseFile(FileDialogRequest& req) override;
  void CloseWindow() override;
  void GetDesktop(int& width, int& height, int& bitsPerPixel) override;
  void GetWindowOuterSize(int& width, int& height) override;
  void MoveWindow(int left, int top) override;
  void SetFullScreen(bool on) override;
  void ShowMenuBar(bool visible) override;
  void GetWorkArea(int& width, int& height) override;
  void SetZoom(int factor) override;

  // A text named on the command line becomes the chosen text, as a choice
  // in the file dialog would: setting Text and the caption, no reading. A
  // missing file, one that is not a regular file (a FIFO, a folder) or a
  // name with no Shift-JIS form is refused with a warning and leaves Text
  // alone. False when refused.
  bool OpenFromCommandLine(const QString& path);

  bool IsFullScreen() const { return fullScreen_; }
  QMenuBar* OverlayMenuBar() const { return overlay_; }

 protected:
  void closeEvent(QCloseEvent* e) override;
  void showEvent(QShowEvent* e) override;
  bool event(QEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void BuildMenuBar();
  void AddMenuItems(QMenu* menu, MenuItem* parent);
  void RunCommand(MenuItem* item);
  // Centres the window once the window manager has framed it: at the first
  // show and after full screen, the frame is not known at once.
  void CentreOnceFramed();
  void OnFrameWatch();
  void LetGoOfHeldRelease();
  bool PumpClock();
  void OnKeyDown(QKeyEvent* e);
  void OnKeyUp(QKeyEvent* e);
  void OnMouseDown(QMouseEvent* e);
  void OnMouseUp(QMouseEvent* e);
  void OnMouseMove(QMouseEvent* e);
  void OnWheel(QWheelEvent* e);

  Bitmap surface_{640, 480};
  PageView* view_ = nullptr;
  bool closed_ = false;
  bool endingSession_ = false;
  MessagePump pump_;
  bool fullScreen_ = false;
  int zoom_ = 1;
  QTimer frameWatch_;
  int frameWatchTicks_ = 0;
  // A key release held back until it is known not to be half of a repeat.
  QTimer heldRelease_;
  std::uint16_t heldReleaseKey_ = 0;
  quint64 heldReleaseTime_ = 0;
  QMenuBar* overlay_ = nullptr;  // the menu bar shown over the page in full screen
  QRegion dirty_;
  GlyphRasterizerCache rasterizers_;
  std::map<const MenuItem*, QAction*> actions_;
  std::map<const MenuItem*, QMenu*> menus_;
  std::unique_ptr<TForm2> dialog_;  // the settings dialog, once it was first asked for
};

// Where a 640 x 480 page sits in an area of the given size: by the largest
// whole factor (crisp pixels) when that fills at least 90 % of the height,
// otherwise scaled smoothly to fit; centred, aspect ratio kept. smooth tells
// which.
QRect FitPage(QSize area, bool* smooth = nullptr);

// Escapes "&" so Qt shows it literally (file names in bookmark captions).
QString LiteralMenuText(const QString& s);
// Escapes "[*]" so Qt shows it literally (a file name in the caption).
QString LiteralWindowTitle(const QString& s);
// "desc|pattern|desc|pattern" to Qt's name filters ("desc (pattern)"), each
// pattern shown once, and "*.*" as "*".
QStringList QtNameFilters(const std::string& filterUtf8);
