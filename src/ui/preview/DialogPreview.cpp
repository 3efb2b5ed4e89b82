// Shows the warning dialog with sample data, for a developer to look at; not part
// of the release. Usage: dialog_preview [FOLDER [VISIBLE [COUNT [NOTICE]]]]
//   FOLDER   where Orvane.ini and Orvane.log are read and written (default: .)
//   VISIBLE  the check box's Visible setting (default: 1)
//   COUNT    how many dialogs to show one after another (default: 1)
//   NOTICE   "forecast": a file near the client's stop, its stage and its
//            forecast told below the size
// Prints SkipNextTime after each dialog. The texts are in the desktop's language,
// as the program's are.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "check/RunState.h"
#include "log/Texts.h"
#include "log/mdlLogFile.h"
#include "platform/Executable.h"
#include "platform/UserLanguage.h"
#include "settings/Settings.h"
#include "ui/NativeDialog.h"

int main(int argc, char** argv) {
  texts::Use(platform::UserLanguageIsJapanese() ? texts::Language::Japanese : texts::Language::English);
  const bool japanese = texts::Current() == texts::Language::Japanese;
  const std::string folder = argc > 1 ? argv[1] : ".";
  mdlOrvane::IniFilePath = folder + platform::kPathSeparator + "Orvane.ini";
  mdlOrvane::LogFilePath = folder + platform::kPathSeparator + "Orvane.log";
  mdlLogFile::WriteLog(mdlOrvane::LogFilePath, texts::Str(texts::Id::RunStart), 1);

  settings::LoadSettings(mdlOrvane::IniFilePath, mdlOrvane::LogFilePath);
  settings::Settings& s = settings::RunSettings;
  if (s.WarningTitle.empty()) s.WarningTitle = "WARNING!";
  if (s.WarningMsg.empty()) s.WarningMsg = settings::DefaultWarningMsg();
  if (argc > 2) s.Visible = std::atoi(argv[2]);
  const int count = argc > 3 ? std::atoi(argv[3]) : 1;
  const bool forecast = argc > 4 && std::string(argv[4]) == "forecast";

  ui::NativeWarningDialog dialog;
  const std::string name = japanese ? "個人用フォルダ" : "Personal Folders";
  const std::string folderPath =
      japanese ? "C:\\Users\\demo\\Documents\\Outlook ファイル\\" : "C:\\Users\\demo\\Documents\\Outlook Files\\";
  for (int i = 0; i < count; ++i) {
    const std::string n = i == 0 ? std::string() : std::to_string(i + 1);
    std::string displayName = name;
    if (!n.empty()) displayName.append(" ").append(n);
    std::string path = folderPath;
    path.append(name).append(n).append(".pst");
    mdlOrvane::CurrentStore = {"0A1B2C3D4E5F60718293A4B5C6D7E8F" + std::to_string(i % 10), displayName, path,
                               profile::PstFormat::Ansi};
    profile::SetSize(mdlOrvane::CurrentStore, 1572864 + 1000 * i);
    mdlOrvane::CurrentStore.StoreLimitKb = s.LimitSize;
    if (forecast) {
      profile::SetSize(mdlOrvane::CurrentStore, 1830000);
      mdlOrvane::CurrentNotice =
          texts::Fill(texts::Id::NoticeUrgent, {"96"}) + "\n" + texts::Fill(texts::Id::NoticeForecast, {"6"});
    }
    mdlOrvane::SkipNextTime = false;
    dialog.ShowModal();
    std::printf("SkipNextTime=%d\n", mdlOrvane::SkipNextTime ? 1 : 0);
    std::fflush(stdout);
  }
  mdlLogFile::WriteLog(mdlOrvane::LogFilePath, texts::Str(texts::Id::RunEnd), 0);
  return 0;
}
