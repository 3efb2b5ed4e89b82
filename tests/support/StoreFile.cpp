#include "support/StoreFile.h"

#include <fstream>

#include "support/TempDir.h"

namespace testing_support {

std::string PstHeaderBytes(profile::PstFormat format, profile::StoreKind kind) {
  std::string header(512, '\0');
  header.replace(0, 4, "!BDN");
  header.replace(4, 4, "\x5a\x3c\x17\x09");
  header.replace(8, 2, kind == profile::StoreKind::Pst ? "SM" : "SO");
  header[10] = format == profile::PstFormat::Ansi ? 14 : 23;
  header[12] = 19;  // the client's own version
  header[14] = 1;   // the platforms it was made and last used on
  header[15] = 1;
  return header;
}

std::string MakeStoreFile(const std::filesystem::path& path, std::uintmax_t length, profile::PstFormat format,
                          profile::StoreKind kind) {
  std::filesystem::create_directories(path.parent_path());
  const std::string header = PstHeaderBytes(format, kind);
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(header.data(), static_cast<std::streamsize>(std::min<std::uintmax_t>(header.size(), length)));
  std::filesystem::resize_file(path, length);
  return Utf8(path);
}

void SetDataSize(const std::string& path, std::uint32_t dataBytes) {
  std::fstream file(PathFromUtf8(path), std::ios::binary | std::ios::in | std::ios::out);
  char eof[4];
  for (int i = 0; i < 4; ++i) eof[i] = static_cast<char>(dataBytes >> (8 * i) & 0xFF);
  file.seekp(168).write(eof, 4);
  file.seekp(176).write("\0\0\0\0", 4);
  file.seekp(200).put(1);
}

}  // namespace testing_support
