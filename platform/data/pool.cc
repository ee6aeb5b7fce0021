#include "platform/data/pool.h"

#include <algorithm>
#include <iterator>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/data/connection_string.h"
#include "platform/data/option_values.h"
#include "platform/data/schema_upgrade.h"

namespace korvo::data {

// An idle physical connection and the thread that used it last. A thread is
// given back the connection it used last when that one is idle: its
// statements, pages and buffers are still in that thread's processor cache,
// while a connection passed between threads drags them across processors.
struct IdleConnection {
  std::unique_ptr<DriverConnection> connection;
  std::thread::id lastUser;
};

struct PoolEntry {
  PoolEntry(const Driver& d, ConnectionOptions o) : driver(d), options(std::move(o)) {}
  const Driver& driver;
  const ConnectionOptions options;
  std::mutex mutex;
  std::vector<IdleConnection> idle;  // most recently returned last
  std::size_t inUse = 0;
};

namespace {

// Entries are never removed: a lease and every thread's look-up below may
// hold a plain pointer to one for as long as the process runs.
struct Pools {
  std::mutex mutex;
  std::unordered_map<std::string, std::unique_ptr<PoolEntry>> entries;
};

Pools& AllPools() {
  static Pools* pools = new Pools();  // outlives leases released during static destruction
  return *pools;
}

PoolEntry* FindEntry(const std::string& connectionString) {
  Pools& pools = AllPools();
  std::lock_guard lock(pools.mutex);
  auto it = pools.entries.find(connectionString);
  return it == pools.entries.end() ? nullptr : it->second.get();
}

PoolEntry& SharedEntryFor(const std::string& connectionString) {
  if (PoolEntry* entry = FindEntry(connectionString)) return *entry;
  // Parse outside the lock: a malformed string raises and leaves no entry.
  ConnectionOptions options = ParseConnectionString(connectionString);
  const Driver& driver = FindDriver(options.driver());
  Pools& pools = AllPools();
  std::lock_guard lock(pools.mutex);
  auto& slot = pools.entries[connectionString];
  if (!slot) slot = std::make_unique<PoolEntry>(driver, std::move(options));
  return *slot;
}

// The entries this thread has used, so that finding one for every call takes
// no lock shared with other threads. Never stale (entries live as long as the
// process); it holds one pointer per connection string the thread has used.
PoolEntry& EntryFor(const std::string& connectionString) {
  thread_local std::unordered_map<std::string, PoolEntry*> known;
  if (auto it = known.find(connectionString); it != known.end()) return *it->second;
  PoolEntry& entry = SharedEntryFor(connectionString);
  known.emplace(connectionString, &entry);
  return entry;
}

// The idle connection this thread used last, else the most recently
// returned one; nullptr when none is idle.
std::unique_ptr<DriverConnection> TakeIdle(PoolEntry& entry) {
  const std::thread::id self = std::this_thread::get_id();
  std::lock_guard lock(entry.mutex);
  ++entry.inUse;
  if (entry.idle.empty()) return nullptr;
  auto chosen = std::find_if(entry.idle.rbegin(), entry.idle.rend(),
                             [&](const IdleConnection& idle) { return idle.lastUser == self; });
  auto taken = chosen == entry.idle.rend() ? std::prev(entry.idle.end()) : std::prev(chosen.base());
  auto connection = std::move(taken->connection);
  entry.idle.erase(taken);
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
    entry_ = std::exchange(other.entry_, nullptr);
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
      entry_->idle.push_back({std::move(connection_), std::this_thread::get_id()});
    } else {
      surplus = std::move(connection_);  // closed outside the lock
    }
  }
  entry_ = nullptr;
}

PooledConnection ConnectionPool::Acquire(const std::string& connectionString) {
  PoolEntry& entry = EntryFor(connectionString);
  std::unique_ptr<DriverConnection> connection = TakeIdle(entry);
  if (!connection) {
    try {
      connection = entry.driver.Connect(entry.options);
      UpgradeSchema(*connection, entry.driver, UpgradeMode::IfEmptyFile);
    } catch (...) {
      Unlease(entry);
      RethrowWithoutOptionValues(entry.options.values());
    }
  }
  return PooledConnection(&entry, std::move(connection));
}

PoolStats ConnectionPool::Stats(const std::string& connectionString) {
  PoolEntry* entry = FindEntry(connectionString);
  if (!entry) return {};
  std::lock_guard lock(entry->mutex);
  return {entry->idle.size(), entry->inUse};
}

namespace {

void CloseIdleOf(PoolEntry& entry) {
  std::vector<IdleConnection> closing;
  {
    std::lock_guard lock(entry.mutex);
    closing.swap(entry.idle);
  }
}

}  // namespace

void ConnectionPool::CloseIdle(const std::string& connectionString) {
  if (PoolEntry* entry = FindEntry(connectionString)) CloseIdleOf(*entry);
}

void ConnectionPool::CloseAllIdle() {
  std::vector<PoolEntry*> entries;
  {
    Pools& pools = AllPools();
    std::lock_guard lock(pools.mutex);
    for (auto& [connectionString, entry] : pools.entries) entries.push_back(entry.get());
  }
  for (PoolEntry* entry : entries) CloseIdleOf(*entry);
}

}  // namespace korvo::data
