#include "e2e/Program.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <thread>

#include "support/RegistryFixture.h"
#include "support/TempDir.h"

namespace testing_support {

namespace fs = std::filesystem;

Installation::Installation(const fs::path& folder, const std::string& name) : folder_(folder), name_(name) {
  fs::create_directories(prefix() / "dosdevices");
  fs::create_directories(driveC());
  fs::create_directory_symlink("../drive_c", prefix() / "dosdevices" / "c:");
  fs::copy_file(ORVANE_PROGRAM, program(), fs::copy_options::overwrite_existing);
}

void Installation::WriteRegistry(const std::string& body) const {
  std::ofstream(prefix() / "user.reg", std::ios::binary) << "WINE REGISTRY Version 2\n;; All keys relative to "
                                                            "REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000\n\n#arch=win64\n\n"
                                                         << body;
}

int Installation::Start(const std::vector<std::string>& args, bool asNobody) const {
  return Spawn(program().string(), args,
               {"WINEPREFIX=" + prefix().string(), "HOME=" + folder_.string(), "PATH=/usr/bin:/bin"}, asNobody);
}

int Spawn(const std::string& program, std::vector<std::string> args, std::vector<std::string> env, bool asNobody) {
  // A Japanese desktop's, unless the test chose a language.
  if (std::none_of(env.begin(), env.end(), [](const std::string& e) {
        return e.starts_with("LC_ALL=") || e.starts_with("LC_MESSAGES=") || e.starts_with("LANG=");
      }))
    env.emplace_back("LC_ALL=ja_JP.UTF-8");
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::string path = program;
  std::vector<char*> argv = {path.data()};
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  if (asNobody && geteuid() == 0) {
    const pid_t pid = fork();
    if (pid == 0) {
      if (setgid(65534) != 0 || setuid(65534) != 0) _exit(126);
      execve(path.c_str(), argv.data(), envp.data());
      _exit(127);
    }
    return pid;
  }
  pid_t pid = -1;
  if (posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv.data(), envp.data()) != 0) return -1;
  return pid;
}

ProgramResult Installation::Run(const std::vector<std::string>& args, std::chrono::milliseconds limit) const {
  return Wait(Start(args), limit);
}

ProgramResult Wait(int pid, std::chrono::milliseconds limit) {
  if (pid <= 0) return {};
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    int status = 0;
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) return {true, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return {false, -1};
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

void ExpectCompleteRun(const Installation& orvane) {
  const std::vector<std::string> log = ReadLogMessages(orvane.log().string());
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.front(), "Orvane 起動");
  EXPECT_EQ(log.back(), "Orvane 終了");
}

std::string ProfileWithStores(const std::vector<StoreEntry>& stores) {
  auto hex = [](const std::string& bytes) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (const char c : bytes) {
      if (!out.empty()) out += ',';
      out += digits[static_cast<unsigned char>(c) >> 4];
      out += digits[static_cast<unsigned char>(c) & 15];
    }
    return out;
  };
  const std::string base =
      "Software\\\\Microsoft\\\\Windows NT\\\\CurrentVersion\\\\Windows Messaging Subsystem\\\\Profiles";
  std::string list;
  for (const StoreEntry& store : stores) list += Unhex(store.uid);
  std::string text = "[" + base + "]\n\"DefaultProfile\"=\"Outlook\"\n\n[" + base +
                     "\\\\Outlook\\\\9207f3e0a3b11019908b08002b2a56c2]\n\"01023d00\"=hex:" + hex(list) + "\n\n";
  for (const StoreEntry& store : stores) {
    text += "[" + base + "\\\\Outlook\\\\" + store.uid + "]\n\"001e3001\"=hex:" + hex(Ansiz(store.name)) + "\n";
    text += store.unicodePath ? "\"001f6700\"=hex:" + hex(Utf16z(store.path))
                              : "\"001e6700\"=hex:" + hex(Ansiz(store.path));
    text += "\n\n";
  }
  return text;
}

}  // namespace testing_support
