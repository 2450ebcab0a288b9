#include "serviceoptions.h"

#include "clientaddress.h"
#include "servicelimits.h"
#include "textrules.h"

#include <string_view>

namespace {

constexpr std::string_view UploadPath = "/?action=upload";

} // namespace

std::string usageText()
{
    return "usage: pictorelle-web [--port N] [--host ADDR] [--data DIR] [--database URL] [--base URL]\n"
           "                     [--code-lifetime SECONDS] [--categories FILE] [--trusted-proxy ADDR]\n"
           "       pictorelle-web [--data DIR] [--database URL] --add-user NAME < PASSWORD-FILE\n"
           "  --port N                 port to listen on, 0 picks a free one (default 8642)\n"
           "  --host ADDR              address to listen on (default 127.0.0.1)\n"
           "  --data DIR               data folder (default ./pictorelle-web-data)\n"
           "  --database URL           a PostgreSQL database, postgresql://USER@HOST/NAME (default:\n"
           "                           the SQLite file pictorelle.db in the data folder)\n"
           "  --base URL               public base address for the upload address and links\n"
           "                           (default http://<host>:<port>)\n"
           "  --code-lifetime SECONDS  how long a verification code is valid (default 1800)\n"
           "  --categories FILE        the program's category.dat, for the category names\n"
           "                           (default: beside the executable, else the installed one)\n"
           "  --trusted-proxy ADDR     a reverse proxy in front (repeatable): requests from it are\n"
           "                           counted under the client X-Forwarded-For names\n"
           "  --add-user NAME          add a user and exit; the password is read from standard\n"
           "                           input (one line), or asked for without echo on a terminal\n";
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
        } else if (arg == "--database") {
            if (!value())
                return std::nullopt;
            options.database = argv[++i];
            if (!options.database.starts_with("postgresql://") && !options.database.starts_with("postgres://")) {
                error = "--database needs a postgresql:// or postgres:// address";
                return std::nullopt;
            }
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
        } else if (arg == "--login-backoff-scale") {
            if (!value())
                return std::nullopt;
            const auto scale = textrules::parseDecimal(argv[++i], 1, 1000);
            if (!scale) {
                error = "--login-backoff-scale needs a number from 1 to 1000";
                return std::nullopt;
            }
            options.loginBackoffScale = static_cast<int>(*scale);
        } else if (arg == "--add-user") {
            if (!value())
                return std::nullopt;
            options.addUser = argv[++i];
            // A password on the command line is seen by every user of the machine (ps, /proc).
            if (i + 1 < argc && !std::string_view(argv[i + 1]).starts_with("--")) {
                error = "--add-user takes only the user name; give the password on standard input, e.g. "
                        "printf '%s\\n' PASSWORD | pictorelle-web --add-user NAME, or type it when asked";
                return std::nullopt;
            }
        } else if (arg == "--head-timeout") {
            if (!value())
                return std::nullopt;
            const auto seconds = textrules::parseDecimal(argv[++i], 1, 3600);
            if (!seconds) {
                error = "--head-timeout needs a number of seconds from 1 to 3600";
                return std::nullopt;
            }
            options.headTimeout = static_cast<int>(*seconds);
        } else if (arg == "--address-connections") {
            if (!value())
                return std::nullopt;
            const auto count = textrules::parseDecimal(argv[++i], 1, 100000);
            if (!count) {
                error = "--address-connections needs a number from 1 to 100000";
                return std::nullopt;
            }
            options.addressConnections = static_cast<int>(*count);
        } else if (arg == "--trusted-proxy") {
            if (!value())
                return std::nullopt;
            const std::string address = argv[++i];
            if (!isNumericAddress(address)) {
                error = "--trusted-proxy needs the proxy's numeric IPv4 or IPv6 address, not " + address;
                return std::nullopt;
            }
            options.trustedProxies.push_back(address);
        } else if (arg == "--address-workers") {
            if (!value())
                return std::nullopt;
            const auto count = textrules::parseDecimal(argv[++i], 1, 32);
            if (!count) {
                error = "--address-workers needs a number from 1 to 32";
                return std::nullopt;
            }
            options.addressWorkers = static_cast<int>(*count);
        } else {
            error = "unknown argument " + std::string(arg);
            return std::nullopt;
        }
    }
    return options;
}
