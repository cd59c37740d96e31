// Temporary stubs: every entry point fails until the engine lands.
#include "tpl.h"

#include <cstdio>
#include <cstdlib>

extern "C" {

int tpl_oops(const char *fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    int n = vfprintf(stderr, fmt, ap);
    va_end(ap);
    return n;
}

void tpl_fatal(const char *fmt, ...) {
    (void)fmt;
    exit(-1);
}

tpl_hook_t tpl_hook = {tpl_oops, malloc, realloc, free, tpl_fatal, 0};

tpl_node *tpl_map(const char *, ...) { return nullptr; }
tpl_node *tpl_map_va(const char *, va_list) { return nullptr; }
int tpl_pack(tpl_node *, int) { return -1; }
int tpl_unpack(tpl_node *, int) { return -1; }
int tpl_dump(tpl_node *, int, ...) { return -1; }
int tpl_load(tpl_node *, int, ...) { return -1; }
int tpl_Alen(tpl_node *, int) { return -1; }
void tpl_free(tpl_node *) {}
const char *tpl_fmt(tpl_node *) { return nullptr; }
const uint32_t *tpl_fxlens(tpl_node *, uint32_t *n) { if (n) *n = 0; return nullptr; }
char *tpl_peek(int, ...) { return nullptr; }
int tpl_jot(int, ...) { return -1; }
int tpl_gather(int, ...) { return -1; }
}
