// The program is its own message file: the texts that the Application log shows
// for its events, filled with the insertion strings in the order the run writes
// them.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/win32/Wide.h"

namespace {

std::string Format(HMODULE program, DWORD id, WORD language, const wchar_t* const* strings) {
  wchar_t* text = nullptr;
  const DWORD n =
      FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY | FORMAT_MESSAGE_ALLOCATE_BUFFER,
                     program, id, MAKELANGID(language, SUBLANG_DEFAULT), reinterpret_cast<wchar_t*>(&text), 0,
                     reinterpret_cast<va_list*>(const_cast<wchar_t**>(strings)));
  if (n == 0) return "(none)";
  std::string utf8 = platform::win32::Narrow(std::wstring(text, n));
  LocalFree(text);
  return utf8;
}

TEST(EventMessages, TheProgramHoldsItsEventTextsInJapaneseAndEnglish) {
  const HMODULE program = LoadLibraryExW(platform::win32::Widen(ORVANE_PROGRAM).c_str(), nullptr,
                                         LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(program, nullptr);
  const wchar_t* warning[] = {L"C:\\Mail\\a.pst", L"1600000", L"1572864", L"2097152",
                              L"個人用フォルダ",  L"shown",   L"ANSI",    L"pst",
                              L"304657",          L"1904657", L"50000",   L"6"};
  EXPECT_EQ(Format(program, 1000, LANG_JAPANESE, warning),
            "個人用フォルダのファイルが警告サイズに達しています。\r\nファイル: C:\\Mail\\a.pst\r\n"
            "サイズ: 1600000 KB (警告サイズ 1572864 KB、制限サイズ 2097152 KB)\r\n個人用フォルダ名: 個人用フォルダ\r\n"
            "警告画面: shown\r\n形式: ANSI (pst)\r\n残り: 304657 KB (メールソフトの停止サイズ 1904657 KB)\r\n"
            "増加: 週に 50000 KB、停止まで 6 週間 (空欄は予測なし)\r\n");
  EXPECT_EQ(Format(program, 1000, LANG_ENGLISH, warning),
            "A personal-folder file has reached the warning size.\r\nFile: C:\\Mail\\a.pst\r\n"
            "Size: 1600000 KB (warning size 1572864 KB, limit 2097152 KB)\r\nDisplay name: 個人用フォルダ\r\n"
            "Warning dialog: shown\r\nFormat: ANSI (pst)\r\n"
            "Room left: 304657 KB (the mail client stops taking data at 1904657 KB)\r\n"
            "Growth: 50000 KB a week, 6 weeks until the stop (blank: no forecast)\r\n");
  const wchar_t* failure[] = {L"設定ファイルに保存できません: Visible (ファイルではありません)"};
  EXPECT_EQ(Format(program, 1001, LANG_JAPANESE, failure),
            "Orvane の処理の一部が失敗しました: 設定ファイルに保存できません: Visible (ファイルではありません)\r\n");
  EXPECT_EQ(Format(program, 1001, LANG_ENGLISH, failure),
            "Part of Orvane's run failed: 設定ファイルに保存できません: Visible (ファイルではありません)\r\n");
  FreeLibrary(program);
}

}  // namespace
