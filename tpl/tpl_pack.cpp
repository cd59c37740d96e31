// Packing the caller's variables into the engine and unpacking a loaded
// image back into them.
#include "tpl_internal.h"

#include <climits>

namespace {

char *DupString(const char *s) {
    if (!s) return nullptr;
    size_t len = std::strlen(s) + 1;
    char *copy = static_cast<char *>(tpl_alloc(len));
    std::memcpy(copy, s, len);
    return copy;
}

tpl_binary *DupBinary(const tpl_binary *b) {
    auto *copy = static_cast<tpl_binary *>(tpl_alloc_zero(sizeof(tpl_binary)));
    // A null address carries no bytes, whatever length accompanies it.
    if (b->addr && b->sz) {
        copy->addr = tpl_alloc(b->sz);
        std::memcpy(copy->addr, b->addr, b->sz);
        copy->sz = b->sz;
    }
    return copy;
}

// Copies the variables of parent's items into the node buffers; with an
// element slot, also into that packed array element (parent is the array).
void PackItems(tpl_node *parent, char *slot) {
    tpl_for_each_item(parent, [&](tpl_node *c, uint32_t rec, size_t stride) {
        char *src = tpl_target_at(c, rec, stride);
        if (tpl_is_scalar(c->kind)) {
            size_t n = size_t{c->count} * tpl_kind_size(c->kind);
            std::memcpy(static_cast<char *>(c->buffer) + rec * n, src, n);
            if (slot) {
                slot = tpl_cpv(slot, src, n);
                parent->out_size += n;
            }
            return true;
        }
        switch (c->kind) {
            case TPL_TYPE_STR: {
                char **kept = static_cast<char **>(c->buffer) + size_t{rec} * c->count;
                for (uint32_t k = 0; k < c->count; k++) {
                    char *copy = DupString(static_cast<char *>(tpl_get_ptr(src + k * sizeof(char *))));
                    tpl_release(kept[k]);
                    kept[k] = copy;
                    if (slot) {
                        tpl_put_ptr(slot, copy);
                        slot += sizeof(char *);
                        kept[k] = nullptr;  // the element owns it now
                        parent->out_size += 4 + (copy ? std::strlen(copy) : 0);
                    }
                }
                return true;
            }
            case TPL_TYPE_ARY: {
                if (!slot) return true;  // top-level arrays pack element by element
                tpl_array_record *nested = tpl_array_of(c);
                tpl_put_ptr(slot, nested);
                slot += sizeof(void *);
                auto *fresh = static_cast<tpl_array_record *>(tpl_alloc_zero(sizeof(tpl_array_record)));
                fresh->element_size = nested->element_size;
                c->buffer = fresh;
                parent->out_size += 4 + c->out_size;
                c->out_size = 0;
                return true;
            }
            case TPL_TYPE_BIN: {
                tpl_binary *copy = DupBinary(reinterpret_cast<const tpl_binary *>(src));
                auto **kept = static_cast<tpl_binary **>(c->buffer);
                tpl_release_binary(*kept);
                *kept = copy;
                if (slot) {
                    tpl_put_ptr(slot, copy);
                    slot += sizeof(void *);
                    *kept = nullptr;
                    parent->out_size += 4 + copy->sz;
                }
                return true;
            }
            default:
                tpl_die("unsupported format character\n");
        }
    });
}

// Points array a at its encoded elements at pos; returns the bytes the
// whole array takes there.
size_t SetArrayCursor(tpl_node *r, tpl_node *a, const char *pos, const char *fail_msg) {
    size_t len = 0;
    if (tpl_serlen(r, a, pos, &len) != 0) tpl_die("%s", fail_msg);
    tpl_array_record *rec = tpl_array_of(a);
    rec->element_count = tpl_read_u32(pos, tpl_root_of(r)->flags & TPL_STATE_XENDIAN);
    rec->read_cursor = pos + 4;
    return len;
}

// Copies one encoded instance of parent's items from pos into the targets.
// Scalars move with memmove: the targets may lie inside the image itself.
void UnpackItems(tpl_node *r, tpl_node *parent, const char *&pos) {
    const unsigned flags = tpl_root_of(r)->flags;
    const bool swap = flags & TPL_STATE_XENDIAN;
    const bool old_strings = flags & TPL_STATE_OLD_STRINGS;
    tpl_for_each_item(parent, [&](tpl_node *c, uint32_t rec, size_t stride) {
        char *dst = tpl_target_at(c, rec, stride);
        if (tpl_is_scalar(c->kind)) {
            size_t width = tpl_kind_size(c->kind);
            size_t n = size_t{c->count} * width;
            std::memmove(dst, pos, n);
            if (swap && width > 1) {
                for (size_t off = 0; off < n; off += width) tpl_byteswap(dst + off, width);
            }
            pos += n;
            return true;
        }
        switch (c->kind) {
            case TPL_TYPE_STR:
                for (uint32_t k = 0; k < c->count; k++) {
                    tpl_put_ptr(dst + k * sizeof(char *), tpl_read_string(pos, swap, old_strings));
                }
                return true;
            case TPL_TYPE_ARY:
                pos += SetArrayCursor(r, c, pos, "internal error in unpack\n");
                return true;
            case TPL_TYPE_BIN: {
                uint32_t len = tpl_read_u32(pos, swap);
                pos += 4;
                void *bytes = nullptr;
                if (len) {
                    bytes = tpl_alloc(len);
                    std::memcpy(bytes, pos, len);
                    pos += len;
                }
                auto *b = reinterpret_cast<tpl_binary *>(dst);
                b->addr = bytes;
                b->sz = len;
                return true;
            }
            default:
                tpl_die("unsupported format character\n");
        }
    });
}

}  // namespace

int tpl_unpackA0(tpl_node *r) {
    tpl_root_record *root = tpl_root_of(r);
    const bool swap = root->flags & TPL_STATE_XENDIAN;
    const bool old_strings = root->flags & TPL_STATE_OLD_STRINGS;
    const char *pos = tpl_find_data_start(root->source.text);
    tpl_for_each_item(r, [&](tpl_node *c, uint32_t, size_t) {
        if (tpl_is_scalar(c->kind)) {
            pos += size_t{c->count} * tpl_kind_size(c->kind);
            return true;
        }
        switch (c->kind) {
            case TPL_TYPE_STR:
                for (uint32_t k = 0; k < c->count; k++) {
                    uint64_t len = tpl_read_u32(pos, swap);
                    if (!old_strings) len = len ? len - 1 : 0;
                    pos += 4 + len;
                }
                return true;
            case TPL_TYPE_ARY:
                pos += SetArrayCursor(r, c, pos, "internal error in unpackA0\n");
                return true;
            case TPL_TYPE_BIN:
                pos += 4 + size_t{tpl_read_u32(pos, swap)};
                return true;
            default:
                tpl_die("unsupported format character\n");
        }
    });
    return 0;
}

extern "C" int tpl_pack(tpl_node *r, int i) {
    tpl_node *n = tpl_find_i(r, i);
    if (!n) {
        tpl_hook.report_error("invalid index %d to tpl_pack\n", i);
        return -1;
    }
    tpl_root_record *root = tpl_root_of(r);
    if (root->flags & TPL_STATE_LOADED) tpl_free_keep_map(r);
    root->flags |= TPL_STATE_PACKED;
    if (n->kind == TPL_TYPE_ROOT) {
        PackItems(n, nullptr);
        return 0;
    }
    // Append a zeroed element and fill it.
    tpl_array_record *rec = tpl_array_of(n);
    auto *e = static_cast<tpl_backbone_elem *>(tpl_alloc_zero(sizeof(tpl_backbone_elem) + rec->element_size));
    if (rec->last) {
        rec->last->next = e;
    } else {
        rec->first = e;
    }
    rec->last = e;
    rec->element_count++;
    PackItems(n, tpl_elem_payload(e));
    return 0;
}

extern "C" int tpl_unpack(tpl_node *r, int i) {
    if (!r || r->kind != TPL_TYPE_ROOT) {
        tpl_hook.report_error("invalid index %d to tpl_unpack\n", i);
        return -1;
    }
    tpl_root_record *root = tpl_root_of(r);
    if ((root->flags & TPL_STATE_PACKED) && !(root->flags & TPL_STATE_LOADED)) {
        // Turn the packed values into an image the tpl owns, then read that.
        uint64_t size = tpl_ser_osz(r);
        if (size > tpl_max_bytes) {
            tpl_hook.report_error("tpl_unpack: image of %llu bytes exceeds 32-bit length\n",
                                  static_cast<unsigned long long>(size));
            return -1;
        }
        char *image = static_cast<char *>(tpl_alloc(size));
        tpl_dump_to_mem(r, image, size);
        tpl_free_keep_map(r);
        if (tpl_load_memory(r, TPL_IO_MEMORY | TPL_IO_ADOPT_BUFFER, image, size) != 0) {
            tpl_release(image);
            return -1;
        }
    }
    tpl_node *n = tpl_find_i(r, i);
    if (!n) {
        tpl_hook.report_error("invalid index %d to tpl_unpack\n", i);
        return -1;
    }
    if (!(root->flags & TPL_STATE_LOADED)) {
        tpl_hook.report_error("tpl_unpack: nothing packed or loaded\n");
        return -1;
    }
    if (n->kind == TPL_TYPE_ROOT) {
        const char *pos = tpl_find_data_start(root->source.text);
        UnpackItems(r, r, pos);
        return 1;
    }
    tpl_array_record *rec = tpl_array_of(n);
    if (rec->element_count == 0) return 0;
    if (!rec->read_cursor) tpl_die("must unpack parent of node before node itself\n");
    uint32_t left = rec->element_count--;
    const char *pos = rec->read_cursor;
    UnpackItems(r, n, pos);
    rec->read_cursor = pos;
    return left > INT_MAX ? INT_MAX : static_cast<int>(left);
}
