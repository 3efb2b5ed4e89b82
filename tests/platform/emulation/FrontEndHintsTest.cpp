#include "platform/emulation/FrontEndHints.h"

#include <gtest/gtest.h>

namespace {

using platform::emulation::CrossOverBottlePath;
using platform::emulation::FolderList;
using platform::emulation::HintPath;
using platform::emulation::MenuPrefixes;
using platform::emulation::YamlValues;
using Folders = std::vector<std::string>;

const std::string kHome = "/home/u";

// A hint is a folder: absolute or below the home, whatever the quotes round it;
// anything relative is no hint.
TEST(FrontEndHints, FoldersAsFrontEndsWriteThem) {
  struct Case {
    const char* value;
    const char* folder;
  };
  for (const Case& c :
       {Case{"/opt/p", "/opt/p"}, Case{"  '/opt/my p'  ", "/opt/my p"}, Case{"\"~/Games/x\"\r", "/home/u/Games/x"},
        Case{"$HOME/.wine-x", "/home/u/.wine-x"}, Case{"${HOME}/b", "/home/u/b"}, Case{"~", ""}, Case{"relative/p", ""},
        Case{"$HOMEx/p", ""}, Case{"'/unclosed", ""}, Case{"", ""}})
    EXPECT_EQ(HintPath(c.value, kHome), c.folder) << c.value;
}

TEST(FrontEndHints, YamlLinesAndMenuEntriesNameTheirPrefixes) {
  const std::string game =
      "name: x\n"
      "game:\n"
      "  prefix: ~/Games/x\n"
      "  prefixes: /not/this\n"
      "\tprefix: '/opt/y'\n"
      "prefix:relative\n"
      "prefix: /last";  // no line break at the end
  EXPECT_EQ(YamlValues(game, "prefix", kHome), (Folders{"/home/u/Games/x", "/opt/y", "/last"}));
  EXPECT_EQ(YamlValues("", "prefix", kHome), Folders{});

  const std::string entry =
      "[Desktop Entry]\n"
      "Exec=env WINEPREFIX=\"/home/u/.wine \\\"q\\\"\" wine x.exe\n"
      "Exec=env WINEPREFIX=~/.wine2 wine y.exe\n"
      "Exec=env WINEPREFIX=\"/unclosed\n"
      "Exec=WINEPREFIX=";
  EXPECT_EQ(MenuPrefixes(entry, kHome), (Folders{"/home/u/.wine \"q\"", "/home/u/.wine2", "/unclosed"}));
}

TEST(FrontEndHints, CrossOversBottlePathFromItsSectionOnly) {
  EXPECT_EQ(CrossOverBottlePath("[Other]\nCX_BOTTLE_PATH=/no\n"
                                "[EnvironmentVariables]\n  \"CX_BOTTLE_PATH\" = \"~/a:/b\"\n"
                                "[Next]\nCX_BOTTLE_PATH=/no\n"),
            "~/a:/b");
  EXPECT_EQ(CrossOverBottlePath("[EnvironmentVariables]\nCX_BOTTLE_PATHS=/no\n"), "");
  EXPECT_EQ(FolderList("~/a:/b::relative:$HOME/c", kHome), (Folders{"/home/u/a", "/b", "/home/u/c"}));
  EXPECT_EQ(FolderList("", kHome), Folders{});
}

}  // namespace
