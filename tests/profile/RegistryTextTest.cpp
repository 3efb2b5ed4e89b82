// Text and key names beyond ASCII, read through the registry service: on
// Windows the real registry, on Linux a Wine prefix's user.reg, with the same
// answers.
#include <gtest/gtest.h>

#include "profile/mdlRegistry.h"
#include "support/RegistryFixture.h"

namespace {

using mdlRegistry::GetRegValue;
using mdlRegistry::RegValue;
using platform::RegistryRoot;
using testing_support::RegistryFixture;

const RegValue kDefault("(default)");

std::string Read(const std::string& key, const std::string& name) {
  const RegValue value = GetRegValue(RegistryRoot::CurrentUser, key, name, mdlRegistry::kReadText, kDefault);
  return value.IsText() ? value.AsText() : "(not text)";
}

TEST(RegistryText, UnicodeTextReachesTheAnsiCodePageWithWindowsBestFit) {
  RegistryFixture registry;
  const std::string key = std::string(RegistryFixture::kTestRoot) + "\\Fit";
  registry.SetText(key, "Name", "Ⅱß");
  registry.SetText(key, "Latin", "Åé¥");
  registry.SetText(key, "None", "〜🙂");
  EXPECT_EQ(Read(key, "Name"), "Ⅱs");
  EXPECT_EQ(Read(key, "Latin"), "Ae\\");
  EXPECT_EQ(Read(key, "None"), "???");
}

TEST(RegistryText, KeyAndValueNamesMatchInAnyCaseBeyondLatin) {
  RegistryFixture registry;
  const std::string root = RegistryFixture::kTestRoot;
  registry.SetText(root + "\\Ⅰ社\\ｖβ", "Ⅹ", "found");
  EXPECT_EQ(Read(root + "\\ⅰ社\\ＶΒ", "ⅹ"), "found");
}

}  // namespace
