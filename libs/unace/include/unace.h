/* Reads ACE archives (ACE 1.0 and 2.0, solid, self-extracting files, volume sets,
 * encrypted entries) entry by entry: open, then read-header and process-file for
 * each entry, then close.
 *
 * All text is UTF-8 and NUL-terminated; entry names use "/" as separator (names
 * stored in the DOS code page are converted). Every call is synchronous. Further
 * volumes (name.c00, name.c01 ...) are found next to the first one by the library
 * itself. Nothing is ever written outside the destination folder. */
#ifndef TESSALY_UNACE_H
#define TESSALY_UNACE_H

#ifdef __cplusplus
extern "C" {
#endif

/* OpenResult values. */
enum {
  ACE_OPEN_OK = 0,
  ACE_OPEN_NO_MEMORY = 1,
  ACE_OPEN_BROKEN_MAIN_HEADER = 9,
  ACE_OPEN_NOT_ACE = 128
};

/* Results of ACEReadHeader and ACEProcessFile. */
enum {
  ACE_SUCCESS = 0,
  ACE_VOLUME_MISSING = 3, /* the next volume of a continued entry is not there */
  ACE_DISK_FULL = 4,
  ACE_READ_ERROR = 6,      /* the archive could not be read (the system's error) */
  ACE_WRITE_PROTECTED = 7, /* a file or folder could not be created or written (other than
                              for lack of space) */
  ACE_BAD_DATA = 9,        /* CRC mismatch, damaged stream, data cut short, or wrong or
                              missing password */
  ACE_END_ARCHIVE = 10,    /* ACEReadHeader: no further entry */
  ACE_BAD_HEADER = 12,     /* ACEReadHeader: a file header is damaged, or the archive ends
                              inside an entry or before the recovery record its main
                              header announces */
  ACE_UNSUPPORTED = 20,    /* a compression type or mode we do not decode */
  ACE_STOPPED = 255        /* the data callback stopped the entry */
};

/* OpenMode */
enum { ACE_OM_LIST = 0, ACE_OM_EXTRACT = 1 };

/* ACEProcessFile operations */
enum { ACE_SKIP = 0, ACE_TEST = 1, ACE_EXTRACT = 2 };

/* Header Flags bits: 0x8000 is always set, so the record's flags read as a binary
 * numeral have "encrypted" as their second digit and "continued from the previous
 * volume" as their third. */
enum {
  ACE_HDF_ALWAYS = 0x8000,
  ACE_HDF_ENCRYPTED = 0x4000,
  ACE_HDF_SPLITBEFORE = 0x2000,
  ACE_HDF_SPLITAFTER = 0x1000,
  ACE_HDF_DIRECTORY = 0x0010
};

typedef void* HANDLE;

/* 364 bytes on 32-bit systems: the fields the caller fills, then room the library
 * leaves untouched. */
typedef struct {
  const char* ArcName;     /* the archive, or the first volume of a set */
  unsigned int OpenMode;   /* ACE_OM_LIST or ACE_OM_EXTRACT */
  unsigned int OpenResult; /* out: ACE_OPEN_* */
  unsigned char Reserved[352];
} ACEOpenArchiveData;

/* The 572-byte record (Flags, PackSize and UnpSize at bytes 520, 524, 528), then
 * fields of our own. */
typedef struct {
  char ArcName[260];             /* the volume being read */
  char FileName[260];            /* entry name, cut at a character boundary when longer */
  unsigned int Flags;            /* ACE_HDF_* bits */
  unsigned int PackSize;         /* low 32 bits; see PackSize64 */
  unsigned int UnpSize;          /* low 32 bits; see UnpSize64 */
  unsigned int FileCRC;          /* CRC-32 of the whole entry */
  unsigned int FileTime;         /* modification time, MS-DOS format, local time */
  unsigned int FileAttr;         /* DOS attributes (0x10 folder, 0x01 read-only) */
  unsigned int CompressionType;  /* 0 stored, 1 ACE 1.0 LZ77, 2 ACE 2.0 blocked */
  unsigned int DictionaryBits;   /* dictionary size is 1 << DictionaryBits */
  unsigned char Reserved[20];    /* up to byte 572 */
  char FileNameW[4096];          /* the whole entry name (cut only beyond 4095 bytes) */
  unsigned long long PackSize64; /* packed bytes in this volume */
  unsigned long long UnpSize64;  /* unpacked size of the whole entry */
} ACEHeaderData;

/* Called while an entry is unpacked (extracted, tested, or decoded for the entries
 * after it in a solid archive) with the bytes just unpacked, in pieces of at most
 * 256 KiB: a copy, for the callback to read. Returning 0 stops the entry there:
 * ACEProcessFile (or the ACEReadHeader that passes over the entry) returns
 * ACE_STOPPED, and nothing of the entry is left behind. */
typedef int (*ACEPROCESSDATAPROC)(unsigned char* address, int size);

/* NULL when the archive cannot be opened; OpenResult tells why. */
HANDLE ACEOpenArchive(ACEOpenArchiveData* data);
int ACECloseArchive(HANDLE handle);
/* ACE_SUCCESS and the next entry in header; ACE_END_ARCHIVE after the last one. */
int ACEReadHeader(HANDLE handle, ACEHeaderData* header);
/* Acts on the entry just read. ACE_EXTRACT writes it below destPath (a folder,
 * with or without its trailing "/"; NULL or "" = the current folder) under its own
 * name. An existing file is replaced only once the entry is whole and verified: a
 * failed entry leaves it untouched and nothing of its own behind. After
 * ACE_WRITE_PROTECTED errno tells why the entry could not be created (a name that climbs
 * out with ".." or through a link gives EACCES), and the next entry can be read. */
int ACEProcessFile(HANDLE handle, int operation, char* destPath);
/* The password for the entries processed from now on. */
void ACESetPassword(HANDLE handle, char* password);
/* The data callback for the entries processed from now on; NULL for none. */
void ACESetProcessDataProc(HANDLE handle, ACEPROCESSDATAPROC callback);
/* Names stored in a code page (not UTF-8) are read in encoding ("CP866", one of the
 * codepage library's); NULL or "", and without this call, in the one judged from all
 * the names of the set (else code page 437). Before the first ACEReadHeader. */
void ACESetNameEncoding(HANDLE handle, const char* encoding);
/* The code page those names are read in, "" when every name is UTF-8; known from the
 * first ACEReadHeader on, valid until ACECloseArchive. */
const char* ACEGetNameEncoding(HANDLE handle);
/* keep non-zero: an entry extracted from now on that fails its CRC, is damaged or ends
 * early (ACE_BAD_DATA, ACE_READ_ERROR, ACE_VOLUME_MISSING) keeps what was written of it
 * beside its path, as "<path>.damaged" or the first free "<path>.damaged (2)" ...,
 * never replacing anything. */
void ACESetKeepBroken(HANDLE handle, int keep);
/* Threads that decode ahead of the caller: 0 (the default) one per core, 1 none (the
 * caller's thread decodes), never more than 8. With more than one, while every entry of
 * an archive that is not solid is processed in turn, the entries after the current one
 * in its volume decode at once. Nothing the callbacks see changes: each is called on
 * the caller's thread, in archive order, and every result is the same. */
void ACESetThreads(HANDLE handle, int threads);
/* The path the last ACEProcessFile kept its damaged entry under; "" when it kept none. */
const char* ACEKeptName(HANDLE handle);

#ifdef __cplusplus
}

static_assert(__builtin_offsetof(ACEHeaderData, Flags) == 520, "Flags at byte 520");
static_assert(__builtin_offsetof(ACEHeaderData, PackSize) == 524, "PackSize at byte 524");
static_assert(__builtin_offsetof(ACEHeaderData, UnpSize) == 528, "UnpSize at byte 528");
static_assert(__builtin_offsetof(ACEHeaderData, FileNameW) == 572,
              "the published record is 572 bytes");
static_assert(sizeof(void*) != 4 || sizeof(ACEOpenArchiveData) == 364,
              "the open record is 364 bytes on 32-bit systems");
#endif

#endif
