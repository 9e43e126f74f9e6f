#include "support/GlDrivers.h"
#include "support/TempHome.h"

#include <QApplication>
#include <clocale>
#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    quorel::test::TempHome home;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    const int result = RUN_ALL_TESTS();
    // Before the application closes the display and with it Mesa's driver, so
    // that the leak checker can still name the driver's library (OpenGL
    // widget tests make their contexts through Qt, not through GlContext.cpp).
    quorel::test::keep_gl_drivers_loaded();
    return result;
}
