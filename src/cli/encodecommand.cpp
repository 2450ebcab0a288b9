#include "audio/mp3codec.h"
#include "audio/mp3encoder.h"
#include "cli/clicontext.h"
#include "story/messenger.h"

#include <QFileInfo>

#include <chrono>
#include <future>
#include <mutex>

namespace {

// The encoder reports on its worker thread; the messages are printed once it is done.
class CollectingMessenger : public Messenger
{
public:
    void showMessage(const QString& caption, const QString& text, Icon) override
    {
        const std::lock_guard lock(m_mutex);
        m_text += caption + QStringLiteral(": ") + text + QLatin1Char('\n');
    }

    QString text() const
    {
        const std::lock_guard lock(m_mutex);
        return m_text;
    }

private:
    mutable std::mutex m_mutex;
    QString m_text;
};

constexpr int barWidth = 40;

void drawBar(QTextStream& err, int percent)
{
    const int filled = percent * barWidth / 100;
    err << "\rEncoding [" << QString(filled, QLatin1Char('#')) << QString(barWidth - filled, QLatin1Char(' ')) << "] "
        << QString::number(percent).rightJustified(3) << "%";
    err.flush();
}

} // namespace

static int runEncode(CliContext& ctx, QStringList args)
{
    if (args.size() != 2 || args[0].startsWith(QLatin1String("--")) || args[1].startsWith(QLatin1String("--")))
        throw UsageError{QStringLiteral("name one wave file and one MP3 file")};
    const QString wavePath = args[0];
    const QString mp3Path = args[1];

    // As at the program's start: a missing library is reported by the encoder itself.
    loadMp3Codec();
    CollectingMessenger messenger;
    // This command's own progress: another conversion in the process never moves its bar.
    EncodeProgress progress;
    std::future<Mp3EncodeResult> encoding = std::async(std::launch::async, [&] {
        Mp3EncodeOptions options;
        options.state = &progress;
        return encodeWaveToMp3(&messenger, wavePath, mp3Path, options);
    });
    int shown = -1;
    while (encoding.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready) {
        const int percent = progress.percent();
        if (percent != shown)
            drawBar(ctx.err, shown = percent);
    }
    const Mp3EncodeResult result = encoding.get();
    unloadMp3Codec();
    if (result.ok()) {
        drawBar(ctx.err, 100);
        ctx.err << "\n";
        ctx.out << mp3Path << " (" << QFileInfo(mp3Path).size() << " bytes)\n";
        return exitcode::Ok;
    }
    if (shown != -1)
        ctx.err << "\n";
    ctx.err << messenger.text();
    // The missing library has just been reported through the messenger.
    if (result.error != Mp3EncodeError::CodecMissing)
        ctx.err << "pictorelle-cli encode: " << mp3EncodeErrorText(result) << "\n";
    return exitcode::Failed;
}

static const CliRegistration
    registration("encode", runEncode,
                 "  encode IN.wav OUT.mp3          Encodes a 16-bit PCM wave as a 22050 Hz mono 24 kbit/s MP3.\n");
