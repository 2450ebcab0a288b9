#pragma once

#include <filesystem>
#include <optional>
#include <string>

//! The command line of pictorelle-web.
struct ServiceOptions
{
    std::string host = "127.0.0.1";
    //! 0 picks a free port.
    int port = 8642;
    std::filesystem::path data = "pictorelle-web-data";
    //! Public base address without a trailing "/"; empty means http://<host>:<port>.
    std::string base;
    //! How long a verification code stays valid, in seconds.
    int codeLifetime = 30 * 60;
    //! The program's category file for the category names; empty means "category.dat" beside
    //! the executable, else in the installed data folder.
    std::filesystem::path categories;
    //! --add-user NAME PASSWORD: add the user and exit.
    std::optional<std::pair<std::string, std::string>> addUser;
    bool help = false;
};

//! Reads the arguments; an error text (one line) when they are wrong.
std::optional<ServiceOptions> parseOptions(int argc, char** argv, std::string& error);

//! The usage text printed by --help and after a usage error.
std::string usageText();

//! Checks a base address for the upload address and links: "http://" or "https://", no spaces
//! or control characters, and short enough for the 127-byte upload address. Empty when fine.
std::string baseAddressProblem(const std::string& base);
