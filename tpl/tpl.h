/* tpl: serialization of C variables into self-describing byte images.
 *
 * A format string names a group of variables (scalars, fixed-length arrays,
 * fixed-layout records, variable-length arrays, strings, binary buffers).
 * tpl_map binds the format to the variables, tpl_pack copies their values
 * into the engine, tpl_dump writes an image, tpl_load validates an image and
 * tpl_unpack copies its values back into the variables.
 *
 * This header compiles as C and as C++. No function throws. */
#ifndef VELSCAN_TPL_H
#define VELSCAN_TPL_H

#include <stdarg.h>
#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Mode flags of tpl_dump, tpl_load, tpl_peek and tpl_jot. */
#define TPL_IO_FILE 0x01
#define TPL_IO_MEMORY 0x02
#define TPL_IO_CALLER_BUFFER 0x04
#define TPL_IO_TRAILING_OK 0x08
#define TPL_IO_DESCRIPTOR 0x10
#define TPL_IO_ADOPT_BUFFER 0x20
#define TPL_DATAPEEK 0x40
#define TPL_FXLENS 0x80
#define TPL_IO_SIZE_ONLY 0x100

/* Bits of the image flags byte (offset 3). */
#define TPL_IMG_BIG_ENDIAN 0x01
#define TPL_IMG_NULLABLE_STRINGS 0x02

/* Modes of tpl_gather. */
#define TPL_GATHER_MODE_FD_BLOCKING 1
#define TPL_GATHER_MODE_FD_NONBLOCKING 2
#define TPL_GATHER_MODE_MEMORY 3

/* Kind codes: the rows of tpl_types, in order. */
#define TPL_TYPE_ROOT 0
#define TPL_TYPE_INT32 1   /* i */
#define TPL_TYPE_UINT32 2  /* u */
#define TPL_TYPE_BYTE 3    /* c */
#define TPL_TYPE_STR 4     /* s */
#define TPL_TYPE_ARY 5     /* A */
#define TPL_TYPE_BIN 6     /* B */
#define TPL_TYPE_DOUBLE 7  /* f */
#define TPL_TYPE_INT64 8   /* I */
#define TPL_TYPE_UINT64 9  /* U */
#define TPL_TYPE_INT16 10  /* j */
#define TPL_TYPE_UINT16 11 /* v */
#define TPL_TYPE_POUND 12  /* # after a record: repeat node */
#define TPL_NUM_TYPES 13

/* Image validation results (tpl_load reports them as messages and
 * returns -1). */
#define TPL_VALID 0
#define TPL_ERR_TOO_SHORT (-1)           /* fewer than 9 bytes */
#define TPL_ERR_MAGIC (-2)               /* magic is not "tpl" */
#define TPL_ERR_TOTAL_LENGTH (-3)        /* stored length differs from size */
#define TPL_ERR_FORMAT_CHAR (-4)         /* character outside the grammar */
#define TPL_ERR_FORMAT_UNTERMINATED (-5) /* no zero before the image end */
#define TPL_ERR_FORMAT_MISMATCH (-6)     /* format differs from the mapped one */
#define TPL_ERR_FXLEN_MISMATCH (-7)      /* a fixed length differs */
#define TPL_ERR_DATA_OVERRUN (-8)        /* data runs past the image end */
#define TPL_ERR_SIZE_MISMATCH (-9)       /* header plus data differs from size */
#define TPL_ERR_FXLEN_OVERRUN (-10)      /* fixed-length section past the end */
#define TPL_ERR_FLAGS (-11)              /* flags byte greater than 3 */

/* One element of a mapped format. The root node is the tpl handle. */
typedef struct tpl_node {
    int kind;          /* TPL_TYPE_* */
    void *target;      /* the caller's variable */
    void *buffer;      /* the node's own storage (engine-owned) */
    uint32_t count;    /* element count (record count for a repeat node) */
    uint64_t out_size; /* root: header size; array: bytes of packed elements */
    struct tpl_node *first_child;
    struct tpl_node *next_sibling;
    struct tpl_node *prev_sibling; /* of the first child: the last child */
    struct tpl_node *parent;
} tpl_node;

/* The shape of a caller's B variable. */
typedef struct tpl_binary {
    void *addr;
    uint32_t sz;
} tpl_binary;

/* The global hook table. Replace entries before using the engine. */
typedef struct tpl_hook_t {
    int (*report_error)(const char *fmt, ...); /* non-fatal messages */
    void *(*allocate)(size_t size);
    void *(*reallocate)(void *ptr, size_t size);
    void (*release)(void *ptr);
    void (*fatal_error)(const char *fmt, ...); /* must not return */
    size_t gather_limit;                       /* 0: no limit */
} tpl_hook_t;

extern tpl_hook_t tpl_hook;

/* Carry-over of a partial image between tpl_gather calls. The caller keeps
 * a pointer to it, null at the start. A caller that abandons a stream with
 * a state left releases img and the state with tpl_hook.release. */
typedef struct tpl_gather_state {
    char *img;
    uint32_t len;
} tpl_gather_state;

/* Called by tpl_gather for each complete image; negative aborts. */
typedef int(tpl_image_handler)(void *img, uint32_t len, void *data);

/* Default hooks. */
int tpl_oops(const char *fmt, ...);
void tpl_fatal(const char *fmt, ...);

/* Parses fmt and binds it to the variables that follow: one address per
 * scalar or string outside a record, the base address of each S( record,
 * a tpl_binary address per B, and an int count per #. Returns the root
 * node (the tpl handle) or NULL when the format does not parse. */
tpl_node *tpl_map(const char *fmt, ...);
tpl_node *tpl_map_va(const char *fmt, va_list ap);

/* Index 0 is the top level; index i >= 1 the i-th A( of the format.
 * tpl_pack copies the variables in (i >= 1: appends one array element);
 * returns 0 or -1.
 * tpl_unpack copies values out; returns 1 for index 0, for an array the
 * number of elements left before the call (0: none left), -1 on error.
 * The target variables may lie inside the image buffer itself. */
int tpl_pack(tpl_node *r, int i);
int tpl_unpack(tpl_node *r, int i);

/* Writes the packed values as an image. Arguments after mode:
 *   TPL_IO_FILE:                           const char *path
 *   TPL_IO_DESCRIPTOR:                     int fd
 *   TPL_IO_MEMORY:                         void **addr_out, size_t *size_out
 *                                          (buffer from tpl_hook.allocate)
 *   TPL_IO_MEMORY | TPL_IO_CALLER_BUFFER:  void *buffer, size_t buffer_size
 *   TPL_IO_SIZE_ONLY:                      size_t *size_out
 * Returns 0 or -1. */
int tpl_dump(tpl_node *r, int mode, ...);

/* Takes an image in and validates it against the mapping. Arguments:
 *   TPL_IO_FILE:        const char *path
 *   TPL_IO_MEMORY:      const void *image, size_t size
 *                       (| TPL_IO_ADOPT_BUFFER: tpl_free releases the image;
 *                        | TPL_IO_TRAILING_OK: bytes after the image allowed)
 *   TPL_IO_DESCRIPTOR:  int fd
 * Without TPL_IO_ADOPT_BUFFER the caller keeps the memory image, which
 * must outlive the unpacking. Returns 0 or -1. */
int tpl_load(tpl_node *r, int mode, ...);

/* Elements of array i not yet unpacked (after a load) or packed so far;
 * -1 for index 0 or an index that names nothing. */
int tpl_Alen(tpl_node *r, int i);

void tpl_free(tpl_node *r);

/* The mapped format string; the fixed-length list and its length. */
const char *tpl_fmt(tpl_node *r);
const uint32_t *tpl_fxlens(tpl_node *r, uint32_t *num_fxlens);

/* Returns a new copy of an image's format string (release it with
 * tpl_hook.release) or NULL. Arguments:
 *   TPL_IO_FILE: const char *path      TPL_IO_MEMORY: const void *, size_t
 * then, with TPL_DATAPEEK: const char *peek_fmt (chars of "iucsfIUjv") and
 * one destination address per character; or, with TPL_FXLENS:
 * uint32_t *num_fxlens, uint32_t **fxlens (new list, caller releases). */
char *tpl_peek(int mode, ...);

/* Map, pack index 0 and dump in one call. Arguments: the dump arguments of
 * TPL_IO_FILE, TPL_IO_MEMORY (new buffer) or TPL_IO_DESCRIPTOR, then the
 * format and the variables as for tpl_map. Returns the dump's result, or
 * -1 when the format does not parse. */
int tpl_jot(int mode, ...);

/* Cuts a byte stream into whole images. Arguments by mode:
 *   TPL_GATHER_MODE_FD_BLOCKING:    int fd, void **img_out, size_t *size_out
 *   TPL_GATHER_MODE_FD_NONBLOCKING: int fd, tpl_gather_state **state,
 *                                   tpl_image_handler *cb, void *data
 *   TPL_GATHER_MODE_MEMORY:         void *chunk, size_t len,
 *                                   tpl_gather_state **state,
 *                                   tpl_image_handler *cb, void *data */
int tpl_gather(int mode, ...);

#ifdef __cplusplus
}
#endif

#endif /* VELSCAN_TPL_H */
