#include "audio/inputvolume.h"
#include "audio/microphonescale.h"
#include "cli/clicontext.h"

namespace {

void printLevel(QTextStream& out, const MicrophoneVolume& volume)
{
    const int level = volume.getVolume();
    const std::optional<int> slider = microphonescale::volumeToSlider(level, volume.volumeMax());
    out << "min=" << volume.volumeMin() << "\n";
    out << "max=" << volume.volumeMax() << "\n";
    out << "volume=" << level << "\n";
    out << "slider=" << (slider ? QString::number(*slider) : QString()) << "\n";
}

} // namespace

static int runMic(CliContext& ctx, QStringList args)
{
    std::optional<int> percent;
    while (!args.isEmpty()) {
        const QString a = args.takeFirst();
        if (a != QLatin1String("--set"))
            throw UsageError{QStringLiteral("unexpected \"%1\"").arg(a)};
        const QString value = takeValue(args, a);
        bool number = false;
        const int p = value.toInt(&number);
        if (!number || p < 0 || p > microphonescale::SliderMax)
            throw UsageError{QStringLiteral("--set needs a percentage from 0 to 100, not \"%1\"").arg(value)};
        percent = p;
    }

    const auto volume = InputVolume::create();
    if (!volume) {
        ctx.err << "pictorelle-cli mic: no microphone found (no sound server, or its default source is a "
                   "monitor or has no volume)\n";
        return exitcode::Failed;
    }
    if (percent)
        volume->setVolume(microphonescale::sliderToVolume(*percent, volume->volumeMax()));
    printLevel(ctx.out, *volume);
    return exitcode::Ok;
}

static const CliRegistration
    registration("mic", runMic,
                 "  mic [--set PERCENT]            Prints the microphone level (min, max, volume, slider)\n"
                 "                                 or sets it from a slider position 0..100.\n");
