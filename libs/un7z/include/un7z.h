/* Reads 7z archives (every coder chain liblzma, libbz2 and zlib decode, BCJ2, PPMd,
 * Deflate64, RISC-V, AES-256 encrypted data and headers, solid folders, split sets
 * name.7z.001, .002 ..., self-extracting files)
 * entry by entry: open, then read-header and process-file for each entry, then close.
 *
 * All text is UTF-8 and NUL-terminated; entry names use "/" as separator. Every call
 * is synchronous. Folders may be decoded on worker threads meanwhile (Un7zSetThreads),
 * which changes nothing the callbacks see: each is called on the caller's thread, in
 * archive order. The further volumes of a split set are found next to the first one
 * by the library itself. Nothing is ever written outside the destination folder. */
#ifndef TESSALY_UN7Z_H
#define TESSALY_UN7Z_H

#ifdef __cplusplus
extern "C" {
#endif

/* Results of every call, OpenResult included. */
enum {
  UN7Z_SUCCESS = 0,
  UN7Z_END_ARCHIVE = 10,      /* Un7zReadHeader: no further entry */
  UN7Z_NO_MEMORY = 11,        /* a dictionary or buffer could not be had */
  UN7Z_BAD_DATA = 12,         /* CRC mismatch or damaged packed data */
  UN7Z_BAD_ARCHIVE = 13,      /* a header is damaged, or the archive is cut short */
  UN7Z_UNKNOWN_FORMAT = 14,   /* not a 7z archive */
  UN7Z_EOPEN = 15,            /* the archive could not be opened; errno tells why */
  UN7Z_ECREATE = 16,          /* a file or folder could not be created; errno tells why */
  UN7Z_EREAD = 18,            /* the archive could not be read */
  UN7Z_EWRITE = 19,           /* a file could not be written; errno tells why */
  UN7Z_UNSUPPORTED = 21,      /* packed with a method this library does not decode */
  UN7Z_MISSING_PASSWORD = 22, /* encrypted, and no password was given */
  UN7Z_BAD_PASSWORD = 24,     /* the password is wrong (or the encrypted data damaged: the
                                 two cannot be told apart) */
  UN7Z_VOLUME_MISSING = 25,   /* a split set ends before the data its headers promise */
  UN7Z_STOPPED = 26,          /* the data callback stopped the entry */
  UN7Z_UNSAFE_LINK = 30       /* a link whose target leads outside the destination: not made */
};

/* OpenMode */
enum { UN7Z_OM_LIST = 0, UN7Z_OM_EXTRACT = 1 };

/* Un7zProcessFile operations */
enum { UN7Z_SKIP = 0, UN7Z_TEST = 1, UN7Z_EXTRACT = 2 };

/* Header Flags bits. */
enum {
  UN7Z_FLAG_DIRECTORY = 0x01,
  UN7Z_FLAG_SYMLINK = 0x02, /* the entry's data is the link's target */
  UN7Z_FLAG_ANTI = 0x04,    /* an update's note that the item was deleted: nothing to extract */
  UN7Z_FLAG_ENCRYPTED = 0x08,
  UN7Z_FLAG_CRC = 0x10, /* FileCRC holds the entry's CRC-32 */
  UN7Z_FLAG_MTIME = 0x20,
  UN7Z_FLAG_CTIME = 0x40,
  UN7Z_FLAG_ATIME = 0x80,
  UN7Z_FLAG_SOLID = 0x100 /* shares its packed stream with other entries */
};

typedef void* HANDLE;

/* Asked for the password when encrypted headers or data need one and none was set:
 * writes it (UTF-8, NUL-terminated) into password, which holds size bytes, and returns
 * nonzero; 0 when there is none (the call then ends with UN7Z_MISSING_PASSWORD). */
typedef int (*UN7ZPASSWORDPROC)(char* password, int size);

/* Called while an entry is unpacked (extracted, tested, or decoded for the entries
 * after it in a solid folder) with the bytes just unpacked, in pieces of at most
 * 256 KiB: a copy, for the callback to read. Returning 0 stops the entry there:
 * Un7zProcessFile returns UN7Z_STOPPED, and nothing of the entry is left behind. */
typedef int (*UN7ZPROCESSDATAPROC)(unsigned char* address, int size);

typedef struct {
  const char* ArcName;           /* the archive, or the first volume (.001) of a split set */
  unsigned int OpenMode;         /* UN7Z_OM_LIST or UN7Z_OM_EXTRACT: read alike, the headers naming
                                    every entry */
  unsigned int OpenResult;       /* out: UN7Z_SUCCESS or why the open failed */
  UN7ZPASSWORDPROC PasswordProc; /* for encrypted headers and, later, data; may be NULL */
} Un7zOpenArchiveData;

typedef struct {
  char ArcName[1024];            /* the archive opened */
  char FileName[4096];           /* the whole entry name (cut only beyond 4095 bytes) */
  unsigned int Flags;            /* UN7Z_FLAG_* bits */
  unsigned int FileCRC;          /* CRC-32 of the entry's data when UN7Z_FLAG_CRC */
  unsigned int FileAttr;         /* Windows attributes (0x10 folder, 0x01 read-only); when
                                    0x8000 is set, the Unix mode is in the high 16 bits */
  unsigned long long UnpSize64;  /* unpacked size */
  unsigned long long PackSize64; /* packed size of the entry's folder, given with its first
                                    entry only (0 for the others) */
  long long MTime, CTime, ATime; /* seconds since 1970 (UTC) when the flag says so */
  unsigned int MTimeNsec, CTimeNsec, ATimeNsec;
  char Method[128]; /* the folder's coders as 7-Zip lists them: "BCJ LZMA2" */
} Un7zHeaderData;

/* NULL when the archive cannot be opened; OpenResult tells why. */
HANDLE Un7zOpenArchive(Un7zOpenArchiveData* data);
int Un7zCloseArchive(HANDLE handle);
/* UN7Z_SUCCESS and the next entry in header; UN7Z_END_ARCHIVE after the last one. */
int Un7zReadHeader(HANDLE handle, Un7zHeaderData* header);
/* Back before the first entry: the next Un7zReadHeader gives the first entry again,
 * from the headers read at the open (an encrypted header is not decrypted again). An
 * entry read and not processed is dropped. For counting the entries before extracting
 * them with one handle. */
void Un7zRewind(HANDLE handle);
/* Acts on the entry just read. UN7Z_EXTRACT writes it below destPath (a folder, with
 * or without its trailing "/"; NULL or "" = the current folder) under its own name.
 * An existing file is replaced only once the entry is whole and its CRC checked: a
 * failed entry leaves it untouched and nothing of its own behind. A name that climbs
 * out with ".." or through a link gives UN7Z_ECREATE with errno EACCES. Skipping
 * decodes nothing; a later entry of the same solid folder decodes what lies before it. */
int Un7zProcessFile(HANDLE handle, int operation, char* destPath);
/* The password for the entries processed from now on (NULL: none, ask the callback). */
void Un7zSetPassword(HANDLE handle, char* password);
void Un7zSetPasswordProc(HANDLE handle, UN7ZPASSWORDPROC callback);
/* The data callback for the entries processed from now on; NULL for none. */
void Un7zSetProcessDataProc(HANDLE handle, UN7ZPROCESSDATAPROC callback);
/* Threads that decode while the caller's thread writes: 0 (the default) one per core, 1
 * none (the caller's thread decodes), never more than 8. With more than one, the folder
 * being read decodes ahead of the writing, and while every entry is processed in turn
 * the next independent folders decode at once. Best called before the first
 * Un7zProcessFile: a folder being read is started afresh. */
void Un7zSetThreads(HANDLE handle, int threads);
/* keep non-zero: an entry extracted from now on that fails its CRC, is damaged or ends
 * early (UN7Z_BAD_DATA, UN7Z_BAD_ARCHIVE, UN7Z_VOLUME_MISSING) keeps what was written of
 * it beside its path, as "<path>.damaged" or the first free "<path>.damaged (2)" ...,
 * never replacing anything. */
void Un7zSetKeepBroken(HANDLE handle, int keep);
/* The path the last Un7zProcessFile kept its damaged entry under; "" when it kept none.
 * Valid until the next Un7zProcessFile or Un7zCloseArchive. */
const char* Un7zKeptName(HANDLE handle);

#ifdef __cplusplus
}
#endif

#endif
