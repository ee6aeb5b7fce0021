#include "user/directory_user_cache.h"

#include "infrastructure/method_guard.h"
#include "infrastructure/user_lib.h"

namespace korvo::common {

contracts::MembershipUser& DirectoryUserCache::For(const std::string& userId) {
  return infra::RunHandled(infra::UnvotedHandler("Utility.GetAUObject"),
                           [&]() -> contracts::MembershipUser& {
                             if (user_ && user_->UserID() == userId) return *user_;
                             user_.reset();
                             user_ = infra::UL_CreateUO(userId);
                             return *user_;
                           });
}

}  // namespace korvo::common
