#pragma once

#include "base/atomic_file.h"

namespace nvk::files {

// The image files are written and read through the core's all-or-nothing file helpers.
using base::AtomicFile;
using base::DiskSpace;
using base::fileSize;
using base::InputFile;

}  // namespace nvk::files
