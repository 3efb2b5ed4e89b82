#pragma once
// Every text the program itself writes or shows, in the two languages it speaks:
// Japanese, every text as it always was, and English, plain ASCII, wherever the
// desktop is not Japanese. Values the user or an administrator wrote are never
// translated: only the program's own words are here.

#include <cstddef>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

namespace texts {

enum class Language { Japanese, English };

enum class Id {
  // The run
  RunStart,
  RunEnd,
  SettingsFile,
  AdministratorsFiles,
  CannotMakeFolder,
  CannotUseFolder,
  OthersFolder,
  OthersMayWriteFolder,
  CannotReadAdministratorsFile,
  FirstSectionNotRead,
  AnotherRunUnderWay,
  UnsentEvents,
  CannotWriteLog,
  // The settings
  LimitSizeLine,
  WarningSizeLine,
  WarningTitleLine,
  WarningMsgLine,
  VisibleLine,
  LargeWarningSizeLine,
  LargeWarningMsgLine,
  SetByPolicy,
  ReportOnly,
  UrgentPercentLine,
  RemindDaysLine,
  ForecastWarningWeeksLine,
  FinalExclusionsLine,
  CannotSave,
  DefaultWarningMsg,
  DefaultLargeWarningMsg,
  // The profile and the places it is read from
  RelativeWinePrefix,
  RelativeWinePrefixSearched,
  RelativeWinePrefixTaken,
  CannotSearchWinePrefixes,
  WinePrefix,
  CannotReadRegistry,
  ProfileFound,
  StoreListRead,
  NoProfile,
  NoPersonalFolder,
  RoomToClientStop,
  ClientDefault,
  ClientLimitZero,
  // A store
  PersonalFolder,
  OfflineFolder,
  Format,
  CannotLookAtFile,
  NoFile,
  CheckedInAnotherPrefix,
  CheckedAlready,
  HeaderDisagrees,
  CannotReadHeader,
  UnicodeNotChecked,
  SizeBelowWarning,
  SizeExcluded,
  SizeReported,
  SizeWarned,
  ExcludedNextTime,
  // A file's growth and stage
  HistoryStartedAnew,
  NotAHistoryFile,
  TooLarge,
  CannotReadHistory,
  CannotSaveHistory,
  ForecastLine,
  StageLine,
  StageUrgent,
  StageFull,
  SizeWarnedEarly,
  SizeRemindLater,
  SizeExcludedNewStage,
  ExclusionLifted,
  SizeCannotGrow,
  // Why
  NoAnswer,
  AskedToEnd,
  OthersFile,
  InUse,
  ReadDenied,
  ReadFailed,
  NotOneLine,
  WriteDenied,
  DiskFull,
  NotAFile,
  Utf8ByteOrderMark,
  BrokenLink,
  LinkLoop,
  ForeignLink,
  HardLink,
  NoPlace,
  NotReadBack,
  WriteFailed,
  TooShort,
  NotPersonalFolderFile,
  UnknownVersion,
  // The warning dialog
  CloseButton,
  FolderButton,
  NoCheckBox,
  FolderNameCaption,
  FileNameCaption,
  FileSizeCaption,
  SizeLine,
  NoticeUrgent,
  NoticeFull,
  NoticeEarly,
  NoticeExcluded,
  NoticeForecast,
  NoticeForecastOneWeek,
  NoticeForecastWithinWeek,
  CannotShowWarning,
  NoDialogProcess,
  NoDisplay,
  NoToolkit,
  DisplayLost,
  DisplaySilent,
  DialogClosedUnanswered,
  DialogProcessEnded,
  ToolkitFailed,
  NoWindow,
};

// The language of the run's texts: Japanese until Use says otherwise.
Language Current();
void Use(Language language);

// The text `id` in the run's language.
std::string_view Of(Id id);
std::string Str(Id id);

// The text `id` with "{1}", "{2}", ... replaced by `values`, in that order.
std::string Fill(Id id, std::initializer_list<std::string_view> values);

// One row of the table: the text in both languages.
struct Row {
  Id id;
  std::string_view japanese;
  std::string_view english;
};
// Every row, in the order of Id.
std::span<const Row> Table();

}  // namespace texts
