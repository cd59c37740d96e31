// Parsing a format string into a node tree bound to the caller's variables,
// index lookup, and releasing a tree and what it holds.
#include "tpl_internal.h"

#include <cstdarg>

namespace {

// A run of '#' holds at most this many counts.
constexpr int tpl_max_pound_run = 10;

tpl_node *NodeNew(tpl_node *parent, int kind) {
    auto *n = static_cast<tpl_node *>(tpl_alloc_zero(sizeof(tpl_node)));
    n->kind = kind;
    n->count = 1;
    n->parent = parent;
    return n;
}

void AppendChild(tpl_node *parent, tpl_node *child) {
    tpl_node *first = parent->first_child;
    if (!first) {
        parent->first_child = child;
        child->prev_sibling = child;
        return;
    }
    tpl_node *last = first->prev_sibling;
    last->next_sibling = child;
    child->prev_sibling = last;
    first->prev_sibling = child;
}

tpl_node *LastChild(tpl_node *parent) {
    return parent->first_child ? parent->first_child->prev_sibling : nullptr;
}

int KindOf(char c) {
    for (int k = 0; k < TPL_NUM_TYPES; k++) {
        if (tpl_types[k].c == c) return k;
    }
    return -1;
}

size_t AlignOfKind(int kind) {
    if (kind == TPL_TYPE_DOUBLE || kind == TPL_TYPE_INT64 || kind == TPL_TYPE_UINT64) return 8;
    return tpl_kind_size(kind);
}

// Offset of the next field of a record under natural alignment: the end of
// the previous field rounded up to the alignment of kind. Offsets beyond
// 32-bit signed range are refused.
bool calc_field_addr(tpl_node *parent, int kind, uintptr_t base, int ordinal, uintptr_t *addr) {
    if (ordinal == 1) {
        *addr = base;
        return true;
    }
    tpl_node *prev = LastChild(parent);
    uint64_t end = (reinterpret_cast<uintptr_t>(prev->target) - base) +
                   uint64_t{prev->count} * tpl_kind_size(prev->kind);
    uint64_t align = AlignOfKind(kind);
    uint64_t offset = (end + align - 1) / align * align;
    if (offset > INT32_MAX) return false;
    *addr = base + offset;
    return true;
}

void AddArray(tpl_root_record *root, tpl_node *n) {
    root->arrays =
        static_cast<tpl_node **>(tpl_realloc(root->arrays, (root->num_arrays + 1) * sizeof(tpl_node *)));
    root->arrays[root->num_arrays++] = n;
}

void AddFxlen(tpl_root_record *root, uint32_t len) {
    root->fxlens =
        static_cast<uint32_t *>(tpl_realloc(root->fxlens, (root->num_fxlens + 1) * sizeof(uint32_t)));
    root->fxlens[root->num_fxlens++] = len;
}

// Reallocates a field's storage for count values per record over records.
bool ResizeBuffer(tpl_node *n, uint64_t per_record, uint64_t records) {
    uint64_t bytes = per_record * records * tpl_kind_size(n->kind);
    if (per_record * records > UINT32_MAX || bytes > tpl_max_bytes) return false;
    n->buffer = tpl_realloc(n->buffer, bytes);
    std::memset(n->buffer, 0, bytes);
    return true;
}

// Bytes one item takes in a packed array element.
size_t SlotSize(tpl_node *n) {
    if (n->kind == TPL_TYPE_ARY || n->kind == TPL_TYPE_BIN) return sizeof(void *);
    return size_t{n->count} * tpl_kind_size(n->kind);
}

// Sizes every array's packed element; false if one cannot be represented.
bool SizeElements(tpl_root_record *root) {
    for (uint32_t a = 0; a < root->num_arrays; a++) {
        tpl_node *n = root->arrays[a];
        uint64_t size = 0;
        tpl_for_each_item(n, [&](tpl_node *c, uint32_t, size_t) {
            size += SlotSize(c);
            return size <= tpl_max_bytes;
        });
        if (size > tpl_max_bytes) return false;
        tpl_array_of(n)->element_size = static_cast<size_t>(size);
    }
    return true;
}

enum class closed { none, record, group, array };

struct Parser {
    const char *fmt;
    va_list ap;
    tpl_node *root;
    tpl_node *parent;
    bool expect_paren = false;
    int depth = 0;
    int record_marker = 0;  // 0 outside a record, else depth + 1 of its S
    int open_groups = 0;    // open $( groups
    uintptr_t record_base = 0;
    int ordinal = 0;
    tpl_node *first_field = nullptr;
    tpl_node *largest_field = nullptr;
    uint64_t stride = 0;
    closed last_closed = closed::none;

    bool Scalar(int kind);
    bool PoundRun(size_t &i);
    bool CloseParen(size_t i);
    bool Run();
};

bool Parser::Scalar(int kind) {
    if (expect_paren) return false;
    uintptr_t field_addr = 0;
    if (record_marker && !calc_field_addr(parent, kind, record_base, ordinal, &field_addr)) return false;
    tpl_node *n = NodeNew(parent, kind);
    AppendChild(parent, n);
    n->buffer = tpl_alloc_zero(tpl_kind_size(kind));
    if (record_marker) {
        if (ordinal == 1) {
            first_field = n;
            largest_field = n;
        } else if (tpl_kind_size(kind) > tpl_kind_size(largest_field->kind)) {
            largest_field = n;
        }
        n->target = reinterpret_cast<void *>(field_addr);
        ordinal++;
    } else {
        n->target = va_arg(ap, void *);
    }
    return true;
}

bool Parser::CloseParen(size_t i) {
    depth--;
    if (depth < 0 || fmt[i - 1] == '(') return false;
    if (open_groups > 0) {
        open_groups--;
        last_closed = closed::group;
        return true;
    }
    if (record_marker && depth == record_marker - 1) {
        uintptr_t end = 0;
        if (!calc_field_addr(parent, largest_field->kind, record_base, ordinal, &end)) return false;
        ordinal++;
        stride = end - record_base;
        record_marker = 0;
        last_closed = closed::record;
        return true;
    }
    if (parent->kind != TPL_TYPE_ARY) return false;
    parent = parent->parent;
    last_closed = closed::array;
    return true;
}

bool Parser::PoundRun(size_t &i) {
    tpl_node *last = LastChild(parent);
    if (!last) return false;
    const char prev = fmt[i - 1];
    bool after_record;
    if (prev == ')') {
        // Only a record may be repeated; a run after an array or a $( group
        // has no meaning in an image.
        if (last_closed != closed::record) return false;
        after_record = true;
    } else if (std::strchr("iucjvIUfs", prev)) {
        // The scalar or string just parsed is the parent's last child.
        after_record = false;
    } else {
        return false;
    }

    tpl_root_record *root_rec = tpl_root_of(root);
    uint64_t product = 1;
    int run = 0;
    for (; fmt[i] == '#'; i++) {
        if (++run > tpl_max_pound_run) tpl_die("contiguous # exceeds hardcoded limit\n");
        int count = va_arg(ap, int);
        if (count < 1) tpl_die("non-positive iteration count %d\n", count);
        product *= static_cast<uint64_t>(count);
        if (product > UINT32_MAX) return false;
        AddFxlen(root_rec, static_cast<uint32_t>(count));
        root->out_size += 4;
    }
    i--;  // the caller's loop steps past the run's last '#'

    if (!after_record) {
        if (!ResizeBuffer(last, product, 1)) return false;
        last->count = static_cast<uint32_t>(product);
        return true;
    }
    if (stride * product > tpl_max_bytes) return false;
    tpl_node *rep = NodeNew(parent, TPL_TYPE_POUND);
    AppendChild(parent, rep);
    auto *rr = static_cast<tpl_repeat_record *>(tpl_alloc_zero(sizeof(tpl_repeat_record)));
    rep->buffer = rr;
    rep->count = static_cast<uint32_t>(product);
    rr->stride = static_cast<size_t>(stride);
    rr->group_start = first_field;
    for (tpl_node *f = first_field; f != rep; f = f->next_sibling) {
        if (!ResizeBuffer(f, f->count, product)) return false;
    }
    return true;
}

bool Parser::Run() {
    tpl_root_record *root_rec = tpl_root_of(root);
    for (size_t i = 0; fmt[i]; i++) {
        const char c = fmt[i];
        // A '(' may only follow S, A or $, and they must be followed by one.
        if (expect_paren && c != '(') return false;
        switch (c) {
            case 'i':
            case 'u':
            case 'c':
            case 'j':
            case 'v':
            case 'I':
            case 'U':
            case 'f':
            case 's':
                if (!Scalar(KindOf(c))) return false;
                break;
            case 'S':
                if (record_marker) return false;
                expect_paren = true;
                ordinal = 1;
                record_marker = depth + 1;
                record_base = reinterpret_cast<uintptr_t>(va_arg(ap, void *));
                break;
            case 'A': {
                if (record_marker) return false;
                tpl_node *n = NodeNew(parent, TPL_TYPE_ARY);
                AppendChild(parent, n);
                n->buffer = tpl_alloc_zero(sizeof(tpl_array_record));
                AddArray(root_rec, n);
                parent = n;
                expect_paren = true;
                break;
            }
            case 'B': {
                if (record_marker) return false;
                tpl_node *n = NodeNew(parent, TPL_TYPE_BIN);
                AppendChild(parent, n);
                n->buffer = tpl_alloc_zero(sizeof(tpl_binary *));
                n->target = va_arg(ap, void *);
                break;
            }
            case '$':
                if (!record_marker) return false;
                expect_paren = true;
                open_groups++;
                break;
            case '(':
                if (!expect_paren) return false;
                expect_paren = false;
                depth++;
                break;
            case ')':
                if (!CloseParen(i)) return false;
                break;
            case '#':
                if (!PoundRun(i)) return false;
                break;
            default:
                tpl_hook.report_error("unsupported option %c\n", c);
                return false;
        }
    }
    return depth == 0 && !expect_paren && SizeElements(root_rec);
}

}  // namespace

extern "C" tpl_node *tpl_map_va(const char *fmt, va_list ap) {
    if (!fmt) return nullptr;
    tpl_node *root = NodeNew(nullptr, TPL_TYPE_ROOT);
    root->buffer = tpl_alloc_zero(sizeof(tpl_root_record));
    tpl_root_of(root)->source.fd = -1;
    // Magic, flags and total length, the format and its zero; '#' adds 4.
    root->out_size = 4 + (std::strlen(fmt) + 1) + 4;

    Parser p{};
    p.fmt = fmt;
    va_copy(p.ap, ap);
    p.root = root;
    p.parent = root;
    bool ok = p.Run();
    va_end(p.ap);
    if (!ok) {
        tpl_hook.report_error("failed to parse %s\n", fmt);
        tpl_free(root);
        return nullptr;
    }
    size_t len = std::strlen(fmt) + 1;
    char *copy = static_cast<char *>(tpl_alloc(len));
    std::memcpy(copy, fmt, len);
    tpl_root_of(root)->fmt = copy;
    return root;
}

extern "C" tpl_node *tpl_map(const char *fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    tpl_node *r = tpl_map_va(fmt, ap);
    va_end(ap);
    return r;
}

tpl_node *tpl_find_i(tpl_node *r, int i) {
    if (!r || r->kind != TPL_TYPE_ROOT) return nullptr;
    if (i == 0) return r;
    tpl_root_record *root = tpl_root_of(r);
    if (i < 0 || static_cast<uint32_t>(i) > root->num_arrays) return nullptr;
    return root->arrays[i - 1];
}

extern "C" int tpl_Alen(tpl_node *r, int i) {
    tpl_node *n = tpl_find_i(r, i);
    if (!n) {
        tpl_hook.report_error("invalid index %d to tpl_unpack\n", i);
        return -1;
    }
    if (n->kind == TPL_TYPE_ROOT) return -1;
    return static_cast<int>(tpl_array_of(n)->element_count);
}

extern "C" const char *tpl_fmt(tpl_node *r) {
    if (!r || r->kind != TPL_TYPE_ROOT) return nullptr;
    return tpl_root_of(r)->fmt;
}

extern "C" const uint32_t *tpl_fxlens(tpl_node *r, uint32_t *num_fxlens) {
    if (!r || r->kind != TPL_TYPE_ROOT) {
        if (num_fxlens) *num_fxlens = 0;
        return nullptr;
    }
    tpl_root_record *root = tpl_root_of(r);
    if (num_fxlens) *num_fxlens = root->num_fxlens;
    return root->fxlens;
}

void tpl_release_binary(tpl_binary *b) {
    if (!b) return;
    tpl_release(b->addr);
    tpl_release(b);
}

namespace {

// Releases what the node buffers of parent's items own (string copies,
// binary copies, packed array elements) and leaves the slots empty.
void ReleaseNodeContents(tpl_node *parent) {
    tpl_for_each_item(parent, [](tpl_node *c, uint32_t rec, size_t) {
        if (c->kind == TPL_TYPE_STR) {
            char **slots = static_cast<char **>(c->buffer) + size_t{rec} * c->count;
            for (uint32_t k = 0; k < c->count; k++) {
                tpl_release(slots[k]);
                slots[k] = nullptr;
            }
        } else if (c->kind == TPL_TYPE_BIN) {
            auto **slot = static_cast<tpl_binary **>(c->buffer);
            tpl_release_binary(*slot);
            *slot = nullptr;
        } else if (c->kind == TPL_TYPE_ARY) {
            ReleaseNodeContents(c);
        }
        return true;
    });
}

// Empties every array: releases its packed elements and starts a new record.
void ResetArrays(tpl_root_record *root) {
    for (uint32_t a = 0; a < root->num_arrays; a++) {
        tpl_node *n = root->arrays[a];
        tpl_array_record *old = tpl_array_of(n);
        size_t element_size = old->element_size;
        tpl_free_atyp(n, old);
        auto *fresh = static_cast<tpl_array_record *>(tpl_alloc_zero(sizeof(tpl_array_record)));
        fresh->element_size = element_size;
        n->buffer = fresh;
        n->out_size = 0;
    }
}

void FreeNodes(tpl_node *n) {
    // An array's packed elements are walked through its item nodes, so they
    // go before the children do.
    if (n->kind == TPL_TYPE_ARY) {
        if (n->buffer) tpl_free_atyp(n, tpl_array_of(n));
    } else if (n->kind != TPL_TYPE_ROOT) {
        tpl_release(n->buffer);
    }
    tpl_node *c = n->first_child;
    while (c) {
        tpl_node *next = c->next_sibling;
        FreeNodes(c);
        c = next;
    }
    if (n->kind != TPL_TYPE_ROOT) tpl_release(n);
}

}  // namespace

void tpl_free_atyp(tpl_node *n, tpl_array_record *rec) {
    tpl_backbone_elem *e = rec->first;
    while (e) {
        tpl_backbone_elem *next = e->next;
        char *slot = tpl_elem_payload(e);
        tpl_for_each_item(n, [&](tpl_node *c, uint32_t, size_t) {
            if (c->kind == TPL_TYPE_STR) {
                for (uint32_t k = 0; k < c->count; k++) {
                    tpl_release(tpl_get_ptr(slot + k * sizeof(char *)));
                }
            } else if (c->kind == TPL_TYPE_ARY) {
                auto *nested = static_cast<tpl_array_record *>(tpl_get_ptr(slot));
                if (nested) tpl_free_atyp(c, nested);
            } else if (c->kind == TPL_TYPE_BIN) {
                tpl_release_binary(static_cast<tpl_binary *>(tpl_get_ptr(slot)));
            }
            slot += SlotSize(c);
            return true;
        });
        tpl_release(e);
        e = next;
    }
    tpl_release(rec);
}

void tpl_free_keep_map(tpl_node *r) {
    tpl_root_record *root = tpl_root_of(r);
    tpl_give_up_image(r);
    ReleaseNodeContents(r);
    ResetArrays(root);
    root->flags = 0;
}

extern "C" void tpl_free(tpl_node *r) {
    if (!r || r->kind != TPL_TYPE_ROOT) return;
    tpl_root_record *root = tpl_root_of(r);
    tpl_give_up_image(r);
    ReleaseNodeContents(r);
    FreeNodes(r);
    tpl_release(root->arrays);
    tpl_release(root->fmt);
    tpl_release(root->fxlens);
    tpl_release(root);
    tpl_release(r);
}
