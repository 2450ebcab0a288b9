#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// The desktop the screen tests run on, side by side on the offscreen platform: a big monitor,
// a 1366 × 768 laptop screen, a 1024 × 600 netbook and a screen at device pixel ratio 2.
int main(int argc, char** argv)
{
    QTemporaryDir folder;
    const QString configFile = folder.filePath(QStringLiteral("screens.json"));
    QFile config(configFile);
    if (!folder.isValid() || !config.open(QIODevice::WriteOnly) || config.write(R"({"screens": [
  {"name": "monitor", "x": 0, "y": 0, "width": 1920, "height": 1200, "logicalDpi": 96, "dpr": 1},
  {"name": "laptop", "x": 1920, "y": 0, "width": 1366, "height": 768, "logicalDpi": 96, "dpr": 1},
  {"name": "netbook", "x": 3286, "y": 0, "width": 1024, "height": 600, "logicalDpi": 96, "dpr": 1},
  {"name": "double", "x": 4310, "y": 0, "width": 1600, "height": 1000, "logicalDpi": 96, "dpr": 2}
]})") < 0) {
        std::fputs("screens_tests: cannot write the screen configuration\n", stderr);
        return 1;
    }
    config.close();
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (platform.isEmpty() || platform == "offscreen")
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + configFile.toLocal8Bit());
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
