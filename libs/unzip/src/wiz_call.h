// State of one Wiz_SingleEntryUnzip call; nothing of it survives the call.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "unzip.h"
#include "wiz_codes.h"
#include "wiz_text.h"

namespace unzip {

enum class ReplaceStanding { Ask, OverwriteAll, SkipAll };

struct CallState {
  CallState(const DCL& dcl, USERFUNCTIONS& functions)
      : options(dcl), callbacks(functions), printer(functions.print, dcl.fQuiet) {}

  const DCL& options;
  USERFUNCTIONS& callbacks;
  Printer printer;
  CodeTracker codes;
  std::string zip_path;
  // Extraction folder without a trailing "/"; empty = the current folder.
  std::string root;
  bool backslashes_reported = false;
  std::optional<std::string> password;
  bool password_prompts_stopped = false;
  ReplaceStanding replace_standing = ReplaceStanding::Ask;
  // Runs right before the password or replace callback asks; false ends the call.
  // Entries decoded by worker threads are all concluded here, so that a question
  // comes after every earlier entry's lines.
  std::function<bool()> before_question;

  bool may_ask() const { return !before_question || before_question(); }

  // <out>: where a mapped name lands, as the chunks show it.
  std::string output_path(const std::string& relative) const {
    if (root.empty()) return relative;
    return root.back() == '/' ? root + relative : root + "/" + relative;
  }
  const char* safepath_root() const { return root.empty() ? nullptr : root.c_str(); }
  bool update_mode() const { return options.ExtractOnlyNewer != 0 || options.nfflag != 0; }
};

}  // namespace unzip
