#include "platform/emulation/FullPath.h"

#include <gtest/gtest.h>

namespace {

using platform::emulation::FullPath;
using platform::emulation::ResolveFullPath;

// The full path as "d:\a\b", or "-" for none; the current folder is D:\cur\dir.
std::string Full(std::string_view path, bool* askedForCurrent = nullptr) {
  const auto current = [askedForCurrent] {
    if (askedForCurrent) *askedForCurrent = true;
    return FullPath{'d', {"cur", "dir"}};
  };
  const std::optional<FullPath> full = ResolveFullPath(path, current);
  if (!full) return "-";
  std::string text(1, full->drive);
  text += ":";
  for (const std::string& element : full->elements) text += "\\" + element;
  return text;
}

// The forms a profile's path may take, made full as Windows makes them.
TEST(FullPath, EveryPathFormBecomesTheFullPathWindowsOpens) {
  struct Case {
    const char* path;
    const char* full;
  };
  for (const Case& c : {
           Case{"C:\\Mail\\a.pst", "C:\\Mail\\a.pst"},
           Case{"c:/Mail//./x/../a.pst", "c:\\Mail\\a.pst"},
           Case{"C:\\Mail.\\a.pst. . ", "C:\\Mail\\a.pst"},  // one dot off a folder, all off the name
           Case{"C:\\..\\..\\a.pst", "C:\\a.pst"},
           Case{"C:\\...\\a.pst", "-"},  // a folder "..." would be "..", no name
           Case{"C:\\a|b.pst", "-"},
           Case{"C:\\a\x01.pst", "-"},
           Case{"\\\\?\\C:\\Mail\\a.pst.", "C:\\Mail\\a.pst."},  // as it is
           Case{"\\\\?\\C:\\Mail\\..\\a.pst", "-"},
           Case{"\\\\?\\Mail\\a.pst", "-"},
           Case{"\\\\.\\C:\\Mail\\..\\a.pst", "C:\\a.pst"},
           Case{"//?/C:/a.pst", "C:\\a.pst"},
           Case{"\\\\.\\pipe\\x", "-"},
           Case{"\\\\server\\share\\a.pst", "-"},
           Case{"a.pst", "d:\\cur\\dir\\a.pst"},
           Case{"..\\a.pst", "d:\\cur\\a.pst"},
           Case{"\\a.pst", "d:\\a.pst"},
           Case{"D:a.pst", "D:\\cur\\dir\\a.pst"},  // the current folder of the current drive
           Case{"E:a.pst", "E:\\a.pst"},            // the root of any other
           Case{"", "d:\\cur\\dir"},
       })
    EXPECT_EQ(Full(c.path), c.full) << c.path;

  bool asked = false;
  Full("C:\\Mail\\a.pst", &asked);
  EXPECT_FALSE(asked) << "an absolute path needs no current folder";
}

}  // namespace
