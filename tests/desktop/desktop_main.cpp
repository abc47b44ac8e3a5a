#include <gtest/gtest.h>

#include <QGuiApplication>

int main(int argc, char** argv)
{
    // Window layouts are computed from the windows' font without a display of the test's own.
    int qtArgc = 3;
    char program[] = "kovaro_desktop_tests", option[] = "-platform", platform[] = "offscreen";
    char* qtArgv[] = {program, option, platform, nullptr};
    QGuiApplication application(qtArgc, qtArgv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
