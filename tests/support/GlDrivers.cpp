#include "support/GlDrivers.h"

#include <cstring>
#include <dlfcn.h>
#include <link.h>

namespace quorel::test {

void keep_gl_drivers_loaded()
{
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void*) {
            if (info->dlpi_name && std::strstr(info->dlpi_name, "_dri.so"))
                dlopen(info->dlpi_name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
            return 0;
        },
        nullptr);
}

} // namespace quorel::test
