#pragma once

#include <cstdint>
#include <string>

// The program's settings, loaded once per run from the settings file.
namespace settings {

struct Settings {
  std::int32_t LimitSize = 2097152;    // KB at which a personal-folder file stops working
  std::int32_t WarningSize = 1572864;  // KB from which a file raises the warning
  std::string WarningTitle;
  std::string WarningMsg;
  std::int32_t Visible = 1;            // 0 hides the dialog's exclusion check box
};

inline Settings RunSettings;

// Fills RunSettings from the settings file (mdlOrvane::IniFilePath), writes the
// default of every missing setting back into it, and logs each value.
void LoadSettings();

}  // namespace settings
