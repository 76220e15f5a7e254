#include "passwords.h"

#include <vector>

namespace un7z {
namespace {

constexpr int kPasswordBuffer = 1024;

}  // namespace

int Passwords::get(std::string& password) {
  if (!password_ && callback_) {
    std::vector<char> answer(kPasswordBuffer, '\0');
    if (callback_(answer.data(), kPasswordBuffer) != 0) {
      answer.back() = '\0';
      password_ = std::string(answer.data());
      answered_ = true;
    }
  }
  if (!password_) return UN7Z_MISSING_PASSWORD;
  password = *password_;
  return UN7Z_SUCCESS;
}

}  // namespace un7z
