#include "engine/sevenzip/sevenzip_archive.h"

#include <cstdio>
#include <cstring>

#include "engine/entry_data_callback.h"

namespace tessaly {

namespace {

// The headers' password for the open in progress: the library asks for it through a
// callback that carries no user data.
thread_local const std::string* headerPassword = nullptr;

int GiveHeaderPassword(char* password, int size) {
  if (headerPassword == nullptr || headerPassword->empty()) return 0;
  return std::snprintf(password, static_cast<size_t>(size), "%s", headerPassword->c_str()) > 0;
}

}  // namespace

SevenZipArchive::SevenZipArchive(const std::string& path, const std::string& password) {
  Un7zOpenArchiveData data{};
  data.ArcName = path.c_str();
  data.OpenMode = UN7Z_OM_EXTRACT;
  data.PasswordProc = GiveHeaderPassword;
  headerPassword = &password;
  handle_ = Un7zOpenArchive(&data);
  headerPassword = nullptr;
  openResult_ = data.OpenResult;
  if (handle_ == nullptr && openResult_ == UN7Z_SUCCESS) openResult_ = UN7Z_EOPEN;
  if (handle_ != nullptr) {
    // Data without a password set asks nobody: the backend asks the user first.
    Un7zSetPasswordProc(handle_, nullptr);
    if (!password.empty()) SetPassword(password);
  }
}

SevenZipArchive::~SevenZipArchive() {
  if (handle_ != nullptr) Un7zCloseArchive(handle_);
}

int SevenZipArchive::ReadHeader(Un7zHeaderData& header) {
  if (handle_ == nullptr) return static_cast<int>(openResult_);
  return Un7zReadHeader(handle_, &header);
}

void SevenZipArchive::Rewind() {
  if (handle_ != nullptr) Un7zRewind(handle_);
}

int SevenZipArchive::ProcessFile(int operation, const std::string& destination) {
  if (handle_ == nullptr) return static_cast<int>(openResult_);
  std::string folder = destination;
  return Un7zProcessFile(handle_, operation, folder.empty() ? nullptr : folder.data());
}

void SevenZipArchive::SetPassword(const std::string& password) {
  if (handle_ == nullptr) return;
  std::string text = password;
  Un7zSetPassword(handle_, text.data());
}

void SevenZipArchive::SetDataCallback() {
  if (handle_ != nullptr) Un7zSetProcessDataProc(handle_, EntryDataCallback);
}

void SevenZipArchive::SetThreads(int threads) {
  if (handle_ != nullptr) Un7zSetThreads(handle_, threads);
}

void SevenZipArchive::SetKeepBroken(bool keep) {
  if (handle_ != nullptr) Un7zSetKeepBroken(handle_, keep ? 1 : 0);
}

std::string SevenZipArchive::KeptName() const {
  return handle_ != nullptr ? Un7zKeptName(handle_) : "";
}

std::string SevenZipEntryName(const Un7zHeaderData& header) {
  return std::string(header.FileName, strnlen(header.FileName, sizeof header.FileName));
}

std::string SevenZipArchiveFileName(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace tessaly
