#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace testing_support {

// The current user's registry for one test, starting without any of the keys
// below. On Windows it is the real registry (of the test's throwaway Wine prefix)
// and the keys are written with the wide-character calls; on Linux it is the
// user.reg of a temporary Wine prefix that WINEPREFIX points at while the fixture
// lives, written the way Wine writes it. Tests may only use keys under the roots
// below, which the fixture removes again.
class RegistryFixture {
 public:
  static constexpr const char* kTestRoot = "Software\\OrvaneTest";
  static constexpr const char* kNtProfiles =
      "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows Messaging Subsystem\\Profiles";
  static constexpr const char* kOldProfiles = "Software\\Microsoft\\Windows Messaging Subsystem\\Profiles";

  RegistryFixture();
  ~RegistryFixture();
  RegistryFixture(const RegistryFixture&) = delete;
  RegistryFixture& operator=(const RegistryFixture&) = delete;

  // Text stored as UTF-16 with its terminating NUL, as REG_SZ unless `type` says otherwise.
  void SetText(const std::string& key, const std::string& name, const std::string& utf8, std::uint32_t type = 1);
  // Exactly `bytes`, with the given type (3 = REG_BINARY).
  void SetBytes(const std::string& key, const std::string& name, const std::string& bytes, std::uint32_t type = 3);
  void SetDword(const std::string& key, const std::string& name, std::uint32_t value);
  // A key without values.
  void CreateKey(const std::string& key);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace testing_support
