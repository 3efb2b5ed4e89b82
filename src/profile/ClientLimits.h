#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "profile/Profile.h"

// The mail client's own size limits. It stops adding data to a file well before
// the file's format would break: at its Warn value (by default about 1.82 GB for
// an ANSI file and 47.5 GB for a Unicode one), which administrators often set
// lower by policy, and the client never warns before it.
namespace profile {

// One of the client's four limits.
struct ClientLimit {
  const char* name = "";    // the registry value: "WarnFileSize"
  std::uint32_t value = 0;  // bytes for ANSI files, MB for Unicode ones
  std::string source;       // the key that set it; empty: the version's default
  bool Configured() const { return !source.empty(); }
};

// The four, at the defaults of the 2010 and later clients unless read.
struct ClientLimits {
  ClientLimit maxFileSize{"MaxFileSize", 0x7BB04400, {}};    // ANSI files, bytes: 1.933 GB, the most the file grows to
  ClientLimit warnFileSize{"WarnFileSize", 0x74404400, {}};  // ANSI files, bytes: 1.816 GB, where adding data stops
  ClientLimit maxLargeFileSize{"MaxLargeFileSize", 0xC800, {}};    // Unicode files, MB: 50 GB
  ClientLimit warnLargeFileSize{"WarnLargeFileSize", 0xBE00, {}};  // Unicode files, MB: 47.5 GB
  // Limits set to 0, which the client takes for not set: "WarnLargeFileSize, <key>".
  std::vector<std::string> zeros;
  // The key that makes the client add no new mail to personal-folder files
  // (PSTDisableGrow = 1); empty when it grows them.
  std::string disableGrow;

  // The limit that stops a file of `format` taking data: the Warn value, or the
  // Max value where that is lower (the file can grow no further).
  const ClientLimit& Stop(PstFormat format) const;
  // Where that is, in KB (whole KB, rounded down).
  std::int64_t StopKb(PstFormat format) const;
};

// The limits of the client `version` ("16.0", ...), each from the first of
// HKCU\Software\Policies\Microsoft\Office\<version>\Outlook\PST and
// HKCU\Software\Microsoft\Office\<version>\Outlook\PST that holds it as a
// REG_DWORD within the range the client itself accepts, else the version's
// default (2003 and 2007 keep Unicode files to 20 GB). PSTDisableGrow is taken
// from the first of the two keys that holds it as a REG_DWORD: 1 there stops the
// growth, any other value lets files grow.
ClientLimits ReadClientLimits(const std::string& version);

}  // namespace profile
