// TranslationCache: statement texts already translated into a backend's
// dialect, so a statement the library issues again costs one look-up. Bounded
// (least recently used entries are forgotten) and safe to share between
// threads; the translation itself runs outside the lock.
#pragma once

#include <cstddef>
#include <mutex>
#include <string>

#include "platform/data/lru_cache.h"

namespace korvo::data {

template <class Translation>
class TranslationCache {
 public:
  explicit TranslationCache(std::size_t capacity) : cache_(capacity) {}
  TranslationCache(const TranslationCache&) = delete;
  TranslationCache& operator=(const TranslationCache&) = delete;

  // The cached translation of sql, or translate() (then cached).
  template <class Translate>
  Translation Get(const std::string& sql, Translate&& translate) {
    {
      std::lock_guard lock(mutex_);
      if (const Translation* hit = cache_.Find(sql)) return *hit;
    }
    Translation translated = translate();
    std::lock_guard lock(mutex_);
    cache_.Insert(sql, translated);
    return translated;
  }

 private:
  std::mutex mutex_;
  LruCache<Translation> cache_;
};

}  // namespace korvo::data
