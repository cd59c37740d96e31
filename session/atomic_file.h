// Writing an output file so that a failure never leaves a partial one.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

#include "status.h"

namespace velscan {

// Runs `write` on a temporary file in the same folder as `path`, flushes it to
// disk and renames it over `path`; on any failure (write returns false, a
// short write, a full disk) the temporary file is removed and kErrOutputFile
// names the file and the system's reason. A path that exists and is not a
// regular file (a terminal, /dev/null, a pipe) is written directly, since
// renaming over it would replace the device node.
Status WriteFileAtomically(const std::string &path, const std::function<bool(std::FILE *)> &write);

}  // namespace velscan
