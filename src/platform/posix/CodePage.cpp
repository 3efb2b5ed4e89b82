// Linux has no ANSI code page: the program's files and registry text use code
// page 932, converted through iconv.
#include "platform/CodePage.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>

namespace platform {
namespace {

// One converter per direction and thread, opened on first use and kept: a run
// converts every log line, and opening a converter costs far more than using it.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (cd_ != kInvalid) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts `in`; `skip` tells how many input bytes to drop at an
  // unconvertible or invalid position, each such position giving one '?'.
  template <typename Skip>
  std::string Convert(std::string_view in, Skip skip) {
    // Code page 932 and UTF-8 agree on ASCII, which is most of what a run converts.
    if (std::all_of(in.begin(), in.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
      return std::string(in);
    }
    std::string out;
    if (cd_ == kInvalid) {
      for (const char c : in) out += static_cast<unsigned char>(c) < 0x80 ? c : '?';
      return out;
    }
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    out.resize(in.size() * 2 + 16);
    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    std::size_t written = 0;
    while (srcLeft > 0) {
      char* dst = out.data() + written;
      std::size_t dstLeft = out.size() - written;
      const std::size_t rc = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
      written = out.size() - dstLeft;
      if (rc != static_cast<std::size_t>(-1)) break;
      if (errno == E2BIG) {
        out.resize(out.size() * 2);
        continue;
      }
      // EILSEQ or EINVAL: a character without a mapping, an invalid sequence, or a
      // sequence cut short by the end of the input.
      const std::size_t drop = std::min(srcLeft, skip(std::string_view(src, srcLeft)));
      src += drop;
      srcLeft -= drop;
      if (written == out.size()) out.resize(out.size() * 2);
      out[written++] = '?';
      iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    }
    out.resize(written);
    return out;
  }

 private:
  // iconv_open reports failure as (iconv_t)-1.
  static inline const iconv_t kInvalid = reinterpret_cast<iconv_t>(-1);  // NOLINT(performance-no-int-to-ptr)
  iconv_t cd_;
};

// Length of the UTF-8 character at the start of `s`, or 1 when it is malformed.
std::size_t Utf8CharLength(std::string_view s) {
  const auto lead = static_cast<unsigned char>(s[0]);
  std::size_t length = 1;
  if ((lead & 0xE0) == 0xC0) length = 2;
  else if ((lead & 0xF0) == 0xE0) length = 3;
  else if ((lead & 0xF8) == 0xF0) length = 4;
  if (length > s.size()) return 1;
  for (std::size_t i = 1; i < length; ++i) {
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) return 1;
  }
  return length;
}

// Length of the code page 932 character at the start of `s` that iconv refused:
// a lead byte takes its trail byte with it when one follows.
std::size_t Cp932CharLength(std::string_view s) {
  const auto lead = static_cast<unsigned char>(s[0]);
  const bool isLead = (lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC);
  if (isLead && s.size() >= 2) {
    const auto trail = static_cast<unsigned char>(s[1]);
    if (trail >= 0x40 && trail <= 0xFC && trail != 0x7F) return 2;
  }
  return 1;
}

}  // namespace

std::string ToAnsi(std::string_view utf8) {
  thread_local Converter converter("CP932", "UTF-8");
  return converter.Convert(utf8, Utf8CharLength);
}

std::string FromAnsi(std::string_view ansi) {
  thread_local Converter converter("UTF-8", "CP932");
  return converter.Convert(ansi, Cp932CharLength);
}

}  // namespace platform
