#pragma once

#include "log/Texts.h"

namespace testing_support {

// The program's texts in `language` for as long as this lives.
class ScopedLanguage {
 public:
  explicit ScopedLanguage(texts::Language language) : before_(texts::Current()) { texts::Use(language); }
  ~ScopedLanguage() { texts::Use(before_); }
  ScopedLanguage(const ScopedLanguage&) = delete;
  ScopedLanguage& operator=(const ScopedLanguage&) = delete;

 private:
  texts::Language before_;
};

}  // namespace testing_support
