#include <gtest/gtest.h>

#include "platform/Executable.h"

namespace {

using platform::SplitExecutablePath;

// The settings file and the log are named after the program and go beside it.
TEST(Executable, PathSplitsIntoFolderAndNameWithoutItsLastExtension) {
  const auto split = [](std::string_view path, std::string_view separators, std::size_t rootLength) {
    const platform::ExecutableLocation location = SplitExecutablePath(path, separators, rootLength);
    return std::pair(location.directory, location.baseName);
  };
  using Pair = std::pair<std::string, std::string>;
  EXPECT_EQ(split("/opt/orvane/Orvane", "/", 1), Pair("/opt/orvane", "Orvane"));
  EXPECT_EQ(split("/Orvane", "/", 1), Pair("/", "Orvane"));  // a root keeps its separator
  EXPECT_EQ(split("/opt/Watch.v2.bin", "/", 1), Pair("/opt", "Watch.v2"));
  EXPECT_EQ(split("/opt/.hidden", "/", 1), Pair("/opt", ".hidden"));  // a leading dot is no extension
  EXPECT_EQ(split("C:\\Tools\\Orvane.exe", "\\/", 3), Pair("C:\\Tools", "Orvane"));
  EXPECT_EQ(split("C:\\Orvane.exe", "\\/", 3), Pair("C:\\", "Orvane"));
  EXPECT_EQ(split("C:/Tools/Orvane.exe", "\\/", 3), Pair("C:/Tools", "Orvane"));
  EXPECT_EQ(split("\\\\server\\share\\Orvane.exe", "\\/", 0), Pair("\\\\server\\share", "Orvane"));
  EXPECT_EQ(split("Orvane", "/", 0), Pair("", ""));
}

}  // namespace
