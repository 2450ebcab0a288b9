// pictorelle-web: the reference PictorelleWeb service the desktop program publishes to.

#include "accountstore.h"
#include "serviceoptions.h"
#include "webservice.h"

#include <csignal>
#include <cstdio>
#include <iostream>
#include <pthread.h>
#include <thread>
#include <unistd.h>

namespace {

int addUser(const ServiceContext& context, const std::string& name, const std::string& password)
{
    const auto connection = context.database.connect();
    const SignUpResult result = AccountStore(*connection).addUser(name, password);
    if (result != SignUpResult::Added) {
        std::cerr << "pictorelle-web: " << signUpMessage(result, name) << "\n";
        return 1;
    }
    std::cout << "added user " << name << std::endl;
    return 0;
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

    WebService service(context);
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
    std::thread waiter([&service, signals] {
        int received = 0;
        sigwait(&signals, &received);
        service.stop();
    });
    std::cout << "listening on http://" << options.host << ":" << port << std::endl;
    std::cerr << "pictorelle-web: data in " << options.data.string() << ", base address " << context->base << "\n";
    const bool served = service.run();
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
        auto context = std::make_shared<ServiceContext>(ServiceContext{options->base, options->codeLifetime,
                                                                       Database(options->data / "pictorelle.db"),
                                                                       MediaStore(options->data), CategoryNames()});
        context->database.prepare();
        if (options->addUser)
            return addUser(*context, options->addUser->first, options->addUser->second);
        if (!loadCategories(*options, context->categories))
            return 1;
        context->media.prepare();
        return serve(*options, context);
    } catch (const std::exception& e) {
        std::cerr << "pictorelle-web: " << e.what() << "\n";
        return 1;
    }
}
