// Raw image helpers and image validation. Nothing here writes to an image:
// numbers of the other byte order are reversed in local copies.
#include "tpl_internal.h"

const tpl_type_row tpl_types[TPL_NUM_TYPES] = {
    {'r', 0}, {'i', 4}, {'u', 4}, {'c', 1}, {'s', sizeof(char *)}, {'A', 0}, {'B', 0}, {'f', 8}, {'I', 8},
    {'U', 8}, {'j', 2}, {'v', 2}, {'#', 0},
};
const char tpl_fmt_chars[] = "AS($)BiucsfIUjv#";
const char tpl_datapeek_ok_chars[] = "iucsfIUjv";

// Smallest possible image: magic, flags, total length, empty format's zero.
constexpr size_t tpl_min_image = 9;

int tpl_cpu_bigendian() {
    const uint32_t probe = 1;
    unsigned char first;
    std::memcpy(&first, &probe, 1);
    return first == 0;
}

int tpl_needs_endian_swap(const void *image) {
    const unsigned char flags = static_cast<const unsigned char *>(image)[3];
    return tpl_cpu_bigendian() != ((flags & TPL_IMG_BIG_ENDIAN) ? 1 : 0);
}

void tpl_byteswap(void *ptr, size_t n) {
    auto *b = static_cast<unsigned char *>(ptr);
    for (size_t i = 0; i < n / 2; i++) {
        unsigned char t = b[i];
        b[i] = b[n - 1 - i];
        b[n - 1 - i] = t;
    }
}

size_t tpl_size_for(char c) {
    for (const tpl_type_row &row : tpl_types) {
        if (row.c == c) return row.size;
    }
    return 0;
}

const char *tpl_find_data_start(const char *image) {
    const char *p = image + 8;
    size_t pounds = 0;
    while (*p) {
        if (*p == '#') pounds++;
        p++;
    }
    return p + 1 + 4 * pounds;
}

char *tpl_cpv(char *dst, const void *src, size_t n) {
    if (n) std::memcpy(dst, src, n);
    return dst + n;
}

uint32_t tpl_read_u32(const char *pos, bool swap) {
    uint32_t v;
    std::memcpy(&v, pos, 4);
    if (swap) tpl_byteswap(&v, 4);
    return v;
}

char *tpl_read_string(const char *&pos, bool swap, bool old_strings) {
    uint64_t len = tpl_read_u32(pos, swap);
    pos += 4;
    if (old_strings) len++;
    if (!len) return nullptr;
    char *s = static_cast<char *>(tpl_alloc(len));
    std::memcpy(s, pos, len - 1);
    s[len - 1] = '\0';
    pos += len - 1;
    return s;
}

namespace {

// Walks one encoded instance of parent's items; false when it would pass
// end. All comparisons are against the bytes remaining, so no position
// arithmetic can wrap.
bool WalkInstance(tpl_node *r, tpl_node *parent, const char *&pos, const char *end) {
    const unsigned flags = tpl_root_of(r)->flags;
    const bool swap = flags & TPL_STATE_XENDIAN;
    const bool old_strings = flags & TPL_STATE_OLD_STRINGS;
    return tpl_for_each_item(parent, [&](tpl_node *c, uint32_t, size_t) {
        size_t remaining = static_cast<size_t>(end - pos);
        if (tpl_is_scalar(c->kind)) {
            uint64_t n = uint64_t{c->count} * tpl_kind_size(c->kind);
            if (n > remaining) return false;
            pos += n;
            return true;
        }
        switch (c->kind) {
            case TPL_TYPE_STR:
                for (uint32_t k = 0; k < c->count; k++) {
                    remaining = static_cast<size_t>(end - pos);
                    if (remaining < 4) return false;
                    uint64_t len = tpl_read_u32(pos, swap);
                    if (!old_strings) len = (len == 0) ? 0 : len - 1;
                    if (len > remaining - 4) return false;
                    pos += 4 + len;
                }
                return true;
            case TPL_TYPE_ARY: {
                size_t len = 0;
                if (tpl_serlen(r, c, pos, &len) != 0) return false;
                pos += len;
                return true;
            }
            case TPL_TYPE_BIN: {
                if (remaining < 4) return false;
                uint64_t len = tpl_read_u32(pos, swap);
                if (len > remaining - 4) return false;
                pos += 4 + len;
                return true;
            }
            default:
                tpl_die("unsupported format character\n");
        }
    });
}

}  // namespace

int tpl_serlen(tpl_node *r, tpl_node *n, const char *pos, size_t *len) {
    const tpl_mapped_file &src = tpl_root_of(r)->source;
    const char *end = src.text + src.size;
    const char *start = pos;
    if (n->kind == TPL_TYPE_ROOT) {
        if (!WalkInstance(r, n, pos, end)) return -1;
    } else if (n->kind == TPL_TYPE_ARY) {
        if (static_cast<size_t>(end - pos) < 4) return -1;
        const bool swap = tpl_root_of(r)->flags & TPL_STATE_XENDIAN;
        uint32_t elements = tpl_read_u32(pos, swap);
        pos += 4;
        // Every instance takes at least one byte, so a forged count ends
        // the walk at the image end rather than spinning.
        for (uint32_t e = 0; e < elements; e++) {
            if (!WalkInstance(r, n, pos, end)) return -1;
        }
    } else {
        tpl_die("unsupported format character\n");
    }
    *len = static_cast<size_t>(pos - start);
    return 0;
}

int tpl_sanity(tpl_node *r, bool trailing_ok) {
    tpl_root_record *root = tpl_root_of(r);
    const char *img = root->source.text;
    const size_t size = root->source.size;

    if (size < tpl_min_image) return TPL_ERR_TOO_SHORT;
    if (std::memcmp(img, "tpl", 3) != 0) return TPL_ERR_MAGIC;
    if (tpl_needs_endian_swap(img)) root->flags |= TPL_STATE_XENDIAN;
    const unsigned char flags = static_cast<unsigned char>(img[3]);
    if (flags > (TPL_IMG_BIG_ENDIAN | TPL_IMG_NULLABLE_STRINGS)) return TPL_ERR_FLAGS;
    if (!(flags & TPL_IMG_NULLABLE_STRINGS)) root->flags |= TPL_STATE_OLD_STRINGS;
    const bool swap = root->flags & TPL_STATE_XENDIAN;

    const uint32_t total = tpl_read_u32(img + 4, swap);
    if (!trailing_ok && total != size) return TPL_ERR_TOTAL_LENGTH;

    const char *end = img + size;
    const char *p = img + 8;
    size_t pounds = 0;
    for (; p < end && *p; p++) {
        if (!std::strchr(tpl_fmt_chars, *p)) return TPL_ERR_FORMAT_CHAR;
        if (*p == '#') pounds++;
    }
    if (p == end) return TPL_ERR_FORMAT_UNTERMINATED;
    if (std::strcmp(img + 8, root->fmt) != 0) return TPL_ERR_FORMAT_MISMATCH;
    p++;

    if (pounds > static_cast<size_t>(end - p) / 4) return TPL_ERR_FXLEN_OVERRUN;
    // The formats match, so the image has exactly as many counts as the map.
    for (size_t k = 0; k < pounds; k++, p += 4) {
        if (tpl_read_u32(p, swap) != root->fxlens[k]) return TPL_ERR_FXLEN_MISMATCH;
    }

    size_t data_len = 0;
    if (tpl_serlen(r, r, p, &data_len) != 0) return TPL_ERR_DATA_OVERRUN;
    const size_t true_size = static_cast<size_t>(p - img) + data_len;
    if (!trailing_ok && true_size != size) return TPL_ERR_SIZE_MISMATCH;
    if (trailing_ok && true_size > size) return TPL_ERR_SIZE_MISMATCH;
    return TPL_VALID;
}
