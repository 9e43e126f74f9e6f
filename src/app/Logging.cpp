#include "app/Logging.h"

#include "app/ProductInfo.h"
#include "app/Utf8.h"

#include <memory>
#include <spdlog/sinks/ansicolor_sink.h>
#include <spdlog/sinks/rotating_file_sink.h>
#include <spdlog/spdlog.h>

namespace app {

void setup_logging(const std::wstring& settings_directory)
{
    const std::string log_path = (path_from_wide(settings_directory) / "log.txt").string();

    auto console = std::make_shared<spdlog::sinks::ansicolor_stdout_sink_mt>(spdlog::color_mode::automatic);
    auto file = std::make_shared<spdlog::sinks::rotating_file_sink_mt>(log_path, kLogFileMaxBytes,
                                                                         kLogFileRotations, true);
    auto logger = std::make_shared<spdlog::logger>(kProductName, spdlog::sinks_init_list{console, file});

    logger->flush_on(spdlog::level::info);  // the log survives a crash or a kill

    spdlog::drop(kProductName);  // a second set-up in one process replaces the first
    spdlog::register_logger(logger);
    spdlog::set_default_logger(logger);

    spdlog::info("################## new session ####################");
    spdlog::info("Version: {}", get_title());
    spdlog::info("###################################################");
}

void shutdown_logging()
{
    spdlog::shutdown();
    spdlog::set_default_logger(std::make_shared<spdlog::logger>(kProductName));
}

}  // namespace app
