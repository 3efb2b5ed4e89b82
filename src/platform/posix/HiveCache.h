#pragma once
// Linux only: the registry files as the registry service last read them.

namespace platform::posix {

// Makes the next registry access read the prefix's files again, as a new run would.
void ForgetUserReg();

}  // namespace platform::posix
