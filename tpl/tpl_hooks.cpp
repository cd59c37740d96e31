// The hook table, its default error reporters and the allocation helpers.
// The default reporter hands messages to the diagnostics sink (silent unless
// a front end installs one) on its error channel.
#include "tpl_internal.h"

#include "diag.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

extern "C" {

int tpl_oops(const char *fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    int n = velscan::diag::VPrint(velscan::diag::Channel::Error, fmt, ap);
    va_end(ap);
    return n;
}

void tpl_fatal(const char *fmt, ...) {
    char msg[100];
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(msg, sizeof msg, fmt, ap);
    va_end(ap);
    // The process ends here, so the reason must not vanish into a silent
    // sink: the default reporter's message goes straight to standard error.
    if (tpl_hook.report_error == tpl_oops)
        fputs(msg, stderr);
    else
        tpl_hook.report_error("%s", msg);
    exit(-1);
}

tpl_hook_t tpl_hook = {tpl_oops, malloc, realloc, free, tpl_fatal, 0};

}  // extern "C"

void tpl_die(const char *fmt, ...) {
    char msg[100];
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(msg, sizeof msg, fmt, ap);
    va_end(ap);
    tpl_hook.fatal_error("%s", msg);
    // A replaced fatal hook must not return; the engine cannot go on.
    abort();
}

void *tpl_alloc(size_t size) {
    // Zero-byte requests still get a distinct block so null means failure.
    void *p = tpl_hook.allocate(size ? size : 1);
    if (!p) tpl_die("out of memory\n");
    return p;
}

void *tpl_alloc_zero(size_t size) {
    void *p = tpl_alloc(size);
    std::memset(p, 0, size ? size : 1);
    return p;
}

void *tpl_realloc(void *ptr, size_t size) {
    void *p = tpl_hook.reallocate(ptr, size ? size : 1);
    if (!p) tpl_die("out of memory\n");
    return p;
}

void tpl_release(void *ptr) {
    if (ptr) tpl_hook.release(ptr);
}
