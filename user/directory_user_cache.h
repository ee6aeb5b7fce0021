// The directory user a User object bound last, kept for the object's life
// so that several questions about one user bind the directory once.
//
// Single-threaded, like the object that owns it.
#pragma once

#include <memory>
#include <string>

#include "platform/contracts/membership.h"

namespace korvo::common {

class DirectoryUserCache {
 public:
  // The directory user `userId`: the cached one when its UserID equals
  // userId exactly (case-sensitive), else a new one bound with the web
  // session's account (UL_CreateUO), which replaces it. Failures are logged
  // under "Utility.GetAUObject" and raised again; the cache is then empty.
  contracts::MembershipUser& For(const std::string& userId);

 private:
  std::shared_ptr<contracts::MembershipUser> user_;
};

}  // namespace korvo::common
