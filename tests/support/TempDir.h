#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace testing_support {

// A fresh, empty folder that is removed with everything in it at scope exit.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The UTF-8 path of `name` inside the folder, in the system's own spelling.
  std::string File(const std::string& name) const;
  // How many files and folders the folder holds (not counting their contents).
  std::size_t EntryCount() const;

 private:
  std::filesystem::path path_;
};

std::string Utf8(const std::filesystem::path& path);
std::filesystem::path PathFromUtf8(const std::string& utf8);

// The whole file as bytes; empty when it cannot be read.
std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);

// Takes the write permission away from the file at `path` (on Windows: the
// read-only attribute). False, leaving it writable, where that does not stop
// this process writing it (root on Linux).
bool MakeReadOnly(const std::filesystem::path& path);

// Removes `path` with everything in it, read-only files too; nothing when missing.
void RemoveAll(const std::filesystem::path& path);

// The messages of a run log (UTF-8), without their date and time columns.
std::vector<std::string> ReadLogMessages(const std::string& path);

// The bytes of a run log with the date and time of every line replaced by a fixed
// mask, for comparing whole logs with the ones kept in the test data.
std::string MaskedLog(const std::string& bytes);

}  // namespace testing_support
