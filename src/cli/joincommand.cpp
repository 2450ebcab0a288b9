#include "audio/waveinfo.h"
#include "audio/wavejoin.h"
#include "cli/clicontext.h"

static int runJoin(CliContext& ctx, QStringList args)
{
    for (const QString& arg : std::as_const(args))
        if (arg.startsWith(QLatin1String("--")))
            throw UsageError{QStringLiteral("unexpected \"%1\"").arg(arg)};
    if (args.size() < 2)
        throw UsageError{QStringLiteral("name the joined wave file and at least one narration")};
    const QString output = args.takeFirst();

    // The podcast assembly's join: narration format only, checked before anything is written.
    const WaveJoinResult result = joinNarrationWaves(args, output);
    if (!result.ok()) {
        ctx.err << "pictorelle-cli join: " << waveJoinErrorText(result, QStringLiteral("Input")) << "\n";
        return exitcode::Failed;
    }
    ctx.out << output << " (" << args.size() << (args.size() == 1 ? " narration, " : " narrations, ") << result.dataSize
            << " sample bytes, " << narrationSeconds(quint32(result.dataSize)) << " s)\n";
    return exitcode::Ok;
}

static const CliRegistration
    registration("join", runJoin,
                 "  join OUT.wav IN.wav...         Joins narrations (22050 Hz 16-bit mono) into one wave.\n");
