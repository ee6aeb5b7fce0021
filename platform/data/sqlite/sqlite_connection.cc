#include "platform/data/sqlite/sqlite_connection.h"

#include <array>

#include "platform/data/sql_tokenizer.h"
#include "platform/data/sqlite/sqlite_error.h"
#include "platform/data/sqlite/sqlite_translator.h"
#include "platform/data/translation_cache.h"

namespace korvo::data {
namespace {

constexpr std::size_t kTranslationCacheSize = 1024;

// Translations are shared by every connection of the process.
std::string Translated(const std::string& sql) {
  static TranslationCache<std::string> cache(kTranslationCacheSize);
  static const SqliteTranslator translator;
  return cache.Get(sql, [&] { return translator.Translate(sql); });
}

// True when the text after a prepared statement holds another statement.
bool HasFurtherStatement(const char* tail) {
  for (const Token& token : Tokenize(tail)) {
    if (token.IsSignificant() && !token.IsSymbol(";")) return true;
  }
  return false;
}

// SQLite counts every allocation under one process-wide mutex unless told
// not to before its first use; nothing here reads those counts, and the
// mutex would be taken several times by every statement of every thread.
void StopMemoryStatistics() {
  static const int configured = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
  (void)configured;  // SQLITE_MISUSE when SQLite was already in use: harmless
}

}  // namespace

SqliteConnection::SqliteConnection(const std::string& path, int busyTimeoutMs) {
  StopMemoryStatistics();
  sqlite3* raw = nullptr;
  const int rc = sqlite3_open_v2(
      path.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
  db_.reset(raw);
  if (rc != SQLITE_OK) ThrowSqliteError(raw, rc);
  sqlite3_extended_result_codes(raw, 1);
  sqlite3_busy_timeout(raw, busyTimeoutMs);
  Exec("PRAGMA journal_mode=WAL");
  Exec("PRAGMA foreign_keys=OFF");
  static constexpr std::array<const char*, kControlStatements> kControlSql = {
      "BEGIN DEFERRED", "BEGIN IMMEDIATE", "COMMIT", "ROLLBACK"};
  for (std::size_t i = 0; i < control_.size(); ++i) {
    sqlite3_stmt* stmt = nullptr;
    const int prepared =
        sqlite3_prepare_v3(raw, kControlSql[i], -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr);
    if (prepared != SQLITE_OK) ThrowSqliteError(raw, prepared, /*preparing=*/true);
    control_[i].reset(stmt);
  }
}

DriverStatement& SqliteConnection::Prepare(const std::string& sql) {
  if (auto* cached = statements_.Find(sql)) return **cached;
  const std::string translated = Translated(sql);
  sqlite3_stmt* stmt = nullptr;
  const char* tail = nullptr;
  const int rc =
      sqlite3_prepare_v3(db_.get(), translated.c_str(), static_cast<int>(translated.size() + 1),
                         SQLITE_PREPARE_PERSISTENT, &stmt, &tail);
  if (rc != SQLITE_OK) ThrowSqliteError(db_.get(), rc, /*preparing=*/true);
  auto statement = std::make_unique<SqliteStatement>(db_.get(), stmt);
  if (tail && HasFurtherStatement(tail)) {
    throw DriverError(FailureKind::Malformed, "A command may hold only one statement", SQLITE_ERROR,
                      kSqliteSource);
  }
  return *statements_.Insert(sql, std::move(statement));
}

void SqliteConnection::Rollback() noexcept {
  if (!InTransaction()) return;
  // A transaction that only read has nothing to undo: ending it with COMMIT
  // is the same and cheaper. Should that fail, ROLLBACK still ends it.
  if (sqlite3_txn_state(db_.get(), nullptr) != SQLITE_TXN_WRITE) Step(kCommit);
  if (InTransaction()) Step(kRollback);
}

int SqliteConnection::Step(ControlStatement which) noexcept {
  sqlite3_stmt* stmt = control_[which].get();
  const int rc = sqlite3_step(stmt);
  sqlite3_reset(stmt);
  return rc;
}

void SqliteConnection::Control(ControlStatement which) {
  const int rc = Step(which);
  if (rc != SQLITE_DONE) ThrowSqliteError(db_.get(), rc);
}

int SqliteConnection::SchemaVersion() { return static_cast<int>(QueryInteger("PRAGMA user_version")); }

void SqliteConnection::SetSchemaVersion(int version) {
  Exec("PRAGMA user_version=" + std::to_string(version));
}

bool SqliteConnection::HasTables() {
  return QueryInteger("SELECT count(*) FROM sqlite_master WHERE type='table'") > 0;
}

void SqliteConnection::Exec(const std::string& sql) {
  const int rc = sqlite3_exec(db_.get(), sql.c_str(), nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) ThrowSqliteError(db_.get(), rc);
}

std::int64_t SqliteConnection::QueryInteger(const char* sql) {
  sqlite3_stmt* raw = nullptr;
  const int rc = sqlite3_prepare_v2(db_.get(), sql, -1, &raw, nullptr);
  if (rc != SQLITE_OK) ThrowSqliteError(db_.get(), rc, /*preparing=*/true);
  SqliteStatement statement(db_.get(), raw);
  ResultSet result = statement.Run({}, 1);
  return result.values.empty() ? 0 : result.values.front().AsLong();
}

}  // namespace korvo::data
