// PostgresConnection: one libpq connection to a PostgreSQL database, with its
// cache of prepared statements (bounded, keyed by the library's text; a
// statement forgotten by the cache is deallocated on the server).
//
// The session reads and writes dates as ISO text whatever the server's
// DateStyle, and literal texts never treat a backslash as an escape.
// Statements outside a transaction commit on their own. Transactions
// (the library's writer lock, then "BEGIN ISOLATION LEVEL SERIALIZABLE")
// run one at a time per database. A failing statement undoes only itself,
// as on the other backends; a serialization failure or deadlock instead
// rolls the whole transaction back (it could never commit), after which
// InTransaction() is false. A connection the server dropped, or that did not
// answer within the command timeout, is opened again at the next statement
// outside a transaction.
//
// Round trips: a transaction costs what its statements cost. Begin sends
// nothing; the lock and BEGIN travel with the first statement. Until the
// transaction first writes, its statements run bare (a failure rolls back to
// the start, where nothing is lost, and the transaction begins again under
// the lock it still holds); after that each runs under a savepoint sent in
// the same round trip. A transaction that wrote nothing is committed
// without waiting for the answer, which is read before the connection's
// next exchange.
//
// Owns the libpq connection; single-threaded (the pool hands it to one
// thread at a time).
#pragma once

#include <libpq-fe.h>

#include <chrono>
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

  // One command of a statement: a PQsend* call of the extended protocol
  // (PQsendPrepare, PQsendDescribePrepared, PQsendQueryPrepared, ...).
  using Command = std::function<int(PGconn*)>;

  // Runs one statement's commands in one round trip, inside a transaction
  // as the class comment describes, and answers their results in order.
  // Throws DriverError for the first that failed.
  std::vector<PgResult> RunStatement(const std::vector<Command>& commands);

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
  using Clock = std::chrono::steady_clock;
  using CommandGroup = std::vector<Command>;

  void SetUpSession();
  void ReopenIfLost();
  void UndoStatement(bool wholeTransaction, bool underSavepoint) noexcept;
  void RestartTransaction() noexcept;
  void FinishTransaction(const char* ending) noexcept;
  std::vector<CommandGroup> PendingBegin();
  std::size_t CheckBegun(std::vector<PgResult>& results);
  void Exec(const std::string& sql);
  PGresult* Query(const std::string& sql) {
    return Exchange([&](PGconn* c) { return PQsendQuery(c, sql.c_str()); });
  }
  // One exchange in the simple protocol (`send` a PQsendQuery call; several
  // statements in one text) and then its result as PQexec would answer it
  // (nullptr when sending failed), waiting at most the command timeout.
  // Begins a pending transaction first.
  PGresult* Exchange(const Command& send);
  // Sends the groups in one round trip, a sync after each (a failure skips
  // the rest of its own group only), and answers every command's result in
  // order, unchecked (nullptr when the connection broke before it).
  std::vector<PgResult> Pipeline(const std::vector<CommandGroup>& groups);
  // Queues the groups in pipeline mode, a sync after each, and leaves their
  // answers to be read (and ignored) before the connection's next exchange.
  // False when the connection could not take a command (what was queued
  // before it is synced and read all the same).
  bool SendUnanswered(const std::vector<CommandGroup>& groups);
  // Reads (and ignores) the answers SendUnanswered left, then leaves
  // pipeline mode.
  void Settle();
  // Reads and ignores the answers to the next `syncs` groups.
  void DiscardAnswers(int syncs);
  // The next result, waiting until `deadline` at most (Abandon after it).
  PGresult* Await(Clock::time_point deadline);
  Clock::time_point Deadline() const;
  [[noreturn]] void Abandon();
  void ForgetSession() noexcept;
  std::string QueryText(const std::string& sql);

  std::unique_ptr<PGconn, Finisher> connection_;  // declared first: closed after the statements
  OptionValues options_;                          // kept out of the texts of failures to connect again
  int commandTimeout_ = 0;                        // seconds
  bool holdsWriterLock_ = false;
  bool beginPending_ = false;  // Begin called; BEGIN goes with the next statement
  bool wrote_ = false;         // the open transaction ran a statement that writes
  int unansweredSyncs_ = 0;    // what SendUnanswered left to read
  bool closing_ = false;
  std::uint64_t session_ = 1;
  std::uint64_t statementCount_ = 0;
  std::int64_t lastInsertKey_ = 0;
  LruCache<std::unique_ptr<PostgresStatement>> statements_{kStatementCacheSize};
};

}  // namespace korvo::data
