#pragma once

#include "sqlconnection.h"

#include <filesystem>
#include <memory>

//! The service's SQLite file "pictorelle.db" in the data folder: users, codes, stories, slides,
//! sessions.
class Database
{
public:
    explicit Database(std::filesystem::path file);

    //! Creates missing tables, upgrades a file of an older service without losing its data and
    //! switches it to WAL; call once before serving. Throws SqlError for a file of a newer service.
    void prepare() const;
    //! A connection of its own for one request; never shared between threads.
    std::unique_ptr<SqlConnection> connect() const;

private:
    std::filesystem::path m_file;
};
