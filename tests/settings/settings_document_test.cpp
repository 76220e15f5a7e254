#include "settings/settings_document.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace tessaly {
namespace {

using namespace std::string_literals;

// Saving rewrites the whole file: whatever it holds, a second round writes the first
// round's text again, so the file never grows from saves alone.
TEST(SettingsDocumentTest, GarbageSettlesAfterOneRewrite) {
  const std::string kBytes = "ab[]=\\;# \t\r\n\nsn0\x01\xff\0"s;
  std::mt19937 random(7);
  for (int round = 0; round < 3000; ++round) {
    std::string garbage(random() % 48, ' ');
    for (char& c : garbage) c = kBytes[random() % kBytes.size()];
    const std::string once = SettingsText(ParseSettingsText(garbage));
    ASSERT_EQ(SettingsText(ParseSettingsText(once)), once) << garbage;
  }
}

}  // namespace
}  // namespace tessaly
