// Linux: the fixture keeps the keys in memory and writes them to the user.reg of
// a temporary prefix after every change, in the form Wine itself writes: keys
// without values that have sub-keys get no line of their own, text is escaped,
// long hex data is continued over lines.
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <vector>

#include "platform/CodePage.h"
#include "platform/emulation/UserReg.h"
#include "platform/posix/HiveCache.h"
#include "support/RegistryFixture.h"
#include "support/TempDir.h"

namespace testing_support {
namespace {

// No test reads the registry of whoever runs the tests: without a fixture the
// prefix is a folder that does not exist, which is an empty registry. (A copy of
// the test program started for a test keeps the prefix it was given.)
[[maybe_unused]] const bool kNoUserPrefix = [] {
  if (std::getenv("ORVANE_TEST_CHILD") != nullptr) return false;
  const std::string none = Utf8(std::filesystem::temp_directory_path() / "orvane-tests-no-wine-prefix");
  setenv("WINEPREFIX", none.c_str(), 1);
  return true;
}();

std::string Hex(std::uint32_t value, int width) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*x", width, value);
  return text;
}

// The file's escaping: non-ASCII as \x (four digits when a hex digit follows), control
// characters as C escapes or octal, and "\" and the delimiters with a backslash.
std::string Escape(const std::u16string& units, std::string_view delimiters) {
  auto isHexDigit = [](char16_t c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
  };
  std::string out;
  for (std::size_t i = 0; i < units.size(); ++i) {
    const char16_t c = units[i];
    const char16_t next = i + 1 < units.size() ? units[i + 1] : 0;
    if (c > 0x7F) {
      out += "\\x" + Hex(c, isHexDigit(next) ? 4 : 1);
    } else if (c < 0x20) {
      static constexpr const char* kNamed = "abtnvfr";
      if (c >= 7 && c <= 13) {
        out += '\\';
        out += kNamed[c - 7];
      } else if (c == 0x1B) {
        out += "\\e";
      } else {
        char text[8];
        std::snprintf(text, sizeof text, next >= u'0' && next <= u'7' ? "\\%03o" : "\\%o", static_cast<unsigned>(c));
        out += text;
      }
    } else {
      if (c == u'\\' || delimiters.find(static_cast<char>(c)) != std::string_view::npos) out += '\\';
      out += static_cast<char>(c);
    }
  }
  return out;
}

struct Value {
  std::string name;
  std::uint32_t type;
  std::string bytes;
};

std::string ValueLine(const Value& value) {
  std::string line = "@=";
  if (!value.name.empty()) {
    line = "\"";
    line += Escape(platform::Utf8ToUtf16(value.name), "\"");
    line += "\"=";
  }
  const std::string& b = value.bytes;
  const bool text = value.type == 1 || value.type == 2 || value.type == 7;
  if (text && b.size() >= 2 && b.size() % 2 == 0 && b[b.size() - 1] == 0 && b[b.size() - 2] == 0) {
    if (value.type != 1) line += "str(" + std::to_string(value.type) + "):";
    std::u16string units = platform::FromUtf16Le(b);
    units.pop_back();
    return line + "\"" + Escape(units, "\"") + "\"\n";
  }
  if (value.type == 4 && b.size() == 4) {
    std::uint32_t dword = 0;
    for (int i = 3; i >= 0; --i) dword = (dword << 8) | static_cast<unsigned char>(b[static_cast<std::size_t>(i)]);
    return line + "dword:" + Hex(dword, 8) + "\n";
  }
  line += value.type == 3 ? "hex:" : "hex(" + Hex(value.type, 1) + "):";
  std::size_t count = line.size();
  for (std::size_t i = 0; i < b.size(); ++i) {
    line += Hex(static_cast<unsigned char>(b[i]), 2);
    count += 2;
    if (i + 1 < b.size()) {
      line += ',';
      if (++count > 76) {
        line += "\\\n  ";
        count = 2;
      }
    }
  }
  return line + "\n";
}

}  // namespace

struct RegistryFixture::State {
  TempDir prefix;
  std::optional<std::string> previous;
  // Keys by path as given; the flag marks keys created without values.
  std::map<std::string, std::pair<bool, std::vector<Value>>> keys;

  // Writes user.reg, and system.reg for the keys given as the machine's.
  void Write() const {
    const std::string machine = RegistryFixture::kMachine;
    std::string user = "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000\n\n";
    std::string system = "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n";
    user += "#arch=win64\n";
    system += "#arch=win64\n";
    for (const auto& [given, key] : keys) {
      if (key.second.empty() && !key.first) continue;
      const bool ofMachine = given.starts_with(machine);
      const std::string path = ofMachine ? given.substr(machine.size()) : given;
      std::string& text = ofMachine ? system : user;
      std::string escaped;
      std::string element;
      for (std::size_t i = 0; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '\\') {
          if (!escaped.empty()) escaped += "\\\\";
          escaped += Escape(platform::Utf8ToUtf16(element), "[]");
          element.clear();
        } else {
          element += path[i];
        }
      }
      text += "\n[" + escaped + "] 1733500000\n#time=1db47a1c6a1b000\n";
      for (const Value& value : key.second) text += ValueLine(value);
    }
    WriteBytes(prefix.File("user.reg"), user);
    WriteBytes(prefix.File("system.reg"), system);
    platform::posix::ForgetUserReg();
  }

  void Set(const std::string& key, const std::string& name, std::uint32_t type, const std::string& bytes) {
    auto& values = keys[key].second;
    for (Value& value : values) {
      if (value.name == name) {
        value = {name, type, bytes};
        Write();
        return;
      }
    }
    values.push_back({name, type, bytes});
    Write();
  }
};

RegistryFixture::RegistryFixture() : state_(std::make_unique<State>()) {
  if (const char* previous = std::getenv("WINEPREFIX")) state_->previous = previous;
  setenv("WINEPREFIX", Utf8(state_->prefix.path()).c_str(), 1);
  state_->Write();
}

RegistryFixture::~RegistryFixture() {
  if (state_->previous) {
    setenv("WINEPREFIX", state_->previous->c_str(), 1);
  } else {
    unsetenv("WINEPREFIX");
  }
  platform::posix::ForgetUserReg();
}

void RegistryFixture::SetText(const std::string& key, const std::string& name, const std::string& utf8,
                              std::uint32_t type) {
  state_->Set(key, name, type, Utf16z(utf8));
}

void RegistryFixture::SetBytes(const std::string& key, const std::string& name, const std::string& bytes,
                               std::uint32_t type) {
  state_->Set(key, name, type, bytes);
}

void RegistryFixture::SetDword(const std::string& key, const std::string& name, std::uint32_t value) {
  std::string bytes;
  for (int i = 0; i < 4; ++i) bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
  state_->Set(key, name, 4, bytes);
}

void RegistryFixture::CreateKey(const std::string& key) {
  state_->keys[key].first = true;
  state_->Write();
}

}  // namespace testing_support
