#include <QCoreApplication>
#include <gtest/gtest.h>

// Qt's database drivers are plugins: they need an application object to be found.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
