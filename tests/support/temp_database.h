// TempDatabase: a fresh SQLite database file with the library's schema, for
// tests that need a real database. The file lives in the system's temporary
// directory and is removed (with its WAL files) when the object ends, after
// the pool has closed its idle connections to it. Non-copyable; leases still
// in use when it ends keep their open file until they are returned.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "platform/data/pool.h"
#include "platform/data/schema.h"

namespace korvo::testing {

class TempDatabase {
 public:
  TempDatabase() {
    std::string name = (std::filesystem::temp_directory_path() / "korvo-test-XXXXXX").string();
    const int fd = mkstemp(name.data());
    if (fd < 0) throw std::system_error(errno, std::generic_category(), "mkstemp");
    close(fd);
    path_ = name;
    connectionString_ = "Driver=SQLite;Database=" + path_;
    data::InitializeDatabase(connectionString_);
  }
  ~TempDatabase() {
    data::ConnectionPool::CloseIdle(connectionString_);
    std::error_code ignored;
    for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(path_ + suffix, ignored);
  }
  TempDatabase(const TempDatabase&) = delete;
  TempDatabase& operator=(const TempDatabase&) = delete;

  const std::string& ConnectionString() const { return connectionString_; }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  std::string connectionString_;
};

}  // namespace korvo::testing
