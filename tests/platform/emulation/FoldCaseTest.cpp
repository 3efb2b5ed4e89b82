#include "platform/emulation/FoldCase.h"

#include <gtest/gtest.h>

namespace {

using platform::emulation::EqualIgnoringCase;

TEST(FoldCase, NamesAreEqualExactlyWhenWindowsHoldsThemEqual) {
  EXPECT_TRUE(EqualIgnoringCase("ⅰⅱ.pst", "ⅠⅡ.PST"));
  EXPECT_TRUE(EqualIgnoringCase("ⅰ社", "Ⅰ社"));
  EXPECT_TRUE(EqualIgnoringCase("ⓐÿǆΣЖａ", "ⒶŸǄσжＡ"));
  // Windows compares upper cases, so letters whose lower case alone agrees stay apart.
  EXPECT_FALSE(EqualIgnoringCase("İ", "i"));
  EXPECT_FALSE(EqualIgnoringCase("\u212a", "k"));  // KELVIN SIGN
  EXPECT_FALSE(EqualIgnoringCase("ı", "I"));
  EXPECT_FALSE(EqualIgnoringCase("ß", "SS"));
  EXPECT_FALSE(EqualIgnoringCase("ſ", "s"));
}

}  // namespace
