#include "app/Unit1.h"

#include <QAbstractButton>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLibraryInfo>
#include <QMenuBar>
#include <QMessageBox>
#include <QPaintEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QScreen>
#include <QTranslator>
#include <QWheelEvent>
#include <QWindow>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "dialog/SettingsDialog.h"
#include "dialog/Unit2.h"
#include "platform/Files.h"
#include "platform/qt/MessagePump.h"
#include "platform/qt/QtBitmapFile.h"
#include "platform/Sjis.h"
#include "text/SjisTexts.h"

namespace {
QString U(const std::string& sjis) { return QString::fromStdString(ToUtf8(sjis)); }

// A caption that begins with the file-name part of path, that name spelt as
// it is on disk: a Shift-JIS code that stands for two characters (0x8160
// for 〜 and ～, 0x5C for \ and ¥) reads back as one of them only.
QString WithNameOnDisk(const std::string& caption, const std::string& path) {
  const std::string name = FileNamePart(path);
  if (name.empty() || caption.compare(0, name.size(), name) != 0) return U(caption);
  return QString::fromStdString(FileNamePart(NativePath(path))) + U(caption.substr(name.size()));
}

// Qt's own words (the file chooser's buttons, labels and messages) in
// Japanese, as the reader's are, where Qt's translation is installed;
// English otherwise. Once for the program.
void SpeakJapanese() {
  static bool tried = false;
  if (tried) return;
  tried = true;
  auto* qt = new QTranslator(QCoreApplication::instance());
  if (qt->load(QLocale(QLocale::Japanese), "qtbase", "_",
               QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QCoreApplication::installTranslator(qt);
}
}  // namespace

// ---------------------------------------------------------------- PageView

PageView::PageView(QWidget* parent) : QWidget(parent) {
  setFixedSize(640, 480);
  setMouseTracking(true);  // pointer moves count without a button pressed
  setFocusPolicy(Qt::StrongFocus);
  // The page paints every pixel itself (black outside the page).
  setAttribute(Qt::WA_OpaquePaintEvent);
}

QRect FitPage(QSize area, bool* smooth) {
  const double s = std::min(area.width() / 640.0, area.height() / 480.0);
  const int k = static_cast<int>(s);
  QSize size;
  const bool whole = k >= 1 && k * 480 >= 0.9 * area.height();
  if (whole)
    size = QSize(640 * k, 480 * k);
  else
    size = QSize(std::max(1, int(640 * s)), std::max(1, int(480 * s)));
  if (smooth) *smooth = !whole;
  return QRect((area.width() - size.width()) / 2, (area.height() - size.height()) / 2, size.width(),
               size.height());
}

QRect PageView::PageRect() const {
  return Scaled ? FitPage(size()) : QRect(0, 0, 640 * Zoom, 480 * Zoom);
}

QPoint PageView::ToPage(QPointF p) const {
  const QRect r = PageRect();
  // Outside the page (the black bars of full screen) counts as its edge.
  const double x = std::floor((p.x() - r.x()) * 640.0 / r.width());
  const double y = std::floor((p.y() - r.y()) * 480.0 / r.height());
  return QPoint(int(std::clamp(x, 0.0, 639.0)), int(std::clamp(y, 0.0, 479.0)));
}

void PageView::paintEvent(QPaintEvent* e) {
  QPainter p(this);
  bool smooth = false;
  const QRect r = Scaled ? FitPage(size(), &smooth) : QRect(0, 0, 640, 480);
  if (r != rect()) {
    QRegion bars = QRegion(rect()) - QRegion(r);
    for (const QRect& b : bars) p.fillRect(b, Qt::black);
  }
  if (!Scaled && Zoom == 1) {
    p.drawImage(e->rect().topLeft(), Surface, e->rect());
    return;
  }
  if (!Scaled) {
    // Only the page pixels under the painted area, each a square.
    const QRect a = e->rect();
    const QRect src = QRect(QPoint(a.left() / Zoom, a.top() / Zoom),
                            QPoint(a.right() / Zoom, a.bottom() / Zoom)) &
                      Surface.rect();
    p.drawImage(QRect(src.topLeft() * Zoom, src.size() * Zoom), Surface, src);
    return;
  }
  p.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
  p.drawImage(r, Surface);
}

// ---------------------------------------------------------------- TForm1

TForm1::TForm1() : QMainWindow(nullptr), PlatformHooks(), Reader(this) {
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                 Qt::MSWindowsFixedSizeDialogHint);
  setWindowTitle(kAppTitle);
  SpeakJapanese();

  view_ = new PageView(this);
  view_->Surface = QImage(surface_.Bits(), 640, 480, static_cast<qsizetype>(surface_.Stride()),
                          QImage::Format_BGR888);
  setCentralWidget(view_);
  connect(view_, &PageView::KeyDown, this, &TForm1::OnKeyDown);
  connect(view_, &PageView::KeyUp, this, &TForm1::OnKeyUp);
  connect(view_, &PageView::MouseDown, this, &TForm1::OnMouseDown);
  connect(view_, &PageView::MouseUp, this, &TForm1::OnMouseUp);
  connect(view_, &PageView::MouseMove, this, &TForm1::OnMouseMove);
  connect(view_, &PageView::Wheel, this, &TForm1::OnWheel);
  view_->setFocus();
  frameWatch_.setInterval(10);
  connect(&frameWatch_, &QTimer::timeout, this, &TForm1::OnFrameWatch);
  heldRelease_.setSingleShot(true);
  connect(&heldRelease_, &QTimer::timeout, this, [this] { FormKeyUp(heldReleaseKey_); });

  FormCreate();
  BuildMenuBar();
  MenuChanged();
  // Full screen from the settings (or a 640-wide desktop) sizes itself.
  if (!fullScreen_) setFixedSize(sizeHint());
}

TForm1::~TForm1() = default;

// ---- menus: the Qt menu bar mirrors the reader's menu model ----

void TForm1::BuildMenuBar() {
  QMenuBar* bar = menuBar();
  bar->clear();
  actions_.clear();
  menus_.clear();
  for (MenuItem* top : MainMenu1) {
    if (top->Type == MenuItem::Kind::Menu) {
      QMenu* m = bar->addMenu(U(top->Caption));
      menus_[top] = m;
      AddMenuItems(m, top);
    } else {
      QAction* a = bar->addAction(QString());
      actions_[top] = a;
      connect(a, &QAction::triggered, this, [this, top] { RunCommand(top); });
    }
  }
  // In full screen the same menus show in a bar over the top of the page.
  delete overlay_;
  overlay_ = new QMenuBar(view_);
  overlay_->setNativeMenuBar(false);
  overlay_->setAutoFillBackground(true);
  for (MenuItem* top : MainMenu1) {
    if (top->Type == MenuItem::Kind::Menu)
      overlay_->addMenu(menus_[top]);
    else
      overlay_->addAction(actions_[top]);
  }
  overlay_->hide();
}

void TForm1::AddMenuItems(QMenu* m, MenuItem* parent) {
  QActionGroup* radios = nullptr;
  for (MenuItem* item : parent->Items) {
    if (item->Type == MenuItem::Kind::Separator) {
      m->addSeparator();
      continue;
    }
    if (item->Type == MenuItem::Kind::Menu) {
      QMenu* sub = m->addMenu(U(item->Caption));
      menus_[item] = sub;
      AddMenuItems(sub, item);
      continue;
    }
    QAction* a = m->addAction(QString());
    actions_[item] = a;
    if (item->RadioItem) {
      if (!radios) radios = new QActionGroup(m);
      a->setActionGroup(radios);
      a->setCheckable(true);
    }
    if (!item->Shortcut.empty())
      a->setShortcut(QKeySequence(QString::fromStdString(item->Shortcut)));
    // Shortcuts must reach the window even while a reading run pumps
    // the queue from inside another handler.
    a->setShortcutContext(Qt::WindowShortcut);
    addAction(a);
    connect(a, &QAction::triggered, this, [this, item] { RunCommand(item); });
  }
}

void TForm1::RunCommand(MenuItem* item) {
  if (item == &MTitle1)
    MTitle1Click();
  else if (item == &MExit1)
    MExit1Click();
  else if (item == &MDisp1)
    MDisp1Click();
  else if (item == &MAbout1)
    MAbout1Click();
  else if (item == &MEnv1)
    MEnv1Click();
  else if (item == &MSkip1)
    MSkip1Click();
  else if (item == &MAuto1)
    MAuto1Click();
  else if (item == &MVert1)
    MVert1Click();
  else if (item >= &ZoomItems[0] && item <= &ZoomItems[2])
    MZoomClick(item->Tag);
  else if (item >= &DataItems[0] && item <= &DataItems[19])
    MDataClick(item->Tag);
}

QAction* TForm1::ActionFor(const MenuItem* item) const {
  auto it = actions_.find(item);
  return it == actions_.end() ? nullptr : it->second;
}

QString LiteralMenuText(const QString& s) {
  QString out = s;
  out.replace("&", "&&");
  return out;
}

void TForm1::MenuChanged() {
  if (actions_.empty()) return;  // before the bar exists
  for (auto& [item, menu] : menus_) {
    menu->setTitle(U(item->Caption));
    menu->setEnabled(item->Enabled);
  }
  for (auto& [item, action] : actions_) {
    const bool bookmark = item >= &DataItems[0] && item <= &DataItems[19];
    // A bookmark's name as the text's is on disk.
    QString text =
        bookmark ? WithNameOnDisk(item->Caption, Records[1 + (item - &DataItems[0]) % 10].Text)
                 : U(item->Caption);
    // A menu bar draws no check mark: a command on the bar shows its own.
    const bool onBar = std::find(MainMenu1.begin(), MainMenu1.end(), item) != MainMenu1.end();
    if (onBar && item->Checked) text = QString::fromUtf8("\u2713") + text;
    action->setText(bookmark ? LiteralMenuText(text) : text);
    action->setEnabled(item->Enabled);
    action->setCheckable(item->Checked || item->RadioItem);
    action->setChecked(item->Checked);
  }
  menuBar()->setVisible(!fullScreen_);
}

QString LiteralWindowTitle(const QString& s) {
  QString out = s;
  out.replace("[*]", "[*][*]");
  return out;
}

void TForm1::CaptionChanged(const std::string& caption) {
  setWindowTitle(LiteralWindowTitle(WithNameOnDisk(caption, StrSettings[kText])));
}

void TForm1::MEnv1Click() {
  if (Quiet) return;  // a resume's last page is looked for: the settings hold still
  // Made at its first use, so that the cover does not wait for it; then
  // kept, so that its page and fields stay as they were left.
  if (!Form2) dialog_ = std::make_unique<TForm2>(this);
  Form2->FillDialog();
  Form2->exec();
  if (Closing) return;  // closed from outside meanwhile: nothing more to show
  // Whatever closed the dialog: the flags are those the last OK left.
  RefreshAfterSettings(*this, Form2->ChangeFlags);
}

void TForm1::EndSession() {
  endingSession_ = true;
  // A box or dialog still open would keep its own loop, and the program,
  // running after the window closed. The settings dialog stays while a font
  // data run lives in it: the run stops after its row, as 中止 stops it, and
  // FontDataRunEnded goes on from there.
  for (int i = 0; i < 8; ++i) {
    QWidget* open = QApplication::activeModalWidget();
    if (!open) break;
    if (Form2 && open == Form2 && Form2->Creating()) {
      Form2->AbortFlag = 1;
      return;
    }
    open->close();
  }
  MExit1Click();
}

void TForm1::FontDataRunEnded() {
  if (endingSession_) EndSession();
}

// ---- the pump and the clock ----

void TForm1::ProcessMessages() { pump_.Pump(); }

// The waits are on the pump's clock; a tick counter that is not that clock
// (a test's) gets none, or a tick of its own could stand for weeks.
bool TForm1::PumpClock() { return GetTickCount() - MessagePump::Ticks() + 1u <= 2u; }

void TForm1::ProcessMessagesUntil(std::uint32_t until) {
  if (PumpClock())
    pump_.PumpUntil(until);
  else
    pump_.Pump();
}

void TForm1::WaitForMessages() { pump_.PumpWait(); }

std::uint32_t TForm1::GetTickCount() { return MessagePump::Ticks(); }

void TForm1::RestUntil(std::uint32_t until) {
  if (PumpClock()) MessagePump::SleepUntil(until);
}

// ---- the window surface ----

void TForm1::CopyToWindow(const Bitmap& src, int sx, int sy, int w, int h, int dx, int dy) {
  if (!ClipCopy(src.Width(), src.Height(), 640, 480, sx, sy, dx, dy, w, h)) return;
  CopyRect(surface_, dx, dy, src, sx, sy, w, h);
  QRect r = view_->PageRect();
  // The page may be scaled (full screen): repaint the covering rectangle.
  const double fx = r.width() / 640.0, fy = r.height() / 480.0;
  QRect area(r.x() + int(dx * fx) - 1, r.y() + int(dy * fy) - 1, int(w * fx) + 3, int(h * fy) + 3);
  dirty_ += area;
  view_->update(area);
}

void TForm1::FlushWindow() {
  // Paint what is due now without handing any input to the reader.
  if (dirty_.isEmpty()) return;
  view_->repaint(dirty_);
  dirty_ = QRegion();
}

// ---- boxes ----

void TForm1::Beep() { QApplication::beep(); }

BoxResult TForm1::MessageBox(BoxKind kind, const std::string& text, const std::string& caption) {
  if (endingSession_) {
    // Nobody may be there to answer (a logout): said where it stays, and
    // every question answered no.
    std::fprintf(stderr, "pagelune: %s: %s\n", ToUtf8(caption).c_str(), ToUtf8(text).c_str());
    return kind == BoxKind::Confirmation || kind == BoxKind::YesNo ? BoxResult::Cancel
                                                                   : BoxResult::Ok;
  }
  QMessageBox box(this);
  box.setWindowTitle(U(caption));
  box.setText(U(text));
  box.setTextFormat(Qt::PlainText);
  switch (kind) {
    case BoxKind::Warning:
      box.setIcon(QMessageBox::Warning);
      break;
    case BoxKind::Information:
      box.setIcon(QMessageBox::Information);
      break;
    case BoxKind::Confirmation:
    case BoxKind::YesNo:
      box.setIcon(QMessageBox::Question);
      break;
    case BoxKind::Error:
      box.setIcon(QMessageBox::Critical);
      break;
    case BoxKind::Plain:
      box.setIcon(QMessageBox::NoIcon);
      break;
  }
  if (kind == BoxKind::Confirmation) {
    box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
    box.button(QMessageBox::Cancel)
        ->setText(QString::fromUtf8(
            "\xE3\x82\xAD\xE3\x83\xA3\xE3\x83\xB3\xE3\x82\xBB\xE3\x83\xAB"));  // キャンセル
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Cancel);
  } else if (kind == BoxKind::YesNo) {
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.button(QMessageBox::Yes)->setText(QString::fromUtf8("\xE3\x81\xAF\xE3\x81\x84"));  // はい
    box.button(QMessageBox::No)
        ->setText(QString::fromUtf8("\xE3\x81\x84\xE3\x81\x84\xE3\x81\x88"));  // いいえ
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes ? BoxResult::Ok : BoxResult::Cancel;
  } else {
    box.setStandardButtons(QMessageBox::Ok);
  }
  return box.exec() == QMessageBox::Ok ? BoxResult::Ok : BoxResult::Cancel;
}

// ---- text rasteriser and bitmap files ----

bool TForm1::RasterizeGlyph(std::uint8_t lead, std::uint8_t trail, const std::string& face,
                            bool bold, int cellHeight, GlyphMask& out) {
  return rasterizers_.Rasterize(lead, trail, face, bold, cellHeight, out);
}

bool TForm1::RasterizeChar(char32_t ch, const std::string& face, bool bold, int cellHeight,
                           GlyphMask& out) {
  return rasterizers_.RasterizeChar(ch, face, bold, cellHeight, out);
}

bool TForm1::LoadBitmapFile(const std::string& path, Bitmap& out) {
  return ::LoadBitmapFile(path, out);
}

// ---- file dialog ----

QStringList QtNameFilters(const std::string& filterUtf8) {
  const QStringList parts = QString::fromStdString(filterUtf8).split('|');
  // Qt shows a filter's patterns after its name: a name that shows them
  // itself ("テキストファイル(*.txt)") loses its own copy.
  static const QRegularExpression shown("\\s*\\([^()]*\\)\\s*$");
  // "*.*" stands for every file where every name has an extension; a Linux
  // name may have none.
  static const QRegularExpression everyFile("^\\*\\.\\*$");
  QStringList out;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QStringList patterns = parts[i + 1].split(';', Qt::SkipEmptyParts);
    patterns.replaceInStrings(everyFile, "*");
    out << QString(parts[i]).remove(shown) + " (" + patterns.join(' ') + ")";
  }
  return out;
}

bool TForm1::ChooseFile(FileDialogRequest& req) {
  QFileDialog dlg(this, U(req.Title));
  dlg.setFileMode(QFileDialog::ExistingFile);
  dlg.setAcceptMode(QFileDialog::AcceptOpen);
  const QStringList filters = QtNameFilters(ToUtf8(req.Filter));
  dlg.setNameFilters(filters);
  if (req.FilterIndex >= 1 && req.FilterIndex <= filters.size())
    dlg.selectNameFilter(filters[req.FilterIndex - 1]);
  if (!req.InitialDir.empty()) dlg.setDirectory(QString::fromStdString(NativePath(req.InitialDir)));
  // The stored name as it is spelt in its folder.
  if (!req.FileName.empty()) {
    const std::string& dir = req.InitialDir;
    const std::string path = dir.empty() ? req.FileName : dir + "/" + req.FileName;
    dlg.selectFile(QString::fromStdString(FileNamePart(NativePath(path))));
  }
  const bool ok = dlg.exec() == QDialog::Accepted && !dlg.selectedFiles().isEmpty();
  const int idx = filters.indexOf(dlg.selectedNameFilter());
  if (idx >= 0) req.FilterIndex = idx + 1;
  if (!ok) return false;
  std::string sjis;
  if (!PathToStore(dlg.selectedFiles().first().toStdString(), sjis)) {
    // A name with no Shift-JIS form that leads back to it could not be
    // stored without naming another file.
    Warn(sjis::kMsgNameNotSjis);
    return false;
  }
  req.Chosen = sjis;
  return true;
}

bool TForm1::OpenFromCommandLine(const QString& path) {
  const QFileInfo info(path);
  // The dialog offers only existing files; a mistyped name must not
  // replace the text chosen last, nor a FIFO or a folder, which is never read.
  if (!info.isFile()) {
    Warn(info.exists() ? sjis::kMsgCannotRead : sjis::kMsgFileNotFound);
    return false;
  }
  std::string sjis;
  if (!PathToStore(info.absoluteFilePath().toStdString(), sjis)) {
    Warn(sjis::kMsgNameNotSjis);
    return false;
  }
  StrSettings[kText] = sjis;
  UpdateCaption();
  return true;
}

// ---- window frame ----

void TForm1::CloseWindow() { close(); }

void TForm1::closeEvent(QCloseEvent* e) {
  if (!closed_) {
    closed_ = true;
    FormClose();
  }
  e->accept();
}

void TForm1::showEvent(QShowEvent* e) {
  QMainWindow::showEvent(e);
  if (windowHandle()) windowHandle()->installEventFilter(this);
  CentreOnceFramed();
}

bool TForm1::event(QEvent* e) {
  if (e->type() == QEvent::WindowDeactivate) {
    heldRelease_.stop();
    FormDeactivate();
  }
  // Back from a box, a dialog or another window: the page is painted again,
  // which a highlight drawn on the window alone does not survive.
  if (e->type() == QEvent::WindowActivate) FormPaint();
  return QMainWindow::event(e);
}

bool TForm1::eventFilter(QObject* watched, QEvent* e) {
  // Uncovered or restored: painted from the back buffer, as the reader's
  // paint handler does, not from what the window showed before.
  if (watched == windowHandle() && e->type() == QEvent::Expose && windowHandle()->isExposed())
    FormPaint();
  return QMainWindow::eventFilter(watched, e);
}

void TForm1::CentreOnceFramed() {
  frameWatchTicks_ = 0;
  frameWatch_.start();
}

void TForm1::OnFrameWatch() {
  // A window manager frames the window a few milliseconds after it shows;
  // without one there is no frame to wait for.
  if (!fullScreen_ && frameGeometry() == geometry() && ++frameWatchTicks_ < 50) return;
  frameWatch_.stop();
  if (fullScreen_) return;
  ApplyZoom();
  CentreWindow();
}

void TForm1::GetDesktop(int& width, int& height, int& bitsPerPixel) {
  QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
  QRect g = s ? s->geometry() : QRect(0, 0, 1920, 1080);
  width = g.width();
  height = g.height();
  bitsPerPixel = s ? s->depth() : 24;
}

void TForm1::GetWindowOuterSize(int& width, int& height) {
  // Before the window is first shown neither its frame nor its menu bar is
  // laid out yet: take the bar's height from a sample bar, and no frame.
  int bar = 0;
  if (!fullScreen_) {
    if (menuBar()->isVisible()) {
      bar = menuBar()->height();
    } else {
      QMenuBar sample;
      sample.addMenu(U(MFile1.Caption));
      bar = sample.sizeHint().height();
    }
  }
  const QRect f = frameGeometry(), g = geometry();
  const bool framed = isVisible() && !fullScreen_;
  width = 640 * zoom_ + (framed ? f.width() - g.width() : 0);
  height = 480 * zoom_ + bar + (framed ? f.height() - g.height() : 0);
}

void TForm1::GetWorkArea(int& width, int& height) {
  QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
  const QRect a = s ? s->availableGeometry() : QRect(0, 0, 1920, 1080);
  width = a.width();
  height = a.height();
}

void TForm1::SetZoom(int factor) {
  zoom_ = factor;
  view_->Zoom = factor;
  if (!fullScreen_) {
    view_->setFixedSize(640 * factor, 480 * factor);
    setFixedSize(sizeHint());
  }
  view_->update();
}

void TForm1::MoveWindow(int left, int top) {
  if (!fullScreen_) move(left, top);
}

void TForm1::SetFullScreen(bool on) {
  if (on == fullScreen_) return;
  fullScreen_ = on;
  view_->Scaled = on;
  if (on) {
    menuBar()->hide();
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    view_->setMinimumSize(0, 0);
    view_->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    // Without a window manager the full-screen state alone sizes nothing.
    if (QScreen* sc = screen() ? screen() : QGuiApplication::primaryScreen())
      setGeometry(sc->geometry());
    showFullScreen();
  } else {
    overlay_->hide();
    showNormal();
    menuBar()->show();
    view_->setFixedSize(640 * zoom_, 480 * zoom_);
    setFixedSize(sizeHint());
    CentreOnceFramed();
  }
  view_->update();
}

void TForm1::ShowMenuBar(bool visible) {
  if (!fullScreen_ || !overlay_) return;
  if (visible) {
    overlay_->setGeometry(0, 0, view_->width(), overlay_->sizeHint().height());
    overlay_->show();
    overlay_->raise();
  } else {
    overlay_->hide();
  }
}

// ---- input ----

std::uint16_t TForm1::VirtualKey(int qtKey) {
  switch (qtKey) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return kVkReturn;
    case Qt::Key_Space:
      return kVkSpace;
    case Qt::Key_Left:
      return kVkLeft;
    case Qt::Key_Up:
      return kVkUp;
    case Qt::Key_Right:
      return kVkRight;
    case Qt::Key_Down:
      return kVkDown;
    case Qt::Key_Escape:
      return kVkEscape;
    case Qt::Key_PageUp:
      return kVkPageUp;
    case Qt::Key_PageDown:
      return kVkPageDown;
    default:
      break;
  }
  if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return static_cast<std::uint16_t>(qtKey);
  if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return static_cast<std::uint16_t>(qtKey);
  if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
    return static_cast<std::uint16_t>(112 + (qtKey - Qt::Key_F1));
  return 0;
}

void TForm1::OnKeyDown(QKeyEvent* e) {
  // A held key repeats as release/press pairs: none of them is a real
  // press, or a held Enter would run through pauses.
  if (e->isAutoRepeat()) return;
  const std::uint16_t vk = VirtualKey(e->key());
  if (heldRelease_.isActive() && vk == heldReleaseKey_ && e->timestamp() == heldReleaseTime_) {
    heldRelease_.stop();  // the release was half of a repeat: still held
    return;
  }
  LetGoOfHeldRelease();
  FormKeyDown(vk);
}

void TForm1::OnKeyUp(QKeyEvent* e) {
  if (e->isAutoRepeat()) return;
  LetGoOfHeldRelease();
  const std::uint16_t vk = VirtualKey(e->key());
  // X repeats a held key as a release and a press with one timestamp, and Qt
  // flags the pair only when the press has already arrived. So a release is
  // held back briefly, to be dropped with a press of the same timestamp.
  // One the program made itself has no timestamp and counts at once.
  if (e->timestamp() == 0) return FormKeyUp(vk);
  heldReleaseKey_ = vk;
  heldReleaseTime_ = e->timestamp();
  heldRelease_.start(30);
}

void TForm1::LetGoOfHeldRelease() {
  if (!heldRelease_.isActive()) return;
  heldRelease_.stop();
  FormKeyUp(heldReleaseKey_);
}

namespace {
bool MapButton(Qt::MouseButton b, MouseButton& out) {
  switch (b) {
    case Qt::LeftButton:
      out = MouseButton::Left;
      return true;
    case Qt::RightButton:
      out = MouseButton::Right;
      return true;
    case Qt::MiddleButton:
      out = MouseButton::Middle;
      return true;
    default:
      return false;
  }
}
}  // namespace

void TForm1::OnMouseDown(QMouseEvent* e) {
  MouseButton b;
  if (!MapButton(e->button(), b)) return;
  QPoint p = view_->ToPage(e->position());
  FormMouseDown(b, p.x(), p.y());
}

void TForm1::OnMouseUp(QMouseEvent* e) {
  MouseButton b;
  if (!MapButton(e->button(), b)) return;
  QPoint p = view_->ToPage(e->position());
  FormMouseUp(b, p.x(), p.y());
}

void TForm1::OnMouseMove(QMouseEvent* e) {
  QPoint p = view_->ToPage(e->position());
  FormMouseMove(p.x(), p.y());
}

void TForm1::OnWheel(QWheelEvent* e) {
  FormMouseWheel(e->angleDelta().y());
  e->accept();
}
