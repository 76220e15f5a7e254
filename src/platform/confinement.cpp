#include "platform/confinement.h"

#include <fcntl.h>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/landlock.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <iterator>
#include <vector>

namespace tessaly {

namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
// The sanitizers reserve terabytes of address space and stop threads with ptrace to
// look for leaks: their builds keep both.
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

// The rights of each Landlock ABI, numbered as the kernel does (older headers lack some).
constexpr uint64_t kFsRightsAbi1 = (1ull << 13) - 1;
constexpr uint64_t kFsRefer = 1ull << 13;
constexpr uint64_t kFsTruncate = 1ull << 14;
constexpr uint64_t kFsIoctlDev = 1ull << 15;
constexpr uint64_t kNetTcp = 3;    // bind and connect
constexpr uint64_t kScopeAll = 3;  // abstract sockets and signals outside the domain
constexpr uint64_t kFsReadRights =
    LANDLOCK_ACCESS_FS_EXECUTE | LANDLOCK_ACCESS_FS_READ_FILE | LANDLOCK_ACCESS_FS_READ_DIR;

struct RulesetAttributes {
  uint64_t handledAccessFs;
  uint64_t handledAccessNet;
  uint64_t scoped;
};

struct PathBeneathRule {
  uint64_t allowedAccess;
  int32_t parentFd;
} __attribute__((packed));

int LandlockAbi() {
  const long abi =
      syscall(SYS_landlock_create_ruleset, nullptr, 0, LANDLOCK_CREATE_RULESET_VERSION);
  return abi < 0 ? 0 : static_cast<int>(abi);
}

uint64_t FsRights(int abi) {
  uint64_t rights = kFsRightsAbi1;
  if (abi >= 2) rights |= kFsRefer;
  if (abi >= 3) rights |= kFsTruncate;
  if (abi >= 5) rights |= kFsIoctlDev;
  return rights;
}

void AllowBeneath(int ruleset, const std::string& path, uint64_t rights) {
  const int fd = open(path.c_str(), O_PATH | O_CLOEXEC);
  if (fd < 0) return;
  PathBeneathRule rule{rights, fd};
  // A plain file takes file rights only.
  constexpr uint64_t kFileOnly = LANDLOCK_ACCESS_FS_EXECUTE | LANDLOCK_ACCESS_FS_READ_FILE |
                                 LANDLOCK_ACCESS_FS_WRITE_FILE | kFsTruncate | kFsIoctlDev;
  if (syscall(SYS_landlock_add_rule, ruleset, LANDLOCK_RULE_PATH_BENEATH, &rule, 0) != 0 &&
      errno == EINVAL) {
    rule.allowedAccess &= kFileOnly;
    syscall(SYS_landlock_add_rule, ruleset, LANDLOCK_RULE_PATH_BENEATH, &rule, 0);
  }
  close(fd);
}

bool ApplyLandlock(int abi, const ConfinementPlan& plan) {
  const uint64_t all = FsRights(abi);
  RulesetAttributes attributes{all, kNetTcp, kScopeAll};
  size_t size = offsetof(RulesetAttributes, handledAccessNet);
  if (abi >= 4) size = offsetof(RulesetAttributes, scoped);
  if (abi >= 6) size = sizeof attributes;
  const long ruleset = syscall(SYS_landlock_create_ruleset, &attributes, size, 0);
  if (ruleset < 0) return false;
  const int fd = static_cast<int>(ruleset);
  // The libraries, locale and code-page data, the number of processors.
  for (const char* system :
       {"/usr", "/lib", "/lib64", "/etc", "/proc", "/sys/devices/system/cpu", "/dev/urandom"}) {
    AllowBeneath(fd, system, kFsReadRights & all);
  }
  // The utility's questions may go to the terminal itself.
  for (const char* device : {"/dev/null", "/dev/tty"}) {
    AllowBeneath(fd, device, (kFsReadRights | LANDLOCK_ACCESS_FS_WRITE_FILE) & all);
  }
  for (const std::string& folder : plan.readFolders) AllowBeneath(fd, folder, kFsReadRights & all);
  for (const std::string& folder : plan.writeFolders) AllowBeneath(fd, folder, all);
  const bool applied = syscall(SYS_landlock_restrict_self, fd, 0) == 0;
  close(fd);
  return applied;
}

#if defined(__x86_64__)
constexpr uint32_t kAuditArch = AUDIT_ARCH_X86_64;
#elif defined(__aarch64__)
constexpr uint32_t kAuditArch = AUDIT_ARCH_AARCH64;
#else
constexpr uint32_t kAuditArch = 0;
#endif

// What a reader does: files, memory, threads, time, signals to itself, the socket it
// was given. Anything else fails with EPERM rather than killing, so that a call no
// one foresaw ends as an error the reader reports.
constexpr long kAllowedCalls[] = {
    SYS_read,
    SYS_write,
    SYS_readv,
    SYS_writev,
    SYS_pread64,
    SYS_pwrite64,
    SYS_preadv,
    SYS_pwritev,
    SYS_copy_file_range,
    SYS_sendfile,
    SYS_lseek,
    SYS_openat,
    SYS_openat2,
    SYS_close,
    SYS_close_range,
    SYS_fstat,
    SYS_newfstatat,
    SYS_statx,
    SYS_statfs,
    SYS_fstatfs,
    SYS_faccessat,
    SYS_faccessat2,
    SYS_getdents64,
    SYS_mkdirat,
    SYS_unlinkat,
    SYS_renameat,
    SYS_renameat2,
    SYS_linkat,
    SYS_symlinkat,
    SYS_readlinkat,
    SYS_fchmod,
    SYS_fchmodat,
    SYS_fchown,
    SYS_fchownat,
    SYS_utimensat,
    SYS_ftruncate,
    SYS_fallocate,
    SYS_fsync,
    SYS_fdatasync,
    SYS_fadvise64,
    SYS_flock,
    SYS_fcntl,
    SYS_dup,
    SYS_dup3,
    SYS_ioctl,
    SYS_fgetxattr,
    SYS_fsetxattr,
    SYS_flistxattr,
    SYS_getxattr,
    SYS_lgetxattr,
    SYS_mmap,
    SYS_munmap,
    SYS_mremap,
    SYS_mprotect,
    SYS_brk,
    SYS_madvise,
    SYS_futex,
    SYS_set_robust_list,
    SYS_get_robust_list,
    SYS_rseq,
    SYS_set_tid_address,
    SYS_clone,
    SYS_clone3,
    SYS_exit,
    SYS_exit_group,
    SYS_wait4,
    SYS_rt_sigaction,
    SYS_rt_sigprocmask,
    SYS_rt_sigreturn,
    SYS_sigaltstack,
    SYS_kill,
    SYS_tgkill,
    SYS_tkill,
    SYS_sched_yield,
    SYS_sched_getaffinity,
    SYS_getpid,
    SYS_gettid,
    SYS_getppid,
    SYS_getuid,
    SYS_geteuid,
    SYS_getgid,
    SYS_getegid,
    SYS_getresuid,
    SYS_getresgid,
    SYS_clock_gettime,
    SYS_clock_getres,
    SYS_clock_nanosleep,
    SYS_nanosleep,
    SYS_gettimeofday,
    SYS_ppoll,
    SYS_pselect6,
    SYS_sendmsg,
    SYS_recvmsg,
    SYS_sendto,
    SYS_recvfrom,
    SYS_shutdown,
    SYS_prlimit64,
    SYS_getrusage,
    SYS_times,
    SYS_sysinfo,
    SYS_uname,
    SYS_getrandom,
    SYS_umask,
    SYS_getcwd,
    SYS_pipe2,
    SYS_membarrier,
    SYS_prctl,
    SYS_restart_syscall,
#if defined(__x86_64__)
    SYS_open,
    SYS_stat,
    SYS_lstat,
    SYS_access,
    SYS_mkdir,
    SYS_rmdir,
    SYS_unlink,
    SYS_rename,
    SYS_link,
    SYS_symlink,
    SYS_readlink,
    SYS_chmod,
    SYS_utimes,
    SYS_poll,
    SYS_select,
    SYS_dup2,
    SYS_pipe,
    SYS_arch_prctl,
    SYS_time,
    SYS_getdents,
    SYS_getrlimit,
    SYS_setrlimit,
#endif
};

bool ApplySeccomp(bool startsPrograms) {
  if (kAuditArch == 0) return false;
  std::vector<sock_filter> program;
  program.push_back(BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)));
  program.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, kAuditArch, 1, 0));
  program.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_KILL_PROCESS));
  program.push_back(BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)));
  std::vector<long> allowed(std::begin(kAllowedCalls), std::end(kAllowedCalls));
  if (kSanitized) allowed.push_back(SYS_ptrace);
  if (startsPrograms) {
    allowed.insert(allowed.end(), {SYS_execve, SYS_execveat});
#if defined(__x86_64__)
    allowed.insert(allowed.end(), {SYS_fork, SYS_vfork});
#endif
  }
  for (const long call : allowed) {
    program.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, static_cast<uint32_t>(call), 0, 1));
    program.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW));
  }
  program.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | (EPERM & SECCOMP_RET_DATA)));
  const sock_fprog filter{static_cast<unsigned short>(program.size()), program.data()};
  return prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &filter) == 0;
}

bool ApplyLimits(const ConfinementPlan& plan) {
  bool applied = true;
  if (!kSanitized) {
    const rlimit memory{plan.memoryBytes, plan.memoryBytes};
    applied = setrlimit(RLIMIT_AS, &memory) == 0;
  }
  // The soft limit sends SIGXCPU; the hard one, a little later, SIGKILL.
  const rlimit cpu{plan.cpuSeconds, plan.cpuSeconds + 5};
  const rlimit noCore{0, 0};
  return setrlimit(RLIMIT_CPU, &cpu) == 0 && setrlimit(RLIMIT_CORE, &noCore) == 0 && applied;
}

}  // namespace

std::vector<std::string> ConfinementArguments(const ConfinementPlan& plan) {
  std::vector<std::string> args;
  for (const std::string& folder : plan.readFolders) args.insert(args.end(), {"--read", folder});
  for (const std::string& folder : plan.writeFolders) args.insert(args.end(), {"--write", folder});
  args.insert(args.end(), {"--memory", std::to_string(plan.memoryBytes)});
  return args;
}

ConfinementPlan ParseConfinementArguments(const std::vector<std::string>& args, size_t& taken) {
  ConfinementPlan plan;
  taken = 0;
  while (taken + 1 < args.size()) {
    const std::string& option = args[taken];
    const std::string& value = args[taken + 1];
    if (option == "--read") {
      plan.readFolders.push_back(value);
    } else if (option == "--write") {
      plan.writeFolders.push_back(value);
    } else if (option == "--memory") {
      plan.memoryBytes = std::strtoull(value.c_str(), nullptr, 10);
    } else {
      break;
    }
    taken += 2;
  }
  return plan;
}

ConfinementLayers Confine(const ConfinementPlan& plan) {
  ConfinementLayers layers;
  layers.limits = ApplyLimits(plan);
  layers.noNewPrivileges = prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0;
  const int abi = LandlockAbi();
  if (abi > 0 && ApplyLandlock(abi, plan)) layers.landlockAbi = abi;
  // Last: the layers above need calls the filter refuses.
  layers.seccomp = layers.noNewPrivileges && ApplySeccomp(plan.startsPrograms);
  return layers;
}

ConfinementLayers AvailableLayers() {
  ConfinementLayers layers;
  layers.landlockAbi = LandlockAbi();
  layers.seccomp = kAuditArch != 0 && prctl(PR_GET_SECCOMP, 0, 0, 0, 0) >= 0;
  layers.noNewPrivileges = true;
  layers.limits = true;
  return layers;
}

std::string DescribeLayers(const ConfinementLayers& layers) {
  std::string text;
  const auto add = [&text](const std::string& layer) {
    text += (text.empty() ? "" : ", ") + layer;
  };
  if (layers.landlockAbi > 0) add("Landlock (ABI " + std::to_string(layers.landlockAbi) + ")");
  if (layers.seccomp) add("seccomp");
  if (layers.noNewPrivileges) add("no new privileges");
  if (layers.limits) add(kSanitized ? "CPU limit" : "memory and CPU limits");
  return text.empty() ? "none" : text;
}

}  // namespace tessaly
