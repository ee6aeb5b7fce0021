#include "bench/sqlite_floor.h"

#include <stdexcept>

namespace korvo::bench {
namespace {

constexpr int kBusyTimeoutMs = 5000;

[[noreturn]] void Fail(sqlite3* db, const char* what) {
  throw std::runtime_error(std::string(what) + ": " + (db ? sqlite3_errmsg(db) : "out of memory"));
}

}  // namespace

SqliteFloor::SqliteFloor(const std::string& path, Mode mode) : path_(path), mode_(mode), db_(Open()) {}

SqliteFloor::~SqliteFloor() {
  for (auto& [sql, stmt] : prepared_) sqlite3_finalize(stmt);
  sqlite3_close_v2(db_);
}

sqlite3* SqliteFloor::Open() const {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path_.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) !=
      SQLITE_OK) {
    std::string message = sqlite3_errmsg(db);
    sqlite3_close_v2(db);
    throw std::runtime_error("cannot open " + path_ + ": " + message);
  }
  sqlite3_busy_timeout(db, kBusyTimeoutMs);
  return db;
}

sqlite3_stmt* SqliteFloor::Prepared(sqlite3* db, const char* sql) {
  if (db == db_) {
    if (auto it = prepared_.find(sql); it != prepared_.end()) return it->second;
  }
  sqlite3_stmt* stmt = nullptr;
  const unsigned flags = db == db_ ? SQLITE_PREPARE_PERSISTENT : 0;
  if (sqlite3_prepare_v3(db, sql, -1, flags, &stmt, nullptr) != SQLITE_OK) Fail(db, sql);
  if (db == db_) prepared_.emplace(sql, stmt);
  return stmt;
}

void SqliteFloor::Exec(const char* sql) {
  Query query(*this, sql);
  query.Run();
  --statements_;  // transaction control is not the call's work
}

SqliteFloor::Query::Query(SqliteFloor& floor, const char* sql) : floor_(floor) {
  ++floor_.statements_;
  if (floor_.mode_ == Mode::ConnectionPerRead) own_ = floor_.Open();
  try {
    stmt_ = floor_.Prepared(own_ ? own_ : floor_.db_, sql);
  } catch (...) {
    sqlite3_close_v2(own_);
    throw;
  }
}

SqliteFloor::Query::~Query() {
  if (own_) {
    sqlite3_finalize(stmt_);
    sqlite3_close_v2(own_);
  } else {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
  }
}

SqliteFloor::Query& SqliteFloor::Query::Bind(int index, std::string_view text) {
  sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
  return *this;
}

SqliteFloor::Query& SqliteFloor::Query::Bind(int index, double value) {
  sqlite3_bind_double(stmt_, index, value);
  return *this;
}

SqliteFloor::Query& SqliteFloor::Query::Bind(int index, std::int64_t value) {
  sqlite3_bind_int64(stmt_, index, value);
  return *this;
}

SqliteFloor::Query& SqliteFloor::Query::BindNull(int index) {
  sqlite3_bind_null(stmt_, index);
  return *this;
}

bool SqliteFloor::Query::Step() {
  const int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  Fail(sqlite3_db_handle(stmt_), sqlite3_sql(stmt_));
}

void SqliteFloor::Query::Run() {
  while (Step()) {
  }
}

std::string_view SqliteFloor::Query::Text(int column) const {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
  return text ? std::string_view(text, static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column)))
              : std::string_view();
}

SqliteFloor::Transaction::Transaction(SqliteFloor& floor, bool write)
    : floor_(floor), open_(floor.mode_ == Mode::Prepared) {
  if (open_) floor_.Exec(write ? "BEGIN IMMEDIATE" : "BEGIN DEFERRED");
}

SqliteFloor::Transaction::~Transaction() {
  if (open_) floor_.Exec("COMMIT");
}

void SqliteFloor::Transaction::Rollback() {
  if (!open_) return;
  open_ = false;
  floor_.Exec("ROLLBACK");
}

}  // namespace korvo::bench
