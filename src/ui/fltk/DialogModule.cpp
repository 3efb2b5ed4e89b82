// The program's side of the FLTK dialog. The module that draws it (FltkDialog.cpp,
// with FLTK and X11 behind it) is built first and its file is carried inside the
// program, so that the program is one file that can be copied anywhere. At the
// first warning the bytes go into an anonymous memory file that the dynamic loader
// opens; a run that warns about nothing never loads FLTK or X11.
#include "ui/fltk/DialogModule.h"

#include <dlfcn.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <string>

#include "log/mdlLogFile.h"
#include "ui/NativeDialog.h"

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

using warning::kWarningLayout;
using warning::TwipsToPixels;

// The module's entry point, or nullptr when it cannot be loaded (no memory files,
// no /proc, or FLTK and X11 missing from the system).
ShowWarningFunction LoadDialogModule() {
  static const ShowWarningFunction show = []() -> ShowWarningFunction {
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
  }();
  return show;
}

void FolderOpen(frmWarning& form) { form.cmdFolderOpen_Click(); }
void Close(frmWarning& form) { form.cmdClose_Click(); }
void WindowClose(frmWarning& form) { form.Form_Close(); }

}  // namespace

void NativeWarningDialog::ShowModal() {
  frmWarning form;
  form.Form_Load();
  const ShowWarningFunction show = LoadDialogModule();
  if (show == nullptr) {
    mdlLogFile::WriteLog(mdlOrvane::LogFilePath, CannotShowWarning("画面部品 (FLTK) を読み込めません"), 0);
    return;
  }
  static const DialogHost host{FolderOpen,   Close, WindowClose, kWarningLayout.data(), kWarningLayout.size(),
                               TwipsToPixels};
  switch (show(host, form)) {
    case DialogResult::Shown:
      break;
    case DialogResult::NoDisplay:
      mdlLogFile::WriteLog(mdlOrvane::LogFilePath, CannotShowWarning("ディスプレイに接続できません"), 0);
      break;
    case DialogResult::DisplayLost:
      mdlLogFile::WriteLog(mdlOrvane::LogFilePath, CannotShowWarning("ディスプレイとの接続が切れました"), 0);
      break;
    case DialogResult::Failed:
      mdlLogFile::WriteLog(mdlOrvane::LogFilePath, CannotShowWarning("画面部品 (FLTK) のエラー"), 0);
      break;
  }
}

}  // namespace ui
