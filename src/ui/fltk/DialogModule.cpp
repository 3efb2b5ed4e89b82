// The warning dialog in FLTK 1.3 on X11, laid out from the twips table at the
// screen's DPI. Built as a module of its own that the program loads, in a process
// of its own, for each warning (FltkDialog.cpp): the FLTK and X11 libraries then
// cost nothing in the usual run, which shows none. One dialog per process.
#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_RGB_Image.H>
#include <FL/fl_draw.H>
#include <FL/x.H>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <fontconfig/fontconfig.h>

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "platform/CodePage.h"
#include "ui/DialogMetrics.h"
#include "ui/IconImage.h"
#include "ui/LabelWrap.h"
#include "ui/fltk/DialogFaces.h"
#include "ui/fltk/DialogModule.h"

// The application icon's file, built into the program (OrvaneIcon.cpp, generated).
extern const unsigned char kOrvaneIcon[];
extern const std::size_t kOrvaneIconSize;

namespace ui {
namespace {

// The dialog being shown.
const OrvaneDialog* shown = nullptr;
// The screen's dots per inch, once the display is open.
int dpi = 96;

void Discard(const char*, ...) {}

// The display went away: neither Xlib nor FLTK can go on, and they may not
// return; the process ends, and the program that waits for it logs why.
[[noreturn]] void DisplayLost() { _exit(kOrvaneDisplayLost); }
[[noreturn]] void Fatal(const char*, ...) { DisplayLost(); }
int LostConnection(Display*) { DisplayLost(); }

int Px(int twips) { return warning::TwipsToPixels(twips, dpi); }

void Prepare() {
  PrepareFaces(*shown);
  Fl::scheme("gtk+");
  Fl::get_system_colors();
}

// The DPI that the desktop's own programs draw at: the X resources' Xft.dpi, else
// the screen's physical size, else 96. Sizes that no screen has count as unknown.
int ScreenDpi(Display* display) {
  auto plausible = [](double value) { return value >= 48 && value <= 480; };
  if (const char* resource = XGetDefault(display, "Xft", "dpi")) {
    double value = 0;
    const char* end = resource + std::strlen(resource);
    if (std::from_chars(resource, end, value).ec == std::errc() && plausible(value))
      return static_cast<int>(std::lround(value));
  }
  const int screen = DefaultScreen(display);
  const int millimetres = DisplayHeightMM(display, screen);
  if (millimetres > 0) {
    const double value = DisplayHeight(display, screen) * 25.4 / millimetres;
    if (plausible(value)) return static_cast<int>(std::lround(value));
  }
  return 96;
}

// FLTK ends the process when it cannot open the display: open it here first. Once
// the display has answered, says so on `answeredFd`.
bool OpenDisplay(int answeredFd) {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return false;
  if (answeredFd >= 0) {
    const char answered = 1;
    while (write(answeredFd, &answered, 1) < 0 && errno == EINTR) {
    }
  }
  fl_open_display(display);
  // After FLTK's own: a connection that breaks ends the process with our status.
  XSetIOErrorHandler(LostConnection);
  dpi = ScreenDpi(display);
  return true;
}

// The title bar offers only the close command (and the window moves), as the
// Windows dialog's does. FLTK maps the window with hints of its own for a window
// of fixed size (no resizing, no maximising, but minimising), and not every window
// manager reads the hints again when they change: the window is withdrawn, given
// ours and mapped again, so that it is taken on with them. (Openbox ignores the
// minimise and maximise bits of these hints by design, for every program.)
void CloseOnlyTitleBar(Fl_Window& window) {
  const Window xid = fl_xid(&window);
  const unsigned long hints[5] = {1 | 2, 4 | 32, 2 | 8 | 16, 0, 0};  // functions: move, close; border, title, menu
  const Atom atom = XInternAtom(fl_display, "_MOTIF_WM_HINTS", False);
  XWithdrawWindow(fl_display, xid, fl_screen);
  XChangeProperty(fl_display, xid, atom, atom, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(hints), 5);
  XMapWindow(fl_display, xid);
  XSync(fl_display, False);
}

const Fl_RGB_Image* Icon() {
  static const IconImage decoded =
      DecodeIcon(std::string_view(reinterpret_cast<const char*>(kOrvaneIcon), kOrvaneIconSize));
  static const Fl_RGB_Image image(decoded.rgba.data(), decoded.width, decoded.height, 4);
  return decoded.width > 0 ? &image : nullptr;
}

Fl_Font FaceOf(const OrvaneControl& control) {
  return FaceOfControl(static_cast<std::size_t>(&control - shown->controls), control.bold);
}
int SizeOf(const OrvaneControl& control) {
  return control.face ? warning::FontPixels(control.points, dpi) : warning::DefaultFacePixels(dpi);
}

// Each control's place in pixels: the layout's, with each caption as wide as its text.
std::vector<warning::PixelBox> Place() {
  std::vector<warning::PixelBox> boxes;
  for (std::size_t i = 0; i < shown->count; ++i) {
    const OrvaneControl& c = shown->controls[i];
    boxes.push_back({Px(c.left), Px(c.top), Px(c.width), Px(c.height)});
  }
  for (std::size_t i = 0; i < shown->count; ++i) {
    const int beside = shown->controls[i].beside;
    if (beside < 0 || static_cast<std::size_t>(beside) >= shown->count) continue;
    const auto caption = static_cast<std::size_t>(beside);
    const OrvaneControl& c = shown->controls[caption];
    fl_font(FaceOf(c), SizeOf(c));
    warning::FitCaption(boxes[caption], boxes[i], Measure(c.caption));
  }
  return boxes;
}

// How the dialog being shown has ended, once it has.
struct Outcome {
  bool ended = false;
  int result = kOrvaneWindowClosed;
  Fl_Check_Button* check = nullptr;
};

void OnFolderOpen(Fl_Widget*, void*) { shown->folderOpen(shown->context); }

void OnClose(Fl_Widget*, void* data) {
  Outcome& outcome = *static_cast<Outcome*>(data);
  outcome.result = outcome.check != nullptr && outcome.check->value() ? kOrvaneClosedTicked : kOrvaneClosed;
  outcome.ended = true;
}

// The window's own close command. There is no cancel key: Escape does nothing.
void OnWindowClose(Fl_Widget*, void* data) {
  if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape) return;
  static_cast<Outcome*>(data)->ended = true;
}

// A push button as a dialog of the platform has it: with the focus, Enter presses
// it as well as Space. Neither button is the default one, so Enter elsewhere (on
// the check box) presses nothing.
class PushButton : public Fl_Button {
 public:
  using Fl_Button::Fl_Button;
  int handle(int event) override {
    const int key = Fl::event_key();
    if (event == FL_KEYBOARD && Fl::focus() == this && (key == FL_Enter || key == FL_KP_Enter) &&
        (Fl::event_state() & (FL_SHIFT | FL_CTRL | FL_ALT | FL_META)) == 0) {
      do_callback();
      return 1;
    }
    return Fl_Button::handle(event);
  }
};

// Builds the window, runs it until it is closed and destroys it.
void Show(Outcome& outcome) {
  auto* window = new Fl_Double_Window(Px(shown->width), Px(shown->height), shown->caption);
  Fl_Widget* close = nullptr;
  const std::vector<warning::PixelBox> boxes = Place();
  for (std::size_t i = 0; i < shown->count; ++i) {  // children in tab order
    const OrvaneControl& c = shown->controls[i];
    const auto [x, y, w, h] = boxes[i];
    Fl_Widget* widget = nullptr;
    switch (c.kind) {
      case kOrvaneButton:
        widget = new PushButton(x, y, w, h);
        if (i == shown->closeButton) {
          widget->callback(OnClose, &outcome);
          close = widget;
        } else if (i == shown->folderButton) {
          widget->callback(OnFolderOpen);
        }
        break;
      case kOrvaneCheckBox:
        outcome.check = new Fl_Check_Button(x, y, w, h);
        outcome.check->labeltype(kWrappedLabel);
        outcome.check->align(FL_ALIGN_INSIDE | FL_ALIGN_LEFT);
        outcome.check->value(c.value == 1);
        widget = outcome.check;
        break;
      default:
        widget = new Label(x, y, w, h);
        widget->labeltype(kWrappedLabel);
        widget->align(FL_ALIGN_INSIDE | FL_ALIGN_TOP | (c.centred ? 0 : FL_ALIGN_LEFT));
        break;
    }
    widget->copy_label(c.caption);
    widget->labelfont(FaceOf(c));
    widget->labelsize(SizeOf(c));
    if (c.red) widget->labelcolor(fl_rgb_color(255, 0, 0));
    if (!c.visible) widget->hide();
  }
  window->end();
  window->callback(OnWindowClose, &outcome);
  window->xclass(shown->caption);  // the window class, for window managers and docks

  window->size_range(window->w(), window->h(), window->w(), window->h());
  int sx, sy, sw, sh;
  Fl::screen_work_area(sx, sy, sw, sh, 0);
  window->position(sx + (sw - window->w()) / 2, sy + (sh - window->h()) / 2);
  if (const Fl_RGB_Image* icon = Icon()) window->icon(icon);
  window->set_modal();
  window->show();
  CloseOnlyTitleBar(*window);
  if (close != nullptr) close->take_focus();

  while (!outcome.ended && window->shown()) Fl::wait();
  window->hide();
  delete window;
  Fl::flush();
}

}  // namespace

}  // namespace ui

extern "C" int OrvaneShowWarning(const OrvaneDialog* dialog) {
  using namespace ui;
  shown = dialog;
  Fl::warning = Discard;
  Fl::error = Discard;
  Fl::fatal = Fatal;
  if (!OpenDisplay(dialog->answeredFd)) return kOrvaneNoDisplay;
  Outcome outcome;
  try {
    Prepare();
    Show(outcome);
  } catch (...) {  // out of memory: nothing throws back into the program
    return kOrvaneFailed;
  }
  return outcome.result;
}
