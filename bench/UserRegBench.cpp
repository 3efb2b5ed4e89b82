// How long reading a large user.reg takes: parsing the whole file and reading one
// value from a key deep inside it, as a run does. Prints the median of a number
// of rounds for a generated 8 MB file full of multi-line binary values and, when
// given, for each file named on the command line.
//
// Usage: userreg_bench [ROUNDS] [FILE...]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/emulation/UserReg.h"

namespace {

using platform::emulation::UserReg;

// A prefix in daily use: thousands of keys, each with a string, a dword and a
// binary value spread over several lines.
std::string GeneratedUserReg() {
  std::string text =
      "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000\n\n#arch=win64\n";
  char line[160];
  for (int k = 0; text.size() < 8'000'000; ++k) {
    std::snprintf(line, sizeof line, "\n[Software\\\\Vendor%d\\\\Product\\\\Settings\\\\Section%05d] 1733500000\n",
                  k % 50, k);
    text += line;
    text += "#time=1db47a1c6a1b000\n\"Name\"=\"Some value \\x65e5\\x672c\"\n\"Count\"=dword:0000002a\n";
    text += "\"Blob\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,\\\n";
    for (int l = 0; l < 6; ++l)
      text += "  17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27,28,29,2a,2b,2c,2d,2e,\\\n";
    text += "  ff\n";
  }
  return text;
}

// Median milliseconds of `rounds` parses of `text`, each followed by one lookup
// of `key`\`name`; `*valueSize` is the size of the value found (0 for none).
double MedianMs(const std::string& text, int rounds, std::u16string_view key, std::u16string_view name,
                std::size_t* valueSize) {
  std::vector<double> times;
  *valueSize = 0;
  for (int round = 0; round < rounds; ++round) {
    const auto start = std::chrono::steady_clock::now();
    UserReg reg{std::string(text)};
    const auto id = reg.FindKey(key);
    const auto* value = id ? reg.FindValue(*id, name) : nullptr;
    times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    if (value) *valueSize = value->data.size();
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
  int status = 0;

  const std::string generated = GeneratedUserReg();
  std::size_t size = 0;
  const double ms = MedianMs(generated, rounds, u"software\\vendor7\\product\\settings\\section00007", u"blob", &size);
  std::printf("%-40s %7.1f MB %8.2f ms\n", "generated, multi-line binary values",
              static_cast<double>(generated.size()) / 1e6, ms);
  if (size != 23 + 6 * 24 + 1) {
    std::fprintf(stderr, "the generated file's binary value read back as %zu bytes\n", size);
    status = 1;
  }

  for (int i = 2; i < argc; ++i) {
    std::ifstream in(argv[i], std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    const std::string text = bytes.str();
    const double fileMs = MedianMs(text, rounds, u"Software\\Microsoft", u"", &size);
    std::printf("%-40s %7.1f MB %8.2f ms\n", argv[i], static_cast<double>(text.size()) / 1e6, fileMs);
  }
  return status;
}
