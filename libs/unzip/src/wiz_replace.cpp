#include "wiz_replace.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "unzip.h"
#include "wiz_messages.h"
#include "wiz_names.h"
#include "wiz_output.h"
#include "wiz_time.h"

namespace unzip {

namespace {

constexpr uint32_t kReplaceBufferSize = 4096;

enum Answer : int32_t {
  kSkip = 100,
  kOverwrite = 102,
  kOverwriteAll = 103,
  kSkipAll = 104,
  kRename = 105,
};

// "Newer or equal"; DOS times count in two-second steps, so the file's time is rounded
// up the same way before comparing.
bool existing_is_newer(const struct stat& info, const EntryInfo& entry) {
  std::time_t existing = info.st_mtime;
  if (!entry.unix_mtime && (existing & 1)) ++existing;
  return existing >= entry_time(entry);
}

ReplaceDecision skip_existing(CallState& call, const std::string& out) {
  call.printer.say(chunk::target_exists(out));
  return ReplaceDecision::Skip;
}

int32_t ask(CallState& call, std::string& typed, const std::string& out, const EntryInfo& entry) {
  std::vector<char> buffer(std::max<std::size_t>(kReplaceBufferSize, out.size() + 1), '\0');
  std::memcpy(buffer.data(), out.data(), out.size());
  const int32_t answer =
      call.callbacks.replace(buffer.data(), static_cast<uint32_t>(buffer.size()),
                             entry.uncompressed_size, static_cast<int64_t>(entry_time(entry)));
  buffer.back() = '\0';
  typed = buffer.data();
  return answer;
}

}  // namespace

ReplaceDecision decide_existing(CallState& call, const EntryInfo& entry, MappedName& target) {
  for (;;) {
    const std::string out = call.output_path(target.relative);
    struct stat info;
    if (lstat(out.c_str(), &info) != 0)
      return call.options.nfflag ? ReplaceDecision::Skip : ReplaceDecision::Write;
    if (call.update_mode() && existing_is_newer(info, entry)) {
      call.printer.say(chunk::target_newer(out));
      return ReplaceDecision::Skip;
    }
    if (call.options.noflag || call.replace_standing == ReplaceStanding::OverwriteAll)
      return ReplaceDecision::Write;
    if (call.replace_standing == ReplaceStanding::SkipAll || !call.options.PromptToOverwrite)
      return skip_existing(call, out);

    if (!call.may_ask()) return ReplaceDecision::Stop;
    std::string typed;
    switch (ask(call, typed, out, entry)) {
      case kSkip:
        return skip_existing(call, out);
      case kSkipAll:
        call.replace_standing = ReplaceStanding::SkipAll;
        return skip_existing(call, out);
      case kOverwriteAll:
        call.replace_standing = ReplaceStanding::OverwriteAll;
        return ReplaceDecision::Write;
      case kRename: {
        MappedName renamed = map_rename(call, typed, false);
        if (renamed.kind == MappedName::Kind::Nothing) return skip_existing(call, out);
        if (renamed.kind == MappedName::Kind::Unsafe) {
          call.printer.say(chunk::skip_unsafe(display_name(entry)));
          call.codes.raise(PK_ERR);
          return ReplaceDecision::Skip;
        }
        const std::size_t slash = renamed.relative.rfind('/');
        if (slash != std::string::npos &&
            make_folders(call, std::string_view(renamed.relative).substr(0, slash),
                         display_name(entry)) == FolderResult::Failed)
          return ReplaceDecision::Skip;
        target = std::move(renamed);
        continue;
      }
      default:
        return ReplaceDecision::Write;
    }
  }
}

}  // namespace unzip
