#include "support/TempDir.h"

#include <atomic>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>

#include "platform/CodePage.h"

namespace testing_support {

namespace fs = std::filesystem;

std::string Utf8(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

fs::path PathFromUtf8(const std::string& utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())); }

TempDir::TempDir() {
  static std::atomic<unsigned> counter{0};
  std::random_device random;
  for (;;) {
    std::ostringstream name;
    name << "orvane-test-" << random() << "-" << counter++;
    path_ = fs::temp_directory_path() / name.str();
    if (fs::create_directory(path_)) break;
  }
}

TempDir::~TempDir() {
  std::error_code ignored;
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
  fs::remove_all(path_, ignored);
}

std::string TempDir::File(const std::string& name) const { return Utf8(path_ / PathFromUtf8(name)); }

std::size_t TempDir::EntryCount() const {
  return static_cast<std::size_t>(std::distance(fs::directory_iterator(path_), fs::directory_iterator()));
}

std::string ReadBytes(const std::string& path) {
  std::error_code ignored;
  if (!fs::is_regular_file(PathFromUtf8(path), ignored)) return {};
  std::ifstream in(PathFromUtf8(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(PathFromUtf8(path), std::ios::binary | std::ios::trunc);
  out << bytes;
}

bool MakeReadOnly(const fs::path& path) {
  fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  if (!std::ofstream(path, std::ios::binary | std::ios::app).is_open()) return true;
  fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);
  return false;
}

void RemoveAll(const fs::path& path) {
  std::error_code ignored;
  if (fs::is_regular_file(path, ignored)) fs::permissions(path, fs::perms::owner_write, fs::perm_options::add, ignored);
  fs::remove_all(path, ignored);
}

std::vector<std::string> ReadLogMessages(const std::string& path) {
  const std::string bytes = ReadBytes(path);
  std::vector<std::string> messages;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find("\r\n", start);
    if (end == std::string::npos) end = bytes.size();
    const std::string line = platform::FromAnsi(bytes.substr(start, end - start));
    // Date and time fill the first two print zones of 14 characters.
    messages.push_back(line.size() > 28 ? line.substr(28) : std::string());
    start = end + 2;
  }
  return messages;
}

std::string MaskedLog(const std::string& bytes) {
  std::string out;
  for (std::size_t start = 0; start < bytes.size();) {
    std::size_t end = bytes.find("\r\n", start);
    end = end == std::string::npos ? bytes.size() : end + 2;
    const std::string line = bytes.substr(start, end - start);
    out += line.size() > 28 ? "YYYY/MM/DD    HH:MM:SS      " + line.substr(28) : line;
    start = end;
  }
  return out;
}

}  // namespace testing_support
