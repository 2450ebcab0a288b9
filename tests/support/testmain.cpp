#include <QGuiApplication>
#include <gtest/gtest.h>

// Every test executable gets a QGuiApplication (offscreen platform) so that
// queued calls, QImage painting and event loops behave as in the program.
int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
