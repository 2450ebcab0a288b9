#pragma once

#include "sqlconnection.h"

#include <filesystem>
#include <memory>

//! The service's SQLite file "pictorelle.db" in the data folder: users, codes, stories, slides.
class Database
{
public:
    explicit Database(std::filesystem::path file);

    //! Creates missing tables and switches the file to WAL; call once before serving.
    void prepare() const;
    //! A connection of its own for one request; never shared between threads.
    std::unique_ptr<SqlConnection> connect() const;

private:
    std::filesystem::path m_file;
};
