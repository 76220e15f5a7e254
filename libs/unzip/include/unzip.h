/* One call per archive: list or extract a ZIP archive (or a self-extracting file
 * holding one), reporting progress as text chunks and asking through callbacks.
 *
 * All text is UTF-8 and NUL-terminated; entry names use "/" as separator.
 * The call is synchronous: every callback runs on the caller's thread inside
 * Wiz_SingleEntryUnzip, in the archive's order of entries, and nothing of one call
 * survives into the next. Entries may be decoded on worker threads meanwhile
 * (Threads), which changes nothing the callbacks see.
 * Nothing is ever written outside the extraction folder, and an entry replaces an
 * existing file only once it is whole and checked: a failed, stopped or refused entry
 * leaves the old file as it was and no partial file beside it. */
#ifndef TESSALY_UNZIP_H
#define TESSALY_UNZIP_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Option record, filled by the caller before each call. */
typedef struct {
  int32_t ExtractOnlyNewer;  /* skip entries whose existing file is newer or equal */
  int32_t SpaceToUnderscore; /* blanks in output names become "_" */
  int32_t PromptToOverwrite; /* ask through the replace callback before overwriting */
  int32_t fQuiet;            /* 0 all messages, 1 fewer, 2 fewer still */
  int32_t ncflag;            /* accepted and ignored */
  int32_t ntflag;            /* accepted and ignored */
  int32_t nvflag;            /* list instead of extracting */
  int32_t nfflag;            /* freshen: update existing files only */
  int32_t nzflag;            /* print the archive comment and do nothing else */
  int32_t ndflag;            /* 0 base names only, >= 1 stored folders (".." always dropped) */
  int32_t noflag;            /* overwrite existing files without asking */
  int32_t naflag;            /* accepted and ignored */
  int32_t nZIflag;           /* accepted and ignored */
  int32_t C_flag;            /* match include/exclude patterns without regard to ASCII case */
  int32_t fPrivilege;        /* accepted and ignored */
  const char* lpszZipFN;     /* archive path */
  const char* lpszExtractDir; /* extraction folder; NULL or "" = the current folder */
  int32_t Threads;            /* entries decoded at once: 0 one per core, 1 one after the
                                 other on the caller's thread; at most 8 */
  const char* NameEncoding;   /* names not in Unicode are read in this code page ("CP866",
                                 one of the codepage library's); NULL or "" = the one
                                 judged from all the archive's names, else code page 437 */
  int32_t KeepBroken;         /* an entry that fails its check or cannot be decoded keeps
                                 what was written of it as "<out>.damaged" (or the first
                                 free "<out>.damaged (2)" ...), never replacing anything,
                                 and says "   kept as: <that path>\n" */
  int32_t ScanLocalHeaders;   /* when the central directory is missing or damaged, read
                                 the entries from their local headers (announced with a
                                 warning; the call returns at least PK_WARN) */
} DCL;

/* Progress text, one formatted message per call; length excludes the terminator. */
typedef int32_t (*DLLPRNT)(char* buffer, uint32_t length);
/* Called once per entry right before its data is decoded. */
typedef void (*DLLSND)(void);
/* An output file exists: buffer holds its path (size bytes, writable); entry_bytes and
 * entry_time (seconds since the epoch) are the entry's uncompressed size and date.
 * Answer 100 skip, 102 overwrite, 103 overwrite all, 104 skip all, 105 rename
 * (the new name written into the buffer, resolved inside the extraction folder). */
typedef int32_t (*DLLREPLACE)(char* buffer, uint32_t size, uint64_t entry_bytes,
                              int64_t entry_time);
/* Password for an encrypted entry: write it into buffer (size bytes incl. terminator)
 * and return 0; 1 (or any value but 0, 5, -2) = no password; 5 = give up on this entry;
 * -2 = no password and ask no more in this call. prompt is "Enter password for: " the
 * first time an entry is asked for, "Password incorrect--reenter: " after a wrong
 * answer (at most three questions per entry). An entry whose password is still wrong,
 * or not given, is passed over with the "   skipping: <name>  incorrect password\n"
 * message (<name> padded to 22 columns); the call then returns 82 when every entry it
 * processed was passed over so, else 1 unless something worse happened. */
typedef int32_t (*DLLPASSWORD)(char* buffer, int32_t size, const char* prompt, const char* name);
/* List mode: one call per entry. Sizes are 64-bit here; the factor and the date
 * fields are as the listing shows them (year with 4 digits, month/day/year order). */
typedef void (*DLLMESSAGE)(uint64_t ucsize, uint64_t csize, uint32_t cfactor, uint32_t month,
                           uint32_t day, uint32_t year, uint32_t hour, uint32_t minute, char c,
                           const char* filename, const char* methbuf, uint32_t crc, char fCrypt);
/* Called at least every 256 KiB written with the output path and the bytes of the entry
 * written so far, and once per decoded entry with its uncompressed size; non-zero stops
 * the call with code 80. */
typedef int32_t (*DLLSERVICE)(const char* name, uint64_t size);
/* Optional: called at least every 50 ms while the caller's thread waits for a worker
 * thread (Threads), whatever the workers write; non-zero stops the call with code 80. */
typedef int32_t (*DLLIDLE)(void);

/* Callback record; the library writes the five result fields at the end of a listing
 * (cchComment and NameEncoding as soon as the archive is opened). */
typedef struct {
  DLLPRNT print;
  DLLSND sound;
  DLLREPLACE replace;
  DLLPASSWORD password;
  DLLMESSAGE SendApplicationMessage;
  DLLSERVICE ServCallBk;
  uint64_t TotalSizeComp;
  uint64_t TotalSize;
  int32_t CompFactor;
  uint32_t NumMembers;
  uint16_t cchComment;
  DLLIDLE idle;
  char NameEncoding[16]; /* the code page the names not in Unicode were read in; "" when
                            every name is in Unicode */
} USERFUNCTIONS;

/* Result codes. */
enum {
  PK_OK = 0,       /* success */
  PK_WARN = 1,     /* warnings only (e.g. "../" dropped, empty archive) */
  PK_ERR = 2,      /* an entry failed (bad CRC, invalid data, unsafe path) */
  PK_BADERR = 3,   /* severe error in the archive, or a missing callback */
  PK_MEM = 4,      /* option record rejected */
  PK_MEM2 = 5,     /* password callback gave up */
  PK_MEM3 = 6,     /* out of memory while decoding */
  PK_NOZIP = 9,    /* no such file, a folder, or not a ZIP archive */
  PK_PARAM = 10,   /* bad parameter (pattern too long) */
  PK_FIND = 11,    /* nothing matched / nothing to do */
  PK_DISK = 50,    /* output file could not be created, or the disk is full */
  PK_EOF = 51,     /* archive ends early */
  IZ_CTRLC = 80,   /* stopped by the service callback */
  IZ_UNSUP = 81,   /* some selected entries use an unsupported method */
  IZ_BADPWD = 82   /* every processed entry failed its password */
};

/* ifnv/xfnv: include/exclude patterns, ifnc/xfnc of them (the count stops at the
 * first NULL; a NULL array counts 0). No include and no exclude = every entry. */
int32_t Wiz_SingleEntryUnzip(int32_t ifnc, char** ifnv, int32_t xfnc, char** xfnv, DCL* lpDCL,
                             USERFUNCTIONS* lpUserFunctions);

#ifdef __cplusplus
}
#endif

#endif
