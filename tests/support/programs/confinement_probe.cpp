// Puts up the reader's confinement (one folder to read, one to write) and tries what it
// must stop. One line per check; exit 1 when something was not stopped. Built without
// sanitizers, which need the address space the memory limit takes away.
#include <errno.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/confinement.h"

namespace {

int failures = 0;

void Check(const char* name, bool stopped, bool wanted = true) {
  const bool held = stopped == wanted;
  std::printf("%s: %s (%s)\n", name, held ? "as expected" : "WRONG", std::strerror(errno));
  if (!held) ++failures;
}

bool Refused(int result) {
  return result < 0 && (errno == EACCES || errno == EPERM);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) return 2;
  const std::string readable = argv[1], writable = argv[2], outside = argv[3];
  tessaly::ConfinementPlan plan;
  plan.readFolders = {readable};
  plan.writeFolders = {writable};
  const tessaly::ConfinementLayers layers = tessaly::Confine(plan);
  std::printf("layers: %s\n", tessaly::DescribeLayers(layers).c_str());

  Check("write below the destination",
        Refused(open((writable + "/new").c_str(), O_CREAT | O_WRONLY, 0600)), false);
  Check("read the archive", Refused(open((readable + "/archive").c_str(), O_RDONLY)), false);
  if (layers.landlockAbi > 0) {
    Check("write outside", Refused(open((outside + "/new").c_str(), O_CREAT | O_WRONLY, 0600)));
    Check("write beside the archive",
          Refused(open((readable + "/new").c_str(), O_CREAT | O_WRONLY, 0600)));
    Check("read outside", Refused(open((outside + "/secret").c_str(), O_RDONLY)));
  }
  if (layers.seccomp) {
    char* const args[] = {const_cast<char*>("/bin/true"), nullptr};
    Check("start a program", Refused(execv("/bin/true", args)));
    Check("open a socket", Refused(socket(AF_INET, SOCK_STREAM, 0)));
  }
  void* bomb = std::malloc(size_t{4} << 30);
  errno = ENOMEM;
  Check("allocate 4 GiB", bomb == nullptr);
  return failures == 0 ? 0 : 1;
}
