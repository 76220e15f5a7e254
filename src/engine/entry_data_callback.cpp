#include "engine/entry_data_callback.h"

#include <cstdint>

#include "engine/active_session.h"
#include "engine/session.h"

namespace tessaly {

int EntryDataCallback(unsigned char*, int size) {
  Session* session = ActiveSessionGuard::Current();
  if (session == nullptr) return 1;
  session->job.entryBytes.Written(static_cast<uint64_t>(size));
  session->status.SetValue(session->job.entryBytes.value());
  session->events.pump();
  return session->job.cancelExtract ? 0 : 1;
}

}  // namespace tessaly
