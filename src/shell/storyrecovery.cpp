#include "shell/storyrecovery.h"

#include "audio/waverepair.h"
#include "story/linereader.h"
#include "story/pictureimportservice.h"
#include "story/story.h"
#include "story/storyfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <vector>

namespace {

constexpr int KeeperIntervalMs = 1000;
constexpr int BytesPerSecond = 44100;

const QLatin1String savedAsKey("R_SAVED_AS=");
const QLatin1String currentKey("R_CURRENT=");

QString rotationKey(int index)
{
    return QStringLiteral("R%1_ROTATION=").arg(index);
}

//! The file the slide's picture can be made from again: the working copy once imported, the
//! author's own file before, the slide JPEG when neither is left.
QString pictureSource(const Slide& slide)
{
    if (QFileInfo(slide.sourcePicturePath()).isFile())
        return slide.sourcePicturePath();
    return slide.slideJpegPath();
}

struct Trailer
{
    QString savedAs;
    int current = -1;
    std::vector<int> rotations;
};

Trailer readTrailer(const QString& recoveryFile)
{
    Trailer t;
    QFile file(recoveryFile);
    if (!file.open(QIODevice::ReadOnly))
        return t;
    LineReader reader(fromUtf16Le(file.readAll()));
    bool inTrailer = false;
    while (auto line = reader.readLine(1 << 20)) {
        if (line->startsWith(savedAsKey)) {
            // The trailer is the file's last part: a line like it in a cue card is followed
            // by the real one, which starts afresh.
            t = Trailer();
            inTrailer = true;
            t.savedAs = line->mid(savedAsKey.size());
        } else if (inTrailer && line->startsWith(currentKey)) {
            t.current = leadingInt(QStringView(*line).mid(currentKey.size())).value_or(-1);
        } else if (inTrailer && line->startsWith(QLatin1Char('R'))) {
            const int underscore = int(line->indexOf(QLatin1String("_ROTATION=")));
            if (underscore < 2)
                continue;
            const auto index = leadingInt(QStringView(*line).mid(1, underscore - 1));
            const auto turns = leadingInt(QStringView(*line).mid(underscore + 10));
            if (index && turns && *index >= 0 && *index < Story::MaxSlides) {
                if (t.rotations.size() <= size_t(*index))
                    t.rotations.resize(size_t(*index) + 1, 0);
                t.rotations[size_t(*index)] = *turns % 4;
            }
        }
    }
    return t;
}

} // namespace

namespace storyrecovery {

QString fileIn(const QString& workingFolder)
{
    return workingFolder + QStringLiteral("recovery.sld");
}

QString asideFolder(const QString& programFolder)
{
    return programFolder + QStringLiteral("temp-restore/");
}

QString text(Story& story)
{
    std::vector<SlideMedia> media;
    for (int i = 0; i < story.count(); ++i) {
        const Slide& s = *story.slideAt(i);
        // A take being recorded is named too: its file holds every second that reached the disk.
        const bool narration = s.hasNarration() || s.isRecording();
        media.push_back({pictureSource(s), narration ? s.narrationWavPath() : QString()});
    }
    QString content = storyFileText(story, 0, media);
    content += savedAsKey + story.storyFilePath() + QLatin1Char('\n');
    content += currentKey + QString::number(story.currentIndex()) + QLatin1Char('\n');
    for (int i = 0; i < story.count(); ++i)
        if (const int turns = story.slideAt(i)->rotation() % 4; turns != 0)
            content += rotationKey(i) + QString::number(turns) + QLatin1Char('\n');
    return content;
}

bool write(Story& story, const QString& path)
{
    QSaveFile file(path);
    const QByteArray bytes = toUtf16Le(text(story));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

QString find(const QString& programFolder, const QString& workingFolder)
{
    const QString aside = fileIn(asideFolder(programFolder));
    if (QFileInfo(aside).isFile())
        return aside;
    const QString here = fileIn(workingFolder);
    return QFileInfo(here).isFile() ? here : QString();
}

QString setAside(const QString& programFolder, const QString& recoveryFile)
{
    const QString aside = asideFolder(programFolder);
    if (QFileInfo(recoveryFile).absolutePath() + QLatin1Char('/') == aside)
        return recoveryFile;
    QDir(aside).removeRecursively();
    const QString working = QFileInfo(recoveryFile).absolutePath();
    // The whole folder moves at once; the working folder is made anew by the story's reset.
    if (!QDir().rename(working, aside))
        return {};
    QDir().mkpath(working);
    return fileIn(aside);
}

void discard(const QString& programFolder, const QString& recoveryFile)
{
    const QString folder = QFileInfo(recoveryFile).absolutePath() + QLatin1Char('/');
    if (folder == asideFolder(programFolder))
        QDir(folder).removeRecursively();
    else
        QFile::remove(recoveryFile);
}

QString restoreQuestion()
{
    return QStringLiteral("Restore the unsaved Pictorelle?");
}

QString offerAtStart(const QString& programFolder, const QString& workingFolder, const std::function<bool()>& ask)
{
    const QString found = find(programFolder, workingFolder);
    if (found.isEmpty())
        return {};
    if (!ask()) {
        discard(programFolder, found);
        return {};
    }
    return setAside(programFolder, found);
}

Restored restore(const QString& recoveryFile, Story& story)
{
    Restored restored;
    const LoadReport report = loadStory(recoveryFile, story, MediaLookup::BesideStoryFileFirst);
    restored.warnings = report.warnings;
    if (!report.opened) {
        restored.warnings << QStringLiteral("The recovery copy %1 cannot be read.").arg(recoveryFile);
        return restored;
    }
    const Trailer trailer = readTrailer(recoveryFile);
    story.setStoryFilePath(trailer.savedAs);

    for (int i = 0; i < story.count(); ++i) {
        Slide& slide = *story.slideAt(i);
        // What the disk holds is the narration: a take the crash cut short counts as far as it got.
        const auto bytes =
            QFileInfo(slide.narrationWavPath()).isFile() ? repairRecordedWave(slide.narrationWavPath()) : std::nullopt;
        if (bytes && *bytes > 0) {
            const int seconds = int((qint64(*bytes) + BytesPerSecond - 1) / BytesPerSecond);
            slide.setHasNarration(true);
            slide.setNarrationLength(std::min(seconds, std::max(slide.longestNarration(), 1)));
        } else if (!bytes && slide.hasNarration()) {
            // Not a recording of ours: keep the length the copy gave.
        } else {
            slide.setHasNarration(false);
            slide.setNarrationLength(0);
        }
    }

    story.waitForImports();
    QList<Slide*> turned;
    for (int i = 0; i < story.count() && size_t(i) < trailer.rotations.size(); ++i) {
        if (trailer.rotations[size_t(i)] == 0 || story.slideAt(i)->kind() != SlideKind::Picture)
            continue;
        story.slideAt(i)->setRotation(trailer.rotations[size_t(i)]);
        turned << story.slideAt(i);
    }
    if (!turned.isEmpty() && story.importer())
        story.importer()->reprocess(story, turned);

    if (trailer.current >= 0 && trailer.current < story.count())
        story.select(trailer.current);
    else if (story.count() > 0)
        story.select(0);
    story.setModified(true);
    restored.ok = true;
    restored.slides = story.count();
    return restored;
}

} // namespace storyrecovery

RecoveryKeeper::RecoveryKeeper(Story& story, QObject* parent)
    : QObject(parent), m_story(story), m_path(storyrecovery::fileIn(story.workingFolder()))
{
    m_timer.setInterval(KeeperIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &RecoveryKeeper::update);
    m_timer.start();
}

RecoveryKeeper::~RecoveryKeeper() = default;

void RecoveryKeeper::update()
{
    if (m_discarded)
        return;
    m_path = storyrecovery::fileIn(m_story.workingFolder());
    if (m_beforeWrite)
        m_beforeWrite();
    if (!m_story.isModified()) {
        // Saved, or nothing changed since the last new or loaded story: nothing to recover.
        if (!m_written.isEmpty() || QFileInfo::exists(m_path))
            QFile::remove(m_path);
        m_written.clear();
        return;
    }
    const QString now = storyrecovery::text(m_story);
    if (now == m_written && QFileInfo::exists(m_path))
        return;
    if (storyrecovery::write(m_story, m_path))
        m_written = now;
}

void RecoveryKeeper::discard()
{
    m_discarded = true;
    m_timer.stop();
    QFile::remove(m_path);
}
