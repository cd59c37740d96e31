// Image size and writing: tpl_dump to a file, a descriptor or memory, and
// the one-call tpl_jot.
#include "tpl_internal.h"

#include <cerrno>
#include <cstdarg>
#include <fcntl.h>
#include <memory>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

uint64_t StringSize(const char *s) { return 4 + (s ? std::strlen(s) : 0); }

char *WriteU32(char *p, uint64_t v) {
    uint32_t v32 = static_cast<uint32_t>(v);
    return tpl_cpv(p, &v32, 4);
}

// Strings carry their length with the terminator; 0 marks a null string.
char *WriteString(char *p, const char *s) {
    if (!s) return WriteU32(p, 0);
    size_t len = std::strlen(s);
    p = WriteU32(p, len + 1);
    return tpl_cpv(p, s, len);
}

char *WriteBinary(char *p, const tpl_binary *b) {
    if (!b) return WriteU32(p, 0);
    p = WriteU32(p, b->sz);
    return tpl_cpv(p, b->addr, b->sz);
}

char *WriteArray(char *p, tpl_node *n, const tpl_array_record *rec);

// Writes one packed element of array n from its slots.
char *WriteElement(char *p, tpl_node *n, const char *slot) {
    tpl_for_each_item(n, [&](tpl_node *c, uint32_t, size_t) {
        if (tpl_is_scalar(c->kind)) {
            size_t bytes = size_t{c->count} * tpl_kind_size(c->kind);
            p = tpl_cpv(p, slot, bytes);
            slot += bytes;
            return true;
        }
        switch (c->kind) {
            case TPL_TYPE_STR:
                for (uint32_t k = 0; k < c->count; k++, slot += sizeof(char *)) {
                    p = WriteString(p, static_cast<const char *>(tpl_get_ptr(slot)));
                }
                return true;
            case TPL_TYPE_ARY:
                p = WriteArray(p, c, static_cast<const tpl_array_record *>(tpl_get_ptr(slot)));
                slot += sizeof(void *);
                return true;
            case TPL_TYPE_BIN:
                p = WriteBinary(p, static_cast<const tpl_binary *>(tpl_get_ptr(slot)));
                slot += sizeof(void *);
                return true;
            default:
                tpl_die("unsupported format character\n");
        }
    });
    return p;
}

char *WriteArray(char *p, tpl_node *n, const tpl_array_record *rec) {
    if (!rec) return WriteU32(p, 0);
    p = WriteU32(p, rec->element_count);
    for (tpl_backbone_elem *e = rec->first; e; e = e->next) {
        p = WriteElement(p, n, tpl_elem_payload(e));
    }
    return p;
}

// The image size, or 0 after a report when it cannot be represented.
size_t CheckedImageSize(tpl_node *r) {
    uint64_t size = tpl_ser_osz(r);
    if (size > tpl_max_bytes) {
        tpl_hook.report_error("tpl_dump: image of %llu bytes exceeds 32-bit length\n",
                              static_cast<unsigned long long>(size));
        return 0;
    }
    return static_cast<size_t>(size);
}

using image_buffer = std::unique_ptr<char, tpl_releaser>;

int DumpCallerBuffer(tpl_node *r, void *buffer, size_t buffer_size) {
    size_t size = CheckedImageSize(r);
    if (!size) return -1;
    if (buffer_size < size) {
        tpl_hook.report_error("tpl_dump: buffer too small, need %d bytes\n", static_cast<int>(size));
        return -1;
    }
    tpl_dump_to_mem(r, static_cast<char *>(buffer), size);
    return 0;
}

int DumpSizeOnly(tpl_node *r, size_t *size_out) {
    size_t size = CheckedImageSize(r);
    if (!size) return -1;
    *size_out = size;
    return 0;
}

}  // namespace

uint64_t tpl_ser_osz(tpl_node *r) {
    if (r->kind != TPL_TYPE_ROOT) tpl_die("internal error: tpl_ser_osz on non-root node\n");
    uint64_t size = r->out_size;
    tpl_for_each_item(r, [&](tpl_node *c, uint32_t rec, size_t) {
        if (tpl_is_scalar(c->kind)) {
            size += uint64_t{c->count} * tpl_kind_size(c->kind);
            return true;
        }
        switch (c->kind) {
            case TPL_TYPE_STR: {
                char **kept = static_cast<char **>(c->buffer) + size_t{rec} * c->count;
                for (uint32_t k = 0; k < c->count; k++) size += StringSize(kept[k]);
                return true;
            }
            case TPL_TYPE_ARY:
                size += 4 + c->out_size;
                return true;
            case TPL_TYPE_BIN: {
                const tpl_binary *b = *static_cast<tpl_binary **>(c->buffer);
                size += 4 + (b ? b->sz : 0);
                return true;
            }
            default:
                tpl_die("unsupported format character\n");
        }
    });
    return size;
}

void tpl_dump_to_mem(tpl_node *r, char *out, size_t size) {
    tpl_root_record *root = tpl_root_of(r);
    unsigned char flags = tpl_cpu_bigendian() ? TPL_IMG_BIG_ENDIAN : 0;
    if (std::strchr(root->fmt, 's')) flags |= TPL_IMG_NULLABLE_STRINGS;

    char *p = tpl_cpv(out, "tpl", 3);
    p = tpl_cpv(p, &flags, 1);
    p = WriteU32(p, size);
    p = tpl_cpv(p, root->fmt, std::strlen(root->fmt) + 1);
    p = tpl_cpv(p, root->fxlens, size_t{root->num_fxlens} * 4);

    tpl_for_each_item(r, [&](tpl_node *c, uint32_t rec, size_t) {
        if (tpl_is_scalar(c->kind)) {
            size_t bytes = size_t{c->count} * tpl_kind_size(c->kind);
            p = tpl_cpv(p, static_cast<char *>(c->buffer) + rec * bytes, bytes);
            return true;
        }
        switch (c->kind) {
            case TPL_TYPE_STR: {
                char **kept = static_cast<char **>(c->buffer) + size_t{rec} * c->count;
                for (uint32_t k = 0; k < c->count; k++) p = WriteString(p, kept[k]);
                return true;
            }
            case TPL_TYPE_ARY:
                p = WriteArray(p, c, tpl_array_of(c));
                return true;
            case TPL_TYPE_BIN:
                p = WriteBinary(p, *static_cast<tpl_binary **>(c->buffer));
                return true;
            default:
                tpl_die("unsupported format character\n");
        }
    });
    if (p != out + size) tpl_die("internal error: image size mismatch\n");
}

int tpl_dump_file(tpl_node *r, const char *path) {
    size_t size = CheckedImageSize(r);
    if (!size) return -1;
    // Owner read and write so the image can be loaded back; others read.
    int fd = open(path, O_RDWR | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) {
        tpl_hook.report_error("Couldn't open file %s: %s\n", path, strerror(errno));
        return -1;
    }
    // Size the file before touching the mapping, so no write lands past
    // its end.
    if (ftruncate(fd, static_cast<off_t>(size)) != 0) {
        tpl_hook.report_error("ftruncate failed: %s\n", strerror(errno));
        close(fd);
        return -1;
    }
    void *map = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (map == MAP_FAILED) {
        tpl_hook.report_error("Failed to mmap %s: %s\n", path, strerror(errno));
        close(fd);
        return -1;
    }
    tpl_dump_to_mem(r, static_cast<char *>(map), size);
    if (msync(map, size, MS_SYNC) != 0)
        tpl_hook.report_error("msync failed on fd %d: %s\n", fd, strerror(errno));
    if (munmap(map, size) != 0) tpl_hook.report_error("munmap failed on fd %d: %s\n", fd, strerror(errno));
    close(fd);
    return 0;
}

int tpl_dump_descriptor(tpl_node *r, int fd) {
    size_t size = CheckedImageSize(r);
    if (!size) return -1;
    image_buffer image(static_cast<char *>(tpl_alloc(size)));
    tpl_dump_to_mem(r, image.get(), size);
    size_t written = 0;
    while (written < size) {
        ssize_t n = write(fd, image.get() + written, size - written);
        if (n >= 0) {
            written += static_cast<size_t>(n);
            continue;
        }
        if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) continue;
        tpl_hook.report_error("error writing to fd %d: %s\n", fd, strerror(errno));
        // Take back a partial image from a regular file.
        struct stat st;
        if (written && fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
            off_t keep = st.st_size - static_cast<off_t>(written);
            if (ftruncate(fd, keep < 0 ? 0 : keep) != 0)
                tpl_hook.report_error("can't rewind: %s\n", strerror(errno));
        }
        return -1;
    }
    return 0;
}

int tpl_dump_new_buffer(tpl_node *r, void **addr, size_t *size_out) {
    size_t size = CheckedImageSize(r);
    if (!size) return -1;
    char *image = static_cast<char *>(tpl_alloc(size));
    tpl_dump_to_mem(r, image, size);
    *addr = image;
    *size_out = size;
    return 0;
}

extern "C" int tpl_dump(tpl_node *r, int mode, ...) {
    if (!r) return -1;
    if (r->kind == TPL_TYPE_ROOT && (tpl_root_of(r)->flags & TPL_STATE_LOADED)) {
        tpl_hook.report_error("error: tpl_dump called for a loaded tpl\n");
        return -1;
    }
    va_list ap;
    va_start(ap, mode);
    int rc = -1;
    if (mode & TPL_IO_FILE) {
        rc = tpl_dump_file(r, va_arg(ap, const char *));
    } else if (mode & TPL_IO_DESCRIPTOR) {
        rc = tpl_dump_descriptor(r, va_arg(ap, int));
    } else if (mode & TPL_IO_MEMORY) {
        if (mode & TPL_IO_CALLER_BUFFER) {
            void *buffer = va_arg(ap, void *);
            size_t buffer_size = va_arg(ap, size_t);
            rc = DumpCallerBuffer(r, buffer, buffer_size);
        } else {
            void **addr = va_arg(ap, void **);
            size_t *size = va_arg(ap, size_t *);
            rc = tpl_dump_new_buffer(r, addr, size);
        }
    } else if (mode & TPL_IO_SIZE_ONLY) {
        rc = DumpSizeOnly(r, va_arg(ap, size_t *));
    } else {
        tpl_hook.report_error("unsupported tpl_dump mode %d\n", mode);
    }
    va_end(ap);
    return rc;
}

extern "C" int tpl_jot(int mode, ...) {
    va_list ap;
    va_start(ap, mode);
    const char *path = nullptr;
    int fd = -1;
    void **addr = nullptr;
    size_t *size = nullptr;
    if (mode & TPL_IO_FILE) {
        path = va_arg(ap, const char *);
    } else if (mode & TPL_IO_MEMORY) {
        addr = va_arg(ap, void **);
        size = va_arg(ap, size_t *);
    } else if (mode & TPL_IO_DESCRIPTOR) {
        fd = va_arg(ap, int);
    } else {
        va_end(ap);
        tpl_die("invalid tpl_jot mode\n");
    }
    const char *fmt = va_arg(ap, const char *);
    tpl_node *r = tpl_map_va(fmt, ap);
    va_end(ap);
    if (!r) return -1;
    tpl_pack(r, 0);
    int rc;
    if (mode & TPL_IO_FILE) {
        rc = tpl_dump_file(r, path);
    } else if (mode & TPL_IO_MEMORY) {
        rc = tpl_dump_new_buffer(r, addr, size);
    } else {
        rc = tpl_dump_descriptor(r, fd);
    }
    tpl_free(r);
    return rc;
}
