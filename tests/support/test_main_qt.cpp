#include <QApplication>
#include <gtest/gtest.h>

#include "test_environment.h"

// Test programs of folders that use Qt Widgets: offscreen, no window ever
// shows and nothing waits for a person.
int main(int argc, char** argv)
{
    lxtest::PinTestEnvironment();
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName("QV-Lumadex");
    return RUN_ALL_TESTS();
}
