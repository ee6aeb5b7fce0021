// The databases the suite measures on, and the two ways a hand-written floor
// (bench/sqlite_floor.h, bench/postgres_floor.h) works on one:
//   Prepared: one open connection; every statement is prepared once and then
//     only run with new parameters. This is the floor.
//   ConnectionPerRead: every statement opens a connection of its own, runs
//     and closes it again, while another connection keeps the database open,
//     as in a server process. This is the "literal" reading of one
//     connection per query.
#pragma once

namespace korvo::bench {

enum class Backend { SQLite, PostgreSQL };

// The backend column of the table: "sqlite", "postgres".
constexpr const char* BackendName(Backend backend) {
  return backend == Backend::PostgreSQL ? "postgres" : "sqlite";
}

enum class FloorMode { Prepared, ConnectionPerRead };

}  // namespace korvo::bench
