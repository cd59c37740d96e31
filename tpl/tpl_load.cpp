// Loading images from files, memory and descriptors, giving them up again,
// and peeking at an image without a mapping.
#include "tpl_internal.h"

#include <cerrno>
#include <cstdarg>
#include <fcntl.h>
#include <memory>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

int tpl_mmap_file(const char *path, tpl_mapped_file *out) {
    int fd = open(path, O_RDONLY);
    if (fd < 0) {
        tpl_hook.report_error("Couldn't open file %s: %s\n", path, strerror(errno));
        return -1;
    }
    struct stat st;
    if (fstat(fd, &st) != 0) {
        tpl_hook.report_error("Couldn't stat file %s: %s\n", path, strerror(errno));
        close(fd);
        return -1;
    }
    size_t size = static_cast<size_t>(st.st_size);
    void *map = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (map == MAP_FAILED) {
        tpl_hook.report_error("Failed to mmap %s: %s\n", path, strerror(errno));
        close(fd);
        return -1;
    }
    out->fd = fd;
    out->text = static_cast<const char *>(map);
    out->size = size;
    return 0;
}

void tpl_unmap_file(tpl_mapped_file *mf) {
    if (munmap(const_cast<char *>(mf->text), mf->size) != 0)
        tpl_hook.report_error("Failed to munmap: %s\n", strerror(errno));
    close(mf->fd);
    mf->fd = -1;
    mf->text = nullptr;
    mf->size = 0;
}

void tpl_give_up_image(tpl_node *r) {
    tpl_root_record *root = tpl_root_of(r);
    if (root->flags & TPL_STATE_FILE) {
        tpl_unmap_file(&root->source);
    } else if ((root->flags & TPL_STATE_MEM) && (root->flags & TPL_STATE_OWNS_MEM)) {
        tpl_release(const_cast<char *>(root->source.text));
    }
    root->source = tpl_mapped_file{-1, nullptr, 0};
    root->flags &= ~(TPL_STATE_FILE | TPL_STATE_MEM | TPL_STATE_OWNS_MEM);
}

int tpl_load_memory(tpl_node *r, int mode, const void *image, size_t size) {
    tpl_root_record *root = tpl_root_of(r);
    root->source = tpl_mapped_file{-1, static_cast<const char *>(image), size};
    root->flags |= TPL_STATE_MEM;
    int rc = image ? tpl_sanity(r, mode & TPL_IO_TRAILING_OK) : TPL_ERR_TOO_SHORT;
    if (rc != TPL_VALID) {
        if (rc == TPL_ERR_FORMAT_MISMATCH) {
            tpl_hook.report_error("format signature mismatch\n");
        } else {
            tpl_hook.report_error("not a valid tpl file\n");
        }
        root->source = tpl_mapped_file{-1, nullptr, 0};
        root->flags = 0;
        return -1;
    }
    root->flags |= TPL_STATE_LOADED;
    if (mode & TPL_IO_ADOPT_BUFFER) root->flags |= TPL_STATE_OWNS_MEM;
    return tpl_unpackA0(r);
}

namespace {

int LoadFile(tpl_node *r, int mode, const char *path) {
    tpl_root_record *root = tpl_root_of(r);
    if (tpl_mmap_file(path, &root->source) != 0) {
        tpl_hook.report_error("tpl_load failed for file %s\n", path);
        return -1;
    }
    root->flags |= TPL_STATE_FILE;
    int rc = tpl_sanity(r, mode & TPL_IO_TRAILING_OK);
    if (rc != TPL_VALID) {
        if (rc == TPL_ERR_FORMAT_MISMATCH) {
            tpl_hook.report_error("%s: format signature mismatch\n", path);
        } else if (rc == TPL_ERR_FXLEN_MISMATCH) {
            tpl_hook.report_error("%s: array lengths mismatch\n", path);
        } else {
            tpl_hook.report_error("%s: not a valid tpl file\n", path);
        }
        tpl_unmap_file(&root->source);
        root->flags = 0;
        return -1;
    }
    root->flags |= TPL_STATE_LOADED;
    return tpl_unpackA0(r);
}

int LoadDescriptor(tpl_node *r, int fd) {
    void *image = nullptr;
    size_t size = 0;
    if (tpl_gather_blocking(fd, &image, &size) != 1) return -1;
    if (tpl_load_memory(r, TPL_IO_MEMORY | TPL_IO_ADOPT_BUFFER, image, size) != 0) {
        tpl_release(image);
        return -1;
    }
    return 0;
}

}  // namespace

extern "C" int tpl_load(tpl_node *r, int mode, ...) {
    if (!(mode & (TPL_IO_FILE | TPL_IO_MEMORY | TPL_IO_DESCRIPTOR))) {
        tpl_hook.report_error("unsupported tpl_load mode %d\n", mode);
        return -1;
    }
    if (!r || r->kind != TPL_TYPE_ROOT) {
        tpl_hook.report_error("error: tpl_load to non-root node\n");
        return -1;
    }
    if (tpl_root_of(r)->flags & (TPL_STATE_PACKED | TPL_STATE_LOADED)) tpl_free_keep_map(r);

    va_list ap;
    va_start(ap, mode);
    int rc;
    if (mode & TPL_IO_FILE) {
        rc = LoadFile(r, mode, va_arg(ap, const char *));
    } else if (mode & TPL_IO_MEMORY) {
        const void *image = va_arg(ap, const void *);
        size_t size = va_arg(ap, size_t);
        rc = tpl_load_memory(r, mode, image, size);
    } else {
        rc = LoadDescriptor(r, va_arg(ap, int));
    }
    va_end(ap);
    return rc;
}

namespace {

// Unmaps a peeked file on every path out of tpl_peek.
struct peek_mapping {
    tpl_mapped_file file{-1, nullptr, 0};
    ~peek_mapping() {
        if (file.text) tpl_unmap_file(&file);
    }
};

using owned_string = std::unique_ptr<char, tpl_releaser>;

// Reads the data-peek values into their destinations. Every value is
// checked against the image end before any destination is written, so a
// failed peek leaves the caller's variables and memory as they were.
bool PeekData(const char *pos, const char *end, const char *peek_fmt, bool swap, bool old_strings,
              va_list ap) {
    const char *check = pos;
    for (const char *c = peek_fmt; *c; c++) {
        size_t remaining = static_cast<size_t>(end - check);
        if (*c != 's') {
            size_t width = tpl_size_for(*c);
            if (width > remaining) return false;
            check += width;
            continue;
        }
        if (remaining < 4) return false;
        uint64_t len = tpl_read_u32(check, swap);
        if (old_strings) len++;
        uint64_t text = len ? len - 1 : 0;
        if (text > remaining - 4) return false;
        check += 4 + text;
    }
    for (const char *c = peek_fmt; *c; c++) {
        void *dst = va_arg(ap, void *);
        if (*c != 's') {
            size_t width = tpl_size_for(*c);
            std::memcpy(dst, pos, width);
            if (swap) tpl_byteswap(dst, width);
            pos += width;
            continue;
        }
        *static_cast<char **>(dst) = tpl_read_string(pos, swap, old_strings);
    }
    return true;
}

}  // namespace

extern "C" char *tpl_peek(int mode, ...) {
    if ((mode & TPL_FXLENS) && (mode & TPL_DATAPEEK)) {
        tpl_hook.report_error("TPL_FXLENS and TPL_DATAPEEK mutually exclusive\n");
        return nullptr;
    }
    if (!(mode & (TPL_IO_FILE | TPL_IO_MEMORY))) {
        tpl_hook.report_error("unsupported tpl_peek mode %d\n", mode);
        return nullptr;
    }
    va_list ap;
    va_start(ap, mode);
    const char *path = nullptr;
    const char *img = nullptr;
    size_t size = 0;
    if (mode & TPL_IO_FILE) {
        path = va_arg(ap, const char *);
    } else {
        img = va_arg(ap, const char *);
        size = va_arg(ap, size_t);
    }
    const char *peek_fmt = nullptr;
    uint32_t *num_fxlens = nullptr;
    uint32_t **fxlens = nullptr;
    if (mode & TPL_DATAPEEK) {
        peek_fmt = va_arg(ap, const char *);
    } else if (mode & TPL_FXLENS) {
        num_fxlens = va_arg(ap, uint32_t *);
        fxlens = va_arg(ap, uint32_t **);
        *num_fxlens = 0;
        *fxlens = nullptr;
    }

    peek_mapping mapping;
    if (path) {
        if (tpl_mmap_file(path, &mapping.file) != 0) {
            tpl_hook.report_error("tpl_peek failed for file %s\n", path);
            va_end(ap);
            return nullptr;
        }
        img = mapping.file.text;
        size = mapping.file.size;
    }
    if (!img || size < 9 || std::memcmp(img, "tpl", 3) != 0) {
        va_end(ap);
        return nullptr;
    }
    const bool swap = tpl_needs_endian_swap(img);
    const bool old_strings = !(static_cast<unsigned char>(img[3]) & TPL_IMG_NULLABLE_STRINGS);
    const char *end = img + size;
    const char *p = img + 8;
    uint32_t pounds = 0;
    for (; p < end && *p; p++) {
        if (*p == '#') pounds++;
    }
    if (p == end) {
        va_end(ap);
        return nullptr;
    }
    size_t fmt_len = static_cast<size_t>(p - (img + 8));
    owned_string copy(static_cast<char *>(tpl_alloc(fmt_len + 1)));
    std::memcpy(copy.get(), img + 8, fmt_len + 1);
    p++;

    if (size_t{pounds} > static_cast<size_t>(end - p) / 4) {
        va_end(ap);
        return copy.release();
    }
    if ((mode & TPL_FXLENS) && pounds) {
        auto *lens = static_cast<uint32_t *>(tpl_alloc(size_t{pounds} * 4));
        for (uint32_t k = 0; k < pounds; k++) lens[k] = tpl_read_u32(p + 4 * k, swap);
        *num_fxlens = pounds;
        *fxlens = lens;
    }
    if (mode & TPL_DATAPEEK) {
        const char *data = p + size_t{pounds} * 4;
        if (std::strspn(peek_fmt, tpl_datapeek_ok_chars) != std::strlen(peek_fmt)) {
            tpl_hook.report_error("invalid TPL_DATAPEEK format: %s\n", peek_fmt);
            va_end(ap);
            return nullptr;
        }
        const char *lead = copy.get() + std::strspn(copy.get(), "S()");
        if (std::strncmp(lead, peek_fmt, std::strlen(peek_fmt)) != 0) {
            tpl_hook.report_error("TPL_DATAPEEK format mismatches tpl iamge\n");
            va_end(ap);
            return nullptr;
        }
        if (!PeekData(data, end, peek_fmt, swap, old_strings, ap)) {
            tpl_hook.report_error("tpl_peek: tpl has insufficient length\n");
            va_end(ap);
            return nullptr;
        }
    }
    va_end(ap);
    return copy.release();
}
