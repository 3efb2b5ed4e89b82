#pragma once

namespace platform {

// Whether this build runs on Windows (true) or Linux (false).
#ifdef _WIN32
inline constexpr bool kWindows = true;
#else
inline constexpr bool kWindows = false;
#endif

}  // namespace platform
