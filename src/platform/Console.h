#pragma once
// What a command-line program of the code base needs of its system: its
// arguments in UTF-8, its inputs read in pieces, and whether a person watches
// its error stream. (The logon program keeps no command line and uses none of it.)

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The program's arguments after its name, in UTF-8 (Windows: from the wide
// command line, so that any path arrives whole).
std::vector<std::string> Arguments(int argc, char** argv);

// Reads the file at `path` (UTF-8; "-" for standard input) from start to end in
// pieces of at most 64 KB, handing each to `take` in order. `*size` is set to
// the file's length when it is known (0 for a pipe). False when it could not be
// opened or a read failed; the pieces taken before a failure stay taken.
bool ReadInPieces(const std::string& path, std::uint64_t* size, const std::function<void(std::string_view)>& take);

// Whether the error stream is a terminal (Windows: a console), where a progress
// line may be redrawn in place.
bool ErrorsGoToTerminal();

// Writes UTF-8 text to standard output or the error stream as the terminal shows
// it (Windows: a console is switched to UTF-8 for the run).
void PrintOut(std::string_view text);
void PrintError(std::string_view text);

}  // namespace platform
