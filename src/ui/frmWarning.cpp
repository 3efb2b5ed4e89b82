#include "ui/frmWarning.h"

#include <algorithm>

#include "check/RunState.h"
#include "log/Texts.h"
#include "log/mdlLogFile.h"
#include "platform/FileBrowser.h"
#include "platform/NumberFormat.h"
#include "settings/Settings.h"
#include "settings/mdlIniFle.h"

frmWarning::frmWarning(ProgramStarter start)
    : cmdClose{texts::Str(texts::Id::CloseButton)},
      cmdFolderOpen{texts::Str(texts::Id::FolderButton)},
      chkNoCheck{texts::Str(texts::Id::NoCheckBox)},
      Label3{texts::Str(texts::Id::FolderNameCaption)},
      Label4{texts::Str(texts::Id::FileNameCaption)},
      Label5{texts::Str(texts::Id::FileSizeCaption)},
      start_(std::move(start)) {
  if (!start_) start_ = [](const std::string& commandLine) { platform::StartFileBrowser(commandLine); };
}

void frmWarning::Form_Load() {
  const settings::Settings& s = settings::RunSettings;
  const mdlOrvane::StoreInfo& store = mdlOrvane::CurrentStore;
  lblWarningTitle.Caption = s.WarningTitle;
  if (store.StoreFormat == profile::PstFormat::Ansi)
    lblWarningMsg.Caption = s.WarningMsg;
  else
    lblWarningMsg.Caption =
        s.LargeWarningMsg.empty() ? settings::DefaultLargeWarningMsg(store.StoreLimitKb) : s.LargeWarningMsg;
  lblFolderName.Caption = store.StoreDisplayName;
  lblFileName.Caption = store.StorePath;
  lblFileSize.Caption = warning::FormatSizeLine(store.SizeKb, store.StoreLimitKb);
  if (s.Visible == 0) chkNoCheck.Visible = false;
  lblNotice.Caption = mdlOrvane::CurrentNotice;
  lblNotice.Visible = !lblNotice.Caption.empty();
}

void frmWarning::cmdFolderOpen_Click() { start_("explorer " + warning::FolderOfPath(lblFileName.Caption)); }

void frmWarning::cmdClose_Click() {
  // A hidden box cannot have been ticked by the user, whatever its value says.
  if (chkNoCheck.Visible && chkNoCheck.Value == 1) {
    const mdlOrvane::StoreInfo& store = mdlOrvane::CurrentStore;
    // Only an exclusion that the next run will find is reported as made; one that
    // cannot be saved is logged with the reason.
    const platform::WriteError why =
        mdlIniFle::SetIniValue(mdlOrvane::IniFilePath, "No Check", store.StoreUid, store.StorePath);
    if (why != platform::WriteError::None)
      mdlLogFile::WriteFailure(mdlOrvane::LogFilePath, mdlIniFle::CannotSave(store.StoreUid, why));
    mdlOrvane::SkipNextTime = why == platform::WriteError::None;
  }
  Unloaded = true;
}

void frmWarning::Form_Close() { Unloaded = true; }

namespace warning {

std::string FolderOfPath(const std::string& path) {
  const std::size_t slash = path.rfind('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string FormatSizeLine(std::int64_t sizeKb, std::int64_t limitKb) {
  const auto size = static_cast<double>(sizeKb);
  const double room = static_cast<double>(limitKb) - size;
  return texts::Fill(texts::Id::SizeLine, {platform::FormatWholeNumber(size), platform::FormatWholeNumber(room)});
}

namespace {
constexpr FontStyle kDefaultFont{};
constexpr FontStyle kTitleFont{kJapaneseFace, 18, true, true};
constexpr FontStyle kMessageFont{kJapaneseFace, 9.75, false, true};
}  // namespace

const std::array<ControlLayout, 12> kWarningLayout{{
    {&frmWarning::lblWarningTitle, "lblWarningTitle", ControlKind::Label, 225, 75, 6240, 390, kTitleFont, true,
     TextAlign::Center},
    {&frmWarning::cmdClose, "cmdClose", ControlKind::Button, 5175, 3300, 1290, 405, kDefaultFont, false,
     TextAlign::Center},
    {&frmWarning::cmdFolderOpen, "cmdFolderOpen", ControlKind::Button, 5850, 2175, 615, 315, kDefaultFont, false,
     TextAlign::Center},
    {&frmWarning::chkNoCheck, "chkNoCheck", ControlKind::CheckBox, 225, 3300, 4740, 375, kDefaultFont, false,
     TextAlign::Left},
    {&frmWarning::lblWarningMsg, "lblWarningMsg", ControlKind::Label, 225, 600, 6240, 990, kMessageFont, true,
     TextAlign::Left},
    {&frmWarning::Label3, "Label3", ControlKind::Label, 225, 1800, 1590, 165, kDefaultFont, false, TextAlign::Left},
    {&frmWarning::Label4, "Label4", ControlKind::Label, 225, 2175, 990, 165, kDefaultFont, false, TextAlign::Left},
    {&frmWarning::Label5, "Label5", ControlKind::Label, 225, 2775, 1365, 165, kDefaultFont, false, TextAlign::Left},
    {&frmWarning::lblFolderName, "lblFolderName", ControlKind::Label, 1950, 1800, 4515, 165, kDefaultFont, false,
     TextAlign::Left, &frmWarning::Label3},
    {&frmWarning::lblFileName, "lblFileName", ControlKind::Label, 1350, 2175, 4365, 390, kDefaultFont, false,
     TextAlign::Left, &frmWarning::Label4},
    {&frmWarning::lblFileSize, "lblFileSize", ControlKind::Label, 1725, 2775, 4665, 165, kDefaultFont, false,
     TextAlign::Left, &frmWarning::Label5},
    {&frmWarning::lblNotice, "lblNotice", ControlKind::Label, 225, 3075, 6240, 0, kDefaultFont, true, TextAlign::Left},
}};

int GrowthTwips(const frmWarning& form) {
  if (!form.lblNotice.Visible || form.lblNotice.Caption.empty()) return 0;
  const auto lines = std::count(form.lblNotice.Caption.begin(), form.lblNotice.Caption.end(), '\n') + 1;
  return static_cast<int>(lines) * kNoticeLineTwips + 45;
}

int TopTwips(const ControlLayout& c, int growth) { return c.top >= kBottomRowTwips ? c.top + growth : c.top; }

int HeightTwips(const ControlLayout& c, int growth) {
  return c.control == &frmWarning::lblNotice ? std::max(growth - 45, 0) : c.height;
}

bool JapaneseTexts() { return texts::Current() == texts::Language::Japanese; }

std::size_t IndexOf(WarningControl frmWarning::*control) {
  for (std::size_t i = 0; i < kWarningLayout.size(); ++i)
    if (kWarningLayout[i].control == control) return i;
  return 0;
}

}  // namespace warning
