#pragma once

namespace platform {

// Why a file the program writes (the settings file, the log) could not be.
enum class WriteError {
  None,
  NotOneLine,    // a settings entry that cannot be written as one line
  AccessDenied,  // the file or its folder may not be written (read-only, no rights, a link the log does not follow)
  DiskFull,      // no room for the new file
  NotAFile,      // a folder, a pipe or a device stands where the file should be
  Busy,          // another writer kept the file for too long
  BrokenLink,    // the file is a symbolic link to nothing
  LinkLoop,      // the file is a symbolic link that leads back to itself
  ForeignLink,   // the file is a link to a file of another owner
  HardLink,      // the file has another name too (a hard link), through which another could reach it
  NoPlace,       // the run has no folder it may keep the file in
  NotReadBack,   // written, yet it does not read back as written
  Other,
};

}  // namespace platform
