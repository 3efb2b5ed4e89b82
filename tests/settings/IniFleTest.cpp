#include <gtest/gtest.h>

#include <filesystem>

#include "settings/mdlIniFle.h"
#include "support/TempDir.h"

namespace {

using mdlIniFle::GetIniValue;
using mdlIniFle::SetIniValue;
using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

class IniFle : public testing::Test {
 protected:
  TempDir dir_;
  std::string file_ = dir_.File("Orvane.ini");
};

TEST_F(IniFle, MissingFileReadsEmptyAndIsNotCreated) {
  EXPECT_EQ(GetIniValue(file_, "Orvane", "LimitSize"), "");
  EXPECT_FALSE(std::filesystem::exists(testing_support::PathFromUtf8(file_)));
}

TEST_F(IniFle, ValueWithBlankEndsIsQuotedAndReadBackWhole) {
  const struct {
    std::string value, line;
  } cases[] = {
      {" lead", "k=\" lead\""},
      {"trail ", "k=\"trail \""},
      {"   ", "k=\"   \""},
      {"\ttab", "k=\"\ttab\""},
      {"\u3000全角", "k=\"\x81\x40\x91\x53\x8a\x70\""},  // the ideographic space counts as a blank
      {"\"abc\"", "k=\"\"abc\"\""},                      // a quoted value keeps its quotes
      {"'x'", "k=\"'x'\""},
      {"a b", "k=a b"},
      {"\"open", "k=\"open"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    ASSERT_EQ(SetIniValue(file_, "S", "k", c.value), platform::WriteError::None);
    EXPECT_EQ(ReadBytes(file_), "[S]\r\n" + c.line + "\r\n");
    EXPECT_EQ(GetIniValue(file_, "S", "k"), c.value);
  }
}

TEST_F(IniFle, JapaneseTextIsStoredInCodePage932) {
  ASSERT_EQ(SetIniValue(file_, "Orvane", "WarningTitle", "注意！"), platform::WriteError::None);
  EXPECT_EQ(ReadBytes(file_), "[Orvane]\r\nWarningTitle=\x92\x8d\x88\xd3\x81\x49\r\n");
  EXPECT_EQ(GetIniValue(file_, "orvane", "warningtitle"), "注意！");
}

// (The service's cut at 1,023 bytes: ProfileRead's tests.) What reaches the run
// is whole characters, and a value cut so does not read back as saved.
TEST_F(IniFle, LongValuesComeBackCutToWholeCharactersWithin1023Bytes) {
  std::string kana;
  for (int i = 0; i < 600; ++i) kana += "あ";
  std::string kana511;
  for (int i = 0; i < 511; ++i) kana511 += "あ";
  EXPECT_EQ(SetIniValue(file_, "L", "kana", kana), platform::WriteError::NotReadBack);
  SetIniValue(file_, "L", "edge", std::string(1022, 'x') + "あ");
  EXPECT_EQ(GetIniValue(file_, "L", "kana"), kana511);
  EXPECT_EQ(GetIniValue(file_, "L", "edge"), std::string(1022, 'x'));
}

TEST_F(IniFle, ValueWithALineBreakIsRefusedAndTheFileKept) {
  WriteBytes(file_, "[No Check]\r\nVisible=1\r\n");
  EXPECT_EQ(SetIniValue(file_, "No Check", "Visible", "1\r\n[Orvane]\r\nWarningSize=0"),
            platform::WriteError::NotOneLine);
  EXPECT_EQ(ReadBytes(file_), "[No Check]\r\nVisible=1\r\n");
}

}  // namespace
