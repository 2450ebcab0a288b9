#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

//! The command line of pictorelle-web.
struct ServiceOptions
{
    std::string host = "127.0.0.1";
    //! 0 picks a free port.
    int port = 8642;
    std::filesystem::path data = "pictorelle-web-data";
    //! --database URL: a "postgresql://…" or "postgres://…" address; empty means the SQLite file
    //! "pictorelle.db" in the data folder.
    std::string database;
    //! Public base address without a trailing "/"; empty means http://<host>:<port>.
    std::string base;
    //! How long a verification code stays valid, in seconds.
    int codeLifetime = 30 * 60;
    //! The program's category file for the category names; empty means "category.dat" beside
    //! the executable, else in the installed data folder.
    std::filesystem::path categories;
    //! --login-backoff-scale N, not in the usage text: divides the log-in back-off's times by N
    //! so tests need not wait whole seconds.
    int loginBackoffScale = 1;
    //! --add-user NAME: add the user, whose password comes on standard input, and exit.
    std::optional<std::string> addUser;
    //! --head-timeout SECONDS, not in the usage text: how long a request head may take (tests
    //! shorten it).
    int headTimeout = 15;
    //! --address-connections N, not in the usage text: connections one client address may hold.
    int addressConnections = 64;
    //! --address-workers N, not in the usage text: requests of one client address served at the
    //! same time (of 32); behind a reverse proxy every client has the proxy's address.
    int addressWorkers = 16;
    //! --trusted-proxy ADDRESS (repeatable): reverse proxies whose X-Forwarded-For is believed.
    std::vector<std::string> trustedProxies;
    bool help = false;
};

//! Reads the arguments; an error text (one line) when they are wrong.
std::optional<ServiceOptions> parseOptions(int argc, char** argv, std::string& error);

//! The usage text printed by --help and after a usage error.
std::string usageText();

//! Checks a base address for the upload address and links: "http://" or "https://", no spaces
//! or control characters, and short enough for the 127-byte upload address. Empty when fine.
std::string baseAddressProblem(const std::string& base);
