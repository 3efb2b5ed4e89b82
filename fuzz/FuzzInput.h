#pragma once
// Splits a fuzzer's bytes into the parts a target needs.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class FuzzInput {
 public:
  FuzzInput(const std::uint8_t* data, std::size_t size) : rest_(reinterpret_cast<const char*>(data), size) {}

  // The bytes up to the next `separator` (or all that is left).
  std::string_view Take(char separator = '\0') {
    const std::size_t end = rest_.find(separator);
    const std::string_view part = rest_.substr(0, end);
    rest_.remove_prefix(end == std::string_view::npos ? rest_.size() : end + 1);
    return part;
  }
  std::string_view Rest() const { return rest_; }

 private:
  std::string_view rest_;
};
