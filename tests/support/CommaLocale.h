#pragma once

#include "support/TempHome.h"

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace quorel::test {

// Puts LC_NUMERIC on a German locale, whose decimal separator is a comma, for
// the life of the object, then back on "C". The system may hold no such
// locale, so it is compiled into a temporary folder first. active() tells
// whether the comma is really in force (printf writes 0.5 as "0,500000").
class CommaLocale {
public:
    CommaLocale()
    {
        const auto locales = make_temp_dir("locale");
        const std::string compile =
            "localedef -i de_DE -f UTF-8 '" + (locales / "de_DE.UTF-8").string() + "' 2>&1";
        if (std::system(compile.c_str()) != 0)
            return;
        setenv("LOCPATH", locales.c_str(), 1);
        if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8"))
            return;
        char probe[32];
        std::snprintf(probe, sizeof probe, "%f", 0.5);
        active_ = std::string(probe) == "0,500000";
    }
    ~CommaLocale()
    {
        std::setlocale(LC_NUMERIC, "C");
        unsetenv("LOCPATH");
    }
    CommaLocale(const CommaLocale&) = delete;
    CommaLocale& operator=(const CommaLocale&) = delete;

    bool active() const { return active_; }

private:
    bool active_ = false;
};

} // namespace quorel::test
