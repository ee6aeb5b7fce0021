#include "platform/data/postgres/postgres_connection.h"

#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <utility>

#include "platform/data/postgres/postgres_translator.h"
#include "platform/data/translation_cache.h"

namespace korvo::data {
namespace {

constexpr std::size_t kTranslationCacheSize = 1024;

// Dates travel as ISO text and literals never escape with a backslash, so
// the server's configuration cannot change what a statement means; the
// month/day/year order is the library's own for date texts it writes.
constexpr const char* kSessionSettings =
    "SET DateStyle = 'ISO, MDY'; SET standard_conforming_strings = on; SET extra_float_digits = 3";

// The statement-level savepoint inside transactions.
constexpr const char* kSavepoint = "SAVEPOINT korvo_statement";
constexpr const char* kReleaseSavepoint = "RELEASE SAVEPOINT korvo_statement";
constexpr const char* kUndoStatement =
    "ROLLBACK TO SAVEPOINT korvo_statement; RELEASE SAVEPOINT korvo_statement";

constexpr std::chrono::seconds kClientMargin{1};

// The session lock every transaction of the library holds (any number the
// database's other users do not take; this one spells "KORVO").
constexpr const char* kTakeWriterLock = "SELECT pg_advisory_lock(323453343311)";
constexpr const char* kReleaseWriterLock = "SELECT pg_advisory_unlock(323453343311)";

// The schema version lives in a one-row table of its own.
constexpr const char* kVersionTable = "KORVOSCHEMAVERSION";

// Translations are shared by every connection of the process.
std::shared_ptr<const PostgresTranslation> Translated(const std::string& sql) {
  static TranslationCache<std::shared_ptr<const PostgresTranslation>> cache(kTranslationCacheSize);
  static const PostgresTranslator translator;
  return cache.Get(
      sql, [&] { return std::make_shared<const PostgresTranslation>(translator.Translate(sql)); });
}

// The server's notices ("relation already exists, skipping") are not errors
// and must not reach the program's standard error.
void IgnoreNotice(void*, const char*) {}

}  // namespace

PostgresConnection::PostgresConnection(const ConnectParameters& parameters, int commandTimeoutSeconds,
                                       OptionValues optionValues)
    : options_(std::move(optionValues)), commandTimeout_(commandTimeoutSeconds) {
  std::vector<const char*> keywords;
  std::vector<const char*> values;
  for (const auto& [keyword, value] : parameters) {
    keywords.push_back(keyword.c_str());
    values.push_back(value.c_str());
  }
  keywords.push_back(nullptr);
  values.push_back(nullptr);
  connection_.reset(PQconnectdbParams(keywords.data(), values.data(), /*expand_dbname=*/0));
  if (!connection_) ThrowPostgresFailure("Out of memory while connecting");
  if (PQstatus(connection_.get()) != CONNECTION_OK) ThrowPostgresError(nullptr, connection_.get());
  PQsetNoticeProcessor(connection_.get(), IgnoreNotice, nullptr);
  SetUpSession();
}

PostgresConnection::~PostgresConnection() { closing_ = true; }

DriverStatement& PostgresConnection::Prepare(const std::string& sql) {
  ReopenIfLost();
  if (auto* cached = statements_.Find(sql)) return **cached;
  return *statements_.Insert(sql, std::make_unique<PostgresStatement>(*this, Translated(sql)));
}

// Transactions of the library queue for one lock before they begin, as
// SQLite's writers queue for its write lock: two of them never overlap, so
// the checks that keep one home currency, one euro and no overlapping rates
// see every earlier commit, and serialization failures between them cannot
// arise. The lock is taken before BEGIN so that the transaction's snapshot
// is taken after the previous holder committed; waiting for it is bounded by
// the command timeout (the server's statement_timeout).
void PostgresConnection::Begin() {
  ReopenIfLost();
  Exec(kTakeWriterLock);
  holdsWriterLock_ = true;
  try {
    Exec("BEGIN ISOLATION LEVEL SERIALIZABLE");
  } catch (...) {
    ReleaseWriterLock();
    throw;
  }
}

void PostgresConnection::Commit() {
  if (PQtransactionStatus(connection_.get()) == PQTRANS_INERROR) {
    Rollback();
    ThrowPostgresFailure("The database rolled back the transaction after an earlier failure");
  }
  try {
    Exec("COMMIT");
  } catch (...) {
    ReleaseWriterLock();
    throw;
  }
  ReleaseWriterLock();
}

void PostgresConnection::ReleaseWriterLock() noexcept {
  if (!holdsWriterLock_) return;
  holdsWriterLock_ = false;
  try {
    PgResult ignored(Query(kReleaseWriterLock));
  } catch (const DriverError&) {
    // The connection is gone, and the server released the lock with it.
  }
}

void PostgresConnection::Rollback() noexcept {
  if (PQtransactionStatus(connection_.get()) != PQTRANS_IDLE) {
    try {
      PgResult ignored(Query("ROLLBACK"));
    } catch (const DriverError&) {
      // The connection is gone; the server rolls the transaction back itself.
    }
  }
  ReleaseWriterLock();
}

bool PostgresConnection::InTransaction() const {
  const PGTransactionStatusType status = PQtransactionStatus(connection_.get());
  return status == PQTRANS_INTRANS || status == PQTRANS_INERROR || status == PQTRANS_ACTIVE;
}

int PostgresConnection::SchemaVersion() {
  if (QueryText(std::string("SELECT to_regclass('") + kVersionTable + "') IS NOT NULL") != "t") return 0;
  const std::string text = QueryText(std::string("SELECT max(VERSION) FROM ") + kVersionTable);
  int version = 0;
  std::from_chars(text.data(), text.data() + text.size(), version);
  return version;
}

void PostgresConnection::SetSchemaVersion(int version) {
  const std::string table = kVersionTable;
  Exec("CREATE TABLE IF NOT EXISTS " + table + " (VERSION INTEGER NOT NULL); DELETE FROM " + table +
       "; INSERT INTO " + table + " (VERSION) VALUES (" + std::to_string(version) + ")");
}

bool PostgresConnection::HasTables() {
  return QueryText("SELECT count(*) FROM pg_catalog.pg_tables WHERE schemaname = current_schema()") !=
         "0";
}

PgResult PostgresConnection::RunStatement(const std::function<PgResult(PGconn*)>& exchange) {
  if (!InTransaction()) return exchange(connection_.get());
  Exec(kSavepoint);
  try {
    PgResult result = exchange(connection_.get());
    if (InTransaction()) Exec(kReleaseSavepoint);  // unless the statement itself ended the transaction
    return result;
  } catch (const DriverError& e) {
    UndoStatement(IsSerializationFailure(UnpackSqlState(e.nativeError())));
    throw;
  } catch (...) {
    UndoStatement(false);
    throw;
  }
}

void PostgresConnection::Deallocate(const std::string& name) noexcept {
  if (closing_ || PQtransactionStatus(connection_.get()) == PQTRANS_INERROR) return;
  try {
    PgResult ignored(Query("DEALLOCATE " + name));
  } catch (const DriverError&) {
    // The connection is gone, and the statement with it.
  }
}

void PostgresConnection::SetUpSession() { Exec(kSessionSettings); }

void PostgresConnection::ReopenIfLost() {
  if (PQstatus(connection_.get()) != CONNECTION_BAD) return;
  PQreset(connection_.get());
  if (PQstatus(connection_.get()) != CONNECTION_OK) {
    try {
      ThrowPostgresError(nullptr, connection_.get());
    } catch (...) {
      RethrowWithoutOptionValues(options_);
    }
  }
  ++session_;  // the server forgot every prepared statement
  SetUpSession();
}

// A transaction that lost to a concurrent one can never commit: it is rolled
// back at once, so later statements and the commit report it.
void PostgresConnection::UndoStatement(bool wholeTransaction) noexcept {
  if (!InTransaction()) return;
  if (wholeTransaction) {
    Rollback();
    return;
  }
  // Should even this fail, the transaction stays failed and its commit
  // reports it.
  try {
    PgResult ignored(Query(kUndoStatement));
  } catch (const DriverError&) {
    // The connection is gone, and the transaction with it.
  }
}

void PostgresConnection::Exec(const std::string& sql) { Checked(Query(sql), connection_.get()); }

PGresult* PostgresConnection::Exchange(const std::function<int(PGconn*)>& send) {
  PGconn* connection = connection_.get();
  if (!send(connection)) return nullptr;
  using Clock = std::chrono::steady_clock;
  // A little beyond the server's own statement_timeout, so that a server
  // that still runs cancels a slow statement itself and keeps the connection.
  const auto deadline = Clock::now() + std::chrono::seconds(commandTimeout_) + kClientMargin;
  PGresult* answer = nullptr;
  for (;;) {
    while (PQisBusy(connection)) {
      int waitMs = -1;
      if (commandTimeout_ > 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
          PQclear(answer);
          Abandon();
        }
        waitMs = static_cast<int>(left.count());
      }
      pollfd socket{PQsocket(connection), POLLIN, 0};
      if (poll(&socket, 1, waitMs) < 0 && errno != EINTR) break;
      if (!PQconsumeInput(connection)) break;  // the result reports the broken connection
    }
    PGresult* next = PQgetResult(connection);
    if (next == nullptr) return answer;
    // As PQexec: the first failure is the answer, else the last result.
    if (answer != nullptr && PQresultStatus(answer) == PGRES_FATAL_ERROR) {
      PQclear(next);
    } else {
      PQclear(answer);
      answer = next;
    }
  }
}

// A server that does not answer may never do so; the connection is cut so
// that nothing waits on it any longer, and opened again at the next
// statement (ReopenIfLost).
void PostgresConnection::Abandon() {
  shutdown(PQsocket(connection_.get()), SHUT_RDWR);
  PQconsumeInput(connection_.get());  // libpq sees the end of the connection
  throw DriverError(
      FailureKind::Other,
      "The database server did not answer within " + std::to_string(commandTimeout_) + " seconds", 0,
      kPostgresSource);
}

std::string PostgresConnection::QueryText(const std::string& sql) {
  PgResult result = Checked(Query(sql), connection_.get());
  if (PQntuples(result.get()) == 0 || PQgetisnull(result.get(), 0, 0)) return {};
  return PQgetvalue(result.get(), 0, 0);
}

}  // namespace korvo::data
