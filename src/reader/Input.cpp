#include <algorithm>

#include "reader/Reader.h"

namespace {

// InputState codes: 1 Space or right button, 2 Enter or left button,
// 3..6 the arrow keys (Up, Down, Left, Right); 0 for anything else.
int InputCodeOf(std::uint16_t key) {
  switch (key) {
    case kVkReturn:
      return 2;
    case kVkSpace:
      return 1;
    case kVkLeft:
      return 5;
    case kVkUp:
      return 3;
    case kVkRight:
      return 6;
    case kVkDown:
      return 4;
    default:
      return 0;
  }
}

}  // namespace

void Reader::FormKeyDown(std::uint16_t key) {
  // Commands rather than held keys: they act whatever is held.
  switch (key) {
    case kVkA:
      return MAuto1Click();
    case kVkV:
      return MVert1Click();
    case kVkPageUp:
    case kVkPageDown:
      PauseSteps += key == kVkPageUp ? -1 : 1;
      return;
    case kVkEscape:
      // Back to the page being read: every step forward at once.
      if (LookBackDepth > 0) PauseSteps += kLookBackPages;
      return;
    default:
      break;
  }
  // One key or button at a time: the pause loops wait for its release, and
  // the held key's auto-repeat must not count as a new press.
  if (InputState != 0) return;
  InputState = InputCodeOf(key);
  if (InputState == 0) return;

  if (Mode < 4) {
    int k = Mode;
    if (key == kVkDown || key == kVkRight) ++k;
    if (key == kVkUp || key == kVkLeft) --k;
    // No wrap-around; from "nothing highlighted" every key lands on item 0.
    k = std::clamp(k, 0, 3);
    SelectTitleItem(k, key == kVkReturn);
  }
}

void Reader::FormKeyUp(std::uint16_t key) {
  (void)key;
  InputState = 0;
}

void Reader::FormMouseDown(MouseButton button, int x, int y) {
  (void)x;
  (void)y;
  switch (button) {
    case MouseButton::Left:
      InputState = 2;
      // Carries out whatever is highlighted, wherever the pointer is.
      if (Mode < 4) SelectTitleItem(Mode, true);
      break;
    case MouseButton::Right:
      InputState = 1;
      break;
    case MouseButton::Middle:
      InputState = 0;
      break;
  }
}

void Reader::FormMouseUp(MouseButton button, int x, int y) {
  (void)button;
  (void)x;
  (void)y;
  InputState = 0;
}

void Reader::FormMouseMove(int x, int y) {
  // In full screen the menu bar shows only while the pointer is on the top
  // row of the page.
  if (MDisp1.Checked) {
    if (ScreenWidth == 640) {
      const int wanted = y == 0 ? 1 : 2;
      const bool changed = wanted != InstalledMenu;
      InstalledMenu = wanted;
      Hooks->ShowMenuBar(InstalledMenu == 1);
      if (changed) Hooks->MenuChanged();
    } else {
      Hooks->ShowMenuBar(y == 0);
    }
  }

  if (Mode != 4) SelectTitleItem(TitleHitTest(x, y), false);
}

void Reader::FormMouseWheel(int delta) {
  // One step a notch; the finer turns of a smooth wheel or a touchpad add
  // up to it, so a flick does not run through pauses.
  const long long angle = static_cast<long long>(WheelAngle) + delta;
  const int steps = static_cast<int>(angle / 120);
  WheelAngle = static_cast<std::int32_t>(angle % 120);
  if (steps == 0) return;
  // Turned away from the reader it moves the highlight up, as Up does.
  if (Mode < 4)
    SelectTitleItem(std::clamp(Mode - steps, 0, 3), false);
  else
    PauseSteps -= steps;
}

void Reader::FormDeactivate() {
  // A key let go in another window never reaches this one.
  InputState = 0;
  WheelAngle = 0;
}

void Reader::MTitle1Click() { ReturnToTitle = true; }

void Reader::MExit1Click() { Hooks->CloseWindow(); }

void Reader::MDisp1Click() {
  // Disabled once full screen is fixed (a 640-pixel desktop): a shortcut
  // that still arrives must not leave it.
  if (!MDisp1.Enabled) return;
  SetDisplayMode(MDisp1.Checked ? 1 : 2);
  IntSettings[kFullScreen] = MDisp1.Checked ? 1 : 0;
}

// Skip mode has no check mark on purpose: the command sits on the menu bar
// itself, and every reading run starts with it off. It and auto mode
// exclude each other.
void Reader::MSkip1Click() {
  Skipping = !Skipping;
  if (Skipping) MAuto1.Checked = false;
  Hooks->MenuChanged();
}

// Auto mode ends every pause by itself; it lasts until the run is left.
void Reader::MAuto1Click() {
  if (!MAuto1.Enabled) return;
  MAuto1.Checked = !MAuto1.Checked;
  if (MAuto1.Checked) Skipping = false;
  Hooks->MenuChanged();
}

void Reader::MVert1Click() {
  // Quiet: a resume's last page is looked for in the direction in force.
  if (!MVert1.Enabled || Quiet) return;
  IntSettings[kVertical] = SettingValue(IntSettings, kVertical) == 0 ? 1 : 0;
  DirectionChanged();
}

void Reader::DirectionChanged() {
  MVert1.Checked = SettingValue(IntSettings, kVertical) != 0;
  Hooks->MenuChanged();
  // On the reading screen a run is under way: it lays the page out anew,
  // as it does when ruby comes beside the base or goes.
  if (Mode == 4 &&
      (MVert1.Checked != Layout.Vertical || (SettingValue(IntSettings, kRuby) == 2) != Layout.Ruby))
    Relayout = true;
}

void Reader::MAbout1Click() {
  const std::string text =
      std::string("       ") + kAppTitle + "\n\n" + "    Version 2.04 [2002/04/22]";
  Hooks->MessageBox(BoxKind::Plain, text, kAppTitle);
}

void Reader::MZoomClick(int factor) {
  if (factor < 1 || factor > static_cast<int>(ZoomItems.size()) || !ZoomItems[factor - 1].Enabled)
    return;
  IntSettings[kZoom] = factor;
  ApplyZoom();
  // Full screen takes the factor up when it is left, and centres then.
  if (!MDisp1.Checked) CentreWindow();
}
