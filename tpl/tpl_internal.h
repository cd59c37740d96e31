// Engine-private structures and helpers shared by the tpl sources.
#pragma once

#include "tpl.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

// One row of the kind table: format character and size in memory.
struct tpl_type_row {
    char c;
    size_t size;
};
extern const tpl_type_row tpl_types[TPL_NUM_TYPES];

// Characters that may appear in a format string at all.
extern const char tpl_fmt_chars[];
// Characters a data peek may ask for.
extern const char tpl_datapeek_ok_chars[];

// Largest byte size any single node, record or image may take: images carry
// 32-bit lengths, so nothing bigger can ever be written or read.
constexpr uint64_t tpl_max_bytes = UINT32_MAX;

// A packed array element: the link, then element_size payload bytes.
struct tpl_backbone_elem {
    tpl_backbone_elem *next;
};
inline char *tpl_elem_payload(tpl_backbone_elem *e) { return reinterpret_cast<char *>(e + 1); }

struct tpl_array_record {
    uint32_t element_count;
    size_t element_size;
    tpl_backbone_elem *first;
    tpl_backbone_elem *last;
    const char *read_cursor;  // next element to unpack in a loaded image
};

struct tpl_repeat_record {
    size_t stride;          // size in memory of one record
    tpl_node *group_start;  // first field of the repeated record
    uint32_t iteration;
};

struct tpl_mapped_file {
    int fd;
    const char *text;
    size_t size;
};

// State bits of the root record.
enum : unsigned {
    TPL_STATE_FILE = 1u << 0,      // image is a mapped file
    TPL_STATE_MEM = 1u << 1,       // image is memory
    TPL_STATE_OWNS_MEM = 1u << 2,  // engine releases the memory image
    TPL_STATE_PACKED = 1u << 3,
    TPL_STATE_LOADED = 1u << 4,
    TPL_STATE_XENDIAN = 1u << 5,     // numbers in the image need reversal
    TPL_STATE_OLD_STRINGS = 1u << 6  // string lengths exclude the terminator
};

struct tpl_root_record {
    unsigned flags;
    tpl_node **arrays;  // array nodes in the order of their 'A'
    uint32_t num_arrays;
    tpl_mapped_file source;
    char *fmt;
    uint32_t *fxlens;
    uint32_t num_fxlens;
};

inline tpl_root_record *tpl_root_of(tpl_node *r) { return static_cast<tpl_root_record *>(r->buffer); }
inline tpl_array_record *tpl_array_of(tpl_node *n) { return static_cast<tpl_array_record *>(n->buffer); }

// Allocation through the hook table; out of memory is fatal.
void *tpl_alloc(size_t size);
void *tpl_alloc_zero(size_t size);
void *tpl_realloc(void *ptr, size_t size);
void tpl_release(void *ptr);
// Reports through fatal_error and never returns.
[[noreturn]] void tpl_die(const char *fmt, ...) __attribute__((format(printf, 1, 2)));

// Deleter for RAII ownership of engine allocations.
struct tpl_releaser {
    void operator()(void *p) const { tpl_release(p); }
};

// Raw image helpers.
int tpl_cpu_bigendian();
int tpl_needs_endian_swap(const void *image);
void tpl_byteswap(void *ptr, size_t n);
size_t tpl_size_for(char c);
const char *tpl_find_data_start(const char *image);
char *tpl_cpv(char *dst, const void *src, size_t n);
// Reads a 32-bit number from an image position, reversed if asked.
uint32_t tpl_read_u32(const char *pos, bool swap);
// Reads one encoded string at pos (already validated) and steps past it:
// a fresh heap copy, or null for the null string. Images without the
// nullable-strings flag store the text length itself, hence old_strings.
char *tpl_read_string(const char *&pos, bool swap, bool old_strings);
int tpl_serlen(tpl_node *r, tpl_node *n, const char *pos, size_t *len);
int tpl_sanity(tpl_node *r, bool trailing_ok);

// Width of one value of a scalar kind in an image and in memory.
inline size_t tpl_kind_size(int kind) { return tpl_types[kind].size; }
inline bool tpl_is_scalar(int kind) {
    return kind == TPL_TYPE_INT32 || kind == TPL_TYPE_UINT32 || kind == TPL_TYPE_BYTE ||
           kind == TPL_TYPE_DOUBLE || kind == TPL_TYPE_INT64 || kind == TPL_TYPE_UINT64 ||
           kind == TPL_TYPE_INT16 || kind == TPL_TYPE_UINT16;
}

// Visits the items of parent in image order: each child once with record
// index 0, and the fields of a repeated record once more per further record
// (record index 1 .. count-1) where its repeat node stands. The visitor gets
// (node, record index, stride) and returns false to stop the walk; the
// result tells whether the walk ran to the end.
template <class Visit>
bool tpl_for_each_item(tpl_node *parent, Visit &&visit) {
    for (tpl_node *c = parent->first_child; c; c = c->next_sibling) {
        if (c->kind != TPL_TYPE_POUND) {
            if (!visit(c, uint32_t{0}, size_t{0})) return false;
            continue;
        }
        auto *rep = static_cast<tpl_repeat_record *>(c->buffer);
        for (uint32_t rec = 1; rec < c->count; rec++) {
            for (tpl_node *f = rep->group_start; f != c; f = f->next_sibling) {
                if (!visit(f, rec, rep->stride)) return false;
            }
        }
    }
    return true;
}

// Address of the caller's variable for record index rec.
inline char *tpl_target_at(tpl_node *n, uint32_t rec, size_t stride) {
    return reinterpret_cast<char *>(reinterpret_cast<uintptr_t>(n->target) + uintptr_t{rec} * stride);
}

// Pointer slots in packed elements are unaligned: move them bytewise.
inline void *tpl_get_ptr(const void *slot) {
    void *p;
    std::memcpy(&p, slot, sizeof p);
    return p;
}
inline void tpl_put_ptr(void *slot, const void *p) { std::memcpy(slot, &p, sizeof p); }

// Mapping internals.
tpl_node *tpl_find_i(tpl_node *r, int i);
void tpl_free_keep_map(tpl_node *r);
void tpl_free_atyp(tpl_node *n, tpl_array_record *rec);
void tpl_give_up_image(tpl_node *r);
void tpl_release_binary(tpl_binary *b);

// Image writing and loading internals.
uint64_t tpl_ser_osz(tpl_node *r);
void tpl_dump_to_mem(tpl_node *r, char *out, size_t size);
int tpl_dump_file(tpl_node *r, const char *path);
int tpl_dump_descriptor(tpl_node *r, int fd);
int tpl_dump_new_buffer(tpl_node *r, void **addr, size_t *size);
int tpl_load_memory(tpl_node *r, int mode, const void *image, size_t size);
int tpl_unpackA0(tpl_node *r);
int tpl_mmap_file(const char *path, tpl_mapped_file *out);
void tpl_unmap_file(tpl_mapped_file *mf);
int tpl_gather_blocking(int fd, void **img, size_t *sz);
