#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "profile/Profile.h"

namespace testing_support {

// The first bytes of a personal-folder or offline file as the mail client writes
// them: "!BDN", a checksum, "SM" or "SO", and the version (14 for the ANSI
// format, 23 for Unicode), in a header of 512 bytes.
std::string PstHeaderBytes(profile::PstFormat format, profile::StoreKind kind = profile::StoreKind::Pst);

// A sparse file of `length` bytes at `path` (missing folders made) that starts
// with that header, or with as much of it as fits; returns its UTF-8 path.
std::string MakeStoreFile(const std::filesystem::path& path, std::uintmax_t length,
                          profile::PstFormat format = profile::PstFormat::Ansi,
                          profile::StoreKind kind = profile::StoreKind::Pst);

// Writes into the header of the ANSI file at `path` that it holds `dataBytes` of
// data: its end of file there, no free space, and a valid free-space map.
void SetDataSize(const std::string& path, std::uint32_t dataBytes);

}  // namespace testing_support
