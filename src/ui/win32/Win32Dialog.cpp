// The warning dialog as a native Win32 window, laid out from the twips table at
// the screen's DPI (the program declares itself DPI-aware in its manifest).
#include "ui/NativeDialog.h"

#include <windows.h>
// after windows.h, which it builds on
#include <commctrl.h>

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>

#include "log/mdlLogFile.h"
#include "platform/win32/Wide.h"
#include "ui/DialogMetrics.h"
#include "ui/LabelWrap.h"
#include "ui/frmWarning.h"
#include "ui/win32/DialogFonts.h"

namespace ui {
namespace {

using platform::win32::Widen;
using warning::ControlKind;
using warning::ControlLayout;
using warning::kFormCaption;
using warning::kFormHeightTwips;
using warning::kFormWidthTwips;
using warning::kWarningLayout;
using warning::TextAlign;
using warning::TwipsToPixels;

constexpr wchar_t kClassName[] = L"OrvaneWarning";
constexpr int kFirstId = 100;  // clear of IDOK and IDCANCEL, which the window ignores
constexpr COLORREF kRed = 0x0000FF;
constexpr std::size_t kControls = std::tuple_size_v<decltype(kWarningLayout)>;

struct Window {
  frmWarning& form;
  HWND hwnd = nullptr;
  int dpi = 96;
  std::array<HWND, kControls> controls{};
  std::optional<DialogFonts> fonts = std::nullopt;
  HWND focus = nullptr;  // the control to give the focus back to on activation

  ~Window() {
    if (hwnd != nullptr) DestroyWindow(hwnd);
  }
};

// A label keeps its rectangle: its text broken between words and Japanese
// characters, cut at its height.
void DrawLabel(const DRAWITEMSTRUCT& item, const ControlLayout& layout, const std::string& caption,
               const DialogFonts& fonts, std::size_t index) {
  HDC dc = item.hDC;
  const RECT rc = item.rcItem;
  FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
  const int saved = SaveDC(dc);
  SelectObject(dc, fonts.Of(index));
  IntersectClipRect(dc, rc.left, rc.top, rc.right, rc.bottom);
  SetBkMode(dc, TRANSPARENT);
  const COLORREF colour = layout.red ? kRed : GetSysColor(COLOR_BTNTEXT);
  SetTextColor(dc, colour);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);

  auto measure = [&](std::string_view text) { return fonts.Measure(dc, index, Widen(text)); };
  // Lines one em apart with the internal leading above the em left out, as the
  // Japanese faces the layout was made for set them: the one-line labels are
  // hardly taller than the em.
  const int lineHeight = std::max(1, static_cast<int>(metrics.tmHeight - metrics.tmInternalLeading));
  const int width = rc.right - rc.left;
  int y = rc.top - metrics.tmInternalLeading;
  for (const LabelLine& line : WrapLabel(caption, width, rc.bottom - rc.top, lineHeight, measure)) {
    const std::wstring wide = Widen(line.text);
    const int x = layout.align == TextAlign::Center ? rc.left + (width - measure(line.text)) / 2 : rc.left;
    // Runs in two faces share the baseline.
    SetTextAlign(dc, TA_BASELINE | TA_LEFT);
    int at = x;
    fonts.ForEachRun(dc, index, wide, [&](std::wstring_view run) {
      TextOutW(dc, at, y + metrics.tmAscent, run.data(), static_cast<int>(run.size()));
      SIZE size{};
      GetTextExtentPoint32W(dc, run.data(), static_cast<int>(run.size()), &size);
      at += static_cast<int>(size.cx);
    });
    if (line.underline != kNoUnderline) {
      const UnderlineSpan span = Underline(line, measure);
      const RECT bar{x + span.from, y + metrics.tmAscent + 1, x + span.to, y + metrics.tmAscent + 2};
      HBRUSH brush = CreateSolidBrush(colour);
      FillRect(dc, &bar, brush);
      DeleteObject(brush);
    }
    y += lineHeight;
  }
  RestoreDC(dc, saved);
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* w = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (w == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);

  switch (message) {
    case WM_COMMAND: {
      // IDOK and IDCANCEL fall through here unanswered: the dialog has no default
      // or cancel button (the modal loop keeps Enter and Escape from sending them).
      if (HIWORD(wParam) != BN_CLICKED) break;
      const int id = LOWORD(wParam) - kFirstId;
      if (id < 0 || id >= static_cast<int>(kControls)) break;
      const auto control = kWarningLayout[static_cast<std::size_t>(id)].control;
      if (control == &frmWarning::cmdClose) {
        const HWND check = w->controls[warning::IndexOf(&frmWarning::chkNoCheck)];
        w->form.chkNoCheck.Value = SendMessageW(check, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
        w->form.cmdClose_Click();
      } else if (control == &frmWarning::cmdFolderOpen) {
        w->form.cmdFolderOpen_Click();
      }
      return 0;
    }
    case WM_DRAWITEM: {
      const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      const int id = static_cast<int>(item.CtlID) - kFirstId;
      if (item.CtlType != ODT_STATIC || id < 0 || id >= static_cast<int>(kControls)) break;
      const auto index = static_cast<std::size_t>(id);
      DrawLabel(item, kWarningLayout[index], (w->form.*kWarningLayout[index].control).Caption, *w->fonts, index);
      return TRUE;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_BTNFACE));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        w->focus = GetFocus();
      } else if (w->focus != nullptr && IsChild(hwnd, w->focus)) {
        SetFocus(w->focus);
        return 0;
      }
      break;
    case WM_CLOSE:  // title bar, system menu, Alt+F4
      w->form.Form_Close();
      return 0;
    case WM_NCDESTROY:
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      w->hwnd = nullptr;
      break;
    default:
      break;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

HICON LoadAppIcon(HINSTANCE instance, int metricX, int metricY) {
  return static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, GetSystemMetrics(metricX),
                                       GetSystemMetrics(metricY), LR_DEFAULTCOLOR | LR_SHARED));
}

bool Create(Window& w) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  static const bool registered = [instance] {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadAppIcon(instance, SM_CXICON, SM_CYICON);
    wc.hIconSm = LoadAppIcon(instance, SM_CXSMICON, SM_CYSMICON);
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = kClassName;
    return RegisterClassExW(&wc) != 0;
  }();
  if (!registered) return false;

  HDC screen = GetDC(nullptr);
  w.dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen != nullptr) ReleaseDC(nullptr, screen);
  if (w.dpi <= 0) w.dpi = 96;
  auto px = [&w](int twips) { return TwipsToPixels(twips, w.dpi); };
  w.fonts.emplace(w.dpi);
  for (std::size_t i = 0; i < kControls; ++i) w.fonts->Link(i, (w.form.*kWarningLayout[i].control).Caption);

  // Fixed single border; the title bar offers the close command only.
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
  const int growth = warning::GrowthTwips(w.form);
  RECT frame{0, 0, px(kFormWidthTwips), px(kFormHeightTwips + growth)};
  AdjustWindowRectEx(&frame, style, FALSE, 0);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const int x = work.left + (work.right - work.left - width) / 2;
  const int y = work.top + (work.bottom - work.top - height) / 2;

  w.hwnd = CreateWindowExW(0, kClassName, Widen(kFormCaption).c_str(), style, x, y, width, height, nullptr, nullptr,
                           instance, &w);
  if (w.hwnd == nullptr) return false;

  // Each control's place: the layout's, with each caption as wide as its text.
  std::array<warning::PixelBox, kControls> boxes{};
  for (std::size_t i = 0; i < kControls; ++i) {
    const ControlLayout& c = kWarningLayout[i];
    boxes[i] = {px(c.left), px(warning::TopTwips(c, growth)), px(c.width), px(warning::HeightTwips(c, growth))};
  }
  for (std::size_t i = 0; i < kControls; ++i) {
    if (kWarningLayout[i].caption == nullptr) continue;
    const std::size_t caption = warning::IndexOf(kWarningLayout[i].caption);
    warning::FitCaption(boxes[caption], boxes[i],
                        w.fonts->Measure(caption, (w.form.*kWarningLayout[caption].control).Caption));
  }

  // Created in tab order, which is the order Tab walks through them.
  for (std::size_t i = 0; i < kControls; ++i) {
    const ControlLayout& c = kWarningLayout[i];
    const WarningControl& state = w.form.*c.control;
    DWORD controlStyle = WS_CHILD | (state.Visible ? WS_VISIBLE : 0);
    const wchar_t* windowClass = L"BUTTON";
    switch (c.kind) {
      case ControlKind::Label:
        windowClass = L"STATIC";
        controlStyle |= SS_OWNERDRAW;
        break;
      case ControlKind::Button:
        controlStyle |= WS_TABSTOP | BS_PUSHBUTTON;
        break;
      case ControlKind::CheckBox:
        controlStyle |= WS_TABSTOP | BS_AUTOCHECKBOX | BS_MULTILINE;
        break;
    }
    w.controls[i] = CreateWindowExW(0, windowClass, Widen(state.Caption).c_str(), controlStyle, boxes[i].left,
                                    boxes[i].top, boxes[i].width, boxes[i].height, w.hwnd,
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstId) + static_cast<INT_PTR>(i)),
                                    instance, nullptr);
    if (w.controls[i] == nullptr) return false;
    SendMessageW(w.controls[i], WM_SETFONT, reinterpret_cast<WPARAM>(w.fonts->Of(i)), FALSE);
    if (c.kind == ControlKind::CheckBox)
      SendMessageW(w.controls[i], BM_SETCHECK, state.Value == 1 ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  return true;
}

// Enter and Escape as a dialog without default and cancel buttons has them: Enter
// presses the push button that has the focus and nothing else, Escape nothing.
// True when `message` was such a key and has been answered. (IsDialogMessage
// would send IDOK for Enter, or press whichever button it last made the default.)
bool HandleEnterOrEscape(const Window& w, const MSG& message) {
  if (message.message != WM_KEYDOWN || (message.wParam != VK_RETURN && message.wParam != VK_ESCAPE)) return false;
  if (message.hwnd != w.hwnd && !IsChild(w.hwnd, message.hwnd)) return false;
  if (message.wParam == VK_RETURN) {
    for (std::size_t i = 0; i < kControls; ++i) {
      if (w.controls[i] != message.hwnd || kWarningLayout[i].kind != ControlKind::Button) continue;
      SendMessageW(w.hwnd, WM_COMMAND, MAKEWPARAM(kFirstId + static_cast<int>(i), BN_CLICKED),
                   reinterpret_cast<LPARAM>(message.hwnd));
    }
  }
  return true;
}

}  // namespace

mdlOrvane::DialogResult NativeWarningDialog::ShowModal() {
  frmWarning form;
  form.Form_Load();
  Window window{form};
  if (!Create(window)) {
    mdlLogFile::WriteFailure(mdlOrvane::LogFilePath, CannotShowWarning(texts::Of(texts::Id::NoWindow)));
    return mdlOrvane::DialogResult::NotShown;
  }
  ShowWindow(window.hwnd, SW_SHOWNORMAL);
  UpdateWindow(window.hwnd);
  SetForegroundWindow(window.hwnd);
  SetFocus(window.controls[warning::IndexOf(&frmWarning::cmdClose)]);

  // The dialog's own modal loop; IsDialogMessage gives Tab, Space and access keys.
  MSG message;
  while (!form.Unloaded && window.hwnd != nullptr) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) {  // the thread is asked to end: leave the request for the caller
      PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    if (got == -1) break;
    if (HandleEnterOrEscape(window, message)) continue;
    if (!IsDialogMessageW(window.hwnd, &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  if (!form.Unloaded) form.Form_Close();
  return mdlOrvane::DialogResult::Answered;
}

}  // namespace ui
