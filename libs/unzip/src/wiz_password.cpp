#include "wiz_password.h"

#include <array>

#include "unzip.h"
#include "wiz_messages.h"
#include "wiz_names.h"

namespace unzip {

namespace {

constexpr int32_t kPasswordBufferSize = 81;
constexpr int kTries = 3;
constexpr int32_t kAnswerGiven = 0;
constexpr int32_t kAnswerGiveUp = 5;
constexpr int32_t kAnswerNeverAgain = -2;

PasswordOutcome incorrect(CallState& call, const EntryInfo& entry) {
  call.printer.say_verbose(chunk::skip_incorrect_password(display_name(entry)));
  return PasswordOutcome::Incorrect;
}

// "No password" answers try the empty one, which also becomes the current password.
PasswordOutcome try_empty(CallState& call, ZipArchive& archive, const EntryInfo& entry,
                          std::string& password) {
  call.password = "";
  if (archive.password_matches(entry, "")) {
    password.clear();
    return PasswordOutcome::Ready;
  }
  return incorrect(call, entry);
}

}  // namespace

PasswordOutcome obtain_password(CallState& call, ZipArchive& archive, const EntryInfo& entry,
                                std::string& password) {
  if (call.password && archive.password_matches(entry, *call.password)) {
    password = *call.password;
    return PasswordOutcome::Ready;
  }
  if (call.password_prompts_stopped) return incorrect(call, entry);

  const std::string shown = display_name(entry);
  for (int attempt = 0; attempt < kTries; ++attempt) {
    if (call.callbacks.password && !call.may_ask()) return PasswordOutcome::Stopped;
    std::array<char, kPasswordBufferSize> buffer{};
    const char* prompt = attempt == 0 ? "Enter password for: " : "Password incorrect--reenter: ";
    const int32_t answer =
        call.callbacks.password
            ? call.callbacks.password(buffer.data(), kPasswordBufferSize, prompt, shown.c_str())
            : 1;
    if (answer == kAnswerGiveUp) {
      call.password.reset();
      call.printer.say(chunk::skip_no_password(display_name(entry)));
      call.codes.raise(PK_MEM2);
      return PasswordOutcome::GaveUp;
    }
    if (answer == kAnswerNeverAgain) {
      call.password_prompts_stopped = true;
      return try_empty(call, archive, entry, password);
    }
    if (answer != kAnswerGiven) return try_empty(call, archive, entry, password);

    buffer.back() = '\0';
    call.password = std::string(buffer.data());
    if (archive.password_matches(entry, *call.password)) {
      password = *call.password;
      return PasswordOutcome::Ready;
    }
  }
  return incorrect(call, entry);
}

}  // namespace unzip
