// The conversation between a front end and the reader process, which does all the
// reading of archive bytes: length-prefixed records on a stream socket. Each record is
// one kind and its fields; the session's state travels whole, out with the request and
// back with the answer.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tessaly {

struct Session;

// The work a reader process does for the front end.
enum class ReaderTask : uint8_t {
  Probe,               // the type from the program's own readers; code: the SignatureOwner
  ExtractZipArchives,  // the ZIP loop over the job
  Unzip,               // one call of the ZIP library with the session's ZIP options
  ExtractRar,
  ExtractAce,
  ExtractLibarchive,
  ExtractSevenZip,
  List,  // the contents window's listing of an archive of the request's type
};

enum class RecordKind : uint8_t {
  // front end to reader
  Start,   // task, archive, type, state
  Answer,  // the answer to the last question
  Cancel,  // the user cancelled the job
  // reader to front end
  AskMessage,     // a message box; answered with its MsgAnswer
  AskInput,       // an input box; answered with the text
  AskFileExists,  // the File Exists prompt; answered with the button's caption
  Status,         // the Status window's state changed
  StagingFolder,  // staging began in this folder (swept if the reader is ended)
  Done,           // code, text, state
};

class WireWriter {
 public:
  explicit WireWriter(RecordKind kind);
  void Put(const std::string& value);
  void Put(const std::vector<std::string>& values);
  void Put(int64_t value);
  void Put(bool value);
  // The whole record, its length first.
  const std::string& Bytes();

 private:
  std::string bytes_;
};

class WireReader {
 public:
  explicit WireReader(std::string payload) : payload_(std::move(payload)) {}
  std::string String();
  std::vector<std::string> Strings();
  int64_t Number();
  bool Flag();
  // False once a field ran past the end of the record.
  bool Whole() const { return whole_; }

 private:
  bool Take(void* out, size_t size);
  std::string payload_;
  size_t offset_ = 0;
  bool whole_ = true;
};

struct Record {
  RecordKind kind;
  WireReader fields;
};

// Writes the whole record; false when the other side is gone.
bool SendRecord(int fd, WireWriter& record);
// Writes bytes holding whole records; false when the other side is gone.
bool SendBytes(int fd, const std::string& bytes);

// Records from a socket, read in large pieces: a run of Status records costs one read.
class RecordReader {
 public:
  explicit RecordReader(int fd) : fd_(fd) {}
  // The next record, waiting for it; nothing when the other side is gone or sent a
  // malformed one.
  std::optional<Record> Next();
  // Bytes of a record have arrived already: Next will not wait long.
  bool Buffered() const { return start_ < buffer_.size(); }
  // Everything read from the socket so far.
  uint64_t BytesRead() const { return bytesRead_; }

 private:
  bool Fill(size_t wanted);
  int fd_;
  std::string buffer_;
  size_t start_ = 0;
  uint64_t bytesRead_ = 0;
};

// The state a reader needs of a session and gives back: job, ZIP options, settings,
// Status window, contents, destination box.
void PutSessionState(WireWriter& out, const Session& session);
void GetSessionState(WireReader& in, Session& session);
// The Status window's fields alone.
void PutStatusState(WireWriter& out, const Session& session);
void GetStatusState(WireReader& in, Session& session);

}  // namespace tessaly
