// Publishing a 50-slide story with 60-second narrations: media preparation on the
// machine's cores, then verify and upload to a local pictorelle-web.
#include "audio/encodeprogress.h"
#include "audio/mp3codec.h"
#include "pictures/pictureimporter.h"
#include "publish/curlglobal.h"
#include "publish/curlserviceclient.h"
#include "publish/mediapreparation.h"
#include "publish/publicationrun.h"
#include "shell/useraccount.h"
#include "story/story.h"

#include "benchmedia.h"
#include "referenceservice.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QThreadPool>
#include <QtEndian>

#include <cmath>
#include <cstdio>

namespace {

qint64 peakKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    const auto m = QRegularExpression(QStringLiteral("VmHWM:\\s+(\\d+)")).match(QString::fromLatin1(status.readAll()));
    return m.hasMatch() ? m.captured(1).toLongLong() : -1;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (!loadMp3Codec()) {
        std::fprintf(stderr, "publish_bench: the MP3 encoder library is missing\n");
        return 1;
    }
    QTemporaryDir dir;
    const QString home = dir.path() + QStringLiteral("/");
    QDir().mkpath(home + QStringLiteral("pictures"));

    PictureImporter importer;
    Story story(home, &importer);
    const QByteArray wav = benchSpeech(60);
    for (int i = 0; i < Story::MaxSlides; ++i) {
        auto slide = std::make_unique<Slide>(story);
        slide->setSourcePicturePath(benchPicture(home + QStringLiteral("pictures"), i, 1600, 1067));
        story.add(std::move(slide));
    }
    story.waitForImports();
    benchNarrate(story, wav, 60);
    story.setTitle(QStringLiteral("Benchmark"));
    story.setDescription(QStringLiteral("Fifty slides"));
    story.setTags(QStringLiteral("bench"));
    story.setCategoryId(1000000);

    // Preparation: 50 narrations of 60 s encoded, 50 pictures made again.
    QElapsedTimer t;
    t.start();
    QThreadPool pool;
    pool.setMaxThreadCount(QThread::idealThreadCount());
    EncodeProgress progress;
    {
        MediaPreparation preparation(story, pool, nullptr, progress);
        preparation.start();
        while (!preparation.isFinished())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents); // results arrive as events
    }
    const qint64 prepareMs = t.elapsed();

    // Upload to a local reference service.
    ReferenceService web(QStringLiteral(PICTORELLE_WEB), home + QStringLiteral("service"));
    const QString base = web.base();
    if (base.isEmpty() || !web.addUser(QStringLiteral("bench"), QStringLiteral("bench"))) {
        std::fprintf(stderr, "publish_bench: pictorelle-web did not start\n");
        return 1;
    }
    UserAccount account;
    account.setUserName(QStringLiteral("bench"));
    account.setPassword(QString::fromLatin1(QCryptographicHash::hash("bench", QCryptographicHash::Md5).toHex()));

    qint64 bytes = 0;
    for (int i = 0; i < story.count(); ++i) {
        const Slide& s = *story.slideAt(i);
        bytes += QFileInfo(s.slideJpegPath()).size() + QFileInfo(s.thumbnailJpegPath()).size() +
                 QFileInfo(s.narrationMp3Path()).size();
    }
    CurlGlobal curl;
    CurlServiceClient client;
    const qint64 peakBefore = peakKiB();
    PublicationRun run({story, account, client, nullptr, base, {}});
    run.start();
    QElapsedTimer upload;
    bool uploading = false;
    qint64 uploadMs = 0;
    while (!run.isFinished()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        run.preparationTick();
        run.verifyTick();
        run.progressTick();
        if (!uploading && run.phase() == PublicationRun::Phase::Uploading) {
            uploading = true;
            upload.start();
        }
        QThread::msleep(2);
    }
    if (uploading)
        uploadMs = upload.elapsed();
    if (run.phase() != PublicationRun::Phase::Published) {
        std::fprintf(stderr, "publish_bench: publishing failed: %s %s\n", qPrintable(run.statusWord()),
                     qPrintable(run.failureDetail()));
        return 1;
    }
    std::printf("Publishing 50 slides with 60 s narrations (%d cores)\n", QThread::idealThreadCount());
    std::printf("  preparation (50 MP3s of 60 s + 50 pictures)  %7lld ms\n", static_cast<long long>(prepareMs));
    std::printf("  upload of %.1f MB to the local service       %7lld ms  (%.1f MB/s)\n", bytes / 1e6,
                static_cast<long long>(uploadMs), uploadMs > 0 ? bytes / 1e3 / uploadMs : 0.0);
    std::printf("  client peak memory: %lld KiB before the run, %lld KiB after (upload size %lld KiB)\n",
                static_cast<long long>(peakBefore), static_cast<long long>(peakKiB()),
                static_cast<long long>(bytes / 1024));
    return 0;
}
