// Getting the password of an encrypted entry: the call's current password first,
// then up to three questions through the password callback.
#pragma once

#include <string>

#include "wiz_call.h"
#include "zip_archive.h"

namespace unzip {

enum class PasswordOutcome {
  Ready,      // password holds a text that passes the entry's check
  Incorrect,  // skipped with "incorrect password"
  GaveUp,     // the callback answered 5: skipped with "unable to get password", code 5
  Stopped,    // the call ends before asking (CallState::before_question)
};

PasswordOutcome obtain_password(CallState& call, ZipArchive& archive, const EntryInfo& entry,
                                std::string& password);

}  // namespace unzip
