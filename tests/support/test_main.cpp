// Entry of every Windows test program: GoogleTest's own main, with a console that Wine passes on.
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
