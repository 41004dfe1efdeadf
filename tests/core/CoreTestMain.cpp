// The main of the widget-free logic tests of the sanitizer build: QtCore only, and the same
// private environment as every other test executable.
#include "support/TestEnvironment.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    TestEnvironment environment;
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
