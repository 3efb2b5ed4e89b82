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
    ASSERT_TRUE(reading.header) << reading.why;
    EXPECT_EQ(reading.header->format, known.format);
    EXPECT_EQ(reading.header->kind, known.kind);
  }

  std::string otherMagic = Header("SM", 14);
  otherMagic[3] = 'M';
  for (const auto& [start, why] : {std::pair{std::string(), "ファイルが短すぎます"},
                                   std::pair{Header("SM", 14).substr(0, 11), "ファイルが短すぎます"},
                                   std::pair{std::string(512, '\0'), "個人用フォルダのファイルではありません"},
                                   std::pair{otherMagic, "個人用フォルダのファイルではありません"},
                                   std::pair{Header("SX", 14), "個人用フォルダのファイルではありません"},
                                   std::pair{Header("SM", 0), "不明なバージョンです (0)"},
                                   std::pair{Header("SM", 16), "不明なバージョンです (16)"},
                                   std::pair{Header("SM", 22), "不明なバージョンです (22)"}}) {
    const profile::HeaderReading reading = ReadPstHeader(start);
    EXPECT_FALSE(reading.header);
    EXPECT_EQ(reading.why, why);
  }
}

}  // namespace
