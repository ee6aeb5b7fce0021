#include "platform/data/postgres/postgres_connection.h"

#include <charconv>

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
constexpr const char* kUndoStatement = "ROLLBACK TO SAVEPOINT korvo_statement; RELEASE SAVEPOINT korvo_statement";

// The schema version lives in a one-row table of its own.
constexpr const char* kVersionTable = "KORVOSCHEMAVERSION";

// Translations are shared by every connection of the process.
std::shared_ptr<const PostgresTranslation> Translated(const std::string& sql) {
  static TranslationCache<std::shared_ptr<const PostgresTranslation>> cache(kTranslationCacheSize);
  static const PostgresTranslator translator;
  return cache.Get(sql, [&] { return std::make_shared<const PostgresTranslation>(translator.Translate(sql)); });
}

// The server's notices ("relation already exists, skipping") are not errors
// and must not reach the program's standard error.
void IgnoreNotice(void*, const char*) {}

}  // namespace

PostgresConnection::PostgresConnection(const ConnectParameters& parameters) {
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

void PostgresConnection::Begin() { Exec("BEGIN ISOLATION LEVEL SERIALIZABLE"); }

void PostgresConnection::Commit() {
  if (PQtransactionStatus(connection_.get()) == PQTRANS_INERROR) {
    Rollback();
    ThrowPostgresFailure("The database rolled back the transaction after an earlier failure");
  }
  Exec("COMMIT");
}

void PostgresConnection::Rollback() noexcept {
  if (PQtransactionStatus(connection_.get()) == PQTRANS_IDLE) return;
  PgResult ignored(PQexec(connection_.get(), "ROLLBACK"));
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
  return QueryText("SELECT count(*) FROM pg_catalog.pg_tables WHERE schemaname = current_schema()") != "0";
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
  PgResult ignored(PQexec(connection_.get(), ("DEALLOCATE " + name).c_str()));
}

void PostgresConnection::SetUpSession() { Exec(kSessionSettings); }

void PostgresConnection::ReopenIfLost() {
  if (PQstatus(connection_.get()) != CONNECTION_BAD) return;
  PQreset(connection_.get());
  if (PQstatus(connection_.get()) != CONNECTION_OK) ThrowPostgresError(nullptr, connection_.get());
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
  PgResult ignored(PQexec(connection_.get(), kUndoStatement));
}

void PostgresConnection::Exec(const std::string& sql) { Checked(PQexec(connection_.get(), sql.c_str()), connection_.get()); }

std::string PostgresConnection::QueryText(const std::string& sql) {
  PgResult result = Checked(PQexec(connection_.get(), sql.c_str()), connection_.get());
  if (PQntuples(result.get()) == 0 || PQgetisnull(result.get(), 0, 0)) return {};
  return PQgetvalue(result.get(), 0, 0);
}

}  // namespace korvo::data
