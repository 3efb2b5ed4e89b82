#include "ui/win32/DialogFonts.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/win32/Wide.h"

namespace ui {
namespace {

int CALLBACK NoteFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

bool FontInstalled(HDC dc, const std::wstring& face) {
  LOGFONTW query{};
  query.lfCharSet = DEFAULT_CHARSET;
  if (face.empty() || face.size() >= LF_FACESIZE) return false;
  face.copy(query.lfFaceName, face.size());
  bool found = false;
  EnumFontFamiliesExW(dc, &query, NoteFound, reinterpret_cast<LPARAM>(&found), 0);
  return found;
}

// The first of `faces` that is installed; empty to let the font mapper choose.
std::wstring FirstInstalled(HDC dc, std::initializer_list<const wchar_t*> faces) {
  for (const wchar_t* face : faces)
    if (FontInstalled(dc, face)) return face;
  return {};
}

// The Japanese proportional face, or the nearest installed Japanese proportional
// sans-serif.
std::wstring JapaneseFace(HDC dc) {
  return FirstInstalled(dc, {L"ＭＳ Ｐゴシック", L"MS PGothic", L"MS UI Gothic", L"Meiryo UI", L"メイリオ", L"Meiryo",
                             L"Yu Gothic UI", L"游ゴシック", L"Yu Gothic", L"IPAPGothic", L"VL PGothic",
                             L"Noto Sans CJK JP", L"Noto Sans JP", L"TakaoPGothic"});
}

std::wstring WesternFace(HDC dc) {
  return FirstInstalled(dc, {L"Segoe UI", L"Tahoma", L"Arial", L"Microsoft Sans Serif"});
}

HFONT CreateFace(const std::wstring& face, int pixels, bool bold, BYTE charset) {
  LOGFONTW font{};
  font.lfHeight = -pixels;
  font.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  font.lfCharSet = charset;
  font.lfOutPrecision = OUT_DEFAULT_PRECIS;
  font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  font.lfQuality = DEFAULT_QUALITY;
  font.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
  face.copy(font.lfFaceName, std::min<std::size_t>(face.size(), LF_FACESIZE - 1));
  return CreateFontIndirectW(&font);
}

}  // namespace

DialogFonts::DialogFonts(int dpi) {
  const bool japaneseTexts = warning::JapaneseTexts();
  HDC dc = GetDC(nullptr);
  const std::wstring styled = japaneseTexts ? JapaneseFace(dc) : WesternFace(dc);
  // The platform's dialog font; where its face is missing, the styled controls' one.
  LOGFONTW gui{};
  GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof gui, &gui);
  if (!FontInstalled(dc, gui.lfFaceName) && !styled.empty()) {
    gui.lfFaceName[styled.copy(gui.lfFaceName, LF_FACESIZE - 1)] = L'\0';
    gui.lfCharSet = japaneseTexts ? SHIFTJIS_CHARSET : DEFAULT_CHARSET;
  }
  ReleaseDC(nullptr, dc);
  owned_[0] = CreateFontIndirectW(&gui);

  for (std::size_t i = 0; i < kControls; ++i) {
    const warning::FontStyle& style = warning::kWarningLayout[i].font;
    if (style.face == nullptr) {
      fonts_[i] = owned_[0];
      continue;
    }
    const int pixels = static_cast<int>(std::lround(style.points * dpi / 72));
    HFONT& font = owned_[style.bold ? 1 : 2];
    const BYTE charset = japaneseTexts && style.japaneseCharset ? SHIFTJIS_CHARSET : DEFAULT_CHARSET;
    if (font == nullptr) font = CreateFace(styled, pixels, style.bold, charset);
    fonts_[i] = font;
  }
}

DialogFonts::~DialogFonts() {
  for (HFONT font : owned_)
    if (font != nullptr) DeleteObject(font);
  for (HFONT font : linked_)
    if (font != nullptr) DeleteObject(font);
}

void DialogFonts::Link(std::size_t index, std::string_view text) {
  HDC dc = GetDC(nullptr);
  if (dc == nullptr) return;
  const HGDIOBJ before = SelectObject(dc, fonts_[index]);
  const std::wstring wide = platform::win32::Widen(text);
  std::vector<WORD> glyphs(wide.size());
  bool lacking = false;
  if (!wide.empty() && GetGlyphIndicesW(dc, wide.c_str(), static_cast<int>(wide.size()), glyphs.data(),
                                        GGI_MARK_NONEXISTING_GLYPHS) != GDI_ERROR) {
    for (std::size_t i = 0; i < wide.size(); ++i) lacking = lacking || (glyphs[i] == 0xFFFF && wide[i] >= L' ');
  }
  const std::wstring japanese = lacking ? JapaneseFace(dc) : std::wstring();
  SelectObject(dc, before);
  ReleaseDC(nullptr, dc);
  if (japanese.empty()) return;
  LOGFONTW font{};
  GetObjectW(fonts_[index], sizeof font, &font);
  font.lfFaceName[japanese.copy(font.lfFaceName, LF_FACESIZE - 1)] = L'\0';
  font.lfCharSet = SHIFTJIS_CHARSET;
  if (linked_[index] != nullptr) DeleteObject(linked_[index]);
  linked_[index] = CreateFontIndirectW(&font);
}

void DialogFonts::ForEachRun(HDC dc, std::size_t index, std::wstring_view text,
                             const std::function<void(std::wstring_view)>& each) const {
  const HGDIOBJ before = SelectObject(dc, fonts_[index]);
  std::vector<WORD> glyphs(text.size());
  if (linked_[index] == nullptr || text.empty() ||
      GetGlyphIndicesW(dc, text.data(), static_cast<int>(text.size()), glyphs.data(), GGI_MARK_NONEXISTING_GLYPHS) ==
          GDI_ERROR) {
    each(text);
    SelectObject(dc, before);
    return;
  }
  std::size_t start = 0;
  for (std::size_t i = 1; i <= text.size(); ++i) {
    const bool own = glyphs[start] != 0xFFFF;
    if (i < text.size() && (glyphs[i] != 0xFFFF) == own) continue;
    SelectObject(dc, own ? fonts_[index] : linked_[index]);
    each(text.substr(start, i - start));
    start = i;
  }
  SelectObject(dc, before);
}

int DialogFonts::Measure(HDC dc, std::size_t index, std::wstring_view text) const {
  int width = 0;
  ForEachRun(dc, index, text, [&](std::wstring_view run) {
    SIZE size{};
    GetTextExtentPoint32W(dc, run.data(), static_cast<int>(run.size()), &size);
    width += static_cast<int>(size.cx);
  });
  return width;
}

int DialogFonts::Measure(std::size_t index, std::string_view text) const {
  HDC dc = GetDC(nullptr);
  if (dc == nullptr) return 0;
  const int width = Measure(dc, index, platform::win32::Widen(text));
  ReleaseDC(nullptr, dc);
  return width;
}

}  // namespace ui
