// Answers a batch of queries with the program's own services, one answer line per
// query, so that the Linux build and the Windows build (under Wine) can be given
// the same batch and their answers compared line by line.
//
// Usage: orvane_probe QUERIES ANSWERS INI_FOLDER
// Each query line is an id and a kind, then the kind's arguments, separated by
// tabs; text arguments are hexadecimal bytes (so that any byte, NUL included,
// can be asked about). Settings files are named relative to INI_FOLDER.
//   ini FILE SECTION KEY      the profile-string service, ANSI names, 1024-byte buffer
//   initext FILE SECTION KEY  the settings reader (UTF-8 names and value)
//   reg KEY NAME SHAPE        mdlRegistry::GetRegValue, shape 1, 3, 4 or any other
//   regwhole KEY NAME SHAPE   mdlRegistry::GetRegValue, read whole
//   regstored KEY NAME        mdlRegistry::GetRegBytesAsStored
//   regquery KEY NAME SIZE    the registry service with a SIZE-byte buffer of 0xCC (-1: none)
//   path UTF16LE              platform::QueryFile for a path held as UTF-16 text
//   apath ANSI                platform::QueryFile for a path held in the ANSI code page
//   ansi UTF8                 platform::ToAnsi
//   fromansi ANSI             platform::FromAnsi
//   u16ansi UTF16LE           UTF-16 text, as the log writes it, in the ANSI code page
#include <array>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/CodePage.h"
#include "platform/Executable.h"
#include "platform/FileQuery.h"
#include "platform/ProfileString.h"
#include "platform/Registry.h"
#include "profile/mdlRegistry.h"
#include "settings/mdlIniFle.h"
#include "support/RegistryFixture.h"

namespace {

template <typename Bytes>
std::string Hex(const Bytes& bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  for (const auto byte : bytes) {
    const auto b = static_cast<unsigned char>(byte);
    out += kDigits[b >> 4];
    out += kDigits[b & 0x0F];
  }
  return out.empty() ? "-" : out;
}

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  std::stringstream in(line);
  std::string field;
  while (std::getline(in, field, '\t')) fields.push_back(field == "-" ? "" : field);
  return fields;
}

std::string RegAnswer(const mdlRegistry::RegValue& value) {
  if (value.IsNumber()) return "N:" + std::to_string(value.AsNumber());
  if (value.IsBytes()) return "B:" + Hex(value.AsBytes());
  return "T:" + Hex(value.AsText());
}

std::string FileAnswer(const std::string& path) {
  const platform::FileStatus status = platform::QueryFile(path);
  return status.exists ? "file " + std::to_string(status.length) : "none";
}

std::string Answer(const std::vector<std::string>& q, const std::string& iniFolder) {
  const std::string& kind = q[1];
  auto arg = [&](std::size_t i) { return i < q.size() ? testing_support::Unhex(q[i]) : std::string(); };
  auto iniFile = [&] { return iniFolder + platform::kPathSeparator + (q.size() > 2 ? q[2] : ""); };
  using platform::RegistryRoot;
  if (kind == "ini") {
    std::array<char, 1024> buffer{};
    // The text up to the NUL, as the settings reader takes it: where a cut falls
    // inside a double-byte character Wine counts the byte it leaves out.
    platform::ReadProfileValue(arg(3), arg(4), "#default", buffer.data(), buffer.size(), iniFile());
    return Hex(std::string(buffer.data()));
  }
  if (kind == "initext") return Hex(mdlIniFle::GetIniValue(iniFile(), arg(3), arg(4)));
  if (kind == "reg") {
    const auto shape = static_cast<std::int32_t>(std::stol(q.at(4)));
    return RegAnswer(mdlRegistry::GetRegValue(RegistryRoot::CurrentUser, arg(2), arg(3), shape, "#default"));
  }
  if (kind == "regwhole") {
    const auto shape = static_cast<std::int32_t>(std::stol(q.at(4)));
    return RegAnswer(mdlRegistry::GetRegValue(RegistryRoot::CurrentUser, arg(2), arg(3), shape, "#default",
                                              mdlRegistry::Extent::Whole));
  }
  if (kind == "regstored") return Hex(mdlRegistry::GetRegBytesAsStored(RegistryRoot::CurrentUser, arg(2), arg(3)));
  if (kind == "regquery") {
    platform::RegistryKey key = 0;
    const long open = platform::OpenRegistryKey(RegistryRoot::CurrentUser, arg(2), &key);
    if (open != platform::kRegistryOk) return "open " + std::to_string(open);
    const long asked = std::stol(q.at(4));
    std::vector<unsigned char> buffer(asked < 0 ? 0 : static_cast<std::size_t>(asked), 0xCC);
    std::uint32_t size = asked < 0 ? 0 : static_cast<std::uint32_t>(asked);
    const long status = platform::QueryRegistryValue(key, arg(3), asked < 0 ? nullptr : buffer.data(), &size);
    platform::CloseRegistryKey(key);
    return "status " + std::to_string(status) + " size " + std::to_string(size) + " " + Hex(buffer);
  }
  if (kind == "path") {
    // As the profile walk reads a path stored as UTF-16 text.
    const std::string units = arg(2);
    return FileAnswer(mdlRegistry::RegValue(mdlRegistry::Bytes(units.begin(), units.end())).AsText());
  }
  if (kind == "apath") return FileAnswer(platform::FromAnsi(arg(2)));
  if (kind == "ansi") return Hex(platform::ToAnsi(arg(2)));
  if (kind == "fromansi") return Hex(platform::FromAnsi(arg(2)));
  if (kind == "u16ansi") return Hex(platform::ToAnsi(platform::Utf16LeToUtf8(arg(2))));
  return "unknown query";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: orvane_probe QUERIES ANSWERS INI_FOLDER\n";
    return 2;
  }
  std::ifstream queries(argv[1], std::ios::binary);
  std::ofstream answers(argv[2], std::ios::binary);
  if (!queries || !answers) {
    std::cerr << "orvane_probe: cannot open the query or answer file\n";
    return 2;
  }
  std::string line;
  while (std::getline(queries, line)) {
    const std::vector<std::string> q = Fields(line);
    if (q.size() < 2) continue;
    answers << q[0] << '\t' << Answer(q, argv[3]) << '\n';
  }
  return answers.good() ? 0 : 1;
}
