// Cutting a byte stream (a blocking or non-blocking descriptor, or memory
// chunks) into whole images.
#include "tpl_internal.h"

#include <cerrno>
#include <cstdarg>
#include <unistd.h>

namespace {

// Bytes of an image needed to know its length: magic, flags, total length.
constexpr size_t tpl_prefix_len = 8;
// The smallest total length a real image can carry.
constexpr uint32_t tpl_min_image_len = 9;
constexpr size_t tpl_read_block = 8192;

// Reads exactly n bytes: 1 done, 0 end of input first, -1 read error.
int ReadFully(int fd, char *buf, size_t n) {
    size_t got = 0;
    while (got < n) {
        ssize_t rc = read(fd, buf + got, n - got);
        if (rc > 0) {
            got += static_cast<size_t>(rc);
        } else if (rc == 0) {
            return 0;
        } else if (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK) {
            return -1;
        }
    }
    return 1;
}

bool OverLimit(uint64_t len) { return tpl_hook.gather_limit != 0 && len > tpl_hook.gather_limit; }

void ReportLimit() {
    tpl_hook.report_error("tpl exceeds max length %d\n", static_cast<int>(tpl_hook.gather_limit));
}

void DropState(tpl_gather_state **gs) {
    if (*gs) {
        tpl_release((*gs)->img);
        tpl_release(*gs);
        *gs = nullptr;
    }
}

// Hands every complete image in chunk (after any carried-over bytes) to cb
// and keeps the incomplete rest in *gs.
int GatherChunk(char *chunk, size_t len, tpl_gather_state **gs, tpl_image_handler *cb, void *data,
                const char *abort_msg) {
    char *buf = chunk;
    size_t buf_len = len;
    bool engine_owned = false;
    if (*gs) {
        uint64_t combined = uint64_t{(*gs)->len} + len;
        if (OverLimit(combined) || combined > SIZE_MAX) {
            DropState(gs);
            ReportLimit();
            return -2;
        }
        buf = static_cast<char *>(tpl_realloc((*gs)->img, static_cast<size_t>(combined)));
        tpl_cpv(buf + (*gs)->len, chunk, len);
        buf_len = static_cast<size_t>(combined);
        engine_owned = true;
        tpl_release(*gs);
        *gs = nullptr;
    }
    auto release_work = [&] {
        if (engine_owned) tpl_release(buf);
    };

    size_t pos = 0;
    int cb_rc = 0;
    while (buf_len - pos > tpl_prefix_len) {
        char *img = buf + pos;
        uint32_t img_len =
            std::memcmp(img, "tpl", 3) == 0 ? tpl_read_u32(img + 4, tpl_needs_endian_swap(img)) : 0;
        // A stored length below the smallest image cannot be walked over.
        if (img_len < tpl_min_image_len) {
            tpl_hook.report_error("tpl prefix invalid\n");
            release_work();
            return -3;
        }
        if (OverLimit(img_len)) {
            ReportLimit();
            release_work();
            return -2;
        }
        if (img_len > buf_len - pos) break;
        cb_rc = cb(img, img_len, data);
        pos += img_len;
        if (cb_rc < 0) break;
    }
    if (cb_rc < 0) {
        tpl_hook.report_error("%s", abort_msg);
        release_work();
        return -4;
    }

    // Only an incomplete image (shorter than its 32-bit length) or a partial
    // prefix is left, so the remainder always fits the state's count.
    if (pos == 0 && engine_owned) {
        auto *st = static_cast<tpl_gather_state *>(tpl_alloc(sizeof(tpl_gather_state)));
        st->img = buf;
        st->len = static_cast<uint32_t>(buf_len);
        *gs = st;
    } else if (pos < buf_len) {
        auto *st = static_cast<tpl_gather_state *>(tpl_alloc(sizeof(tpl_gather_state)));
        st->len = static_cast<uint32_t>(buf_len - pos);
        st->img = static_cast<char *>(tpl_alloc(st->len));
        std::memcpy(st->img, buf + pos, st->len);
        *gs = st;
        release_work();
    } else {
        release_work();
    }
    return 1;
}

int GatherNonblocking(int fd, tpl_gather_state **gs, tpl_image_handler *cb, void *data) {
    char block[tpl_read_block];
    for (;;) {
        ssize_t n = read(fd, block, sizeof block);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) return 1;
            tpl_hook.report_error("tpl_gather failed: %s\n", strerror(errno));
            DropState(gs);
            return -1;
        }
        if (n == 0) {
            if (*gs) {
                tpl_hook.report_error("tpl_gather: partial tpl image precedes EOF\n");
                DropState(gs);
            }
            return 0;
        }
        int rc = GatherChunk(block, static_cast<size_t>(n), gs, cb, data,
                             "tpl_fd_gather aborted by app callback\n");
        if (rc != 1) return rc;
    }
}

}  // namespace

int tpl_gather_blocking(int fd, void **img, size_t *sz) {
    char prefix[tpl_prefix_len];
    int rc = ReadFully(fd, prefix, sizeof prefix);
    if (rc == 0) return 0;
    if (rc < 0) {
        tpl_hook.report_error("tpl_gather_fd_blocking failed: %s\n", strerror(errno));
        return -1;
    }
    if (std::memcmp(prefix, "tpl", 3) != 0) {
        tpl_hook.report_error("tpl_gather_fd_blocking: non-tpl input\n");
        return -1;
    }
    uint32_t len = tpl_read_u32(prefix + 4, tpl_needs_endian_swap(prefix));
    if (len < tpl_min_image_len) {
        tpl_hook.report_error("tpl_gather_fd_blocking: non-tpl input\n");
        return -1;
    }
    if (OverLimit(len)) {
        ReportLimit();
        return -2;
    }
    char *buf = static_cast<char *>(tpl_alloc(len));
    std::memcpy(buf, prefix, sizeof prefix);
    rc = ReadFully(fd, buf + sizeof prefix, len - sizeof prefix);
    if (rc != 1) {
        if (rc < 0) tpl_hook.report_error("tpl_gather_fd_blocking failed: %s\n", strerror(errno));
        tpl_release(buf);
        return rc;
    }
    *img = buf;
    *sz = len;
    return 1;
}

extern "C" int tpl_gather(int mode, ...) {
    va_list ap;
    va_start(ap, mode);
    int rc;
    switch (mode) {
        case TPL_GATHER_MODE_FD_BLOCKING: {
            int fd = va_arg(ap, int);
            void **img = va_arg(ap, void **);
            size_t *sz = va_arg(ap, size_t *);
            rc = tpl_gather_blocking(fd, img, sz);
            break;
        }
        case TPL_GATHER_MODE_FD_NONBLOCKING: {
            int fd = va_arg(ap, int);
            auto **gs = va_arg(ap, tpl_gather_state **);
            auto *cb = va_arg(ap, tpl_image_handler *);
            void *data = va_arg(ap, void *);
            rc = GatherNonblocking(fd, gs, cb, data);
            break;
        }
        case TPL_GATHER_MODE_MEMORY: {
            char *chunk = va_arg(ap, char *);
            size_t len = va_arg(ap, size_t);
            auto **gs = va_arg(ap, tpl_gather_state **);
            auto *cb = va_arg(ap, tpl_image_handler *);
            void *data = va_arg(ap, void *);
            rc = GatherChunk(chunk, len, gs, cb, data, "tpl_mem_gather aborted by app callback\n");
            break;
        }
        default:
            va_end(ap);
            tpl_die("unsupported tpl_gather mode %d\n", mode);
    }
    va_end(ap);
    return rc;
}
