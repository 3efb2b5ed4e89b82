// The program's side of the FLTK dialog: the module that draws it is loaded from
// beside the program when the first warning is shown.
#include "ui/NativeDialog.h"

#include <dlfcn.h>

#include "log/mdlLogFile.h"
#include "platform/Executable.h"
#include "ui/IconImage.h"
#include "ui/LabelWrap.h"
#include "ui/fltk/FltkDialog.h"

namespace ui {
namespace {

// The module takes the program's state and code from the program itself, which
// exports its symbols. These it alone calls; naming them here keeps them linked in.
struct ModuleImports {
  decltype(&WrapLabel) wrapLabel;
  decltype(&ResolveAccessKeys) resolveAccessKeys;
  decltype(&DecodeIcon) decodeIcon;
};
[[gnu::used]] const ModuleImports kModuleImports{&WrapLabel, &ResolveAccessKeys, &DecodeIcon};

// The module's entry point, or nullptr when the module is missing or broken.
ShowWarningFunction LoadDialogModule() {
  static const ShowWarningFunction show = []() -> ShowWarningFunction {
    const std::string path = platform::LocateExecutable().directory + "/" + kDialogModule;
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) return nullptr;
    return reinterpret_cast<ShowWarningFunction>(dlsym(module, kDialogEntryPoint));
  }();
  return show;
}

}  // namespace

void NativeWarningDialog::ShowModal() {
  frmWarning form;
  form.Form_Load();
  const ShowWarningFunction show = LoadDialogModule();
  if (show == nullptr || !show(form)) mdlLogFile::WriteLog(mdlOrvane::LogFilePath, kCannotShowWarning, 0);
}

}  // namespace ui
