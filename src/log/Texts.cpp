#include "log/Texts.h"

namespace texts {
namespace {

// Each text in Japanese and English. A text that ends in "：" or ": " is a label
// its value follows; "{1}", "{2}", ... mark where Fill puts values.
constexpr Row kRows[] = {
    // The run
    {Id::RunStart, "Orvane 起動", "Orvane started"},
    {Id::RunEnd, "Orvane 終了", "Orvane ended"},
    {Id::SettingsFile, "設定ファイル：", "Settings file: "},
    {Id::AdministratorsFiles, "管理者の設定ファイル：", "administrator's settings file: "},
    {Id::CannotMakeFolder, "フォルダを作成できません: ", "Cannot create the folder: "},
    {Id::CannotUseFolder, "フォルダを使用できません: ", "Cannot use the folder: "},
    {Id::OthersFolder, "ほかのユーザーのフォルダです", "another user's folder"},
    {Id::OthersMayWriteFolder, "ほかのユーザーも書き込めるフォルダです", "other users may write to it"},
    {Id::CannotReadAdministratorsFile,
     "管理者の設定ファイルを読み込めません: ", "Cannot read the administrator's settings file: "},
    {Id::FirstSectionNotRead, "管理者の設定ファイルの最初のセクションは読まれません: ",
     "The first section of the administrator's settings file is not read: "},
    {Id::AnotherRunUnderWay, "ほかの Orvane が同じファイルで実行中のため終了しました: ",
     "Ended, as another Orvane is running on the same files: "},
    {Id::UnsentEvents, "システムログに送れなかったイベント：", "Events the system log did not take: "},
    {Id::CannotWriteLog, "ログファイルに書き込めません: ", "Cannot write the log: "},
    // The settings
    {Id::LimitSizeLine, "制限サイズ取得：", "Size limit: "},
    {Id::WarningSizeLine, "警告サイズ取得：", "Warning size: "},
    {Id::WarningTitleLine, "警告タイトル取得：", "Warning title: "},
    {Id::WarningMsgLine, "警告メッセージ取得：", "Warning message: "},
    {Id::VisibleLine, "chkNoCheckチェックボックスの表示取得：", "chkNoCheck check box shown: "},
    {Id::LargeWarningSizeLine, "2003形式の警告サイズ取得：", "Warning size of 2003 format files: "},
    {Id::LargeWarningMsgLine, "2003形式の警告メッセージ取得：", "Warning message of 2003 format files: "},
    {Id::SetByPolicy, "ポリシーによる設定：", "Set by policy: "},
    {Id::ReportOnly, "報告のみ：警告画面は表示しません", "Report only: no warning dialog is shown"},
    {Id::UrgentPercentLine, "緊急とする割合 (%) 取得：", "Urgent from (percent of where the mail client stops): "},
    {Id::RemindDaysLine, "警告画面を再表示するまでの日数取得：", "Days before a warning is shown again: "},
    {Id::ForecastWarningWeeksLine, "早期警告の週数取得：", "Early warning within weeks: "},
    {Id::FinalExclusionsLine, "チェック省略は段階が進んでも解除しません", "Exclusions hold at every stage"},
    {Id::CannotSave, "設定ファイルに保存できません: ", "Cannot save to the settings file: "},
    {Id::DefaultWarningMsg,
     "個人用フォルダのサイズが警告値を超えています。 2GB (約 2,097,152 KB) "
     "辺りで個人用フォルダが開けなくなりますので、不要メールの削除を行って下さい。",
     "The personal folder has grown past the warning size. At around 2GB (about 2,097,152 KB) it can no "
     "longer be opened, so please delete the mail you do not need."},
    {Id::DefaultLargeWarningMsg,
     "個人用フォルダのサイズが警告値を超えています。 {1}GB (約 {2} KB) "
     "に達するとメールを受信できなくなりますので、不要メールの削除を行って下さい。",
     "The personal folder has grown past the warning size. At {1}GB (about {2} KB) it can take no "
     "more mail, so please delete the mail you do not need."},
    // The profile and the places it is read from
    {Id::RelativeWinePrefix, "WINEPREFIX が絶対パスではありません: ", "WINEPREFIX is not an absolute path: "},
    {Id::RelativeWinePrefixSearched, "設定されていないものとして探します", "searching as if it were not set"},
    {Id::RelativeWinePrefixTaken, "{1} を読みます", "reading {1}"},
    {Id::CannotSearchWinePrefixes, "Wine プレフィックスを探せません: ", "Cannot search for Wine prefixes: "},
    {Id::WinePrefix, "Wine プレフィックス：", "Wine prefix: "},
    {Id::CannotReadRegistry,
     "Wine プレフィックスのレジストリを読み込めません: ", "Cannot read the Wine prefix's registry: "},
    {Id::ProfileFound, "プロファイル名取得：", "Profile: "},
    {Id::StoreListRead, "プロファイルのサブキー取得", "The profile's stores read"},
    {Id::NoProfile, "プロファイルが見つかりません", "No profile found"},
    {Id::NoPersonalFolder, "個人用フォルダ無し", "No personal folders"},
    {Id::RoomToClientStop, "残りはメールソフトの停止サイズまで：", "Room left up to where the mail client stops: "},
    {Id::ClientDefault, "メールソフトの既定値", "the mail client's default"},
    {Id::ClientLimitZero, "メールソフトの設定 0 は未設定として扱います：",
     "A mail client limit of 0, taken as not set: "},
    // A store
    {Id::PersonalFolder, "個人用フォルダ情報取得：", "Personal folder: "},
    {Id::OfflineFolder, "オフラインフォルダ情報取得：", "Offline folder: "},
    {Id::Format, "{1}形式", "{1} format"},
    {Id::CannotLookAtFile, "ファイルを確認できません: ", "Cannot look at the file: "},
    {Id::NoFile, "ファイルが存在しません", "The file does not exist"},
    {Id::CheckedInAnotherPrefix, "同じファイルを別の Wine プレフィックスでチェック済み",
     "The same file was checked in another Wine prefix"},
    {Id::CheckedAlready, "同じファイルをチェック済み", "The same file was checked already"},
    {Id::HeaderDisagrees, "ファイルのヘッダーは{1}形式です (プロファイルの記録は{2}形式)",
     "The file's header says {1} format (the profile records {2} format)"},
    {Id::CannotReadHeader, "ファイルのヘッダーを読み取れません: ", "Cannot read the file's header: "},
    {Id::UnicodeNotChecked, "2003形式のためチェック対象外", "Not checked: 2003 format"},
    {Id::SizeBelowWarning, "サイズ：{1}, 警告サイズ以下", "Size: {1}, below the warning size"},
    {Id::SizeExcluded, "サイズ：{1}, チェック省略対象", "Size: {1}, excluded from the check"},
    {Id::SizeReported, "サイズ：{1}, 警告を報告 (画面は表示しません)", "Size: {1}, warning reported (no dialog)"},
    {Id::SizeWarned, "サイズ：{1}, 警告画面表示", "Size: {1}, warning shown"},
    {Id::ExcludedNextTime, "次回よりチェックを省略", "Not checked again from the next run"},
    // A file's growth and stage
    {Id::HistoryStartedAnew, "履歴ファイルを作り直します: ", "Starting the history file anew: "},
    {Id::NotAHistoryFile, "履歴ファイルではないか、壊れています", "not a history file, or damaged"},
    {Id::TooLarge, "大きすぎます", "too large"},
    {Id::CannotReadHistory, "履歴ファイルを読み込めません: ", "Cannot read the history file: "},
    {Id::CannotSaveHistory, "履歴ファイルに保存できません: ", "Cannot save the history file: "},
    {Id::ForecastLine, "予測：週に {1} KB 増加、約 {2} 週間でメールソフトが受け取りを停止",
     "Forecast: growing {1} KB a week, about {2} weeks until the mail client stops taking mail"},
    {Id::StageLine, "段階：{1} (メールソフトの停止サイズの {2}%)", "Stage: {1} ({2}% of where the mail client stops)"},
    {Id::StageUrgent, "緊急", "urgent"},
    {Id::StageFull, "満杯", "full"},
    {Id::SizeWarnedEarly, "サイズ：{1}, 増加が速いため早めに警告画面表示 (ForecastWarningWeeks {2})",
     "Size: {1}, warning shown early as the file grows fast (ForecastWarningWeeks {2})"},
    {Id::SizeRemindLater, "サイズ：{1}, 警告画面は {2} に表示済み、次は {3} から (RemindDays)",
     "Size: {1}, warning shown on {2}, shown again from {3} (RemindDays)"},
    {Id::SizeExcludedNewStage, "サイズ：{1}, チェック省略対象ですが、段階が進んだため警告画面表示",
     "Size: {1}, excluded from the check, but shown as the file has reached a new stage"},
    {Id::ExclusionLifted, "チェック省略を解除しました", "Exclusion lifted: the file is checked again"},
    {Id::SizeCannotGrow, "サイズ：{1}, メールソフトがこのファイルにメールを追加しないため警告画面は表示しません ({2})",
     "Size: {1}, no dialog, as the mail client adds no mail to this file ({2})"},
    // Why
    {Id::NoAnswer, "応答がありません", "no answer"},
    {Id::AskedToEnd, "終了を求められました", "asked to end"},
    {Id::OthersFile, "ほかのユーザーのファイルです", "another user's file"},
    {Id::InUse, "ほかのプログラムが使用中です", "in use by another program"},
    {Id::ReadDenied, "読み取りが許可されていません", "reading is not allowed"},
    {Id::ReadFailed, "読み込みに失敗しました", "reading failed"},
    {Id::NotOneLine, "1 行に書けない値です", "a value that cannot be written on one line"},
    {Id::WriteDenied, "書き込みが許可されていません", "writing is not allowed"},
    {Id::DiskFull, "ディスクに空きがありません", "the disk is full"},
    {Id::NotAFile, "ファイルではありません", "not a file"},
    {Id::Utf8ByteOrderMark, "UTF-8 のバイト順マークで始まっています", "it begins with a UTF-8 byte-order mark"},
    {Id::BrokenLink, "リンク先がありません", "a link to nothing"},
    {Id::LinkLoop, "リンクが循環しています", "a link that leads round in a loop"},
    {Id::ForeignLink, "ほかのユーザーのファイルへのリンクです", "a link to another user's file"},
    {Id::HardLink, "ほかの名前 (ハードリンク) もあるファイルです", "a file with another name too (a hard link)"},
    {Id::NoPlace, "保存先のフォルダがありません", "no folder to keep it in"},
    {Id::NotReadBack, "書き込んだ値が読み出せません", "written, but it does not read back"},
    {Id::WriteFailed, "書き込みに失敗しました", "writing failed"},
    {Id::TooShort, "ファイルが短すぎます", "the file is too short"},
    {Id::NotPersonalFolderFile, "個人用フォルダのファイルではありません", "not a personal-folder file"},
    {Id::UnknownVersion, "不明なバージョンです ({1})", "unknown version ({1})"},
    // The warning dialog
    {Id::CloseButton, "閉じる", "Close"},
    {Id::FolderButton, "参照", "Open"},
    {Id::NoCheckBox, "次回から この個人用フォルダのサイズチェックを行わない",
     "Do not check this personal folder again"},
    {Id::FolderNameCaption, "【個人用フォルダ名】", "Folder name:"},
    {Id::FileNameCaption, "【ファイル名】", "File:"},
    {Id::FileSizeCaption, "【ファイルサイズ】", "File size:"},
    {Id::SizeLine, "{1} KB  ( 残り {2} KB )", "{1} KB  ( {2} KB left )"},
    {Id::NoticeUrgent, "もうすぐいっぱいになります (メールソフトの停止サイズの {1}%)",
     "This file is nearly full: {1}% of where the mail client stops."},
    {Id::NoticeFull, "このファイルはいっぱいです。新しいメールを受け取れません",
     "This file is full: the mail client takes no more mail into it."},
    {Id::NoticeEarly, "増え方が速いため、警告サイズの前にお知らせします",
     "Shown before the warning size, as the file is growing fast."},
    {Id::NoticeExcluded, "チェック省略中のファイルですが、段階が進んだため表示しています",
     "You excluded this file; it is shown again at its new stage."},
    {Id::NoticeForecast, "このペースでは、約 {1} 週間でメールを受け取れなくなります",
     "At this rate, about {1} weeks until it stops taking mail."},
    {Id::NoticeForecastOneWeek, "このペースでは、約 1 週間でメールを受け取れなくなります",
     "At this rate, about 1 week until it stops taking mail."},
    {Id::NoticeForecastWithinWeek, "このペースでは、1 週間以内にメールを受け取れなくなります",
     "At this rate, it stops taking mail within a week."},
    {Id::CannotShowWarning, "警告画面を表示できません: ", "Cannot show the warning: "},
    {Id::NoDialogProcess, "画面を表示するプロセスを作れません", "cannot start the process that shows it"},
    {Id::NoDisplay, "ディスプレイに接続できません", "cannot connect to the display"},
    {Id::NoToolkit, "画面部品 (FLTK) を読み込めません", "cannot load the dialog toolkit (FLTK)"},
    {Id::DisplayLost, "ディスプレイとの接続が切れました", "the display was lost"},
    {Id::DisplaySilent, "ディスプレイが応答しません", "the display does not answer"},
    {Id::DialogClosedUnanswered, "警告画面を閉じました: 応答の前に終了を求められました",
     "Warning dialog closed: asked to end before it was answered"},
    {Id::DialogProcessEnded, "画面のプロセスが終了させられました (シグナル {1})",
     "the dialog's process was ended (signal {1})"},
    {Id::ToolkitFailed, "画面部品 (FLTK) のエラー", "the dialog toolkit (FLTK) failed"},
    {Id::NoWindow, "ウィンドウを作成できません", "cannot create the window"},
};

// Chosen once a run, at its start.
Language current = Language::Japanese;

}  // namespace

Language Current() { return current; }
void Use(Language language) { current = language; }

std::string_view Of(Id id) {
  const Row& row = kRows[static_cast<std::size_t>(id)];
  return current == Language::Japanese ? row.japanese : row.english;
}

std::string Str(Id id) { return std::string(Of(id)); }

std::string Fill(Id id, std::initializer_list<std::string_view> values) {
  const std::string_view text = Of(id);
  std::string filled;
  for (std::size_t at = 0; at < text.size(); ++at) {
    // "{n}" with n a digit from 1: the n-th value.
    if (text[at] == '{' && at + 2 < text.size() && text[at + 1] >= '1' && text[at + 1] <= '9' && text[at + 2] == '}') {
      const auto n = static_cast<std::size_t>(text[at + 1] - '1');
      if (n < values.size()) filled += *(values.begin() + n);
      at += 2;
      continue;
    }
    filled += text[at];
  }
  return filled;
}

std::span<const Row> Table() { return kRows; }

}  // namespace texts
