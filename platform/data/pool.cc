#include "platform/data/pool.h"

#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/data/connection_string.h"
#include "platform/data/schema_upgrade.h"

namespace korvo::data {

struct PoolEntry {
  PoolEntry(const Driver& d, ConnectionOptions o) : driver(d), options(std::move(o)) {}
  const Driver& driver;
  const ConnectionOptions options;
  std::mutex mutex;
  std::vector<std::unique_ptr<DriverConnection>> idle;
  std::size_t inUse = 0;
};

namespace {

struct Pools {
  std::mutex mutex;
  std::unordered_map<std::string, std::shared_ptr<PoolEntry>> entries;
};

Pools& AllPools() {
  static Pools* pools = new Pools();  // outlives leases released during static destruction
  return *pools;
}

std::shared_ptr<PoolEntry> FindEntry(const std::string& connectionString) {
  Pools& pools = AllPools();
  std::lock_guard lock(pools.mutex);
  auto it = pools.entries.find(connectionString);
  return it == pools.entries.end() ? nullptr : it->second;
}

std::shared_ptr<PoolEntry> EntryFor(const std::string& connectionString) {
  if (auto entry = FindEntry(connectionString)) return entry;
  // Parse outside the lock: a malformed string raises and leaves no entry.
  ConnectionOptions options = ParseConnectionString(connectionString);
  const Driver& driver = FindDriver(options.driver());
  Pools& pools = AllPools();
  std::lock_guard lock(pools.mutex);
  auto& slot = pools.entries[connectionString];
  if (!slot) slot = std::make_shared<PoolEntry>(driver, std::move(options));
  return slot;
}

std::unique_ptr<DriverConnection> TakeIdle(PoolEntry& entry) {
  std::lock_guard lock(entry.mutex);
  ++entry.inUse;
  if (entry.idle.empty()) return nullptr;
  auto connection = std::move(entry.idle.back());
  entry.idle.pop_back();
  return connection;
}

void Unlease(PoolEntry& entry) {
  std::lock_guard lock(entry.mutex);
  --entry.inUse;
}

}  // namespace

PooledConnection& PooledConnection::operator=(PooledConnection&& other) noexcept {
  if (this != &other) {
    Release();
    entry_ = std::move(other.entry_);
    connection_ = std::move(other.connection_);
  }
  return *this;
}

const Driver& PooledConnection::driver() const { return entry_->driver; }

void PooledConnection::Release() noexcept {
  if (!connection_) return;
  // A transaction left open must not leak into the next lease.
  if (connection_->InTransaction()) connection_->Rollback();
  std::unique_ptr<DriverConnection> surplus;
  {
    std::lock_guard lock(entry_->mutex);
    --entry_->inUse;
    if (entry_->idle.size() < ConnectionPool::kMaxIdle) {
      entry_->idle.push_back(std::move(connection_));
    } else {
      surplus = std::move(connection_);  // closed outside the lock
    }
  }
  entry_.reset();
}

PooledConnection ConnectionPool::Acquire(const std::string& connectionString) {
  std::shared_ptr<PoolEntry> entry = EntryFor(connectionString);
  std::unique_ptr<DriverConnection> connection = TakeIdle(*entry);
  if (!connection) {
    try {
      connection = entry->driver.Connect(entry->options);
      UpgradeSchema(*connection, entry->driver, UpgradeMode::IfEmptyFile);
    } catch (...) {
      Unlease(*entry);
      throw;
    }
  }
  return PooledConnection(std::move(entry), std::move(connection));
}

PoolStats ConnectionPool::Stats(const std::string& connectionString) {
  auto entry = FindEntry(connectionString);
  if (!entry) return {};
  std::lock_guard lock(entry->mutex);
  return {entry->idle.size(), entry->inUse};
}

void ConnectionPool::CloseIdle(const std::string& connectionString) {
  auto entry = FindEntry(connectionString);
  if (!entry) return;
  std::vector<std::unique_ptr<DriverConnection>> closing;
  {
    std::lock_guard lock(entry->mutex);
    closing.swap(entry->idle);
  }
}

}  // namespace korvo::data
