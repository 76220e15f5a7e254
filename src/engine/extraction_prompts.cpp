#include "engine/extraction_prompts.h"

#include "engine/session.h"

namespace tessaly {

std::string AskOverwrite(Session& session, const std::string& name) {
  const std::string pressed = session.dialogs.FileExists(
      "The file " + name + " already exists in the destination folder. Overwrite it?");
  session.Form4Window.Refresh();
  if (pressed.empty()) return "No";
  session.job.OverwriteAnswer = pressed;
  return pressed;
}

std::string AskPassword(Session& session, const std::string& name) {
  return session.dialogs.InputBox("The file " + name +
                                      " is encrypted with a password. Please enter the password "
                                      "below to extract.",
                                  "Enter Password", "");
}

}  // namespace tessaly
