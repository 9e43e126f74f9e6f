// Quorel: live images, capture and measurement for industrial and microscope cameras.

#include "app/AppFolders.h"
#include "app/IApplicationContext.h"
#include "app/Logging.h"
#include "app/ProductInfo.h"
#include "app/Utf8.h"
#include "application/TerminationSignals.h"
#include "application/qt_context.h"
#include "kyrgx/Resources.h"

#include <filesystem>
#include <spdlog/spdlog.h>

namespace fs = std::filesystem;

int main(int argc, char** argv)
{
    application::TerminationSignals::install();
    application::set_context_factory([] { return std::make_shared<application::qt_context>(); });

    try {
        // Folders that cannot be used (a home folder that is not UTF-8, none at
        // all) end the program here with a message that names them.
        const std::string title = app::get_title();
        const fs::path exeDir = app::path_from_wide(app::get_application_directory());
        app::set_application_folders(app::path_to_wide(exeDir / "data"),
                                     app::path_to_wide(exeDir.parent_path() / title));
        kyrgx::set_resource_directory(app::path_to_wide(exeDir / "data"));
        app::setup_logging(app::get_settings_directory());
        application::get_context()->run(argc, argv);
    } catch (const std::exception& e) {
        spdlog::error("Unhandled Exception: {}", e.what());
        app::shutdown_logging();
        application::get_context()->deleteController();
        return -1;
    }
    app::shutdown_logging();
    application::get_context()->deleteController();
    return 0;
}
