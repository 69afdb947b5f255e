#include <gtest/gtest.h>

#include <QApplication>

#include <cstdlib>

int main(int argc, char** argv)
{
    // Headless widgets, the in-process simulated gang box, quick time-outs,
    // and folders of the file dialogs kept apart from the user's.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("QMR_LINK", "sim", 1);
    setenv("QMR_READ_TIMEOUT_MS", "300", 1);
    setenv("QMR_SIM_DIR", "", 1);
    setenv("XDG_CONFIG_HOME", "/tmp/gang-tests-config", 1);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
