#include "platform/membership/directory_error.h"

#include "platform/contracts/membership.h"
#include "platform/runtime/error.h"

namespace korvo::membership {

namespace err = contracts::membership_error;

std::string DirectoryErrorText(std::int32_t number) {
  switch (number) {
    case err::kNotBound:
      return "The directory user is not bound";
    case err::kInvalidCredentials:
      return "Invalid account or password";
    case err::kUserNotFound:
      return "User not found";
    case err::kAccessDenied:
      return "Access denied";
    case err::kInvalidCriteria:
      return "Invalid search criteria";
    case err::kInvalidAttribute:
      return "Invalid attribute";
    case err::kUserExists:
      return "User already exists";
    case err::kDirectoryUnavailable:
      return "Directory unavailable";
    case err::kInvalidUserID:
      return "Invalid user ID";
    default:
      return rt::DefaultDescription(number);
  }
}

void RaiseDirectoryError(std::int32_t number, std::string_view source, std::string_view detail) {
  std::string text = DirectoryErrorText(number);
  if (!detail.empty()) text += ": " + std::string(detail);
  rt::Raise(number, std::move(text), std::string(source));
}

}  // namespace korvo::membership
