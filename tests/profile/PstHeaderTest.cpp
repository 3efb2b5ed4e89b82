#include "profile/PstHeader.h"

#include <gtest/gtest.h>

#include "support/StoreFile.h"

namespace {

using profile::PstFormat;
using profile::ReadPstHeader;
using profile::StoreKind;

// The header with `client` at 8 and `version` at 10, as a file's first bytes.
std::string Header(const char* client, int version) {
  std::string start = testing_support::PstHeaderBytes(PstFormat::Ansi);
  start.replace(8, 2, client);
  start[10] = static_cast<char>(version & 0xFF);
  start[11] = static_cast<char>(version >> 8);
  return start;
}

TEST(PstHeader, TellsTheFormatAndKindOrWhyItCannot) {
  struct Known {
    std::string start;
    PstFormat format;
    StoreKind kind;
  };
  for (const Known& known : {Known{Header("SM", 14), PstFormat::Ansi, StoreKind::Pst},
                             Known{Header("SM", 15), PstFormat::Ansi, StoreKind::Pst},
                             Known{Header("SO", 14), PstFormat::Ansi, StoreKind::Ost},
                             Known{Header("SM", 23), PstFormat::Unicode, StoreKind::Pst},
                             Known{Header("SO", 36), PstFormat::Unicode, StoreKind::Ost},  // 4 KB pages
                             Known{Header("SM", 37), PstFormat::Unicode, StoreKind::Pst},
                             Known{Header("SM", 0x0117), PstFormat::Unicode, StoreKind::Pst},
                             Known{Header("SM", 14).substr(0, 12), PstFormat::Ansi, StoreKind::Pst}}) {
    const profile::HeaderReading reading = ReadPstHeader(known.start);
    ASSERT_TRUE(reading.header) << static_cast<int>(reading.problem);
    EXPECT_EQ(reading.header->format, known.format);
    EXPECT_EQ(reading.header->kind, known.kind);
  }

  std::string otherMagic = Header("SM", 14);
  otherMagic[3] = 'M';
  using profile::HeaderProblem;
  const struct {
    std::string start;
    HeaderProblem problem;
    std::uint16_t version;
  } cases[] = {{std::string(), HeaderProblem::TooShort, 0},
               {Header("SM", 14).substr(0, 11), HeaderProblem::TooShort, 0},
               {std::string(512, '\0'), HeaderProblem::NotPersonalFolderFile, 0},
               {otherMagic, HeaderProblem::NotPersonalFolderFile, 0},
               {Header("SX", 14), HeaderProblem::NotPersonalFolderFile, 0},
               {Header("SM", 0), HeaderProblem::UnknownVersion, 0},
               {Header("SM", 16), HeaderProblem::UnknownVersion, 16},
               {Header("SM", 22), HeaderProblem::UnknownVersion, 22}};
  for (const auto& c : cases) {
    const profile::HeaderReading reading = ReadPstHeader(c.start);
    EXPECT_FALSE(reading.header);
    EXPECT_EQ(reading.problem, c.problem);
    EXPECT_EQ(reading.version, c.version);
  }
}

// The data the file holds: its end less its free space, from the root at the
// offsets of its format, only while the free-space map is valid.
TEST(PstHeader, DataSizeFromTheRootWhereTheMapIsValid) {
  const auto with = [](PstFormat format, std::uint64_t eof, std::uint64_t free, char valid) {
    std::string start = testing_support::PstHeaderBytes(format);
    const bool ansi = format == PstFormat::Ansi;
    for (std::size_t i = 0; i < (ansi ? 4u : 8u); ++i) {
      start[(ansi ? 168 : 184) + i] = static_cast<char>(eof >> (8 * i) & 0xFF);
      start[(ansi ? 176 : 200) + i] = static_cast<char>(free >> (8 * i) & 0xFF);
    }
    start[ansi ? 200 : 248] = valid;
    return ReadPstHeader(start).header->dataBytes;
  };
  EXPECT_EQ(with(PstFormat::Ansi, 2'000'000'000, 300'000'000, 1), 1'700'000'000);
  EXPECT_EQ(with(PstFormat::Ansi, 4'000'000'000, 0, 2), 4'000'000'000);
  EXPECT_EQ(with(PstFormat::Unicode, 60'000'000'000, 10'000'000'000, 1), 50'000'000'000);
  EXPECT_FALSE(with(PstFormat::Ansi, 2'000'000'000, 0, 0));     // the map is being rebuilt
  EXPECT_FALSE(with(PstFormat::Unicode, 2'000'000'000, 0, 3));  // no value the format has
  EXPECT_FALSE(with(PstFormat::Ansi, 100, 200, 1));             // more free than there is
  // A start too short for the root: the format still, no data size.
  const auto header = ReadPstHeader(testing_support::PstHeaderBytes(PstFormat::Unicode).substr(0, 200)).header;
  ASSERT_TRUE(header);
  EXPECT_FALSE(header->dataBytes);
}

}  // namespace
