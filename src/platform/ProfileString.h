#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/WriteError.h"

// The profile-string service: one value of an INI file, read or written.
// Section, key, value and default are bytes in the system ANSI code page (code
// page 932 on Linux); the file path is UTF-8 like every path of the program.
//
// Names are matched without regard to ASCII case, with blanks round them ignored;
// blanks round a value are ignored and one pair of matching quotes round it is
// removed; a line is a comment only when it starts with ';'; the first of
// duplicate sections or keys wins.
namespace platform {

// Copies the value of `key` in `section` of `file` into `buffer` (`size` bytes,
// NUL included), or `defaultValue` (trailing spaces and a pair of quotes removed)
// when the file, section or key is missing. A longer text is cut to size-1 bytes,
// never inside a double-byte character. Returns the bytes copied, NUL excluded.
// Never creates the file.
std::size_t ReadProfileValue(std::string_view section, std::string_view key, std::string_view defaultValue,
                             char* buffer, std::size_t size, const std::string& file);

// Whether a settings file that is only read can be: Missing (nothing there),
// Readable, or why not (a link that leads nowhere or round in a loop among them).
enum class ProfileFileState { Missing, Readable, AccessDenied, NotAFile, BrokenLink, LinkLoop, Unreadable };
ProfileFileState CheckProfileFile(const std::string& file);

// Whether `file` begins with UTF-8's byte-order mark and at once a section
// header, which the service then does not take for one (the mark is part of the
// line, as on Windows): the keys of that first section are not read.
bool LosesFirstSection(const std::string& file);
// The same of a file's first bytes.
bool LosesFirstSection(std::string_view start);

// Sets `key` in `section` of `file` to `value`: an existing key keeps its line and
// only its value changes, a new key goes at the end of its section, a new section
// at the end of the file; every other byte of the file stays as it was. The file
// is replaced as a whole, never left half-written, and concurrent writers are
// serialised. An editor that saves the file meanwhile by renaming its own copy
// over it (as most do) loses nothing on Linux: the copy goes in only while the
// file is still the one read, and an editor's file that came in between is put
// back and edited again; only an editor saving twice within the microseconds of
// one swap could lose the first of the two saves. On Windows the system's
// service edits the file, and a save that falls between its read and the
// replacement is replaced. On Linux the file keeps its owner, group and
// permissions, and a symbolic link is written through only to a file of the
// link's own owner.
// Returns false, leaving the file untouched and setting `*error` when given, when
// the entry cannot be written as one line or the file cannot be written (NoPlace
// for the empty path: the run has no folder for it).
bool WriteProfileValue(std::string_view section, std::string_view key, std::string_view value, const std::string& file,
                       WriteError* error = nullptr);
// Each system's half of it, for an entry that fits one line and a file that is
// named: None once written (or already so), else why not.
WriteError WriteProfileEntry(std::string_view section, std::string_view key, std::string_view value,
                             const std::string& file);

// Whether `section`, `key` and `value` fit one header and one key=value line and
// read back as themselves: no CR, LF or NUL anywhere, no '=' in the key and no key
// starting with ';' or '[' (it would read as a comment or a header), no ']' in the
// section.
bool IsWritableProfileEntry(std::string_view section, std::string_view key, std::string_view value);

// The blanks the service ignores round names and values: the C locale's white
// space and Ctrl-Z.
bool IsProfileBlank(char c);

// A writer edits a copy beside the settings file and renames it over the file:
// `file` + ".~PID-A-B.tmp", PID being the writer's process id and A and B numbers
// that make the name unique. A writer that is killed leaves its copy behind; the
// next writer removes the copies whose writers are gone, and so does
// RemoveLeftCopies, which a run calls at its start.
void RemoveLeftCopies(const std::string& file);
std::string TemporaryCopyName(std::string_view file, unsigned long long pid, unsigned long long a,
                              unsigned long long b);

// The process id of the writer that made the copy called `name`, when `name` is
// exactly a copy of the settings file called `fileName` (names only, no folder):
// `fileName`.~PID-A-B.tmp with digits only. Nothing for any other name.
std::optional<unsigned long long> TemporaryCopyWriter(std::string_view name, std::string_view fileName);

}  // namespace platform
