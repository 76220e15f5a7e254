#include "engine/entry_job_outcome.h"

#include <cstring>
#include <utility>

#include "engine/entry_messages.h"
#include "engine/entry_target.h"
#include "engine/extraction_prompts.h"
#include "engine/session.h"

namespace tessaly {

EntryJobOutcome::EntryJobOutcome(Session& session, std::function<std::string()> keptName)
    : session_(session), keptName_(std::move(keptName)) {}

EntryStep EntryJobOutcome::Done() {
  ++doneCount_;
  session_.job.entryBytes.End();
  session_.status.SetValue(session_.job.entryBytes.value());
  session_.events.pump();
  return EntryStep::Next;
}

EntryStep EntryJobOutcome::Tell(const std::string& text) {
  session_.dialogs.MessageBox({WithKeptDamagedText(text, entryName_, keptName_()), MsgButtons::OK,
                               MsgIcon::Critical, "Oops!"});
  return Fail();
}

EntryStep EntryJobOutcome::Report(const std::string& text) {
  session_.dialogs.MessageBox({text, MsgButtons::OK, MsgIcon::Exclamation, "Oops!"});
  result_ = 1;
  return EntryStep::Next;
}

EntryStep EntryJobOutcome::WriteFailed(const std::string& destination, int error) {
  const std::string text = WriteFailedText(entryName_, std::strerror(error));
  return DestinationRefusesWrites(destination) ? Tell(text) : Report(text);
}

EntryStep EntryJobOutcome::Fail() {
  result_ = 1;
  return EntryStep::Stop;
}

bool EntryJobOutcome::AskPassword(const std::string& name) {
  passwordAsked_ = true;
  password_ = tessaly::AskPassword(session_, name);
  return !password_.empty();
}

int32_t EntryJobOutcome::End() {
  if (passwordAsked_ && password_.empty()) {
    session_.dialogs.MessageBox({kNoPasswordText, MsgButtons::OK, MsgIcon::Critical, "Oops!"});
    result_ = 1;
  }
  return result_;
}

}  // namespace tessaly
