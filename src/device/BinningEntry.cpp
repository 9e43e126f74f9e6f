#include "device/BinningEntry.h"

#include <fmt/format.h>

namespace app {

std::string BinningEntry::text() const
{
    if (mode == Disabled)
        return "Disabled";
    const char* word = mode == Binning ? "Binning" : "Decimation";
    if (horizontal <= 1 && vertical <= 1)
        return fmt::format("{} Disabled", word);
    if (horizontal > 1 && vertical == 1)
        return fmt::format("{} {}x Horizontal", word, horizontal);
    if (vertical > 1 && horizontal == 1)
        return fmt::format("{} {}x Vertical", word, vertical);
    if (horizontal == vertical)
        return fmt::format("{} {}x", word, horizontal);
    return fmt::format("{} {}x Vertical {}x Horizontal", word, vertical, horizontal);
}

} // namespace app
