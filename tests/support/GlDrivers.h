#pragma once

namespace quorel::test {

// Keeps every loaded DRI driver (Mesa) in memory until the process ends. Mesa
// unloads its driver when the display closes; the leak checker, which runs
// after that, then cannot name the library of the driver's process-lifetime
// caches and reports them instead of applying tests/lsan.supp. Call it while
// an OpenGL context exists or the display is still open; without a loaded
// driver it does nothing.
void keep_gl_drivers_loaded();

} // namespace quorel::test
