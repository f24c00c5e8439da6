/* The comment editing library: reads an Ogg Vorbis stream, exposes the comment
 * header of its first Vorbis stream as a vorbis_comment, and writes a copy of
 * the stream in which only that comment header is replaced.
 *
 * The input is read only through the read callback and the output written only
 * through the write callback, both shaped like fread and fwrite. Audio pages
 * are copied byte for byte; when the new headers take a different number of
 * pages, the later pages of the same stream are renumbered and their checksums
 * recomputed. Other streams (chained or multiplexed) are copied unchanged.
 *
 * Shared by the library and the programs that load it at run time. */
#ifndef VELMORA_VCEDIT_H
#define VELMORA_VCEDIT_H

#include <stddef.h>
#include <vorbis/codec.h>

#ifdef __cplusplus
extern "C" {
#endif

#define VCEDIT_EXPORT __attribute__((visibility("default")))

typedef size_t (*vcedit_read_func)(void* buffer, size_t size, size_t count, void* stream);
typedef size_t (*vcedit_write_func)(const void* buffer, size_t size, size_t count, void* stream);
/* Moves the input to an offset counted from where it stood when it was opened:
 * 0 when the input holds that many bytes, non-zero when it is shorter or fails. */
typedef int (*vcedit_seek_func)(void* stream, unsigned long long offset);
/* Whether a read takes a comment, seen by its first bytes (up to 16, fewer
 * when the comment is shorter): non-zero to take it. */
typedef int (*vcedit_want_func)(const char* head, size_t head_size, void* context);

struct vcedit_private;

/* The editing state. Only vc and lasterror are meant to be read by callers. */
typedef struct vcedit_state {
    struct vcedit_private* priv; /* the library's own data */
    vorbis_comment* vc;          /* the comments; may be cleared and added to */
    const char* lasterror;       /* the last error text, or NULL */
} vcedit_state;

/* A new, empty state (NULL when out of memory). */
VCEDIT_EXPORT vcedit_state* vcedit_new_state(void);

/* Reads the stream's headers. 0 on success; non-zero on failure, with
 * lasterror saying why. A state opens one stream once. */
VCEDIT_EXPORT int vcedit_open_callbacks(vcedit_state* state, void* in, vcedit_read_func read_func,
                                        vcedit_write_func write_func);

/* Reads the stream only as far as the end of the first Vorbis stream's comment
 * header, for showing comments: state->vc gets the comments that want accepts
 * (every one when want is NULL), in order, and no vendor text. The bodies of
 * the others are passed over with seek, never read (read and dropped when seek
 * is NULL), and so are pages of other streams. A comment that spans many pages
 * of one size is passed over in one step when the page it ends on is where
 * that size puts it (its stream and page number match). Page checksums are not
 * checked. 0 on success; non-zero with lasterror set. Such a state cannot be
 * written. */
VCEDIT_EXPORT int vcedit_open_read(vcedit_state* state, void* in, vcedit_read_func read_func,
                                   vcedit_seek_func seek_func, vcedit_want_func want_func,
                                   void* want_context);

/* The state's comments: those of the input after vcedit_open_callbacks. */
VCEDIT_EXPORT vorbis_comment* vcedit_comments(vcedit_state* state);

/* Writes the whole stream to out with a comment header built from state->vc,
 * reading the rest of the input on. When vc's vendor is NULL (after
 * vorbis_comment_clear) the input's vendor text is kept. 0 on success. */
VCEDIT_EXPORT int vcedit_write(vcedit_state* state, void* out);

/* Releases the state and everything it holds, its vorbis_comment included. */
VCEDIT_EXPORT void vcedit_clear(vcedit_state* state);

#ifdef __cplusplus
}
#endif

#endif
