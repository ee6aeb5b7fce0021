// SqliteFloor: the database work of a call written by hand against the
// SQLite C API, the yardstick the library's calls are measured against.
//
// Two ways of working (bench/backend.h):
//   Prepared: one connection; every statement is prepared once and then only
//     bound, stepped and reset; a Transaction puts the call's reads inside
//     one read transaction. This is the floor.
//   ConnectionPerRead: every statement opens a connection of its own,
//     prepares, steps, finalizes and closes it again, while another
//     connection keeps the database open, as in a server process. This is the
//     "literal" reading of one connection per query.
//
// Errors throw std::runtime_error. Owns its connections; one thread at a
// time. Non-copyable.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "bench/backend.h"

namespace korvo::bench {

class SqliteFloor {
 public:
  using Mode = FloorMode;
  static constexpr Backend kBackend = Backend::SQLite;

  SqliteFloor(const std::string& path, Mode mode);
  ~SqliteFloor();
  SqliteFloor(const SqliteFloor&) = delete;
  SqliteFloor& operator=(const SqliteFloor&) = delete;

  // Statements run so far (to check the floor does the library's work).
  int statements() const { return statements_; }

  // One run of one statement: bind, step through the rows, then reset (or,
  // per read, finalize and close). The SQL text must outlive the floor: a
  // prepared statement is kept under its address.
  class Query {
   public:
    Query(SqliteFloor& floor, const char* sql);
    ~Query();
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    // The text is copied (SQLITE_TRANSIENT), so a temporary may be bound:
    // with SQLITE_STATIC such a text was gone by the time the statement
    // ran, and the floor read whatever the memory then held.
    Query& Bind(int index, std::string_view text);
    Query& Bind(int index, double value);
    Query& Bind(int index, std::int64_t value);
    Query& BindNull(int index);
    // Advances to the next row; false when there is none. Throws on failure.
    bool Step();
    // Runs a statement without rows to completion.
    void Run();

    std::string_view Text(int column) const;
    double Double(int column) const { return sqlite3_column_double(stmt_, column); }
    std::int64_t Int(int column) const { return sqlite3_column_int64(stmt_, column); }
    bool Flag(int column) const { return sqlite3_column_int(stmt_, column) != 0; }
    bool IsNull(int column) const { return sqlite3_column_type(stmt_, column) == SQLITE_NULL; }

   private:
    SqliteFloor& floor_;
    sqlite3* own_ = nullptr;  // per-read connection
    sqlite3_stmt* stmt_ = nullptr;
  };

  // A read transaction (or, for writes, BEGIN IMMEDIATE) around a call's
  // statements on the prepared connection; per read there is none. Commits
  // when it ends unless Rollback() was called.
  class Transaction {
   public:
    explicit Transaction(SqliteFloor& floor, bool write = false);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void Rollback();

   private:
    SqliteFloor& floor_;
    bool open_;
  };

 private:
  sqlite3* Open() const;
  sqlite3_stmt* Prepared(sqlite3* db, const char* sql);
  void Exec(const char* sql);

  std::string path_;
  Mode mode_;
  sqlite3* db_ = nullptr;  // the prepared connection, or the one keeping the file open
  std::map<const char*, sqlite3_stmt*> prepared_;
  int statements_ = 0;
};

}  // namespace korvo::bench
