#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <functional>
#include <vector>

#include "check/RunState.h"
#include "platform/NumberFormat.h"
#include "settings/Settings.h"
#include "settings/mdlIniFle.h"
#include "support/TempDir.h"
#include "ui/DialogMetrics.h"
#include "ui/frmWarning.h"

namespace {

using testing_support::TempDir;
using warning::ControlLayout;
using warning::FolderOfPath;
using warning::FormatSizeLine;
using warning::kFormHeightTwips;
using warning::kFormWidthTwips;
using warning::kWarningLayout;
using warning::TwipsToPixels;

constexpr const char* kUid = "0A1B2C3D4E5F60718293A4B5C6D7E8F9";
constexpr const char* kPath = "C:\\Users\\demo\\Documents\\Outlook ファイル\\個人用フォルダ.pst";

// A dialog loaded for one oversized store with the default settings, its settings
// file in a fresh folder, and every started command line kept instead of run.
class WarningForm : public testing::Test {
 protected:
  void SetUp() override {
    mdlOrvane::IniFilePath = dir.File("Orvane.ini");
    settings::RunSettings = {};
    settings::RunSettings.WarningTitle = "WARNING!";
    settings::RunSettings.WarningMsg = "個人用フォルダのサイズが警告値を超えています。";
    mdlOrvane::CurrentStore = {kUid, "個人用フォルダ", kPath, profile::PstFormat::Ansi};
    profile::SetSize(mdlOrvane::CurrentStore, 1572864);
    mdlOrvane::CurrentStore.StoreLimitKb = settings::kDefaultLimitSize;
    mdlOrvane::SkipNextTime = false;
  }

  frmWarning Loaded() {
    frmWarning form([this](const std::string& commandLine) { started.push_back(commandLine); });
    form.Form_Load();
    return form;
  }

  std::string Recorded() const { return mdlIniFle::GetIniValue(mdlOrvane::IniFilePath, "No Check", kUid); }
  bool SettingsFileExists() const { return std::filesystem::exists(dir.path() / "Orvane.ini"); }

  TempDir dir;
  std::vector<std::string> started;
};

TEST_F(WarningForm, LoadFillsTheLabelsFromTheStoreAndTheSettings) {
  const frmWarning form = Loaded();
  EXPECT_EQ(form.lblWarningTitle.Caption, "WARNING!");
  EXPECT_EQ(form.lblWarningMsg.Caption, "個人用フォルダのサイズが警告値を超えています。");
  EXPECT_EQ(form.lblFolderName.Caption, "個人用フォルダ");
  EXPECT_EQ(form.lblFileName.Caption, kPath);
  EXPECT_EQ(form.lblFileSize.Caption, "1,572,864 KB  ( 残り 524,288 KB )");
  EXPECT_TRUE(form.chkNoCheck.Visible);
  EXPECT_EQ(form.chkNoCheck.Value, 0);
  EXPECT_EQ(form.chkNoCheck.Caption, "次回から この個人用フォルダのサイズチェックを行わない");
  EXPECT_FALSE(form.Unloaded);
}

TEST_F(WarningForm, SizeLineShowsANegativeRoomForAFileOverTheLimit) {
  mdlOrvane::CurrentStore.StoreLimitKb = 1500000;
  EXPECT_EQ(Loaded().lblFileSize.Caption, "1,572,864 KB  ( 残り -72,864 KB )");
}

TEST(SizeLine, GroupsEveryThousandAndKeepsAtLeastOneDigit) {
  EXPECT_EQ(FormatSizeLine(0, 2097152), "0 KB  ( 残り 2,097,152 KB )");
  EXPECT_EQ(FormatSizeLine(999, 1000), "999 KB  ( 残り 1 KB )");
  EXPECT_EQ(FormatSizeLine(2097152, 2097152), "2,097,152 KB  ( 残り 0 KB )");
  // Sizes past the 32-bit range and limits at its ends are subtracted without overflow.
  EXPECT_EQ(FormatSizeLine(4194304, -2147483647 - 1), "4,194,304 KB  ( 残り -2,151,677,952 KB )");
  EXPECT_EQ(FormatSizeLine(1, 2147483647), "1 KB  ( 残り 2,147,483,646 KB )");
}

TEST(NumberFormat, MinusSignAndRoundingToWholeNumbers) {
  EXPECT_EQ(platform::FormatWholeNumber(-72864), "-72,864");
  EXPECT_EQ(platform::FormatWholeNumber(1000), "1,000");
  EXPECT_EQ(platform::FormatWholeNumber(1234567.6), "1,234,568");
  EXPECT_EQ(platform::FormatWholeNumber(-0.4), "0");
  EXPECT_EQ(platform::FormatWholeNumber(123456789, "."), "123.456.789");
  EXPECT_EQ(platform::FormatWholeNumber(-100000, "'"), "-100'000");
}

TEST_F(WarningForm, VisibleZeroHidesTheBoxAndCloseThenRecordsNothing) {
  settings::RunSettings.Visible = 0;
  frmWarning form = Loaded();
  EXPECT_FALSE(form.chkNoCheck.Visible);
  form.chkNoCheck.Value = 1;  // a hidden box cannot be ticked, whatever its value
  form.cmdClose_Click();
  EXPECT_TRUE(form.Unloaded);
  EXPECT_FALSE(mdlOrvane::SkipNextTime);
  EXPECT_FALSE(SettingsFileExists());
}

TEST_F(WarningForm, AnyOtherVisibleValueShowsTheBox) {
  for (int visible : {1, -1, 2}) {
    settings::RunSettings.Visible = visible;
    EXPECT_TRUE(Loaded().chkNoCheck.Visible) << visible;
  }
}

TEST_F(WarningForm, CloseWithTheBoxTickedRecordsTheStoreAndSetsSkipNextTime) {
  frmWarning form = Loaded();
  form.chkNoCheck.Value = 1;
  form.cmdClose_Click();
  EXPECT_TRUE(form.Unloaded);
  EXPECT_TRUE(mdlOrvane::SkipNextTime);
  EXPECT_EQ(Recorded(), kPath);
}

// An exclusion that cannot be saved is not reported as made: the log says which
// store and why, the settings file stays as it was and the run goes on.
TEST_F(WarningForm, ExclusionThatCannotBeSavedIsLoggedWithTheReason) {
  const std::string settings = "[Orvane]\r\nWarningSize=1000\r\n";
  const std::filesystem::path file = dir.path() / "Orvane.ini";
  struct Case {
    const char* what;
    std::function<bool()> spoil;  // false: not possible here
    const char* reason;
  };
  const Case cases[] = {
      {"a folder where the file should be", [&] { return std::filesystem::create_directory(file); },
       "ファイルではありません"},
      {"a read-only file",
       [&] {
         testing_support::WriteBytes(mdlOrvane::IniFilePath, settings);
         return testing_support::MakeReadOnly(file);
       },
       "書き込みが許可されていません"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testing_support::RemoveAll(file);
    if (!c.spoil()) continue;
    const std::string before = testing_support::ReadBytes(mdlOrvane::IniFilePath);
    mdlOrvane::LogFilePath = dir.File("Orvane.log");
    testing_support::RemoveAll(dir.path() / "Orvane.log");
    frmWarning form = Loaded();
    form.chkNoCheck.Value = 1;
    form.cmdClose_Click();
    EXPECT_TRUE(form.Unloaded);
    EXPECT_FALSE(mdlOrvane::SkipNextTime);
    EXPECT_EQ(testing_support::ReadLogMessages(mdlOrvane::LogFilePath),
              std::vector<std::string>{std::string("設定ファイルに保存できません: ") + kUid + " (" + c.reason + ")"});
    EXPECT_EQ(testing_support::ReadBytes(mdlOrvane::IniFilePath), before);
  }
}

TEST_F(WarningForm, CloseWithTheBoxClearRecordsNothing) {
  frmWarning form = Loaded();
  form.cmdClose_Click();
  EXPECT_TRUE(form.Unloaded);
  EXPECT_FALSE(mdlOrvane::SkipNextTime);
  EXPECT_FALSE(SettingsFileExists());
}

TEST_F(WarningForm, TitleBarCloseRecordsNothingEvenWithTheBoxTicked) {
  frmWarning form = Loaded();
  form.chkNoCheck.Value = 1;
  form.Form_Close();
  EXPECT_TRUE(form.Unloaded);
  EXPECT_FALSE(mdlOrvane::SkipNextTime);
  EXPECT_FALSE(SettingsFileExists());
}

TEST_F(WarningForm, FolderOpenStartsExplorerOnTheFolderUnquotedAndStaysOpen) {
  mdlOrvane::CurrentStore.StorePath = "D:\\My Mail\\old files\\a b.pst";
  frmWarning form = Loaded();
  form.cmdFolderOpen_Click();
  form.cmdFolderOpen_Click();
  EXPECT_EQ(started,
            (std::vector<std::string>{"explorer D:\\My Mail\\old files\\", "explorer D:\\My Mail\\old files\\"}));
  EXPECT_FALSE(form.Unloaded);
  EXPECT_FALSE(mdlOrvane::SkipNextTime);
}

TEST_F(WarningForm, FolderOpenOnAPathWithoutBackslashStartsExplorerAlone) {
  mdlOrvane::CurrentStore.StorePath = "outlook.pst";
  frmWarning form = Loaded();
  form.cmdFolderOpen_Click();
  EXPECT_EQ(started, std::vector<std::string>{"explorer "});
}

TEST(FolderOfPath, CutsAtTheLastBackslash) {
  EXPECT_EQ(FolderOfPath("C:\\Mail\\a.pst"), "C:\\Mail\\");
  EXPECT_EQ(FolderOfPath("C:\\a.pst"), "C:\\");
  EXPECT_EQ(FolderOfPath("\\\\server\\share\\a.pst"), "\\\\server\\share\\");
  EXPECT_EQ(FolderOfPath("C:/Mail/a.pst"), "");
  EXPECT_EQ(FolderOfPath(""), "");
  // "ソ" ends in the byte of a backslash in Shift-JIS, never in UTF-8.
  EXPECT_EQ(FolderOfPath("C:\\ソフト\\表.pst"), "C:\\ソフト\\");
}

// The layout is drawn at 96 dpi: at any other, text takes no more of a label than
// there, so no line breaks where it does not break at 96 dpi.
TEST(WarningLayout, FontsAreRoundedDownSoTextNeverOutgrowsItsLabel) {
  for (const double points : {9.0, 9.75, 18.0}) {
    for (int dpi = 96; dpi <= 192; ++dpi) {
      EXPECT_LE(warning::FontPixels(points, dpi) * 96, warning::FontPixels(points, 96) * dpi) << points << " " << dpi;
    }
  }
  EXPECT_EQ(warning::FontPixels(9, 96), 12);
  EXPECT_EQ(warning::FontPixels(9, 100), 12);
  EXPECT_EQ(warning::FontPixels(9.75, 100), 13);
  EXPECT_EQ(warning::FontPixels(9, 120), 15);
  EXPECT_EQ(warning::FontPixels(9.75, 144), 19);
  EXPECT_EQ(warning::FontPixels(18, 192), 48);
  // The Linux default face skips the one size that garbles its commas.
  EXPECT_EQ(warning::DefaultFacePixels(96), 12);
  EXPECT_EQ(warning::DefaultFacePixels(104), 12);
  EXPECT_EQ(warning::DefaultFacePixels(111), 12);
  EXPECT_EQ(warning::DefaultFacePixels(112), 14);
}

// Without a notice the form is as it always was; with one it grows, the labels
// stay where they were, and the notice sits between the size and the check box.
TEST(WarningLayout, FitsTheClientAreaWithTheRightMarginsAndTabOrder) {
  frmWarning form([](const std::string&) {});
  for (const std::string notice : {"", "a", "a\nb\nc"}) {
    form.lblNotice.Caption = notice;
    form.lblNotice.Visible = !notice.empty();
    const int growth = warning::GrowthTwips(form);
    EXPECT_EQ(growth == 0, notice.empty());
    std::vector<std::string> names;
    for (const ControlLayout& c : kWarningLayout) {
      names.push_back(c.name);
      const int top = warning::TopTwips(c, growth), height = warning::HeightTwips(c, growth);
      EXPECT_GE(c.left, 0) << c.name;
      EXPECT_LE(c.left + c.width, kFormWidthTwips) << c.name;
      EXPECT_LE(top + height, kFormHeightTwips + growth) << c.name;
      if (c.kind == warning::ControlKind::Label) {
        EXPECT_EQ(top, c.top) << c.name;
      }
    }
    const ControlLayout& size = kWarningLayout[warning::IndexOf(&frmWarning::lblFileSize)];
    const ControlLayout& box = kWarningLayout[warning::IndexOf(&frmWarning::chkNoCheck)];
    const ControlLayout& note = kWarningLayout[warning::IndexOf(&frmWarning::lblNotice)];
    EXPECT_GT(note.top, size.top + size.height);
    EXPECT_LT(note.top + warning::HeightTwips(note, growth), warning::TopTwips(box, growth));
    EXPECT_EQ(names, (std::vector<std::string>{"lblWarningTitle", "cmdClose", "cmdFolderOpen", "chkNoCheck",
                                               "lblWarningMsg", "Label3", "Label4", "Label5", "lblFolderName",
                                               "lblFileName", "lblFileSize", "lblNotice"}));
  }
  for (std::size_t i : {0u, 1u, 2u, 4u})
    EXPECT_EQ(kWarningLayout[i].left + kWarningLayout[i].width, kFormWidthTwips - 225);
}

TEST(WarningLayout, TwipsBecomePixelsAtTheScreensResolution) {
  EXPECT_EQ(TwipsToPixels(kFormWidthTwips, 96), 446);
  EXPECT_EQ(TwipsToPixels(kFormHeightTwips, 96), 259);
  EXPECT_EQ(TwipsToPixels(kFormWidthTwips, 120), 558);  // 557.5 rounds up
  EXPECT_EQ(TwipsToPixels(165, 144), 17);               // 16.5
  EXPECT_EQ(TwipsToPixels(kFormHeightTwips, 192), 518);
}

// A caption as wide as its text: the layout's width is the least it has; the
// value beside it keeps the gap and its right edge.
TEST(WarningLayout, ACaptionGrowsToItsTextAndTheValueGivesWay) {
  // Each value's caption is the label left of it on its row.
  for (const ControlLayout& c : kWarningLayout) {
    if (c.caption == nullptr) continue;
    const ControlLayout& caption = kWarningLayout[warning::IndexOf(c.caption)];
    EXPECT_EQ(caption.top, c.top) << c.name;
    EXPECT_LT(caption.left + caption.width, c.left) << c.name;
  }
  using warning::FitCaption;
  using warning::PixelBox;
  const auto fit = [](int textWidth) {
    PixelBox caption{15, 120, 106, 11};
    PixelBox value{130, 120, 301, 11};
    FitCaption(caption, value, textWidth);
    return std::array{caption.width, value.left, value.width};
  };
  EXPECT_EQ(fit(80), (std::array{106, 130, 301}));  // fits: as laid out
  EXPECT_EQ(fit(106), (std::array{106, 130, 301}));
  EXPECT_EQ(fit(120), (std::array{120, 144, 287}));
  EXPECT_EQ(fit(500), (std::array{500, 524, 0}));  // the value gives up all it has, never more
}

}  // namespace
