/* Keeps every file an archive library creates inside one destination folder.
 *
 * Every library calls safepath_resolve for each entry before it creates anything,
 * and safepath_check_link before it creates a symbolic link. Names use "/" as
 * separator; "\" is never a separator here (it becomes "_"), and control characters
 * become "_" too, so that no name can move a terminal's cursor or break a line.
 * All text is UTF-8 and NUL-terminated. Nothing here creates or removes files. */
#ifndef TESSALY_SAFE_PATH_H
#define TESSALY_SAFE_PATH_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Bits of the "fixes" result: what had to be changed in a name. */
enum {
  SAFEPATH_FIX_ABSOLUTE = 1,  /* leading "/" removed */
  SAFEPATH_FIX_DRIVE = 2,     /* leading drive prefix ("C:") removed */
  SAFEPATH_FIX_BACKSLASH = 8, /* "\" replaced by "_" */
  SAFEPATH_FIX_CONTROL = 16   /* control characters (0x01-0x1F, 0x7F) replaced by "_" */
};

typedef enum {
  SAFEPATH_OK = 0,
  SAFEPATH_EMPTY = 1,    /* nothing is left of the name (only ".", "a/..", "/") */
  SAFEPATH_OUTSIDE = 2,  /* the name climbs out with "..", or a link in the destination (or
                            the link target) leads outside it */
  SAFEPATH_TOO_LONG = 3, /* the cleaned name does not fit into out */
  SAFEPATH_IO_ERROR = 4  /* the destination could not be examined; errno tells why */
} safepath_result;

/* Lexical cleaning only: removes leading "/" and a drive prefix, drops "." and empty
 * components, lets ".." take back the component before it, replaces "\" and control
 * characters by "_". Writes the relative result (no leading or trailing "/") into out
 * (out_size bytes incl. terminator). A ".." with nothing before it climbs out of the
 * destination: SAFEPATH_OUTSIDE, and out holds the name with its ".." for messages.
 * fixes may be NULL. */
safepath_result safepath_clean(const char* name, char* out, size_t out_size, unsigned* fixes);

/* The check before creating root/name: cleans name as safepath_clean does, then walks
 * the levels that already exist under root. Every existing level that is a symbolic
 * link (the last one included, so nothing is written through a link) must resolve to a
 * place inside root; otherwise SAFEPATH_OUTSIDE. root NULL or "" = the current folder. */
safepath_result safepath_resolve(const char* root, const char* name, char* out, size_t out_size,
                                 unsigned* fixes);

/* A symbolic link is about to be created at root/link_path (a name safepath_resolve
 * accepted) with the given target text: SAFEPATH_OK only when the target is relative,
 * and, read from the link's folder, stays inside root (also through links already
 * present there). */
safepath_result safepath_check_link(const char* root, const char* link_path, const char* target);

#ifdef __cplusplus
}
#endif

#endif
