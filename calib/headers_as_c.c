/* Compiled as C so that the public header stays usable from C callers. */
#include "velspec_calib.h"

/* ISO C forbids an empty translation unit. */
typedef int velspec_calib_header_compiles_as_c;
