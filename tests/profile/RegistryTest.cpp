// The registry reader against the registry itself: on Windows the real one, on
// Linux a Wine prefix's user.reg. Both must give the same answers.
#include <gtest/gtest.h>

#include <array>

#include "platform/CodePage.h"
#include "platform/Registry.h"
#include "platform/System.h"
#include "profile/mdlRegistry.h"
#include "support/RegistryFixture.h"

namespace mdlRegistry {
// Failure messages show what was read.
void PrintTo(const RegValue& value, std::ostream* out) {
  if (value.IsNumber()) {
    *out << "number " << value.AsNumber();
  } else if (value.IsText()) {
    *out << "text \"" << value.AsText() << "\"";
  } else {
    *out << "bytes " << ::testing::PrintToString(value.AsBytes());
  }
}
}  // namespace mdlRegistry

namespace {

using mdlRegistry::Bytes;
using mdlRegistry::GetRegValue;
using mdlRegistry::kReadBytes;
using mdlRegistry::kReadNumber;
using mdlRegistry::kReadText;
using mdlRegistry::RegValue;
using platform::RegistryRoot;
using testing_support::RegistryFixture;
using namespace std::string_literals;

const std::string kKey = std::string(RegistryFixture::kTestRoot) + "\\Values";
const RegValue kDefault("(default)");

RegValue Read(const std::string& key, const std::string& name, std::int32_t readType) {
  return GetRegValue(RegistryRoot::CurrentUser, key, name, readType, kDefault);
}

std::string Utf16(const std::string& utf8) { return platform::Utf8ToUtf16Le(utf8); }

Bytes AsBytes(const std::string& bytes) { return Bytes(bytes.begin(), bytes.end()); }

std::string Repeat(const std::string& piece, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += piece;
  return out;
}

TEST(RegistryText, TextOf255BytesAndItsNulIsReadWholeAndLongerTextGivesTheDefault) {
  RegistryFixture registry;
  registry.SetText(kKey, "A255", std::string(255, 'a'));
  registry.SetText(kKey, "A256", std::string(256, 'a'));
  EXPECT_EQ(Read(kKey, "A255", kReadText), RegValue(std::string(255, 'a')));
  EXPECT_EQ(Read(kKey, "A256", kReadText), kDefault);

  // Read whole, past the buffers' sizes up to a mebibyte; beyond it, the default.
  const auto whole = [&](const char* name, std::int32_t readType) {
    return GetRegValue(RegistryRoot::CurrentUser, kKey, name, readType, kDefault, mdlRegistry::Extent::Whole);
  };
  registry.SetBytes(kKey, "Bytes5000", std::string(4999, 'b'));  // its byte count made even
  registry.SetBytes(kKey, "TooLong", std::string((1 << 20) + 1, 'c'));
  EXPECT_EQ(whole("A256", kReadText), RegValue(std::string(256, 'a')));
  EXPECT_EQ(whole("Bytes5000", kReadBytes), RegValue(AsBytes(std::string(4999, 'b') + "\0"s)));
  EXPECT_EQ(whole("TooLong", kReadBytes), kDefault);
  EXPECT_EQ(Read(kKey, "Bytes5000", kReadBytes), kDefault);
}

TEST(RegistryText, LimitCountsAnsiBytesNotUtf16Bytes) {
  RegistryFixture registry;
  registry.SetText(kKey, "Kanji127", Repeat("日", 127));  // 254 bytes and a NUL
  registry.SetText(kKey, "Kanji128", Repeat("日", 128));  // 257 bytes
  registry.SetText(kKey, "B200", std::string(200, 'b'));  // 402 bytes as UTF-16, 201 as ANSI
  EXPECT_EQ(Read(kKey, "Kanji127", kReadText), RegValue(Repeat("日", 127)));
  EXPECT_EQ(Read(kKey, "Kanji128", kReadText), kDefault);
  EXPECT_EQ(Read(kKey, "B200", kReadText), RegValue(std::string(200, 'b')));
}

TEST(RegistryText, BinaryReadAsTextStopsAtTheFirstZeroAndDecodesTheAnsiCodePage) {
  RegistryFixture registry;
  registry.SetBytes(kKey, "Sjis", platform::ToAnsi("個人用フォルダ") + "\0tail"s);
  registry.SetBytes(kKey, "Full", std::string(256, 'z'));  // no NUL at all: taken whole
  EXPECT_EQ(Read(kKey, "Sjis", kReadText), RegValue("個人用フォルダ"));
  EXPECT_EQ(Read(kKey, "Full", kReadText), RegValue(std::string(256, 'z')));
}

TEST(RegistryBytes, UpTo4096BytesAreReadAndLongerDataGivesTheDefault) {
  RegistryFixture registry;
  registry.SetBytes(kKey, "B4096", std::string(4096, '\x5a'));
  registry.SetBytes(kKey, "B4097", std::string(4097, '\x5a'));
  EXPECT_EQ(Read(kKey, "B4096", kReadBytes), RegValue(Bytes(4096, 0x5a)));
  EXPECT_EQ(Read(kKey, "B4097", kReadBytes), kDefault);
}

TEST(RegistryBytes, TrailingZerosAreCutButAUtf16UnitKeepsItsHighByte) {
  RegistryFixture registry;
  registry.SetBytes(kKey, "Word", Utf16("Outlook1") + "\0\0"s);
  registry.SetBytes(kKey, "EvenLast", "\x01\x02\x03\0\0\0"s);
  registry.SetBytes(kKey, "OddLast", "\x01\x02\0\0\0"s);
  registry.SetBytes(kKey, "Zeros", "\0\0\0\0"s);
  registry.SetBytes(kKey, "Empty", "");

  const RegValue word = Read(kKey, "Word", kReadBytes);
  EXPECT_EQ(word.AsBytes().size(), 16u);
  EXPECT_EQ(word.AsText(), "Outlook1");
  EXPECT_EQ(Read(kKey, "EvenLast", kReadBytes), RegValue(AsBytes("\x01\x02\x03\0"s)));
  EXPECT_EQ(Read(kKey, "OddLast", kReadBytes), RegValue(AsBytes("\x01\x02")));
  for (const char* name : {"Zeros", "Empty"}) {
    EXPECT_EQ(Read(kKey, name, kReadBytes), RegValue(Bytes{})) << name;
    EXPECT_EQ(Read(kKey, name, kReadBytes).AsText(), "") << name;
  }
}

TEST(RegistryBytes, TextReadAsBytesGivesItsAnsiBytes) {
  RegistryFixture registry;
  registry.SetText(kKey, "Abc", "abc");
  registry.SetText(kKey, "Nihon", "日本");
  EXPECT_EQ(Read(kKey, "Abc", kReadBytes), RegValue(AsBytes("abc\0"s)));
  EXPECT_EQ(Read(kKey, "Nihon", kReadBytes), RegValue(AsBytes("\x93\xfa\x96\x7b")));
}

TEST(RegistryNumber, FourBytesAreALittleEndianSignedNumber) {
  RegistryFixture registry;
  registry.SetDword(kKey, "Dw", 0x12345678);
  registry.SetDword(kKey, "Minus", 0xFFFFFFFF);
  registry.SetBytes(kKey, "Short", "\x01\x02");
  registry.SetBytes(kKey, "Long", "\x01\x02\x03\x04\x05");
  EXPECT_EQ(Read(kKey, "Dw", kReadNumber), RegValue(0x12345678));
  EXPECT_EQ(Read(kKey, "Minus", kReadNumber), RegValue(-1));
  EXPECT_EQ(Read(kKey, "Short", kReadNumber), RegValue(0x0201));
  EXPECT_EQ(Read(kKey, "Long", kReadNumber), kDefault);
}

TEST(RegistryNames, KeyAndValueNamesMatchWithoutRegardToCase) {
  RegistryFixture registry;
  registry.SetText(kKey + "\\MixedCase", "ValueName", "found");
  registry.SetText(kKey + "\\日本語キー", "名前", "和文");
  registry.SetText(kKey, "", "the default value");
  EXPECT_EQ(Read("SOFTWARE\\orvanetest\\VALUES\\mixedcase", "VALUENAME", kReadText), RegValue("found"));
  EXPECT_EQ(Read(kKey + "\\日本語キー", "名前", kReadText), RegValue("和文"));
  EXPECT_EQ(Read(kKey, "", kReadText), RegValue("the default value"));
}

TEST(RegistryKeys, KeysThatOnlyHoldOtherKeysOpen) {
  RegistryFixture registry;
  registry.SetText(kKey + "\\Deep\\Er\\Est", "Leaf", "x");
  platform::RegistryKey key = 0;
  ASSERT_EQ(platform::OpenRegistryKey(RegistryRoot::CurrentUser, kKey + "\\Deep", &key), platform::kRegistryOk);
  platform::CloseRegistryKey(key);
  EXPECT_EQ(Read(kKey + "\\Deep\\", "Leaf", kReadText), kDefault);
  EXPECT_EQ(Read(kKey + "\\Deep\\Er\\Est\\", "Leaf", kReadText), RegValue("x"));  // a trailing separator is fine
}

TEST(RegistryKeys, KeyPathLongerThan260CharactersOpens) {
  if (platform::kWindows) GTEST_SKIP() << "Wine's narrow-character call cuts such a path";
  // Windows limits each key name to 255 characters, not the path.
  RegistryFixture registry;
  const std::string key = kKey + "\\" + std::string(255, 'E') + "\\" + std::string(40, 'F');
  registry.SetText(key, "v", "found");
  EXPECT_EQ(Read(key, "v", kReadText), RegValue("found"));
}

TEST(RegistryKeys, MissingKeyMissingValueAndUnknownShapeGiveTheCallersDefault) {
  RegistryFixture registry;
  registry.SetText(kKey, "There", "x");
  registry.CreateKey(kKey + "\\Empty");
  const RegValue number(7);
  for (std::int32_t readType : {kReadText, kReadBytes, kReadNumber}) {
    EXPECT_EQ(GetRegValue(RegistryRoot::CurrentUser, kKey + "\\Missing", "There", readType, number), number);
    EXPECT_EQ(GetRegValue(RegistryRoot::CurrentUser, kKey, "Missing", readType, number), number);
    EXPECT_EQ(GetRegValue(RegistryRoot::CurrentUser, kKey + "\\Empty", "There", readType, number), number);
  }
  EXPECT_EQ(Read(kKey, "There", 2), kDefault);  // no such shape
  platform::RegistryKey key = 1;
  EXPECT_EQ(platform::OpenRegistryKey(RegistryRoot::CurrentUser, "\\" + kKey, &key), platform::kRegistryBadPath);
  EXPECT_EQ(key, 0u);
}

// The byte-level answers of a query, which the Linux reader must reproduce.
struct Query {
  long status;
  std::uint32_t size;
  std::array<unsigned char, 16> buffer;
};

Query QueryValue(const std::string& name, std::uint32_t size) {
  Query query{0, size, {}};
  query.buffer.fill(0xCC);
  platform::RegistryKey key = 0;
  EXPECT_EQ(platform::OpenRegistryKey(RegistryRoot::CurrentUser, kKey, &key), platform::kRegistryOk);
  query.status = platform::QueryRegistryValue(key, name, query.buffer.data(), &query.size);
  platform::CloseRegistryKey(key);
  return query;
}

TEST(RegistryQuery, TooSmallABufferIsLeftUntouchedAndTheNeededSizeReported) {
  RegistryFixture registry;
  registry.SetText(kKey, "Abc", "abc");
  registry.SetBytes(kKey, "Bin", "\x01\x02\x03\x04\x05");
  const Query text = QueryValue("Abc", 3);
  EXPECT_EQ(text.status, platform::kRegistryMoreData);
  EXPECT_EQ(text.size, 4u);
  EXPECT_EQ(text.buffer[0], 0xCC);
  const Query binary = QueryValue("Bin", 4);
  EXPECT_EQ(binary.status, platform::kRegistryMoreData);
  EXPECT_EQ(binary.size, 5u);
  EXPECT_EQ(binary.buffer[0], 0xCC);
  const Query missing = QueryValue("Missing", 9);
  EXPECT_EQ(missing.status, platform::kRegistryNotFound);
  EXPECT_EQ(missing.size, 9u);
}

TEST(RegistryQuery, TextWithoutItsNulGetsOneOnlyWhenThereIsRoom) {
  RegistryFixture registry;
  registry.SetBytes(kKey, "NoNul", Utf16("abc"), 1);
  registry.SetBytes(kKey, "OddLength", Utf16("ab") + "c", 1);
  registry.SetText(kKey, "EmptyText", "");
  registry.SetBytes(kKey, "Multi", Utf16("one") + "\0\0"s + Utf16("二") + "\0\0\0\0"s, 7);

  const Query exact = QueryValue("NoNul", 3);
  EXPECT_EQ(exact.status, platform::kRegistryOk);
  EXPECT_EQ(exact.size, 3u);
  EXPECT_EQ(std::string(exact.buffer.begin(), exact.buffer.begin() + 4), "abc\xcc");
  const Query roomy = QueryValue("NoNul", 8);
  EXPECT_EQ(roomy.size, 3u);
  EXPECT_EQ(roomy.buffer[3], 0);
  const Query odd = QueryValue("OddLength", 8);
  EXPECT_EQ(odd.size, 2u);
  EXPECT_EQ(std::string(odd.buffer.begin(), odd.buffer.begin() + 3), "ab\0"s);
  const Query empty = QueryValue("EmptyText", 4);
  EXPECT_EQ(empty.size, 1u);
  EXPECT_EQ(empty.buffer[0], 0);
  const Query multi = QueryValue("Multi", 16);
  EXPECT_EQ(multi.size, 8u);
  EXPECT_EQ(std::string(multi.buffer.begin(), multi.buffer.begin() + 9), "one\0\x93\xf1\0\0\xcc"s);
}

}  // namespace
