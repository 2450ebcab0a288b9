#include "audio/pulseaudiobackend.h"
#include "cli/clicontext.h"

static int runDevices(CliContext& ctx, QStringList args)
{
    if (!args.isEmpty())
        throw UsageError{QStringLiteral("unexpected \"%1\"").arg(args.first())};
    PulseAudioBackend backend;
    const InputSourceList list = backend.listInputSources();
    if (!list.ok()) {
        ctx.err << "pictorelle-cli devices: no microphones can be listed: " << list.error << "\n";
        return exitcode::Failed;
    }
    if (list.sources.empty())
        ctx.err << "pictorelle-cli devices: the sound server has no microphone\n";
    for (const InputSource& source : list.sources)
        ctx.out << source.name << "\t" << source.description << (source.isDefault ? " (default)" : "") << "\n";
    return exitcode::Ok;
}

static const CliRegistration
    registration("devices", runDevices,
                 "  devices                        Lists the microphones to record from, one a line: the\n"
                 "                                 name (for record --device), a tab and the description;\n"
                 "                                 the sound server's default is marked \" (default)\".\n");
