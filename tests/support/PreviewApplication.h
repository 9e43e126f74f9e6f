#pragma once

// The start of a preview program (a window to look at with the screenshot
// tool, not a test). Before the QApplication exists: the X11 platform unless
// one was chosen, and shared OpenGL contexts. After it: numbers without
// locale, the data folder beside the executable for the toolkit and the
// program, the application context and its dark style sheet.

#include "app/AppFolders.h"
#include "app/IApplicationContext.h"
#include "app/Utf8.h"
#include "application/qt_context.h"
#include "kyrgx/Resources.h"

#include <QApplication>
#include <clocale>
#include <filesystem>
#include <memory>

namespace quorel::test {

inline void prepare_preview_platform()
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

inline void set_up_preview_application()
{
    std::setlocale(LC_NUMERIC, "C");
    const std::filesystem::path data = std::filesystem::read_symlink("/proc/self/exe").parent_path() / "data";
    kyrgx::set_resource_directory(app::path_to_wide(data));
    app::set_application_folders(app::path_to_wide(data), app::path_to_wide(data.parent_path()));
    application::set_context_factory([] { return std::make_shared<application::qt_context>(); });
    std::dynamic_pointer_cast<application::qt_context>(application::get_context())->loadStyleSheet();
}

} // namespace quorel::test
