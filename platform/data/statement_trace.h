// StatementTrace: lets observers see every statement the library issues, as
// it issued it (before any dialect translation), with its parameters.
//
//   auto subscription = StatementTrace::Subscribe(
//       [&](const std::string& sql, std::span<const contracts::Parameter> params) { ... });
//
// Process-wide and thread-safe. Observers run on the issuing thread, one at a
// time, and must not issue statements themselves. With no observer the
// trace costs one relaxed atomic load per statement.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <utility>

#include "platform/contracts/database.h"

namespace korvo::data {

class StatementTrace {
 public:
  using Observer =
      std::function<void(const std::string& sql, std::span<const contracts::Parameter> params)>;

  // Keeps an observer registered for its lifetime. Movable, non-copyable.
  class Subscription {
   public:
    Subscription(Subscription&& other) noexcept : id_(std::exchange(other.id_, 0)) {}
    Subscription& operator=(Subscription&& other) noexcept;
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;
    ~Subscription() { End(); }

   private:
    friend class StatementTrace;
    explicit Subscription(std::uint64_t id) : id_(id) {}
    void End() noexcept;
    std::uint64_t id_;  // 0 once moved from
  };

  [[nodiscard]] static Subscription Subscribe(Observer observer);

  // Called by the data layer for every statement before it runs.
  static void Notify(const std::string& sql, std::span<const contracts::Parameter> params);
};

}  // namespace korvo::data
