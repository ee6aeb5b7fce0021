// PostgresConnection: one libpq connection to a PostgreSQL database, with its
// cache of prepared statements (bounded, keyed by the library's text; a
// statement forgotten by the cache is deallocated on the server).
//
// The session reads and writes dates as ISO text whatever the server's
// DateStyle, and literal texts never treat a backslash as an escape.
// Statements outside a transaction commit on their own. Inside one (Begin:
// "BEGIN ISOLATION LEVEL SERIALIZABLE") every statement runs under a
// savepoint, so a failing statement undoes only itself, as on the other
// backends; a serialization failure or deadlock instead rolls the whole
// transaction back (it could never commit), after which InTransaction() is
// false. A connection the server dropped is opened again at the next
// statement outside a transaction.
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
#include "platform/data/postgres/postgres_error.h"
#include "platform/data/postgres/postgres_statement.h"

namespace korvo::data {

// libpq connection keywords with their values, in order.
using ConnectParameters = std::vector<std::pair<std::string, std::string>>;

class PostgresConnection final : public DriverConnection {
 public:
  static constexpr std::size_t kStatementCacheSize = 64;

  // Connects and sets the session up. Throws DriverError (Other) when the
  // server cannot be reached or refuses the connection.
  explicit PostgresConnection(const ConnectParameters& parameters);
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
  std::string QueryText(const std::string& sql);

  std::unique_ptr<PGconn, Finisher> connection_;  // declared first: closed after the statements
  bool closing_ = false;
  std::uint64_t session_ = 1;
  std::uint64_t statementCount_ = 0;
  std::int64_t lastInsertKey_ = 0;
  LruCache<std::unique_ptr<PostgresStatement>> statements_{kStatementCacheSize};
};

}  // namespace korvo::data
