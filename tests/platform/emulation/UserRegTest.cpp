// Reading user.reg as the registry loads it, including what it makes of odd input.
#include <gtest/gtest.h>

#include "platform/CodePage.h"
#include "platform/emulation/UserReg.h"
#include "support/TempDir.h"

namespace {

using platform::emulation::UserReg;
using namespace std::literals;

using Typed = std::pair<std::uint32_t, std::string>;  // type and bytes
const Typed kTypeless{0, ""};

std::string Data(const std::string& name) {
  return testing_support::ReadBytes(std::string(ORVANE_TEST_DATA_DIR) + "/registry/" + name);
}

std::optional<Typed> Get(UserReg& reg, std::u16string_view key, std::u16string_view name) {
  const auto id = reg.FindKey(key);
  if (!id) return std::nullopt;
  const auto* value = reg.FindValue(*id, name);
  if (value == nullptr) return std::nullopt;
  return Typed{value->type, value->data};
}

// UTF-16LE bytes of `units` and, unless told otherwise, one NUL unit.
std::string U16(std::u16string_view units, bool nul = true) {
  return platform::ToUtf16Le(units) + (nul ? "\0\0"s : ""s);
}

UserReg Parse(const std::string& body) { return UserReg("WINE REGISTRY Version 2\n" + body); }

TEST(UserReg, EveryValueFormGivesItsTypeAndBytes) {
  UserReg reg = Parse(
      "[K]\n"
      "\"Sz\"=\"abc\"\n"
      "\"Str\"=str:\"abc\"\n"
      "\"Exp\"=str(2):\"%SystemRoot%\\\\x\"\n"
      "\"Multi\"=str(7):\"one\\0two\\0\"\n"
      "\"Bin\"=hex:00,01,ff\n"
      "\"Dw\"=dword:12345678\n"
      "\"DwShort\"=dword:1f\n"
      "\"Qw\"=hex(b):88,77,66,55,44,33,22,11\n"
      "\"None\"=hex(0):\n"
      "\"Huge\"=hex(100000):01\n"
      "\"NoNul\"=hex(1):61,00,62,00\n"
      "\"Empty\"=\"\"\n"
      "\"EmptyBin\"=hex:\n"
      "  \"Spaces\"  =  \"sp\"\n"
      "@=\"default\"\n");
  EXPECT_EQ(Get(reg, u"K", u"Sz"), Typed(1, U16(u"abc")));
  EXPECT_EQ(Get(reg, u"K", u"Str"), Typed(1, U16(u"abc")));
  EXPECT_EQ(Get(reg, u"K", u"Exp"), Typed(2, U16(u"%SystemRoot%\\x")));
  EXPECT_EQ(Get(reg, u"K", u"Multi"), Typed(7, U16(u"one\0two\0"sv)));
  EXPECT_EQ(Get(reg, u"K", u"Bin"), Typed(3, "\x00\x01\xff"s));
  EXPECT_EQ(Get(reg, u"K", u"Dw"), Typed(4, "\x78\x56\x34\x12"s));
  EXPECT_EQ(Get(reg, u"K", u"DwShort"), Typed(4, "\x1f\0\0\0"s));
  EXPECT_EQ(Get(reg, u"K", u"Qw"), Typed(11, "\x88\x77\x66\x55\x44\x33\x22\x11"s));
  EXPECT_EQ(Get(reg, u"K", u"None"), Typed(0, ""));
  EXPECT_EQ(Get(reg, u"K", u"Huge"), Typed(0x100000, "\x01"));
  EXPECT_EQ(Get(reg, u"K", u"NoNul"), Typed(1, "a\0b\0"s));
  EXPECT_EQ(Get(reg, u"K", u"Empty"), Typed(1, "\0\0"s));
  EXPECT_EQ(Get(reg, u"K", u"EmptyBin"), Typed(3, ""));
  EXPECT_EQ(Get(reg, u"K", u"Spaces"), Typed(1, U16(u"sp")));
  EXPECT_EQ(Get(reg, u"K", u""), Typed(1, U16(u"default")));
}

TEST(UserReg, EscapesInStrings) {
  UserReg reg = Parse(
      "[K]\n"
      "\"Hex\"=\"\\x3042\\x30421 \\xe9z \\x000030 \\xg\"\n"
      "\"Octal\"=\"\\101\\60x\\1\\0012\\400\"\n"
      "\"Named\"=\"\\a\\b\\t\\n\\v\\f\\r\\e\"\n"
      "\"Passed\"=\"\\q\\\"\\\\\\[\\]\"\n"
      "\"Raw\"=\"日本 a\xff"
      "b\"\n"
      "\"Odd \\\"name\\\" [x] \\\\back \\xe9=\"=\"v\"\n");
  EXPECT_EQ(Get(reg, u"K", u"Hex"), Typed(1, U16(u"\x3042\x3042"
                                                 u"1 \xe9z \0"
                                                 u"30 xg"sv)));
  EXPECT_EQ(Get(reg, u"K", u"Octal"), Typed(1, U16(u"A0x\x01\x01"
                                                   u"2\x100")));
  EXPECT_EQ(Get(reg, u"K", u"Named"), Typed(1, U16(u"\a\b\t\n\v\f\r\x1b")));
  EXPECT_EQ(Get(reg, u"K", u"Passed"), Typed(1, U16(u"q\"\\[]")));
  EXPECT_EQ(Get(reg, u"K", u"Raw"), Typed(1, U16(u"日本 ab")));  // an invalid byte is dropped
  EXPECT_EQ(Get(reg, u"K", u"odd \"NAME\" [x] \\back \xc9="), Typed(1, U16(u"v")));
}

TEST(UserReg, HexDataContinuesOverLines) {
  UserReg reg = Parse(
      "[K]\n"
      "\"Cont\"=hex:01,02,\\\n"
      "    03 , 04,\\\n"
      "  05\n"
      "\"Junk\"=hex:06,\\ anything after the backslash\n"
      "  07\n"
      "\"BlankEnd\"=hex:08,\\\n"
      "\n"
      "\"After\"=\"ok\"\n");
  EXPECT_EQ(Get(reg, u"K", u"Cont"), Typed(3, "\x01\x02\x03\x04\x05"s));
  EXPECT_EQ(Get(reg, u"K", u"Junk"), Typed(3, "\x06\x07"s));
  EXPECT_EQ(Get(reg, u"K", u"BlankEnd"), Typed(3, "\x08"s));
  EXPECT_EQ(Get(reg, u"K", u"After"), Typed(1, U16(u"ok")));
}

TEST(UserReg, BrokenContinuationTakesTheNextLineWithIt) {
  UserReg reg = Parse(
      "[K]\n"
      "\"Bad\"=hex:01,\\\n"
      "\"Next\"=\"swallowed\"\n"
      "[Next\\\\Key]\n"
      "\"Header\"=hex:01,\\\n"
      "[Swallowed]\n"
      "\"After\"=\"ok\"\n"
      "\"AtEnd\"=hex:02,\\\n");
  EXPECT_EQ(Get(reg, u"K", u"Bad"), kTypeless);
  EXPECT_EQ(Get(reg, u"K", u"Next"), std::nullopt);
  EXPECT_EQ(Get(reg, u"Next\\Key", u"Header"), kTypeless);
  EXPECT_FALSE(reg.FindKey(u"Swallowed"));
  EXPECT_EQ(Get(reg, u"Next\\Key", u"After"), Typed(1, U16(u"ok")));
  EXPECT_EQ(Get(reg, u"Next\\Key", u"AtEnd"), kTypeless);
}

TEST(UserReg, MalformedLinesAreSkipped) {
  UserReg reg = Parse(
      "\"BeforeAnyKey\"=\"x\"\n"
      "[K]\n"
      "\"Unterminated\"=\"abc\n"
      "\"HexLetters\"=hex:zz\n"
      "\"HexTooBig\"=hex:100\n"
      "\"WrongTag\"=Hex:01\n"
      "\"NoData\"=\n"
      "\"BrokenName=\"x\"\n"
      "\"NoEquals\" \"x\"\n"
      "@default=\"x\"\n"
      "unrecognised input\n"
      "  ; a comment\n"
      "#time=1dd860c568e73b8\n"
      "\"Good\"=\"ok\"\n"
      "[Broken\\\\Key\n"
      "\"Orphan\"=\"lost\"\n"
      "[K2]\n"
      "\"Fine\"=\"y\"\n");
  for (const char16_t* name : {u"Unterminated", u"HexLetters", u"HexTooBig", u"WrongTag", u"NoData"}) {
    EXPECT_EQ(Get(reg, u"K", name), kTypeless) << "typeless and empty, but there";
  }
  for (const char16_t* name : {u"BrokenName", u"BrokenName=", u"NoEquals", u"", u"BeforeAnyKey", u"Orphan"}) {
    EXPECT_EQ(Get(reg, u"K", name), std::nullopt);
  }
  EXPECT_EQ(Get(reg, u"", u"BeforeAnyKey"), std::nullopt);
  EXPECT_FALSE(reg.FindKey(u"Broken"));
  EXPECT_EQ(Get(reg, u"K", u"Good"), Typed(1, U16(u"ok")));
  EXPECT_EQ(Get(reg, u"K2", u"Fine"), Typed(1, U16(u"y")));
}

TEST(UserReg, RepeatedHeadersMergeWhateverTheirCase) {
  UserReg reg = Parse(
      "[Hand\\\\Mid\\\\Leaf]\n"
      "\"Esc\"=\"first\"\n"
      "\"Kept\"=\"k\"\n"
      "[Other]\n"
      "[HAND\\\\\\\\mid\\\\leaf\\\\]\n"
      "[hand\\\\MID\\\\LEAF]\n"
      "\"ESC\"=\"dup\"\n");
  EXPECT_EQ(Get(reg, u"Hand\\Mid\\Leaf", u"esc"), Typed(1, U16(u"dup")));
  EXPECT_EQ(Get(reg, u"HAND\\mid\\leaf", u"kept"), Typed(1, U16(u"k")));
}

TEST(UserReg, KeysAreImpliedByDeeperKeysAndMatchedWithoutRegardToCase) {
  UserReg reg = Parse(
      "[]\n"
      "\"AtRoot\"=\"r\"\n"
      "[Software\\\\RegRes\\\\Deep\\\\Er\\\\Est]\n"
      "\"Leaf\"=\"x\"\n"
      "[Software\\\\RegRes\\\\Weird \\[Key\\] \"q\" \\x65e5\\x672c]\n"
      "\"W\"=\"w\"\n"
      "[Software\\\\Caf\\xe9\\\\\\xc9t\\xc9 \\x0416]\n"
      "\"C\"=\"c\"\n");
  EXPECT_TRUE(reg.FindKey(u"Software"));
  EXPECT_TRUE(reg.FindKey(u"software\\regres\\DEEP"));
  EXPECT_TRUE(reg.FindKey(u"Software\\\\RegRes\\Deep\\Er\\"));
  EXPECT_FALSE(reg.FindKey(u"Software\\RegRes\\Dee"));
  EXPECT_EQ(Get(reg, u"Software\\RegRes\\Deep", u"Leaf"), std::nullopt);
  EXPECT_EQ(Get(reg, u"SOFTWARE\\REGRES\\DEEP\\ER\\EST", u"LEAF"), Typed(1, U16(u"x")));
  EXPECT_EQ(Get(reg, u"Software\\RegRes\\Weird [Key] \"q\" 日本", u"W"), Typed(1, U16(u"w")));
  EXPECT_EQ(Get(reg, u"software\\CAF\xc9\\\xe9t\xe9 \x0436", u"c"), Typed(1, U16(u"c")));
  EXPECT_EQ(Get(reg, u"", u"AtRoot"), Typed(1, U16(u"r")));
}

TEST(UserReg, WrongHeaderGivesAnEmptyRegistry) {
  for (const std::string& text :
       {""s, "WINE REGISTRY Version 1\n[K]\n\"A\"=\"x\"\n"s, "\xef\xbb\xbfWINE REGISTRY Version 2\n[K]\n\"A\"=\"x\"\n"s,
        "REGEDIT4\n[K]\n\"A\"=\"x\"\n"s, " WINE REGISTRY Version 2\n[K]\n\"A\"=\"x\"\n"s}) {
    UserReg reg(text);
    EXPECT_FALSE(reg.FindKey(u"K")) << text;
    EXPECT_TRUE(reg.FindKey(u""));
  }
}

TEST(UserReg, UnknownArchitectureStopsTheFileBeforeItsKeys) {
  UserReg win32 = Parse("#arch=win32\n#future=option\n[K]\n\"A\"=\"x\"\n");
  EXPECT_TRUE(win32.FindKey(u"K"));
  UserReg unknown = Parse("#arch=win16\n[K]\n\"A\"=\"x\"\n");
  EXPECT_FALSE(unknown.FindKey(u"K"));
}

TEST(UserReg, CrlfFileReadsLikeAnLfFile) {
  UserReg reg(Data("crlf.reg"));
  EXPECT_EQ(Get(reg, u"Crlf", u"Text"), Typed(1, U16(u"line")));
  EXPECT_EQ(Get(reg, u"Crlf", u"Bin"), Typed(3, "\x01\x02\x03\x04"s));
  EXPECT_EQ(Get(reg, u"Crlf", u"Dw"), Typed(4, "\x2a\0\0\0"s));
  EXPECT_EQ(Get(reg, u"Crlf\\Second", u"Last"), Typed(1, U16(u"end")));
}

TEST(UserReg, FileCutInsideHexDataKeepsTheKeysBeforeAndLeavesTheValueEmpty) {
  UserReg reg(Data("truncated.reg"));
  EXPECT_EQ(Get(reg, u"Whole", u"A"), Typed(1, U16(u"complete")));
  EXPECT_EQ(Get(reg, u"Cut", u"Bin"), kTypeless);
}

TEST(UserReg, BinaryJunkIsSkippedAndNothingPastANulIsSeen) {
  UserReg reg(Data("binary_junk.reg"));
  EXPECT_EQ(Get(reg, u"Before", u"A"), Typed(1, U16(u"a")));
  EXPECT_EQ(Get(reg, u"After", u"B"), Typed(1, U16(u"b")));
  EXPECT_EQ(Get(reg, u"After", u"Nul"), kTypeless);  // the line ends at its NUL, inside the string
  EXPECT_FALSE(reg.FindKey(u"Hidden"));              // a line starting with a NUL is empty
}

TEST(UserReg, FileWrittenByWineReadsBack) {
  UserReg reg(Data("wine_written_profile.reg"));
  const std::u16string base = u"Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows Messaging Subsystem\\Profiles";
  EXPECT_EQ(Get(reg, base, u"DefaultProfile"), Typed(1, U16(u"メール 日本")));
  const auto list = Get(reg, base + u"\\メール 日本\\9207F3E0A3B11019908B08002B2A56C2", u"01023d00");
  ASSERT_TRUE(list);
  EXPECT_EQ(list->first, 3u);
  EXPECT_EQ(list->second.size(), 48u);
}

// Enough keys to grow the index several times over: every key, every key only
// implied by a deeper one, and a key named again much later keep their answers.
TEST(UserReg, ThousandsOfKeysAreAllFoundAfterTheIndexGrows) {
  std::string body;
  for (int k = 0; k < 6000; ++k) {
    body += "[Root\\\\Group" + std::to_string(k % 97) + "\\\\Item" + std::to_string(k) + "]\n";
    body += "\"N\"=dword:" + std::to_string(k) + "\n";
  }
  body += "[ROOT\\\\group3\\\\ITEM3]\n\"Late\"=\"x\"\n";
  UserReg reg = Parse(body);
  EXPECT_EQ(reg.KeyCount(), 1u + 1 + 97 + 6000);
  for (int k = 0; k < 6000; ++k) {
    const std::string path = "root\\GROUP" + std::to_string(k % 97) + "\\item" + std::to_string(k);
    const auto value = Get(reg, std::u16string(path.begin(), path.end()), u"n");
    ASSERT_TRUE(value) << path;
    ASSERT_EQ(value->second.size(), 4u);
  }
  EXPECT_TRUE(reg.FindKey(u"Root\\Group96"));
  EXPECT_FALSE(reg.FindKey(u"Root\\Group97"));
  EXPECT_FALSE(reg.FindKey(u"Root\\Group1\\Item2"));
  EXPECT_EQ(Get(reg, u"Root\\Group3\\Item3", u"Late"), Typed(1, U16(u"x")));
  EXPECT_EQ(Get(reg, u"Root\\Group3\\Item3", u"N"), Typed(4, "\x03\0\0\0"s));
}

// The scan for a key line, alone and read a piece at a time: a key line is one
// whose first character but blanks is "[", wherever a piece ends.
TEST(KeyLineScan, FindsKeyLinesAndTheFirstKeyBelowARootAcrossPieces) {
  using platform::emulation::NextKeyLine;
  const std::string text = "WINE REGISTRY Version 2\n[A]\n\"v\"=\"[x]\"\n  \t[B]\n\"w\"=hex:5b\n[C";
  EXPECT_EQ(NextKeyLine(text, 0), text.find("[A]"));
  EXPECT_EQ(NextKeyLine(text, text.find("[A]") + 1), text.find("  \t[B]"));  // not the "[x]" in a value
  EXPECT_EQ(NextKeyLine(text, text.find("[B]") + 1), text.find("[C"));
  EXPECT_EQ(NextKeyLine(text, text.size() - 1), text.size());
  EXPECT_EQ(NextKeyLine("[Top]", 0), 0u);

  const std::string key = "[Software\\\\Microsoft\\\\Windows NT\\\\Profiles\\\\Outlook] 1700000000\n";
  const std::vector<std::string> roots = {"software\\\\microsoft\\\\windows nt\\\\profiles"};
  const auto holds = [&](const std::string& file, std::size_t piece) {
    std::size_t at = 0;
    const auto read = [&](char* into, std::size_t size) {
      const std::size_t n = std::min(size, file.size() - at);
      std::copy_n(file.data() + at, n, into);
      at += n;
      return static_cast<long>(n);
    };
    std::string buffer;
    return platform::emulation::HoldsKeyUnder(read, roots, buffer, piece);
  };
  const std::string head = "WINE REGISTRY Version 2\n;; All keys relative to \\\\User\n\n";
  const std::string before =
      head + "[Software\\\\Other] 1\n\"a\"=\"[Software\\\\Microsoft\\\\Windows NT\\\\Profiles]\"\n";
  for (std::size_t piece = 64; piece <= 4096; piece += 7) {
    SCOPED_TRACE(piece);
    EXPECT_TRUE(holds(before + key + "\"x\"=dword:1\n", piece));  // the key straddles a piece's end somewhere
    EXPECT_TRUE(holds(before + "  " + key, piece));
    EXPECT_FALSE(holds(before, piece));  // a value that looks like the key is none
  }
  EXPECT_FALSE(holds("REGEDIT4\n" + key, 4096));  // no registry header, no key
  const std::string longKey = key.substr(0, key.find(']')) + std::string(200, 'x') + "]\n";
  EXPECT_TRUE(holds(head + longKey, 4096));
  EXPECT_FALSE(holds(head + longKey, 64));  // a line longer than a piece is no key
}

}  // namespace
