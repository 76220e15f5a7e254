/* Reads RAR archives (RAR 1.5 to RAR5, self-extracting files, volume sets) entry by
 * entry: open, then read-header and process-file for each entry, then close.
 *
 * All text is UTF-8 and NUL-terminated; entry names use "/" as separator. Every call
 * is synchronous and every callback runs on the caller's thread inside the call that
 * triggered it. Further volumes are found by the library itself. Nothing is ever
 * written outside the destination folder. */
#ifndef TESSALY_UNRAR_H
#define TESSALY_UNRAR_H

#ifdef __cplusplus
extern "C" {
#endif

/* Result codes of every call (and OpenResult). */
enum {
  ERAR_SUCCESS = 0,
  ERAR_END_ARCHIVE = 10,      /* no further entry */
  ERAR_NO_MEMORY = 11,        /* a dictionary or buffer could not be had */
  ERAR_BAD_DATA = 12,         /* CRC mismatch, damaged stream or wrong password */
  ERAR_BAD_ARCHIVE = 13,      /* a header is damaged or the archive is truncated */
  ERAR_UNKNOWN_FORMAT = 14,   /* not a RAR archive */
  ERAR_EOPEN = 15,            /* the archive or a further volume could not be opened, or a
                                 volume came round again (the set's names lead back) */
  ERAR_ECREATE = 16,          /* a file or folder could not be created */
  ERAR_ECLOSE = 17,           /* a file could not be closed */
  ERAR_EREAD = 18,            /* the archive could not be read */
  ERAR_EWRITE = 19,           /* a file could not be written */
  ERAR_SMALL_BUF = 20,        /* the comment did not fit into CmtBuf (CmtState) */
  ERAR_UNKNOWN = 21,          /* an unsupported method, or the data callback stopped the call */
  ERAR_MISSING_PASSWORD = 22, /* the headers are encrypted and no password was set */
  ERAR_EREFERENCE = 23,
  ERAR_BAD_PASSWORD = 24,
  ERAR_UNSAFE_LINK = 30 /* a link whose target leads outside the destination: not created */
};

/* OpenMode */
enum { RAR_OM_LIST = 0, RAR_OM_EXTRACT = 1 };

/* RARProcessFile operations */
enum { RAR_SKIP = 0, RAR_TEST = 1, RAR_EXTRACT = 2 };

/* Header Flags bits, whatever the archive's version. */
enum {
  RHDF_SPLITBEFORE = 0x01, /* continued from the previous volume */
  RHDF_SPLITAFTER = 0x02,  /* continued in the next volume */
  RHDF_ENCRYPTED = 0x04,
  RHDF_ALWAYS = 0x8000,
  RHDF_DIRECTORY_FLAGS = 0x80E0 /* a folder entry has exactly these Flags */
};

typedef void* HANDLE;

typedef struct {
  const char* ArcName;     /* the archive, or any volume of a set */
  unsigned int OpenMode;   /* RAR_OM_LIST or RAR_OM_EXTRACT */
  unsigned int OpenResult; /* out: ERAR_SUCCESS or why the open failed */
  char* CmtBuf;            /* the archive comment goes here (may be NULL) */
  unsigned int CmtBufSize; /* bytes at CmtBuf, terminator included */
  unsigned int CmtSize;    /* out: comment bytes written, terminator included */
  unsigned int CmtState;   /* out: 0 none, 1 read, ERAR_SMALL_BUF cut to fit, or the
                              error code that kept it from being read */
} RAROpenArchiveData;

/* The published 572-byte record up to CmtState, then fields of our own. Flags,
 * PackSize and UnpSize sit at bytes 520, 524 and 528 on every platform; on 64-bit
 * systems the pointer CmtBuf moves the fields after it, so the published part ends
 * at byte 580 there (572 on 32-bit). */
typedef struct {
  char ArcName[260];             /* the volume being read */
  char FileName[260];            /* entry name, cut at a character boundary when longer */
  unsigned int Flags;            /* RHDF_* bits */
  unsigned int PackSize;         /* low 32 bits; see PackSize64 */
  unsigned int UnpSize;          /* low 32 bits; see UnpSize64 */
  unsigned int HostOS;           /* 0 MS-DOS, 1 OS/2, 2 Windows, 3 Unix, 4 Mac OS, 5 BeOS */
  unsigned int FileCRC;          /* checksum in this part's header (0 when none) */
  unsigned int FileTime;         /* modification time, MS-DOS format, local time */
  unsigned int UnpVer;           /* unpack version: 13..36 for RAR 1.5-4, 50 for RAR5 */
  unsigned int Method;           /* 0x30 stored .. 0x35 best */
  unsigned int FileAttr;         /* Unix mode from Unix archives, else DOS attributes */
  char* CmtBuf;                  /* unused: entry comments are not read */
  unsigned int CmtBufSize;       /* unused */
  unsigned int CmtSize;          /* out: always 0 */
  unsigned int CmtState;         /* out: always 0 */
  char FileNameW[4096];          /* the whole entry name (cut only beyond 4095 bytes) */
  unsigned long long PackSize64; /* packed bytes in this volume */
  unsigned long long UnpSize64;  /* unpacked size of the whole entry */
} RARHeaderData;

/* Called while an entry is written or tested with the bytes just unpacked, in pieces
 * of at most 256 KiB. Returning 0 stops the entry: RARProcessFile removes what it
 * wrote of it and returns ERAR_UNKNOWN.
 * Also called with address NULL and size 0 each time a further volume is about to
 * be opened for the next part of an entry (whatever the operation, also for the
 * entry RARReadHeader skips when it was not processed), so that an entry running
 * through a long chain of volumes can be stopped: returning 0 then ends that call
 * with ERAR_UNKNOWN, and the volumes after it are not read. */
typedef int (*PROCESSDATAPROC)(unsigned char* address, int size);
/* Never called: further volumes are found next to the first one. */
typedef int (*CHANGEVOLPROC)(char* arcName, int mode);

/* NULL when the archive cannot be opened; OpenResult tells why. */
HANDLE RAROpenArchive(RAROpenArchiveData* data);
int RARCloseArchive(HANDLE handle);
/* ERAR_SUCCESS and the next entry in header, ERAR_END_ARCHIVE after the last one.
 * A RAR5 archive, or a volume of a set, that ends where a block would start, without
 * its end block, was cut there: ERAR_BAD_ARCHIVE once after its last entry. (RAR 1.5-4
 * archives may end so.) */
int RARReadHeader(HANDLE handle, RARHeaderData* header);
/* After RARReadHeader returned ERAR_BAD_ARCHIVE (a damaged block header, or a volume
 * cut short): looks for the next block of the volume whose header CRC checks out, so
 * that the next RARReadHeader reads on from there. ERAR_SUCCESS when one was found,
 * ERAR_END_ARCHIVE when the volume holds none (the next read then goes on to a further
 * volume or ends the archive), ERAR_BAD_ARCHIVE when the headers are encrypted. */
int RARSkipDamagedBlock(HANDLE handle);
/* Acts on the entry just read. RAR_EXTRACT writes it below destPath (NULL or "" =
 * the current folder) under its own name, or, when destName is given, to destName.
 * An existing file (or link) is replaced only once the entry is whole and verified:
 * a failed or stopped entry leaves it untouched and nothing of its own behind.
 * Nothing is written through a link that leads outside the destination, nor under a
 * name that climbs out with ".." (ERAR_ECREATE), nor is a link whose target leads
 * outside created (ERAR_UNSAFE_LINK). After ERAR_ECREATE errno tells why the entry
 * could not be created (EACCES for a name or link that leads outside); the archive
 * can be read on after any of these. */
int RARProcessFile(HANDLE handle, int operation, char* destPath, char* destName);
/* The password for the entries processed from now on (and for encrypted headers
 * when set before the next read). */
void RARSetPassword(HANDLE handle, char* password);
void RARSetProcessDataProc(HANDLE handle, PROCESSDATAPROC callback);
void RARSetChangeVolProc(HANDLE handle, CHANGEVOLPROC callback);
/* Names that RAR 1.5-4 archives store in a code page, neither in Unicode nor as UTF-8,
 * are read in encoding ("CP866", one of the codepage library's); NULL or "", and
 * without this call, in the one judged from all the archive's names (else code page
 * 437). Before the first RARReadHeader. */
void RARSetNameEncoding(HANDLE handle, const char* encoding);
/* The code page those names are read in, "" when every name is in Unicode; known from
 * the first RARReadHeader on, valid until RARCloseArchive. */
const char* RARGetNameEncoding(HANDLE handle);
/* keep non-zero: an entry extracted from now on that fails its checksum, is damaged or
 * ends early (ERAR_BAD_DATA, ERAR_BAD_ARCHIVE, ERAR_EOPEN) keeps what was written of it
 * beside its path, as "<path>.damaged" or the first free "<path>.damaged (2)" ...,
 * never replacing anything. */
void RARSetKeepBroken(HANDLE handle, int keep);
/* Threads that decode ahead of the caller: 0 (the default) one per core, 1 none (the
 * caller's thread decodes), never more than 8. With more than one, while every entry of
 * an archive that is not solid is processed in turn, the entries after the current one
 * in its volume decode at once. Nothing the callbacks see changes: each is called on
 * the caller's thread, in archive order, and every result is the same. */
void RARSetThreads(HANDLE handle, int threads);
/* The path the last RARProcessFile kept its damaged entry under; "" when it kept none. */
const char* RARKeptName(HANDLE handle);

#ifdef __cplusplus
}

static_assert(__builtin_offsetof(RARHeaderData, Flags) == 520, "Flags at byte 520");
static_assert(__builtin_offsetof(RARHeaderData, PackSize) == 524, "PackSize at byte 524");
static_assert(__builtin_offsetof(RARHeaderData, UnpSize) == 528, "UnpSize at byte 528");
static_assert(sizeof(void*) != 4 || __builtin_offsetof(RARHeaderData, FileNameW) == 572,
              "the published record is 572 bytes on 32-bit systems");
#endif

#endif
