// Include in exactly one source of a test program that draws plots.
// Fontconfig (under Cairo's text) keeps pattern caches for the life of the
// process that the leak checker cannot see a reference to; those, and only
// those, are not reported.
#pragma once

extern "C" const char *__lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
