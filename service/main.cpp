// pictorelle-web: the reference PictorelleWeb service the desktop program publishes to.

#include "accountstore.h"
#include "serviceoptions.h"
#include "webservice.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <optional>
#include <pthread.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

// The password of --add-user: one line of standard input, typed without echo on a terminal.
std::optional<std::string> readPassword(const std::string& name)
{
    const bool terminal = ::isatty(STDIN_FILENO) == 1;
    termios saved{};
    if (terminal && ::tcgetattr(STDIN_FILENO, &saved) == 0) {
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        quiet.c_lflag |= ECHONL;
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
        std::cerr << "Password for " << name << ": " << std::flush;
    }
    std::string password;
    const bool read = static_cast<bool>(std::getline(std::cin, password)) || !password.empty();
    if (terminal)
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    if (!password.empty() && password.back() == '\r')
        password.pop_back();
    if (!read)
        return std::nullopt;
    return password;
}

int addUser(const ServiceContext& context, const std::string& name)
{
    const std::optional<std::string> password = readPassword(name);
    if (!password) {
        std::cerr << "pictorelle-web: --add-user reads the password from standard input, and none came\n";
        return 1;
    }
    const auto connection = context.database.connect();
    const SignUpResult result = AccountStore(*connection).addUser(name, *password);
    if (result != SignUpResult::Added) {
        std::cerr << "pictorelle-web: " << signUpMessage(result, name) << "\n";
        return 1;
    }
    std::cout << "added user " << name << std::endl;
    return 0;
}

// A data folder made by an older service, or by hand, may be open to other users: its folders
// become 0700 and its files 0600, and the log says so.
void tightenDataFolder(const std::filesystem::path& data)
{
    namespace fs = std::filesystem;
    int tightened = 0;
    auto tighten = [&](const fs::path& path, fs::file_status status) {
        const fs::perms open = fs::perms::group_all | fs::perms::others_all;
        if (status.permissions() == fs::perms::unknown || (status.permissions() & open) == fs::perms::none)
            return;
        std::error_code failed;
        fs::permissions(path, open, fs::perm_options::remove, failed);
        if (failed == std::errc::no_such_file_or_directory)
            return;
        if (failed)
            std::cerr << "pictorelle-web: cannot make " << path.string() << " private: " << failed.message() << "\n";
        else
            ++tightened;
    };
    std::error_code failed;
    tighten(data, fs::status(data, failed));
    // Nobody else can reach anything inside a private folder, so a folder that was already
    // private is not walked: a large media folder would slow every start.
    if (tightened == 0)
        return;
    // Another service over the folder may be adding and removing files meanwhile.
    for (fs::recursive_directory_iterator it(data, failed), end; !failed && it != end; it.increment(failed)) {
        std::error_code gone;
        const fs::file_status status = it->symlink_status(gone);
        if (fs::is_directory(status) || fs::is_regular_file(status))
            tighten(it->path(), status);
    }
    if (tightened > 0)
        std::cerr << "pictorelle-web: " << tightened << (tightened == 1 ? " file or folder" : " files and folders")
                  << " in " << data.string() << " were open to other users; now only the service's user has access\n";
}

// The names only label the pages: without a category file the service runs and shows the
// numbers, but a file named on the command line must be readable.
bool loadCategories(const ServiceOptions& options, CategoryNames& names)
{
    const std::filesystem::path file = options.categories.empty() ? defaultCategoryFile() : options.categories;
    if (file.empty()) {
        std::cerr << "pictorelle-web: no category.dat beside the program or in " PICTORELLE_DATA_DIR
                     "; the pages show category numbers\n";
        return true;
    }
    std::string error;
    if (names.load(file, error)) {
        std::cerr << "pictorelle-web: category names from " << file.string() << "\n";
        return true;
    }
    std::cerr << "pictorelle-web: " << error << "\n";
    return options.categories.empty();
}

int serve(const ServiceOptions& options, std::shared_ptr<ServiceContext> context)
{
    // SIGINT and SIGTERM are taken by one waiting thread, never by a handler interrupting a
    // request; every thread started from here on inherits the blocked mask.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    // Every connection is a descriptor, and one address alone may hold 64: allow what the
    // system allows this user, up to 65536.
    rlimit files{};
    if (::getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max && files.rlim_cur < 65536) {
        files.rlim_cur = std::min<rlim_t>(files.rlim_max, 65536);
        ::setrlimit(RLIMIT_NOFILE, &files);
    }
    ConnectionLimits limits;
    limits.headDeadline = std::chrono::seconds(options.headTimeout);
    limits.perAddress = options.addressConnections;
    limits.workersPerAddress = options.addressWorkers;
    WebService service(context, limits);
    const int port = service.bind(options.host, options.port);
    if (port < 0) {
        std::cerr << "pictorelle-web: cannot listen on " << options.host << ":" << options.port << "\n";
        return 1;
    }
    if (context->base.empty())
        context->base = "http://" + options.host + ":" + std::to_string(port);
    if (const std::string problem = baseAddressProblem(context->base); !problem.empty()) {
        std::cerr << "pictorelle-web: " << problem << "\n";
        return 1;
    }
    std::atomic<bool> ended{false};
    std::thread waiter([&service, &ended, signals] {
        int received = 0;
        sigwait(&signals, &received);
        // A signal may come before the server's loop has started, when stopping does nothing
        // yet: keep asking until serving has ended.
        while (!ended.load()) {
            service.stop();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    std::cout << "listening on http://" << options.host << ":" << port << std::endl;
    std::cerr << "pictorelle-web: data in " << options.data.string() << ", base address " << context->base << "\n";
    const bool served = service.run();
    ended.store(true);
    // When serving ended without a signal, wake the waiter so it can be joined.
    if (!served)
        kill(getpid(), SIGTERM);
    waiter.join();
    std::cerr << "pictorelle-web: stopped\n";
    return served ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    // The data folder holds password digests, sessions and unpublished uploads: whatever the
    // umask, everything the service creates is for its own user only (folders 0700, files 0600).
    ::umask(077);
    std::string error;
    const auto options = parseOptions(argc, argv, error);
    if (!options) {
        std::cerr << "pictorelle-web: " << error << "\n" << usageText();
        return 2;
    }
    if (options->help) {
        std::cout << usageText();
        return 0;
    }
    try {
        std::filesystem::create_directories(options->data);
        tightenDataFolder(options->data);
        auto context = std::make_shared<ServiceContext>(ServiceContext{
            options->base, options->codeLifetime,
            Database(options->database.empty() ? (options->data / "pictorelle.db").string() : options->database),
            MediaStore(options->data), CategoryNames(), LoginBackoff{.scale = options->loginBackoffScale},
            options->trustedProxies});
        context->database.prepare();
        if (options->addUser)
            return addUser(*context, *options->addUser);
        if (!loadCategories(*options, context->categories))
            return 1;
        context->media.prepare();
        return serve(*options, context);
    } catch (const std::exception& e) {
        std::cerr << "pictorelle-web: " << e.what() << "\n";
        return 1;
    }
}
