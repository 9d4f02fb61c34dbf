#pragma once

#include "core/atomic_file.h"

namespace nvk::files {

// The image files are written and read through the core's all-or-nothing file helpers.
using core::AtomicFile;
using core::DiskSpace;
using core::fileSize;
using core::InputFile;

}  // namespace nvk::files
