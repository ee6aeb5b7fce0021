// LruCache: a bounded map from text keys to values that forgets the least
// recently used entry when full. Values are destroyed on eviction, so a
// cache of RAII handles (prepared statements) releases them.
// Thread-compatible: callers serialize access.
#pragma once

#include <cstddef>
#include <list>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

namespace korvo::data {

template <class Value>
class LruCache {
 public:
  // capacity >= 1.
  explicit LruCache(std::size_t capacity) : capacity_(capacity) {}
  LruCache(const LruCache&) = delete;
  LruCache& operator=(const LruCache&) = delete;

  // The value under key, now the most recently used; nullptr when absent.
  Value* Find(std::string_view key) {
    auto it = index_.find(key);
    if (it == index_.end()) return nullptr;
    order_.splice(order_.begin(), order_, it->second);
    return &it->second->second;
  }

  // Adds (or replaces) the value under key, evicting the least recently used
  // entries beyond the capacity. The returned reference stays valid until
  // the next Insert.
  Value& Insert(std::string key, Value value) {
    if (auto it = index_.find(key); it != index_.end()) {
      order_.erase(it->second);
      index_.erase(it);
    }
    order_.emplace_front(std::move(key), std::move(value));
    index_.emplace(std::string_view(order_.front().first), order_.begin());
    while (order_.size() > capacity_) {
      index_.erase(std::string_view(order_.back().first));
      order_.pop_back();
    }
    return order_.front().second;
  }

 private:
  using Entry = std::pair<std::string, Value>;
  std::size_t capacity_;
  std::list<Entry> order_;  // most recently used first
  std::unordered_map<std::string_view, typename std::list<Entry>::iterator> index_;
};

}  // namespace korvo::data
