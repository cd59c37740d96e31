/* Compiled as C so that the public headers stay usable from C callers. */
#include "velspec_helper.h"
#include "velspec_records.h"
#include "velspec_scan.h"
#include "velspec_scan_col.h"
#include "velspec_scan_had.h"
#include "velspec_util.h"

/* ISO C forbids an empty translation unit. */
typedef int velspec_headers_compile_as_c;
