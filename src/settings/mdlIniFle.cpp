#include "settings/mdlIniFle.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "log/Reasons.h"
#include "log/Texts.h"
#include "log/mdlLogFile.h"
#include "platform/CodePage.h"
#include "platform/ProfileString.h"

namespace mdlIniFle {
namespace {

constexpr std::size_t kBufferSize = 1024;
constexpr std::string_view kIdeographicSpace = "\u3000";

// The blanks the service strips from the ends of a value, and the ideographic
// space: whether a service strips that one too is not documented, and quoting it
// keeps it either way.
bool StartsWithBlank(std::string_view v) {
  return (!v.empty() && std::string_view(" \t\v\f\x1a").find(v.front()) != v.npos) || v.starts_with(kIdeographicSpace);
}

bool EndsWithBlank(std::string_view v) {
  return (!v.empty() && std::string_view(" \t\v\f\x1a").find(v.back()) != v.npos) || v.ends_with(kIdeographicSpace);
}

// A value the service would read back differently unless it is quoted.
bool NeedsQuotes(std::string_view v) {
  if (StartsWithBlank(v) || EndsWithBlank(v)) return true;
  // The read removes one pair of matching quotes, so a quoted value needs another.
  return v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front();
}

}  // namespace

std::string GetIniValue(const std::string& path, const std::string& section, const std::string& key) {
  // Zeroed: where a cut falls inside a double-byte character the service may
  // leave the byte before the NUL as it was, and that byte must end the text.
  std::array<char, kBufferSize> buffer{};
  platform::ReadProfileValue(platform::ToAnsi(section), platform::ToAnsi(key), "", buffer.data(), buffer.size(), path);
  std::string_view ansi(buffer.data(),
                        static_cast<std::size_t>(std::find(buffer.begin(), buffer.end(), '\0') - buffer.begin()));
  // A value the service cut at the end of the buffer ends on a whole character: a
  // first byte left there without its second would decode as a stray '・'. Shorter
  // values are as the file holds them, even when the file's bytes are invalid.
  std::size_t whole = ansi.size();
  if (ansi.size() + 2 >= kBufferSize) {
    whole = 0;
    while (whole < ansi.size()) {
      const bool lead = platform::IsAnsiLeadByte(static_cast<unsigned char>(ansi[whole]));
      if (lead && whole + 1 == ansi.size()) break;
      whole += lead ? 2 : 1;
    }
  }
  return platform::FromAnsi(ansi.substr(0, whole));
}

platform::WriteError SetIniValue(const std::string& path, const std::string& section, const std::string& key,
                                 const std::string& value) {
  const std::string written = NeedsQuotes(value) ? "\"" + value + "\"" : value;
  platform::WriteError error = platform::WriteError::None;
  if (!platform::WriteProfileValue(platform::ToAnsi(section), platform::ToAnsi(key), platform::ToAnsi(written), path,
                                   &error))
    return error;
  return GetIniValue(path, section, key) == AsStored(value) ? platform::WriteError::None
                                                            : platform::WriteError::NotReadBack;
}

std::string CannotSave(const std::string& key, platform::WriteError why) {
  return texts::Because(texts::Id::CannotSave, key, texts::ReasonOf(why));
}

std::string AsStored(const std::string& value) { return platform::FromAnsi(platform::ToAnsi(value)); }

}  // namespace mdlIniFle
