// The password an archive's encrypted headers and folders are read with: the one the
// caller set, else the callback's answer.
#pragma once

#include <optional>
#include <string>

#include "aes_coder.h"
#include "un7z.h"

namespace un7z {

class Passwords {
 public:
  void set(std::optional<std::string> password) {
    password_ = std::move(password);
    answered_ = false;
  }
  void set_callback(UN7ZPASSWORDPROC callback) { callback_ = callback; }
  // 0 and the password, or UN7Z_MISSING_PASSWORD when none is set and the callback
  // gives none.
  int get(std::string& password);
  // A password is at hand: get() would not ask the callback.
  bool known() const { return password_.has_value(); }
  // It proved wrong: an answer of the callback is asked for again by the next encrypted
  // folder (one the caller set stays until the caller sets another).
  void forget() {
    if (answered_) password_.reset();
  }
  AesKeys& keys() { return keys_; }

 private:
  std::optional<std::string> password_;
  bool answered_ = false;  // password_ is the callback's answer
  UN7ZPASSWORDPROC callback_ = nullptr;
  AesKeys keys_;
};

}  // namespace un7z
