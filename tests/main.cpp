#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    // Every test that opens a link reaches the in-process simulated unit,
    // and a unit that falls silent is given up on quickly.
    setenv("QMR_LINK", "sim", 1);
    setenv("QMR_READ_TIMEOUT_MS", "300", 1);
    setenv("QMR_SIM_DIR", "", 1);  // the simulated unit keeps its store in memory
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
