#pragma once
// Linux only: the real Orvane executable, copied into a folder of its own and run
// as a separate process against a Wine prefix of the test's making.

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace testing_support {

struct ProgramResult {
  bool finished = false;  // false: killed after the time limit (a hang)
  int status = -1;        // exit status when it finished normally, -1 after a signal
};

class Installation {
 public:
  // Copies the program to `folder`/`name` and prepares `folder`/prefix with a
  // drive C: (empty registry).
  Installation(const std::filesystem::path& folder, const std::string& name = "Orvane");

  const std::filesystem::path& folder() const { return folder_; }
  std::filesystem::path prefix() const { return folder_ / "prefix"; }
  std::filesystem::path driveC() const { return prefix() / "drive_c"; }
  std::filesystem::path program() const { return folder_ / name_; }
  std::filesystem::path ini() const { return folder_ / (name_ + ".ini"); }
  std::filesystem::path log() const { return folder_ / (name_ + ".log"); }

  // Writes user.reg: the Wine header followed by `body`.
  void WriteRegistry(const std::string& body) const;

  // Starts the program without display; waits at most `limit`.
  ProgramResult Run(const std::vector<std::string>& args = {},
                    std::chrono::milliseconds limit = std::chrono::seconds(20)) const;
  // Starts the program and returns its process id at once, as Spawn does.
  int Start(const std::vector<std::string>& args = {}, bool asNobody = false) const;

 private:
  std::filesystem::path folder_;
  std::string name_;
};

// Starts `program` with `args` and only the environment `env` ("NAME=value");
// returns its process id at once (-1 on failure). With `asNobody`, a process
// running as root drops to the user nobody first, so that file permissions apply
// to it.
int Spawn(const std::string& program, std::vector<std::string> args, std::vector<std::string> env,
          bool asNobody = false);

// Waits for a started process at most `limit`, killing it after that.
ProgramResult Wait(int pid, std::chrono::milliseconds limit);

// The installation's log holds a whole run: it starts and ends as every run does.
void ExpectCompleteRun(const Installation& orvane);

struct StoreEntry {
  std::string uid;                      // 32 hexadecimal digits
  std::string path;                     // a Windows path (UTF-8)
  bool unicodePath = false;             // the path as a UTF-16 value, else in code page 932
  std::string name = "個人用フォルダ";  // the display name, in code page 932
};

// user.reg text (without the header) for a default profile "Outlook" holding
// these personal-folder stores.
std::string ProfileWithStores(const std::vector<StoreEntry>& stores);

}  // namespace testing_support
