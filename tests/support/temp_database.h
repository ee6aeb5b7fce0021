// TempDatabase: a fresh database with the library's schema, for tests that
// need a real database, on the backend the test run chose:
//   - SQLite (the default): a file in the system's temporary directory,
//     removed (with its WAL files) when the object ends;
//   - PostgreSQL, when KORVO_TEST_BACKEND=postgresql: a new database on the
//     server KORVO_TEST_PG names ("Host=...;Port=...;User=..." and any other
//     PostgreSQL option except Driver and Database), created through the
//     server's "postgres" database and dropped when the object ends.
// The pool's idle connections to it are closed first; leases still in use
// when it ends lose their database. Non-copyable. Header-only, so suites
// that never touch a database need not link the data layer.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "platform/data/connection_string.h"
#include "platform/data/driver.h"
#include "platform/data/pool.h"
#include "platform/data/schema.h"

namespace korvo::testing {

enum class Backend { SQLite, PostgreSQL };

// The backend of this test run (from KORVO_TEST_BACKEND).
inline Backend TestBackend() {
  const char* backend = std::getenv("KORVO_TEST_BACKEND");
  return backend && std::string(backend) == "postgresql" ? Backend::PostgreSQL : Backend::SQLite;
}

// The connection string of a database on the test run's PostgreSQL server.
// Throws std::runtime_error when the run names no server.
inline std::string PostgresTestConnectionString(const std::string& database) {
  const char* server = std::getenv("KORVO_TEST_PG");
  if (!server || !*server) {
    throw std::runtime_error(
        "KORVO_TEST_BACKEND=postgresql needs KORVO_TEST_PG (scripts/pg-server starts one)");
  }
  return "Driver=PostgreSQL;" + std::string(server) + ";Database=" + database;
}

// Runs one statement on the server's maintenance database, outside the pool
// (which would give that database the library's schema).
inline void AdministerPostgres(const std::string& sql) {
  const auto options = data::ParseConnectionString(PostgresTestConnectionString("postgres"));
  data::FindDriver(options.driver()).Connect(options)->Prepare(sql).Run({}, 0);
}

class TempDatabase {
 public:
  enum class Schema { Created, None };

  // Creates the database, with the library's schema unless told otherwise.
  // Throws std::runtime_error when the run names PostgreSQL but no server,
  // or the data layer's error when the database cannot be created.
  explicit TempDatabase(Schema schema = Schema::Created) {
    if (TestBackend() == Backend::PostgreSQL) {
      name_ = UniqueDatabaseName();
      AdministerPostgres("CREATE DATABASE " + name_);
      connectionString_ = PostgresTestConnectionString(name_);
    } else {
      name_ = NewDatabaseFile();
      connectionString_ = "Driver=SQLite;Database=" + name_;
    }
    if (schema == Schema::Created) data::InitializeDatabase(connectionString_);
  }

  ~TempDatabase() {
    data::ConnectionPool::CloseIdle(connectionString_);
    if (TestBackend() == Backend::PostgreSQL) {
      try {
        AdministerPostgres("DROP DATABASE IF EXISTS " + name_ + " WITH (FORCE)");
      } catch (...) {
        ADD_FAILURE() << "cannot drop the test database " << name_;
      }
      return;
    }
    std::error_code ignored;
    for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(name_ + suffix, ignored);
  }

  TempDatabase(const TempDatabase&) = delete;
  TempDatabase& operator=(const TempDatabase&) = delete;

  const std::string& ConnectionString() const { return connectionString_; }

  // The korvo program's arguments naming this database: --db PATH on
  // SQLite, --connection STRING on PostgreSQL.
  std::vector<std::string> ProgramArguments() const {
    if (TestBackend() == Backend::PostgreSQL) return {"--connection", connectionString_};
    return {"--db", name_};
  }

 private:
  // A database name no other test process picks.
  static std::string UniqueDatabaseName() {
    static std::atomic<int> count{0};
    std::random_device random;
    return "korvo_test_" + std::to_string(getpid()) + "_" + std::to_string(++count) + "_" +
           std::to_string(random());
  }

  static std::string NewDatabaseFile() {
    std::string name = (std::filesystem::temp_directory_path() / "korvo-test-XXXXXX").string();
    const int fd = mkstemp(name.data());
    if (fd < 0) throw std::system_error(errno, std::generic_category(), "mkstemp");
    close(fd);
    return name;
  }

  std::string name_;  // the file (SQLite) or the database (PostgreSQL)
  std::string connectionString_;
};

}  // namespace korvo::testing

// Skips the rest of a test on PostgreSQL, saying why: for behaviour only the
// embedded database has (its file, its pragmas, its lock waits).
#define KORVO_SQLITE_ONLY(why)                                              \
  if (::korvo::testing::TestBackend() != ::korvo::testing::Backend::SQLite) \
  GTEST_SKIP() << "SQLite only: " << (why)
