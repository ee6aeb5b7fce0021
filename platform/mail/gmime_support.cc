#include "platform/mail/gmime_support.h"

#include <mutex>

namespace korvo::mail {

void EnsureGMime() {
  static std::once_flag once;
  std::call_once(once, [] { g_mime_init(); });
}

}  // namespace korvo::mail
