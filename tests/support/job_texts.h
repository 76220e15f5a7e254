// The texts a job ends with and the refusal of a file no backend accepts, as the
// user sees them; every layer's tests compare against these exact strings.
#pragma once

#include <string>

namespace tessaly::testing {

inline const std::string kFinished =
    "Tessaly has finished extracting the files. Press \"OK\" to return to the program, or "
    "\"Explore\" to open a file manager window in the folder to which the files were extracted.";
inline const std::string kNotFinished = "Tessaly did not finish extracting the files.";
inline const std::string kWrongPassword = "The password you entered was incorrect.";

// The refusal's first sentences; the dialogs add the sentence about sets.
inline std::string NotSupportedStart(const std::string& path, bool mayBeArj = true) {
  return "The file \"" + path + "\" is either not a supported archive type or is corrupted." +
         (mayBeArj ? " If this is an Arj type archive, Tessaly requires the Arj utility to process "
                     "it. You must specify the location of \"arj\" in the \"Options\" dialog."
                   : "");
}

}  // namespace tessaly::testing
