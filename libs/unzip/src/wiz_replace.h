// What to do when the output path is taken: update/freshen rules, the overwrite
// options, and the replace callback's answers (including a rename).
#pragma once

#include <string>

#include "wiz_call.h"
#include "wiz_names.h"
#include "zip_archive.h"

namespace unzip {

enum class ReplaceDecision { Write, Skip, Stop };

// May move target (answer 105); Skip has printed its chunk where one is due; Stop
// ends the call before asking (CallState::before_question).
ReplaceDecision decide_existing(CallState& call, const EntryInfo& entry, MappedName& target);

}  // namespace unzip
