// Orvane: warns when a mail client's ANSI personal-folder file nears its 2 GB limit.
// No window of its own and no command line: one run at logon, then exit.
#include "check/mdlOrvane.h"
#include "ui/NativeDialog.h"

int main() {
  ui::NativeWarningDialog dialog;
  mdlOrvane::Dialog = &dialog;
  mdlOrvane::Main();
  return 0;
}
