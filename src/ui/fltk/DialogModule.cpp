// The program's side of the FLTK dialog. The module that draws it (FltkDialog.cpp,
// with FLTK and X11 behind it) is built first and its file is carried inside the
// program, so that the program is one file that can be copied anywhere. For each
// warning a process of the run's own making writes the bytes into an anonymous
// memory file that the dynamic loader opens; the run itself never loads FLTK or
// X11.
#include "ui/fltk/DialogModule.h"

#include <dlfcn.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstddef>
#include <string>

#include "log/mdlLogFile.h"
#include "ui/NativeDialog.h"
#include "ui/frmWarning.h"

// The module's file, from the build (ORVANE_DIALOG_MODULE names it).
// clang-format off
__asm__(".pushsection .rodata.orvane_dialog_module,\"a\",@progbits\n"
        ".balign 16\n"
        "orvane_dialog_module_begin:\n"
        ".incbin \"" ORVANE_DIALOG_MODULE "\"\n"
        "orvane_dialog_module_end:\n"
        ".popsection\n");
// clang-format on
extern "C" const unsigned char orvane_dialog_module_begin[];
extern "C" const unsigned char orvane_dialog_module_end[];

namespace ui {
namespace {

using warning::ControlKind;
using warning::kWarningLayout;

// The module's entry point, or nullptr when it cannot be loaded (no memory files,
// no /proc, or FLTK and X11 missing from the system).
ShowWarningFunction LoadDialogModule() {
  const int fd = memfd_create("OrvaneDialog.so", MFD_CLOEXEC);
  if (fd < 0) return nullptr;
  const unsigned char* next = orvane_dialog_module_begin;
  while (next < orvane_dialog_module_end) {
    const ssize_t written = write(fd, next, static_cast<std::size_t>(orvane_dialog_module_end - next));
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      close(fd);
      return nullptr;
    }
    next += written;
  }
  // The loader maps the file; the descriptor is not needed once it has.
  const std::string path = "/proc/self/fd/" + std::to_string(fd);
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  close(fd);
  if (module == nullptr) return nullptr;
  return reinterpret_cast<ShowWarningFunction>(dlsym(module, kDialogEntryPoint));
}

// How the process that showed a warning ended: its exit status. The module ends
// it with kOrvaneDisplayLostStatus when the display goes away.
enum Shown : int {
  kClosedClear = 10,  // by Close, the box not ticked
  kClosedTicked,      // by Close, the box ticked
  kWindowClosed,      // by the window's own close command
  kNoDisplay,
  kNoModule,
  kFailed,
};

std::size_t IndexOf(const WarningControl frmWarning::*control) {
  for (std::size_t i = 0; i < kWarningLayout.size(); ++i)
    if (kWarningLayout[i].control == control) return i;
  return 0;
}

void FolderOpen(void* form) {
  try {
    static_cast<frmWarning*>(form)->cmdFolderOpen_Click();
  } catch (...) {  // nothing throws back into the module
  }
}

// Shows `form` with the module, in the process of its own; returns how it ended.
int ShowWithModule(frmWarning& form) {
  const ShowWarningFunction show = LoadDialogModule();
  if (show == nullptr) return kNoModule;
  std::array<OrvaneControl, kWarningLayout.size()> controls{};
  for (std::size_t i = 0; i < kWarningLayout.size(); ++i) {
    const warning::ControlLayout& c = kWarningLayout[i];
    const WarningControl& state = form.*c.control;
    const int kind = c.kind == ControlKind::Label    ? kOrvaneLabel
                     : c.kind == ControlKind::Button ? kOrvaneButton
                                                     : kOrvaneCheckBox;
    controls[i] = {.kind = kind,
                   .left = c.left,
                   .top = c.top,
                   .width = c.width,
                   .height = c.height,
                   .face = c.font.face,
                   .points = c.font.points,
                   .bold = c.font.bold ? 1 : 0,
                   .red = c.red ? 1 : 0,
                   .centred = c.align == warning::TextAlign::Center ? 1 : 0,
                   .caption = state.Caption.c_str(),
                   .visible = state.Visible ? 1 : 0,
                   .value = state.Value};
  }
  const OrvaneDialog dialog{.caption = warning::kFormCaption,
                            .width = warning::kFormWidthTwips,
                            .height = warning::kFormHeightTwips,
                            .controls = controls.data(),
                            .count = controls.size(),
                            .closeButton = IndexOf(&frmWarning::cmdClose),
                            .folderButton = IndexOf(&frmWarning::cmdFolderOpen),
                            .twipsToPixels = warning::TwipsToPixels,
                            .fontPixels = warning::FontPixels,
                            .folderOpen = FolderOpen,
                            .context = &form};
  int checked = 0;
  switch (show(&dialog, &checked)) {
    case kOrvaneClosed:
      return checked == 1 ? kClosedTicked : kClosedClear;
    case kOrvaneWindowClosed:
      return kWindowClosed;
    case kOrvaneNoDisplay:
      return kNoDisplay;
    default:
      return kFailed;
  }
}

}  // namespace

mdlOrvane::DialogResult NativeWarningDialog::ShowModal() {
  frmWarning form;
  form.Form_Load();
  // A display that went away stays away for the rest of the run.
  static bool displayLost = false;
  const auto cannotShow = [](const char* reason) {
    mdlLogFile::WriteFailure(mdlOrvane::LogFilePath, CannotShowWarning(reason));
    return mdlOrvane::DialogResult::NotShown;
  };
  if (displayLost) return cannotShow("ディスプレイとの接続が切れました");

  // Each warning is shown by a process of its own that the run waits for: when
  // the display goes away, Xlib ends the process it lives in, and that must not
  // be the run. The run keeps the form; the process only shows it and says how
  // it was closed.
  const pid_t child = fork();
  if (child < 0) return cannotShow("画面を表示するプロセスを作れません");
  if (child == 0) _exit(ShowWithModule(form));
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return cannotShow("画面部品 (FLTK) のエラー");
  }
  switch (WIFEXITED(status) ? WEXITSTATUS(status) : -1) {
    case kClosedClear:
    case kClosedTicked:
      form.chkNoCheck.Value = WEXITSTATUS(status) == kClosedTicked ? 1 : 0;
      form.cmdClose_Click();
      return mdlOrvane::DialogResult::Answered;
    case kWindowClosed:
      form.Form_Close();
      return mdlOrvane::DialogResult::Answered;
    case kNoDisplay:
      return cannotShow("ディスプレイに接続できません");
    case kNoModule:
      return cannotShow("画面部品 (FLTK) を読み込めません");
    case kOrvaneDisplayLostStatus:
      displayLost = true;
      return cannotShow("ディスプレイとの接続が切れました");
    default:
      return cannotShow("画面部品 (FLTK) のエラー");
  }
}

}  // namespace ui
