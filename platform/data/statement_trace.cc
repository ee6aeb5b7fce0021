#include "platform/data/statement_trace.h"

#include <atomic>
#include <mutex>
#include <utility>
#include <vector>

namespace korvo::data {
namespace {

struct Observers {
  std::atomic<int> count{0};
  std::mutex mutex;
  std::uint64_t nextId = 1;
  std::vector<std::pair<std::uint64_t, StatementTrace::Observer>> list;
};

Observers& All() {
  static Observers* observers = new Observers();  // usable during static destruction
  return *observers;
}

}  // namespace

StatementTrace::Subscription StatementTrace::Subscribe(Observer observer) {
  Observers& all = All();
  std::lock_guard lock(all.mutex);
  const std::uint64_t id = all.nextId++;
  all.list.emplace_back(id, std::move(observer));
  all.count.fetch_add(1, std::memory_order_relaxed);
  return Subscription(id);
}

StatementTrace::Subscription& StatementTrace::Subscription::operator=(Subscription&& other) noexcept {
  if (this != &other) {
    End();
    id_ = std::exchange(other.id_, 0);
  }
  return *this;
}

void StatementTrace::Subscription::End() noexcept {
  if (id_ == 0) return;
  Observers& all = All();
  std::lock_guard lock(all.mutex);
  std::erase_if(all.list, [this](const auto& entry) { return entry.first == id_; });
  all.count.fetch_sub(1, std::memory_order_relaxed);
  id_ = 0;
}

void StatementTrace::Notify(const std::string& sql, std::span<const contracts::Parameter> params) {
  Observers& all = All();
  if (all.count.load(std::memory_order_relaxed) == 0) return;
  std::lock_guard lock(all.mutex);
  for (const auto& [id, observer] : all.list) observer(sql, params);
}

}  // namespace korvo::data
