#pragma once

#include "sqlconnection.h"

#include <memory>
#include <string>
#include <string_view>

//! The service's database: users, codes, stories, slides, sessions. Either the SQLite file
//! "pictorelle.db" of the data folder or a PostgreSQL database that several services share.
class Database
{
    struct Pool;

public:
    //! Hands a connection back to the pool when the request is done with it.
    struct Release
    {
        std::shared_ptr<Pool> pool;
        void operator()(SqlConnection* connection) const;
    };
    using Connection = std::unique_ptr<SqlConnection, Release>;

    //! location: a "postgresql://…" or "postgres://…" address, else the path of the SQLite file.
    //! At most maxConnections PostgreSQL connections are open at once (one per service thread).
    explicit Database(std::string location, int maxConnections = 32);

    static bool isPostgresUrl(std::string_view location);

    //! Creates missing tables and brings a database of an older service up to date without
    //! losing its data, in one transaction that services starting together take in turn; call
    //! once before serving. Throws SqlError for a database of a newer service.
    void prepare() const;
    //! A connection for one request, never shared between threads: a new one for SQLite, one
    //! from the pool for PostgreSQL (waiting up to 30 s while all are busy). A connection that
    //! broke or was left inside a transaction is closed instead of going back to the pool.
    Connection connect() const;

private:
    std::string m_location;
    std::shared_ptr<Pool> m_pool;
};
