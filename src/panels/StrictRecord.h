#pragma once

#include "device/VsxError.h"

namespace VSXUtil {

// The error record of the wrapper layer's reads: a failure of the camera
// library always throws vsx::VSXException (the catch blocks of update and
// set_value log it), whatever the library-wide throwing mode. One per thread.
inline vsx::Error& strict_record()
{
    thread_local vsx::Error record(vsx::Error::Throw);
    return record;
}

} // namespace VSXUtil
