#include <clocale>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // Tests see the same numeric locale the program sets at start-up.
    std::setlocale(LC_NUMERIC, "C");
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
