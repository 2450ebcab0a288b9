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
        // The option's number from min to max into target; false with the error set.
        enum Unit {
            Count,
            Seconds
        };
        auto number = [&](int& target, std::int64_t min, std::int64_t max, Unit unit) -> bool {
            if (!value())
                return false;
            const auto parsed = textrules::parseDecimal(argv[++i], min, max);
            if (!parsed) {
                error = std::string(arg) +
                        (unit == Seconds ? " needs a number of seconds from " : " needs a number from ") +
                        std::to_string(min) + " to " + std::to_string(max);
                return false;
            }
            target = static_cast<int>(*parsed);
            return true;
        };
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--port") {
            if (!number(options.port, 0, 65535, Count))
                return std::nullopt;
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
            if (!number(options.codeLifetime, 0, 7 * 24 * 3600, Seconds))
                return std::nullopt;
        } else if (arg == "--categories") {
            if (!value())
                return std::nullopt;
            options.categories = argv[++i];
        } else if (arg == "--login-backoff-scale") {
            if (!number(options.loginBackoffScale, 1, 1000, Count))
                return std::nullopt;
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
            if (!number(options.headTimeout, 1, 3600, Seconds))
                return std::nullopt;
        } else if (arg == "--address-connections") {
            if (!number(options.addressConnections, 1, 100000, Count))
                return std::nullopt;
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
            if (!number(options.addressWorkers, 1, 32, Count))
                return std::nullopt;
        } else {
            error = "unknown argument " + std::string(arg);
            return std::nullopt;
        }
    }
    return options;
}
