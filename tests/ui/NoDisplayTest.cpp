// Linux: the dialog of a run without a display.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "check/RunState.h"
#include "settings/Settings.h"
#include "support/TempDir.h"
#include "ui/NativeDialog.h"

namespace {

TEST(NativeDialog, WithoutADisplayTheWarningIsLoggedAsNotShownAndTheRunGoesOn) {
  const char* display = std::getenv("DISPLAY");
  const std::optional<std::string> saved = display ? std::optional<std::string>(display) : std::nullopt;
  for (const char* value : {static_cast<const char*>(nullptr), ":", "unix:/no/such/socket.0"}) {
    testing_support::TempDir dir;
    mdlOrvane::LogFilePath = dir.File("Orvane.log");
    mdlOrvane::IniFilePath = dir.File("Orvane.ini");
    mdlOrvane::CurrentStore = {"0A1B2C3D4E5F60718293A4B5C6D7E8F9", "個人用フォルダ", "C:\\Mail\\a.pst",
                               profile::PstFormat::Ansi};
    profile::SetSize(mdlOrvane::CurrentStore, 1572864);
    mdlOrvane::SkipNextTime = false;
    if (value)
      setenv("DISPLAY", value, 1);
    else
      unsetenv("DISPLAY");

    ui::NativeWarningDialog dialog;
    dialog.ShowModal();
    dialog.ShowModal();  // the next store gets the same answer

    EXPECT_EQ(testing_support::ReadLogMessages(mdlOrvane::LogFilePath),
              (std::vector<std::string>{"警告画面を表示できません: ディスプレイに接続できません",
                                        "警告画面を表示できません: ディスプレイに接続できません"}));
    EXPECT_FALSE(mdlOrvane::SkipNextTime);
  }
  if (saved)
    setenv("DISPLAY", saved->c_str(), 1);
  else
    unsetenv("DISPLAY");
}

}  // namespace
