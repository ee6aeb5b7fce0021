// PostgresConnection: one libpq connection to a PostgreSQL database, with its
// cache of prepared statements (bounded, keyed by the library's text; a
// statement forgotten by the cache is deallocated on the server).
//
// The session reads and writes dates as ISO text whatever the server's
// DateStyle, and literal texts never treat a backslash as an escape.
// Statements outside a transaction commit on their own. Transactions
// (Begin: the library's writer lock, then "BEGIN ISOLATION LEVEL
// SERIALIZABLE") run one at a time per database. Inside one every statement runs under a
// savepoint, so a failing statement undoes only itself, as on the other
// backends; a serialization failure or deadlock instead rolls the whole
// transaction back (it could never commit), after which InTransaction() is
// false. A connection the server dropped, or that did not answer within the
// command timeout, is opened again at the next statement outside a
// transaction.
//
// Owns the libpq connection; single-threaded (the pool hands it to one
// thread at a time).
#pragma once

#include <libpq-fe.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/data/driver.h"
#include "platform/data/lru_cache.h"
#include "platform/data/option_values.h"
#include "platform/data/postgres/postgres_error.h"
#include "platform/data/postgres/postgres_statement.h"

namespace korvo::data {

// libpq connection keywords with their values, in order.
using ConnectParameters = std::vector<std::pair<std::string, std::string>>;

class PostgresConnection final : public DriverConnection {
 public:
  static constexpr std::size_t kStatementCacheSize = 64;

  // Connects and sets the session up. Throws DriverError (Other) when the
  // server cannot be reached or refuses the connection. Every exchange with
  // the server waits at most `commandTimeoutSeconds` and one second (0: no
  // bound); one that takes longer throws DriverError (Other) "The database server did not
  // answer within N seconds" and drops the connection, which is opened
  // again at the next statement. `optionValues` are the connection string's
  // own (ConnectionOptions::values()): a failure to connect again shows
  // their keys in their place, as the pool does for the first connect.
  PostgresConnection(const ConnectParameters& parameters, int commandTimeoutSeconds,
                     OptionValues optionValues);
  ~PostgresConnection() override;

  DriverStatement& Prepare(const std::string& sql) override;
  std::int64_t LastInsertKey() override { return lastInsertKey_; }
  void Begin() override;
  void Commit() override;
  void Rollback() noexcept override;
  bool InTransaction() const override;
  int SchemaVersion() override;
  void SetSchemaVersion(int version) override;
  bool HasTables() override;

  // Runs one statement's exchange with the server (`exchange` returns its
  // checked result), under a savepoint inside a transaction. Rethrows what
  // the exchange throws.
  PgResult RunStatement(const std::function<PgResult(PGconn*)>& exchange);

  // One exchange: `send` (a PQsend* call) and then its result as PQexec
  // would answer it (nullptr when sending failed), waiting at most the
  // command timeout. Throws DriverError when the server does not answer in
  // time.
  PGresult* Exchange(const std::function<int(PGconn*)>& send);

  // For the statements: a fresh server-side statement name, the session
  // their names belong to (it changes when the connection is opened again),
  // the key an INSERT returned, and forgetting a server-side statement.
  std::string NextStatementName() { return "korvo_" + std::to_string(++statementCount_); }
  std::uint64_t Session() const { return session_; }
  void NoteInsertKey(std::int64_t key) { lastInsertKey_ = key; }
  void Deallocate(const std::string& name) noexcept;

 private:
  struct Finisher {
    void operator()(PGconn* connection) const { PQfinish(connection); }
  };
  void SetUpSession();
  void ReopenIfLost();
  void UndoStatement(bool wholeTransaction) noexcept;
  void Exec(const std::string& sql);
  PGresult* Query(const std::string& sql) {
    return Exchange([&](PGconn* c) { return PQsendQuery(c, sql.c_str()); });
  }
  [[noreturn]] void Abandon();
  void ReleaseWriterLock() noexcept;
  std::string QueryText(const std::string& sql);

  std::unique_ptr<PGconn, Finisher> connection_;  // declared first: closed after the statements
  OptionValues options_;                          // kept out of the texts of failures to connect again
  int commandTimeout_ = 0;                        // seconds
  bool holdsWriterLock_ = false;
  bool closing_ = false;
  std::uint64_t session_ = 1;
  std::uint64_t statementCount_ = 0;
  std::int64_t lastInsertKey_ = 0;
  LruCache<std::unique_ptr<PostgresStatement>> statements_{kStatementCacheSize};
};

}  // namespace korvo::data
