// PostgresFloor: the database work of a call written by hand against libpq,
// the yardstick the library's calls on PostgreSQL are measured against; the
// twin of SqliteFloor, so the same floor routines serve both databases.
//
//   Prepared: one open connection; every statement is PQprepare'd once and
//     then run with PQexecPrepared and text parameters: one round trip.
//   ConnectionPerRead: every statement connects anew (PQconnectdbParams),
//     runs with PQexecParams and disconnects (PQfinish), while the prepared
//     connection stays open, as in a server process.
//
// Statements are written in PostgreSQL's dialect ($1.. placeholders), the
// text the library's driver sends. Reads take no transaction (the library's
// calls take none on PostgreSQL: its reads pay no per-statement locking a
// snapshot would save); a write Transaction is BEGIN ... COMMIT.
//
// Errors throw std::runtime_error. Owns its connections; one thread at a
// time. Non-copyable.
#pragma once

#include <libpq-fe.h>

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "bench/backend.h"

namespace korvo::bench {

class PostgresFloor {
 public:
  using Mode = FloorMode;
  static constexpr Backend kBackend = Backend::PostgreSQL;

  // connectionString: the library's ("Driver=PostgreSQL;Host=...;Database=...").
  PostgresFloor(const std::string& connectionString, Mode mode);
  ~PostgresFloor();
  PostgresFloor(const PostgresFloor&) = delete;
  PostgresFloor& operator=(const PostgresFloor&) = delete;

  // Statements run so far (to check the floor does the library's work).
  int statements() const { return statements_; }
  // From now on the texts of the statements run go to `ran`; nullptr stops.
  void Record(std::vector<std::string>* ran) { ran_ = ran; }
  // The text the library's driver sends for one of the library's statements.
  static std::string AsSent(const std::string& librarySql);

  // One run of one statement: bind, run (at the first Step), walk the rows.
  // The SQL text must outlive the floor: its prepared statement is kept
  // under the text's address.
  class Query {
   public:
    Query(PostgresFloor& floor, const char* sql);
    ~Query();
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    // Parameters are numbered from 1, as $1.. in the text.
    Query& Bind(int index, std::string_view text);
    Query& Bind(int index, double value);
    Query& Bind(int index, std::int64_t value);
    Query& BindNull(int index);
    // Runs the statement on the first call; then advances to the next row,
    // false when there is none. Throws on failure.
    bool Step();
    // Runs a statement without rows.
    void Run() { Step(); }

    std::string_view Text(int column) const;
    double Double(int column) const;
    std::int64_t Int(int column) const;
    bool Flag(int column) const { return *PQgetvalue(result_, row_, column) == 't'; }
    bool IsNull(int column) const { return PQgetisnull(result_, row_, column) != 0; }

   private:
    void Execute();
    Query& Set(int index, std::string text, bool null = false);

    PostgresFloor& floor_;
    const char* sql_;
    std::vector<std::string> texts_;
    std::vector<bool> nulls_;
    PGresult* result_ = nullptr;
    int row_ = -1;
  };

  // A write transaction (BEGIN ... COMMIT, or ROLLBACK when asked) on the
  // prepared connection; a read one begins nothing. Per read there is none.
  class Transaction {
   public:
    explicit Transaction(PostgresFloor& floor, bool write = false);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void Rollback();

   private:
    PostgresFloor& floor_;
    bool open_;
  };

 private:
  PGconn* Connect() const;
  const std::string& Prepared(const char* sql, int parameters);
  void Exec(const char* sql);

  std::vector<std::string> keywords_, values_;  // libpq's connection parameters
  Mode mode_;
  PGconn* db_ = nullptr;  // the prepared connection, or the one keeping the database open
  std::map<const char*, std::string> prepared_;  // text address -> statement name
  int statements_ = 0;
  std::vector<std::string>* ran_ = nullptr;
};

}  // namespace korvo::bench
