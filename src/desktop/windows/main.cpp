#include "audio/devicesoundplayer.h"
#include "audio/inputvolume.h"
#include "audio/mp3codec.h"
#include "audio/pulseaudiobackend.h"
#include "audio/steadymillisecondclock.h"
#include "desktop/dialogs/dialogprompter.h"
#include "desktop/widgets/skinresources.h"
#include "desktop/windows/mainwindow.h"
#include "pictures/pictureimporter.h"
#include "publish/curlglobal.h"
#include "publish/serviceaddress.h"
#include "shell/desktopbrowseropener.h"
#include "shell/programfolder.h"
#include "shell/singleinstance.h"
#include "shell/storyrecovery.h"
#include "shell/workingfolderclaim.h"

#include <QApplication>
#include <QMessageBox>
#include <QTextStream>

#include <memory>
#include <optional>

namespace {

struct Options
{
    QString home;
    QString service;
    bool help = false;
    QString error;
};

Options parseOptions(const QStringList& arguments)
{
    Options options;
    const programfolder::HomeOption home = programfolder::takeHomeOption(arguments);
    options.home = home.folder;
    if (home.valueMissing)
        options.error = QStringLiteral("--home needs a folder");
    const QStringList& rest = home.remaining;
    for (int i = 0; i < rest.size(); ++i) {
        const QString& arg = rest[i];
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            options.help = true;
        } else if (arg == QLatin1String("--service")) {
            if (i + 1 >= rest.size()) {
                options.error = QStringLiteral("--service needs an address");
                break;
            }
            options.service = rest[++i];
        } else if (arg.startsWith(QLatin1String("--service="))) {
            options.service = arg.mid(10);
        } else {
            options.error = QStringLiteral("unknown option %1").arg(arg);
            break;
        }
    }
    return options;
}

const char usage[] = "Usage: pictorelle [--home DIR] [--service URL]\n\n"
                     "  --home DIR      program folder: settings, saved stories and the story being edited\n"
                     "                  (default $PICTORELLE_HOME, else this program's folder when writable,\n"
                     "                  else ~/.local/share/pictorelle/)\n"
                     "  --service URL   the PictorelleWeb address to publish to (default $PICTORELLE_SERVICE,\n"
                     "                  else http://127.0.0.1:8642)\n";

} // namespace

int main(int argc, char** argv)
{
    // The window system's class name of every window, and the desktop entry it belongs to.
    QApplication::setApplicationName(QStringLiteral("Pictorelle Dazuzarid"));
    QGuiApplication::setDesktopFileName(QStringLiteral("pictorelle"));
    QApplication app(argc, argv);

    const Options options = parseOptions(app.arguments().mid(1));
    if (options.help) {
        QTextStream(stdout) << usage;
        return 0;
    }
    if (!options.error.isEmpty()) {
        QTextStream(stderr) << "pictorelle: " << options.error << "\n\n" << usage;
        return 2;
    }
    const programfolder::Resolution folder = programfolder::resolve(
        options.home, QCoreApplication::applicationDirPath(), programfolder::installedDataFolder());

    // One copy per user and program folder: a second start brings the first to the front and
    // ends before it touches the settings file or the working folder.
    SingleInstance instance(SingleInstance::serverName(SingleInstance::loginName(), folder.path));
    if (!instance.claim())
        return 0;
    if (!folder.ready) {
        QMessageBox::critical(nullptr, QStringLiteral("Pictorelle"),
                              QStringLiteral("The program folder %1 cannot be created.").arg(folder.path));
        return 1;
    }

    ProgramSettings settings;
    settings.setProgramFolder(folder.path);
    PulseAudioBackend audio;
    DeviceSoundPlayer player(audio);
    SteadyMillisecondClock clock;
    DesktopBrowserOpener browser;
    DialogPrompter prompter(settings);
    PictureImporter importer;
    // This program's own working folder; a recovery copy left there by a program that died is
    // offered before the story's reset empties the folder.
    WorkingFolderClaim working = WorkingFolderClaim::claim(folder.path, WorkingFolderClaim::Use::Desktop);
    if (!working.isValid()) {
        QMessageBox::critical(nullptr, QStringLiteral("Pictorelle"),
                              QStringLiteral("No working folder can be created in %1.").arg(folder.path));
        return 1;
    }
    const QString toRestore = storyrecovery::offerAtStart(
        folder.path, working.path(), [&] { return prompter.askRestore(storyrecovery::restoreQuestion()); });
    MainWindowServices services{
        folder.path, settings, audio, player, clock, browser, prompter, &importer, serviceBaseAddress(options.service)};
    services.workingFolder = working.path();
    services.levelInput = &audio;
    services.microphoneVolume = [](const QString& device) -> std::unique_ptr<MicrophoneVolume> {
        return InputVolume::create(device);
    };

    auto window = std::make_unique<MainWindow>(services);
    prompter.setOwner(window.get(), &window->skin());
    std::optional<CurlGlobal> curl;
    curl.emplace();
    const bool firstStart = !window->loadSettings();
    window->show();
    if (!toRestore.isEmpty())
        window->restoreRecovery(toRestore);
    loadMp3Codec();
    QObject::connect(&instance, &SingleInstance::raiseRequested, window.get(), &MainWindow::bringToFront);
    window->runStartUpDialogs(firstStart);

    const int code = app.exec();

    // The window saved the settings when it closed; the model goes with it.
    window.reset();
    curl.reset();
    unloadMp3Codec();
    return code;
}
