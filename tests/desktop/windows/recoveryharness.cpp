// A desktop program over a fake microphone that delivers a tone in real time, driven
// without a person: the recovery tests start it, let it edit or record, kill it, and start
// it again to restore. Usage: recovery_harness HOME edit|record|restore|decline
#include "audio/steadymillisecondclock.h"
#include "desktop/dialogs/prompter.h"
#include "desktop/windows/mainwindow.h"
#include "fakeaudioport.h"
#include "pictures/pictureimporter.h"
#include "recorderfakes.h"
#include "shell/browseropener.h"
#include "shell/programsettings.h"
#include "shell/storyrecovery.h"
#include "shell/workingfolderclaim.h"
#include "story/story.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <QTextStream>
#include <QtEndian>

#include <cstdio>

namespace {

class HarnessPrompter : public Prompter
{
public:
    bool restore = false;
    SaveAnswer askSaveChanges() override { return SaveAnswer::No; }
    void inform(const QString& caption, const QString& text, Icon) override
    {
        QTextStream(stderr) << caption << ": " << text << "\n";
    }
    bool confirmNarrationPrompt(NarrationPrompt) override { return true; }
    QString choosePicture(const QString&) override { return {}; }
    bool askYesNo(const QString&, const QString&) override { return false; }
    bool askRestore(const QString& question) override
    {
        QTextStream(stdout) << "ASKED " << question << "\n";
        return restore;
    }
};

class NoBrowser : public BrowserOpener
{
public:
    bool openAddress(const QUrl&) override { return true; }
};

void say(const QByteArray& line)
{
    std::fputs(line.constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

QString picture(const QString& home, int n)
{
    QImage image(320, 200, QImage::Format_RGB32);
    image.fill(QColor(30 * n, 90, 200 - 30 * n));
    // A mark in the top-left corner shows where a rotation took it.
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            image.setPixelColor(x, y, Qt::white);
    QDir().mkpath(home + "pictures");
    const QString path = home + QStringLiteral("pictures/p%1.png").arg(n);
    image.save(path);
    return path;
}

quint32 declaredWaveBytes(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray h = f.read(44);
    return h.size() == 44 ? qFromLittleEndian<quint32>(h.constData() + 40) : 0;
}

//! The edits every run makes: three pictures, texts on every level, a move, a rotation.
void edit(MainWindow& window, const QString& home)
{
    Story& story = window.story();
    for (int n = 0; n < 3; ++n) {
        auto slide = std::make_unique<Slide>(story);
        slide->setSourcePicturePath(picture(home, n));
        story.add(std::move(slide));
    }
    story.waitForImports();
    story.setTitle(QStringLiteral("Trip"));
    story.setDescription(QStringLiteral("day one\r\nday two"));
    story.setTags(QStringLiteral("sea sun"));
    story.slideAt(0)->setCaption(QStringLiteral("first"));
    story.slideAt(1)->setCaption(QStringLiteral("second"));
    story.slideAt(2)->setCaption(QStringLiteral("third"));
    story.slideAt(1)->setCueText(QString(1500, QLatin1Char('c')));
    story.slideAt(2)->setRotation(1);
    story.move(0, 2); // second, third, first
    story.select(1);
    story.setModified(true);
}

QJsonObject describe(Story& story)
{
    QJsonObject o;
    o["title"] = story.title();
    o["description"] = story.description();
    o["tags"] = story.tags();
    o["current"] = story.currentIndex();
    o["modified"] = story.isModified();
    o["file"] = story.storyFilePath();
    QJsonArray slides;
    for (int i = 0; i < story.count(); ++i) {
        const Slide& s = *story.slideAt(i);
        QJsonObject j;
        j["caption"] = s.caption();
        j["cue"] = s.cueText();
        j["rotation"] = s.rotation();
        j["has_narration"] = s.hasNarration();
        j["duration"] = s.narrationLength();
        j["wav_bytes"] = qint64(declaredWaveBytes(s.narrationWavPath()));
        const QImage slideJpeg(s.slideJpegPath());
        j["width"] = slideJpeg.width();
        j["height"] = slideJpeg.height();
        j["ready"] = s.isReady();
        slides.append(j);
    }
    o["slides"] = slides;
    return o;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3)
        return 2;
    const QString home = QDir(args[1]).absolutePath() + QLatin1Char('/');
    const QString mode = args[2];

    ProgramSettings settings;
    settings.setProgramFolder(home);
    FakeAudioBackend audio;
    FakeSoundPlayer player;
    SteadyMillisecondClock clock;
    NoBrowser browser;
    HarnessPrompter prompter;
    prompter.restore = mode == QLatin1String("restore");
    PictureImporter importer;

    // The program's own start-up steps, in its order.
    WorkingFolderClaim working = WorkingFolderClaim::claim(home, WorkingFolderClaim::Use::Desktop);
    if (!working.isValid())
        return 1;
    const QString toRestore = storyrecovery::offerAtStart(
        home, working.path(), [&] { return prompter.askRestore(storyrecovery::restoreQuestion()); });
    MainWindowServices services{
        home, settings, audio, player, clock, browser, prompter, &importer, QStringLiteral("http://127.0.0.1:1")};
    services.workingFolder = working.path();
    auto window = std::make_unique<MainWindow>(services);
    window->show();
    if (!toRestore.isEmpty() && !window->restoreRecovery(toRestore))
        return 1;

    const QString recoveryFile = storyrecovery::fileIn(working.path());
    if (mode == QLatin1String("edit") || mode == QLatin1String("record")) {
        edit(*window, home);
        if (mode == QLatin1String("record")) {
            window->command(MainWindow::RecordCommand);
            const QString wav = window->story().slideAt(window->story().currentIndex())->narrationWavPath();
            // Killed once the disk holds three seconds of the take.
            if (!QTest::qWaitFor([&] { return declaredWaveBytes(wav) >= 3 * 44100; }, 20000))
                return 1;
        }
        // The copy follows within a second of the last change.
        if (!QTest::qWaitFor([&] { return QFileInfo(recoveryFile).isFile(); }, 5000))
            return 1;
        QTest::qWait(1200);
        say("READY");
        return app.exec(); // until killed
    }

    say("STORY " + QJsonDocument(describe(window->story())).toJson(QJsonDocument::Compact));
    // The restored story has its own copy, naming its new media.
    (void)QTest::qWaitFor([&] { return QFileInfo(recoveryFile).isFile(); }, 3000);
    say(QFileInfo(recoveryFile).isFile() ? "COPY KEPT" : "NO COPY");
    window.reset();
    say(QFileInfo(recoveryFile).isFile() ? "COPY LEFT AFTER EXIT" : "CLEAN EXIT");
    return 0;
}
