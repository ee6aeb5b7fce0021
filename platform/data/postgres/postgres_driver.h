// The PostgreSQL backend, on libpq: a database on a server that several
// application servers share,
// "Driver=PostgreSQL;Host=<host>;Port=<port>;Database=<name>;User=<user>;Password=<password>"
// with the optional SslMode, ConnectTimeout and CommandTimeout
// (docs/postgresql.md).
//
// Statements are translated by PostgresTranslator and kept prepared per
// connection; host transactions run at SERIALIZABLE isolation. The schema is
// rendered from the same definitions as on SQLite: flag columns BOOLEAN,
// dates TIMESTAMP(0), database-assigned keys identity columns, text key
// columns under a case-insensitive ICU collation, and no declared foreign
// keys (PostgreSQL would enforce them; the library's own checks decide).
// Thread-safe (immutable).
#pragma once

#include "platform/data/driver.h"
#include "platform/data/postgres/postgres_connection.h"

namespace korvo::data {

// The libpq keywords and values a PostgreSQL connection string's options
// stand for, with the session's fixed ones (UTF-8 client encoding, the
// program's name). Raises 0x80004005 for a missing Database or an option it
// does not know. Thread-safe.
// Also bounds waiting on the server: a connect timeout (15 s unless
// ConnectTimeout says otherwise), TCP keepalives, and with the command
// timeout a TCP user timeout and the server's statement_timeout.
ConnectParameters PostgresConnectParameters(const ConnectionOptions& options);
// The CommandTimeout option: seconds a statement's exchange with the server
// may take (30 when absent, 0 for no bound). Raises 0x80004005 "CommandTimeout
// must be a number of seconds" for anything but 0 to 86400.
int PostgresCommandTimeout(const ConnectionOptions& options);

class PostgresDriver final : public Driver {
 public:
  std::string_view Name() const override { return "PostgreSQL"; }
  // Raises 0x80004005 for a missing Database or an option it does not know;
  // throws DriverError when the server cannot be reached or refuses.
  std::unique_ptr<DriverConnection> Connect(const ConnectionOptions& options) const override;
  std::vector<std::string> CreateStatements(const TableDef& table) const override;
};

}  // namespace korvo::data
