#pragma once

namespace platform {

// Whether the user's desktop is in Japanese. Windows: the primary language of the
// user's UI language. Linux: LC_ALL, else LC_MESSAGES, else LANG (the first that
// is set and not empty) begins with "ja".
bool UserLanguageIsJapanese();

}  // namespace platform
