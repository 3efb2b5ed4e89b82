// Shows the warning dialog with sample data, for a developer to look at; not part
// of the release. Usage: dialog_preview [FOLDER [VISIBLE [COUNT]]]
//   FOLDER   where Orvane.ini and Orvane.log are read and written (default: .)
//   VISIBLE  the check box's Visible setting (default: 1)
//   COUNT    how many dialogs to show one after another (default: 1)
// Prints SkipNextTime after each dialog.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "check/mdlOrvane.h"
#include "log/mdlLogFile.h"
#include "platform/Executable.h"
#include "settings/Settings.h"
#include "ui/NativeDialog.h"

int main(int argc, char** argv) {
  const std::string folder = argc > 1 ? argv[1] : ".";
  mdlOrvane::IniFilePath = folder + platform::kPathSeparator + "Orvane.ini";
  mdlOrvane::LogFilePath = folder + platform::kPathSeparator + "Orvane.log";
  mdlLogFile::WriteLog(mdlOrvane::LogFilePath, "Orvane 起動", 1);

  settings::LoadSettings(mdlOrvane::IniFilePath, mdlOrvane::LogFilePath);
  settings::Settings& s = settings::RunSettings;
  if (s.WarningTitle.empty()) s.WarningTitle = "WARNING!";
  if (s.WarningMsg.empty())
    s.WarningMsg =
        "個人用フォルダのサイズが警告値を超えています。 2GB (約 2,097,152 KB) "
        "辺りで個人用フォルダが開けなくなりますので、不要メールの削除を行って下さい。";
  if (argc > 2) s.Visible = std::atoi(argv[2]);
  const int count = argc > 3 ? std::atoi(argv[3]) : 1;

  ui::NativeWarningDialog dialog;
  for (int i = 0; i < count; ++i) {
    mdlOrvane::CurrentStore = {"0A1B2C3D4E5F60718293A4B5C6D7E8F" + std::to_string(i % 10),
                               i == 0 ? "個人用フォルダ" : "個人用フォルダ " + std::to_string(i + 1),
                               "C:\\Users\\demo\\Documents\\Outlook ファイル\\個人用フォルダ" +
                                   (i == 0 ? std::string() : std::to_string(i + 1)) + ".pst",
                               profile::PstFormat::Ansi, std::to_string(1572864 + 1000 * i)};
    mdlOrvane::CurrentStore.StoreLimitKb = s.LimitSize;
    mdlOrvane::SkipNextTime = false;
    dialog.ShowModal();
    std::printf("SkipNextTime=%d\n", mdlOrvane::SkipNextTime ? 1 : 0);
    std::fflush(stdout);
  }
  mdlLogFile::WriteLog(mdlOrvane::LogFilePath, "Orvane 終了", 0);
  return 0;
}
