// Linux only: the real program in a home laid out as the Wine front-ends lay it out,
// with WINEPREFIX unset, finding every prefix that holds a mail profile.
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <fstream>
#include <thread>

#include "e2e/Program.h"
#include "support/ChildRole.h"
#include "support/StoreFile.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using testing_support::ReadLogMessages;

constexpr std::uintmax_t kBig = 1'700'000'000;  // over the warning size
constexpr std::uintmax_t kSmall = 100'000'000;

struct Store {
  std::string uid;
  std::string path;  // a Windows path
  std::uintmax_t size;
};

class WinePrefixes : public ::testing::Test {
 protected:
  // A prefix at `folder` as Wine makes one, its drive Z: the whole file system,
  // holding a default profile with `stores` (none: no profile at all), their
  // files on its drive C:.
  void MakePrefix(const fs::path& folder, const std::vector<Store>& stores, bool client2013 = false) const {
    fs::create_directories(folder / "dosdevices");
    fs::create_directories(folder / "drive_c");
    fs::create_directory_symlink("../drive_c", folder / "dosdevices" / "c:");
    fs::create_directory_symlink("/", folder / "dosdevices" / "z:");
    std::vector<testing_support::StoreEntry> entries;
    for (const Store& store : stores) {
      entries.push_back({store.uid, store.path});
      if (store.path.starts_with("C:\\")) {
        std::string unix = store.path.substr(3);
        std::replace(unix.begin(), unix.end(), '\\', '/');
        testing_support::MakeStoreFile(folder / "drive_c" / unix, store.size);
      }
    }
    std::string body =
        stores.empty() ? "[Software\\\\Wine]\n\"Version\"=\"win10\"\n" : testing_support::ProfileWithStores(entries);
    if (client2013) {
      // The profile where the 2013 client keeps it, named by its own DefaultProfile.
      const std::string nt =
          "Software\\\\Microsoft\\\\Windows NT\\\\CurrentVersion\\\\Windows Messaging Subsystem\\\\Profiles";
      for (std::size_t at; (at = body.find(nt)) != std::string::npos;)
        body.replace(at, nt.size(), "Software\\\\Microsoft\\\\Office\\\\15.0\\\\Outlook\\\\Profiles");
      body.replace(body.find("\\\\Profiles]\n\"DefaultProfile\""), 10, "");
    }
    std::ofstream(folder / "user.reg") << "WINE REGISTRY Version 2\n;; All keys relative to "
                                          "REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000\n\n#arch=win64\n\n"
                                       << body;
  }

  static void Write(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << text;
  }

  // The program started in home_ with `env` besides; with `dead`, on file systems
  // mounted at those folders that never answer (root only).
  int Start(std::vector<std::string> env = {}, const std::vector<fs::path>& dead = {}) {
    env.insert(env.end(), {"HOME=" + home_.string(), "PATH=/usr/bin:/bin"});
    std::string program = orvane_.program().string();
    if (!dead.empty()) {
      std::string folders;
      for (const fs::path& folder : dead) {
        if (!folders.empty()) folders += ':';
        folders += folder.string();
      }
      // (LeakSanitizer, in a sanitized build, stops every thread at the exit, and
      // cannot stop one that waits on a dead file system.)
      env.insert(env.end(), {"ORVANE_TEST_CHILD=run-with-dead-mount", "ORVANE_CHILD_PROGRAM=" + program,
                             "ORVANE_CHILD_FOLDER=" + folders, "ASAN_OPTIONS=detect_leaks=0"});
      program = fs::read_symlink("/proc/self/exe").string();
    }
    return testing_support::Spawn(program, {}, env);
  }

  // The program's log after a run, as Start starts it.
  std::vector<std::string> Run(std::vector<std::string> env = {}, const std::vector<fs::path>& dead = {}) {
    const auto result = testing_support::Wait(Start(std::move(env), dead), std::chrono::seconds(60));
    EXPECT_TRUE(result.finished);
    return ReadLogMessages(orvane_.log().string());
  }

  static bool CanMountDeadFolders() { return geteuid() == 0 && access("/dev/fuse", R_OK | W_OK) == 0; }

  // Lays out a home with a prefix of each front-end's.
  void MakeHome() {
    const fs::path cx = home_ / ".cxoffice";
    MakePrefix(cx / "Outlook 2016", {{std::string(32, 'A'), "C:\\Mail\\big.pst", kBig},
                                     {std::string(32, 'B'), "C:\\Mail\\small.pst", kSmall}});
    fs::create_directory_symlink("Outlook 2016", cx / "default");
    // Bottles, in its Flatpak folder, with a bottle kept elsewhere.
    MakePrefix(dir_.path() / "elsewhere" / "msoffice", {{std::string(32, 'C'), "C:\\users\\me\\c.pst", kBig}});
    Write(home_ / ".var/app/com.usebottles.bottles/data/bottles/bottles/msoffice/placeholder.yml",
          "Path: " + (dir_.path() / "elsewhere" / "msoffice").string() + "\n");
    MakePrefix(home_ / ".PlayOnLinux/wineprefix/Office2013", {{std::string(32, 'D'), "C:\\d.pst", kBig}}, true);
    // Lutris, its game naming a prefix outside ~/Games; the same file as the
    // hidden prefix's, reached through each prefix's drive Z:.
    const std::string shared = "Z:" + (dir_.path() / "shared.pst").string();
    testing_support::MakeStoreFile(dir_.path() / "shared.pst", kBig);
    MakePrefix(dir_.path() / "lutris" / "outlook",
               {{std::string(32, 'E'), "C:\\e.pst", kBig}, {std::string(32, '1'), shared, kBig}});
    Write(home_ / ".config/lutris/games/outlook-1700000000.yml",
          "game:\n  exe: drive_c/outlook.exe\n  prefix: " + (dir_.path() / "lutris" / "outlook").string() + "\n");
    MakePrefix(home_ / ".Microsoft_Office_365",
               {{std::string(32, 'F'), "C:\\f.pst", kBig}, {std::string(32, '2'), shared, kBig}});
    // A script's prefix two levels deep, named only by its menu entry.
    MakePrefix(home_ / ".wine-msoffice/ProPlus", {{std::string(32, '3'), "C:\\g.pst", kBig}});
    Write(home_ / ".local/share/applications/wine/Programs/Outlook.desktop",
          "[Desktop Entry]\nExec=env WINEPREFIX=\"" + (home_ / ".wine-msoffice/ProPlus").string() +
              "\" wine outlook.exe\n");
    // winetricks' folder: a prefix without a profile, and a link to a bottle.
    MakePrefix(home_ / ".local/share/wineprefixes/tools", {});
    fs::create_directory_symlink(cx / "Outlook 2016", home_ / ".local/share/wineprefixes/outlook");
    // Another account's prefix in the user's folder (root can make one): never read.
    if (geteuid() == 0) {
      const fs::path theirs = home_ / ".local/share/wineprefixes/theirs";
      MakePrefix(theirs, {{std::string(32, '4'), "C:\\h.pst", kBig}});
      EXPECT_EQ(chown((theirs / "user.reg").c_str(), 65534, 65534), 0);
    }
  }

  // Which files the log warned about, each a letter of its store's uid.
  static std::string Warned(const std::vector<std::string>& log) {
    std::string warned;
    for (std::size_t i = 1; i < log.size(); ++i)
      if (log[i].ends_with("警告画面表示"))
        warned += log[i - 1].substr(std::string("個人用フォルダ情報取得：").size(), 1);
    return warned;
  }

  testing_support::TempDir dir_;
  fs::path home_ = dir_.path() / "home";
  testing_support::Installation orvane_{dir_.path() / "program"};
};

TEST_F(WinePrefixes, EveryFrontEndsPrefixWithAProfileIsCheckedAndEachFileOnce) {
  MakeHome();
  const std::vector<std::string> log = Run();
  std::vector<std::string> named;
  for (const std::string& line : log)
    if (line.starts_with("Wine プレフィックス："))
      named.push_back(line.substr(std::string("Wine プレフィックス：").size()));
  EXPECT_EQ(named,
            (std::vector<std::string>{
                (home_ / ".cxoffice/Outlook 2016").string(), (dir_.path() / "elsewhere/msoffice").string(),
                (home_ / ".PlayOnLinux/wineprefix/Office2013").string(), (dir_.path() / "lutris/outlook").string(),
                (home_ / ".Microsoft_Office_365").string(), (home_ / ".wine-msoffice/ProPlus").string()}));
  EXPECT_EQ(Warned(log), "ACDE1F3");
  EXPECT_EQ(std::count(log.begin(), log.end(), "同じファイルを別の Wine プレフィックスでチェック済み"), 1);
  EXPECT_EQ(std::count(log.begin(), log.end(), "サイズ：97657, 警告サイズ以下"), 1);  // B
  EXPECT_EQ(log.back(), "Orvane 終了");
  // Each file's history under its prefix: two prefixes' C: drives are two disks.
  const std::string history = testing_support::ReadBytes((orvane_.folder() / "Orvane.history").string());
  EXPECT_EQ(std::count(history.begin(), history.end(), '\n') - 1, 16) << history;  // 8 files, a point each
  EXPECT_NE(history.find("file\t" + (home_ / ".cxoffice/Outlook 2016").string() + "|C:\\Mail\\big.pst\t"),
            std::string::npos)
      << history;

  // The one the user chose, alone; no line names it.
  const std::vector<std::string> chosen = Run({"WINEPREFIX=" + (home_ / ".Microsoft_Office_365").string()});
  EXPECT_EQ(std::count_if(chosen.begin(), chosen.end(), [](const std::string& l) { return l.starts_with("Wine"); }), 0);
  EXPECT_EQ(Warned(chosen), "F2");
}

// A folder where prefixes are kept that never answers (a dead network mount) is
// given up after a few seconds, and the places after it are still searched.
TEST_F(WinePrefixes, APlaceThatDoesNotAnswerIsGivenUp) {
  if (!CanMountDeadFolders()) GTEST_SKIP() << "needs root and /dev/fuse";
  MakePrefix(home_ / ".Microsoft_Office_365", {{std::string(32, 'F'), "C:\\f.pst", kBig}});
  const auto started = std::chrono::steady_clock::now();
  const std::vector<std::string> log = Run({}, {home_ / ".local/share/wineprefixes"});
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20));
  EXPECT_EQ(std::count(log.begin(), log.end(),
                       "Wine プレフィックスを探せません: " + (home_ / ".local/share/wineprefixes").string() +
                           " (応答がありません)"),
            1);
  EXPECT_EQ(Warned(log), "F");
  EXPECT_EQ(log.back(), "Orvane 終了");
}

// A dead ~/.wine (Wine's own default, read for the policy keys too) and a dead
// prefix that a Lutris game names: each is given up once, after its bound, is
// named in the log, and holds up nothing after it; a run asked to end while it
// waits ends at once, its log whole.
TEST_F(WinePrefixes, ADeadPrefixCostsItsBoundOnceAndIsNamed) {
  if (!CanMountDeadFolders()) GTEST_SKIP() << "needs root and /dev/fuse";
  MakePrefix(home_ / ".wine-office", {{std::string(32, 'F'), "C:\\f.pst", kBig}});
  const fs::path lutris = dir_.path() / "lutris" / "dead";
  Write(home_ / ".config/lutris/games/dead-1.yml", "game:\n  prefix: " + lutris.string() + "\n");
  const std::vector<fs::path> dead = {home_ / ".wine", lutris};
  const auto started = std::chrono::steady_clock::now();
  const std::vector<std::string> log = Run({}, dead);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(12));
  const auto count = [&](const std::string& line) { return std::count(log.begin(), log.end(), line); };
  EXPECT_EQ(count("Wine プレフィックスを探せません: " + (home_ / ".wine").string() + " (応答がありません)"), 1);
  EXPECT_EQ(count("Wine プレフィックスを探せません: " + lutris.string() + " (応答がありません)"), 1);
  EXPECT_EQ(count("Wine プレフィックスのレジストリを読み込めません: " + (home_ / ".wine/system.reg").string() +
                  " (応答がありません)"),
            1);
  EXPECT_EQ(Warned(log), "F");
  EXPECT_EQ(log.back(), "Orvane 終了");

  const int pid = Start({}, dead);
  std::this_thread::sleep_for(std::chrono::seconds(1));
  kill(pid, SIGTERM);
  const auto asked = std::chrono::steady_clock::now();
  const testing_support::ProgramResult ended = testing_support::Wait(pid, std::chrono::seconds(10));
  EXPECT_TRUE(ended.finished);
  EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::seconds(2));
  const std::vector<std::string> cut = ReadLogMessages(orvane_.log().string());
  ASSERT_FALSE(cut.empty());
  EXPECT_EQ(cut.back(), "Orvane 終了");
  EXPECT_NE(
      std::find_if(cut.begin(), cut.end(), [](const std::string& l) { return l.ends_with("(終了を求められました)"); }),
      cut.end());
}

// A 6 GB user.reg in ~/.wine is no registry: it holds up neither the search nor
// the run, and the prefix with the profile is still found. WINEPREFIX as users
// write it: "~/..." is taken against the home, anything else that is no absolute
// path is searched past; either is said.
TEST_F(WinePrefixes, WinePrefixAsUsersWriteItAndAHugeUserRegHoldUpNothing) {
  MakePrefix(home_ / ".wine", {});
  { std::ofstream(home_ / ".wine/user.reg") << "WINE REGISTRY Version 2\n"; }
  fs::resize_file(home_ / ".wine/user.reg", 6ull << 30);
  MakePrefix(home_ / ".wine-office", {{std::string(32, 'F'), "C:\\f.pst", kBig}});
  const auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(Warned(Run()), "F");
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));

  std::vector<std::string> log = Run({"WINEPREFIX=~/.wine-office"});
  EXPECT_EQ(std::count(log.begin(), log.end(),
                       "WINEPREFIX が絶対パスではありません: ~/.wine-office (" + (home_ / ".wine-office").string() +
                           " を読みます)"),
            1);
  EXPECT_EQ(Warned(log), "F");
  log = Run({"WINEPREFIX=office"});
  EXPECT_EQ(std::count(log.begin(), log.end(),
                       "WINEPREFIX が絶対パスではありません: office (設定されていないものとして探します)"),
            1);
  EXPECT_EQ(Warned(log), "F");
}

// ~/.wine, or WINEPREFIX, that leads to another account's prefix (a link made by
// someone, or a prefix handed over): it is never read, and the log says so.
TEST_F(WinePrefixes, AnotherAccountsPrefixIsNeverReadReachedAnyWay) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to give a prefix to another account";
  const fs::path theirs = dir_.path() / "theirs";
  MakePrefix(theirs, {{std::string(32, '4'), "C:\\h.pst", kBig}});
  for (const fs::path& path : {theirs, theirs / "user.reg"}) ASSERT_EQ(chown(path.c_str(), 65534, 65534), 0);
  fs::create_directories(home_);
  fs::create_directory_symlink(theirs, home_ / ".wine");
  for (const std::vector<std::string>& env : {std::vector<std::string>{}, {"WINEPREFIX=" + theirs.string()}}) {
    const std::vector<std::string> log = Run(env);
    const std::string prefix = env.empty() ? (home_ / ".wine").string() : theirs.string();
    EXPECT_EQ(std::count(log.begin(), log.end(),
                         "Wine プレフィックスのレジストリを読み込めません: " + prefix +
                             "/user.reg (ほかのユーザーのファイルです)"),
              1);
    EXPECT_EQ(Warned(log), "");
    EXPECT_EQ(std::count(log.begin(), log.end(), "プロファイルが見つかりません"), 1);
  }
}

}  // namespace
