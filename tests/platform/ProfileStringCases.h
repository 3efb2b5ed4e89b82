#pragma once
// What the profile-string service's cases share: a settings file of their own
// and the service's calls as the program makes them. The same cases run against
// the Windows service (under Wine) and against our Linux implementation.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "platform/CodePage.h"
#include "platform/ProfileString.h"
#include "support/TempDir.h"

namespace profile_string_cases {

using testing_support::WriteBytes;

// The text the service leaves in a zeroed buffer of `size` bytes.
inline std::string Read(const std::string& file, std::string_view section, std::string_view key,
                        std::string_view fallback = "#default", std::size_t size = 1024) {
  std::vector<char> buffer(size, '\0');
  platform::ReadProfileValue(section, key, fallback, buffer.data(), buffer.size(), file);
  return std::string(buffer.data(),
                     static_cast<std::size_t>(std::find(buffer.begin(), buffer.end(), '\0') - buffer.begin()));
}

// `text` in UTF-16LE; a Unicode settings file starts with kUtf16Mark.
inline const std::string kUtf16Mark = "\xff\xfe";
inline std::string Utf16(std::u16string_view text) { return platform::ToUtf16Le(text); }

inline bool Write(const std::string& file, std::string_view section, std::string_view key, std::string_view value) {
  return platform::WriteProfileValue(section, key, value, file);
}

class ProfileRead : public testing::Test {
 protected:
  std::string With(const std::string& bytes) {
    WriteBytes(file_, bytes);
    return file_;
  }
  testing_support::TempDir dir_;
  std::string file_ = dir_.File("Orvane.ini");
};

class ProfileWrite : public ProfileRead {};

}  // namespace profile_string_cases
