// Runs the GUI tests inside a QApplication (offscreen), or, given
// --no-application, without one, for what must work before a window exists.
#include <QApplication>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

bool g_withApplication = true;

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--no-application") == 0)
            g_withApplication = false;
    }
    std::unique_ptr<QApplication> app;
    if (g_withApplication)
        app = std::make_unique<QApplication>(argc, argv);
    return RUN_ALL_TESTS();
}
