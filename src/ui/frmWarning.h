#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

// The warning dialog's behaviour and layout, shared by both toolkits. The toolkit
// code builds its window from kWarningLayout, shows the captions and visibility it
// finds in a loaded frmWarning, and delivers the three events; everything the
// dialog does lives here.

// One control's state as the handlers see it.
struct WarningControl {
  std::string Caption;
  bool Visible = true;
  int Value = 0;  // check box only: 1 ticked, 0 not
};

class frmWarning {
 public:
  // Starts a program from a command line; the result is not looked at.
  using ProgramStarter = std::function<void(const std::string& commandLine)>;

  // `start` runs the open-folder command; by default the platform's file browser.
  explicit frmWarning(ProgramStarter start = {});

  // In tab order. The fixed captions are the run's language's (log/Texts.h):
  // "閉じる", "参照", "次回から この個人用フォルダのサイズチェックを行わない",
  // "【個人用フォルダ名】", "【ファイル名】", "【ファイルサイズ】" in Japanese.
  WarningControl lblWarningTitle;
  WarningControl cmdClose;
  WarningControl cmdFolderOpen;
  WarningControl chkNoCheck;
  WarningControl lblWarningMsg;
  WarningControl Label3;
  WarningControl Label4;
  WarningControl Label5;
  WarningControl lblFolderName;
  WarningControl lblFileName;
  WarningControl lblFileSize;
  // What the warning says beyond the size, a line each (mdlOrvane::CurrentNotice):
  // the file's stage, why it is shown, the forecast. Hidden when there is none,
  // and then the dialog is as it always was.
  WarningControl lblNotice;

  // True once the dialog has been closed; the toolkit then destroys its window.
  bool Unloaded = false;

  // Fills the labels from settings::RunSettings and mdlOrvane::CurrentStore (the
  // room left up to its StoreLimitKb; for a Unicode file LargeWarningMsg, else the
  // default naming that limit) and hides the check box when Visible is 0.
  void Form_Load();
  // Opens the folder of the file path shown in the file browser; stays open.
  void cmdFolderOpen_Click();
  // Records the exclusion when the box is ticked (settings file, SkipNextTime),
  // then unloads.
  void cmdClose_Click();
  // The window's own close command (title bar, Alt+F4): unloads, records nothing.
  void Form_Close();

 private:
  ProgramStarter start_;
};

// The helpers and the layout that the form and both toolkits share.
namespace warning {

// The folder part of a Windows path: up to and including its last backslash;
// empty when there is none.
std::string FolderOfPath(const std::string& path);

// The size line: "1,572,864 KB  ( 残り 524,288 KB )" for a size of 1572864 and a
// limit of 2097152. The room is computed in floating point and may be negative.
std::string FormatSizeLine(std::int64_t sizeKb, std::int64_t limitKb);

// ---- Layout, in twips (1440 to the inch; 15 to the pixel at 96 dpi) ----

enum class ControlKind { Label, Button, CheckBox };
enum class TextAlign { Left, Center };

struct FontStyle {
  const char* face = nullptr;  // nullptr: the dialog's default font
  double points = 0;           // 0 with the default face
  bool bold = false;
  bool japaneseCharset = false;  // Shift-JIS character set
};

struct ControlLayout {
  WarningControl frmWarning::*control;
  const char* name;
  ControlKind kind;
  int left, top, width, height;
  FontStyle font;
  bool red;  // RGB(255, 0, 0) text; otherwise the system's text colour
  TextAlign align;
  // A value's label: the caption it stands beside, which is as wide as its text in
  // the language of the run (FitCaption); nullptr for any other control.
  WarningControl frmWarning::*caption = nullptr;
};

inline constexpr int kFormWidthTwips = 6690;  // client area
inline constexpr int kFormHeightTwips = 3885;
// The notice's lines, below the size; the check box and Close move down by as much
// as the notice takes, and the form grows by it.
inline constexpr int kNoticeLineTwips = 240;
inline constexpr int kBottomRowTwips = 3300;
inline constexpr const char* kFormCaption = "Orvane";
// The title's and the message's face where the texts are Japanese; elsewhere the
// toolkits take a Western sans-serif, whose backslash is a backslash.
inline constexpr const char* kJapaneseFace = "ＭＳ Ｐゴシック";

// Whether the run's texts are Japanese, and the Japanese faces are to be used.
bool JapaneseTexts();

// Every control, in tab order (labels never take the focus).
extern const std::array<ControlLayout, 12> kWarningLayout;

// How much taller the form is for `form`'s notice: 0 without one.
int GrowthTwips(const frmWarning& form);
// The top of control `c` in a form grown by `growth`.
int TopTwips(const ControlLayout& c, int growth);
// The height of control `c` in a form grown by `growth` (the notice takes it).
int HeightTwips(const ControlLayout& c, int growth);

// Where `control` stands in kWarningLayout.
std::size_t IndexOf(WarningControl frmWarning::*control);

}  // namespace warning
