#include "serviceoptions.h"

#include "servicelimits.h"
#include "textrules.h"

#include <string_view>

namespace {

constexpr std::string_view UploadPath = "/?action=upload";

} // namespace

std::string usageText()
{
    return "usage: pictorelle-web [--port N] [--host ADDR] [--data DIR] [--base URL] [--code-lifetime SECONDS]\n"
           "                     [--categories FILE]\n"
           "       pictorelle-web [--data DIR] --add-user NAME PASSWORD\n"
           "  --port N                 port to listen on, 0 picks a free one (default 8642)\n"
           "  --host ADDR              address to listen on (default 127.0.0.1)\n"
           "  --data DIR               data folder (default ./pictorelle-web-data)\n"
           "  --base URL               public base address for the upload address and links\n"
           "                           (default http://<host>:<port>)\n"
           "  --code-lifetime SECONDS  how long a verification code is valid (default 1800)\n"
           "  --categories FILE        the program's category.dat, for the category names\n"
           "                           (default: beside the executable, else the installed one)\n"
           "  --add-user NAME PASSWORD add a user and exit\n";
}

std::string baseAddressProblem(const std::string& base)
{
    if (!base.starts_with("http://") && !base.starts_with("https://"))
        return "the base address must start with http:// or https://";
    if (textrules::hasControlCharacters(base) || base.find(' ') != std::string::npos)
        return "the base address must not hold spaces or control characters";
    if (base.size() + UploadPath.size() > limits::UploadAddress)
        return "the base address must be at most " + std::to_string(limits::UploadAddress - UploadPath.size()) +
               " bytes: the program keeps 127 bytes of the upload address";
    return {};
}

std::optional<ServiceOptions> parseOptions(int argc, char** argv, std::string& error)
{
    ServiceOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        auto value = [&](int count = 1) -> bool {
            if (i + count >= argc) {
                error = std::string(arg) + " needs a value";
                return false;
            }
            return true;
        };
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--port") {
            if (!value())
                return std::nullopt;
            const auto port = textrules::parseDecimal(argv[++i], 0, 65535);
            if (!port) {
                error = "--port needs a number from 0 to 65535";
                return std::nullopt;
            }
            options.port = static_cast<int>(*port);
        } else if (arg == "--host") {
            if (!value())
                return std::nullopt;
            options.host = argv[++i];
        } else if (arg == "--data") {
            if (!value())
                return std::nullopt;
            options.data = argv[++i];
        } else if (arg == "--base") {
            if (!value())
                return std::nullopt;
            options.base = argv[++i];
            while (options.base.ends_with('/'))
                options.base.pop_back();
            if (const std::string problem = baseAddressProblem(options.base); !problem.empty()) {
                error = problem;
                return std::nullopt;
            }
        } else if (arg == "--code-lifetime") {
            if (!value())
                return std::nullopt;
            const auto seconds = textrules::parseDecimal(argv[++i], 0, 7 * 24 * 3600);
            if (!seconds) {
                error = "--code-lifetime needs a number of seconds from 0 to 604800";
                return std::nullopt;
            }
            options.codeLifetime = static_cast<int>(*seconds);
        } else if (arg == "--categories") {
            if (!value())
                return std::nullopt;
            options.categories = argv[++i];
        } else if (arg == "--add-user") {
            if (!value(2))
                return std::nullopt;
            options.addUser = std::make_pair(std::string(argv[i + 1]), std::string(argv[i + 2]));
            i += 2;
        } else {
            error = "unknown argument " + std::string(arg);
            return std::nullopt;
        }
    }
    return options;
}
