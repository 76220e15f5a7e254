// What a library's C API keeps for one opened archive: the reader, the processor
// that skips, tests or extracts what the reader reports, and the entry read and not
// yet processed. The C handle is a pointer to it.
#pragma once

#include <cstddef>
#include <memory>
#include <new>
#include <optional>
#include <string>

namespace archivekit {

enum class EntryAction { skip, test, extract };

// The action of the C API's operation code (its skip, test and extract codes are
// 0, 1 and 2 in every library here); anything else skips.
EntryAction action_for(int operation);

// Copies text into a fixed field of a C record, cut before a UTF-8 sequence that
// would not fit, and always terminated.
void copy_to_field(char* field, size_t fieldSize, const std::string& text);

// A new handle (an ArchiveSession or a type derived from it) whose archive
// open(handle) opened, giving 0 or the library's code; that code, or noMemory when
// there is no room for the handle, goes into result. Null unless the code is 0.
template <typename Handle, typename Open>
Handle* open_handle(unsigned& result, int noMemory, Open open) {
  std::unique_ptr<Handle> handle(new (std::nothrow) Handle);
  const int code = handle ? open(*handle) : noMemory;
  result = static_cast<unsigned>(code);
  return code == 0 ? handle.release() : nullptr;
}

// Reader: next_entry(Entry&) returning 0 or a library code. Processor: built on the
// reader, skip(const Entry&) and process(const Entry&, EntryAction, ...) returning 0
// or a library code.
template <typename Reader, typename Processor, typename Entry>
class ArchiveSession {
 public:
  Reader reader;
  Processor processor{reader};

  // The handle the C API gave out; null stays null.
  static ArchiveSession* from(void* handle) { return static_cast<ArchiveSession*>(handle); }

  // Reads the next entry, first skipping one that was read and not processed so
  // that the reader is past it, and hands it to describe(entry) for the record.
  // 0 or the library's code.
  template <typename Describe>
  int read_next(Describe describe) {
    if (std::optional<Entry> pending = take_current()) {
      const int skipped = processor.skip(*pending);
      if (skipped != 0) return skipped;
    }
    Entry entry;
    const int result = reader.next_entry(entry);
    if (result != 0) return result;
    describe(entry);
    current = std::move(entry);
    return 0;
  }

  // Back before the first entry, an entry read and not processed dropped: Reader's
  // rewind() and Processor's rewind().
  void rewind() {
    current.reset();
    reader.rewind();
    processor.rewind();
  }

  // Processor::process(entry, action, where...) on the entry read last, once;
  // 0 when nothing was read yet or the entry was processed already.
  template <typename... Where>
  int process_current(EntryAction action, const Where&... where) {
    std::optional<Entry> entry = take_current();
    return entry ? processor.process(*entry, action, where...) : 0;
  }

 private:
  std::optional<Entry> take_current() {
    std::optional<Entry> entry = std::move(current);
    current.reset();
    return entry;
  }

  std::optional<Entry> current;  // read and not yet processed
};

}  // namespace archivekit
