// Mail sent on a user's behalf. Not built yet: both methods fail with -1.
#include "platform/runtime/error.h"
#include "user/internal/user_members.h"
#include "user/user.h"

namespace korvo::common {

void User::SendEmail(const std::string&, const std::string&, const std::string&,
                     const std::string&) {
  rt::Raise(-1, "not built yet");
}

void User::SendEmailwithAttachment(const std::string&, const std::string&, const std::string&,
                                   const std::string&, const std::string&) {
  rt::Raise(-1, "not built yet");
}

namespace user_members {

void AddMailMembers(Builder& table) {
  table.Method("SendEmail", &User::SendEmail)
      .Method("SendEmailwithAttachment", &User::SendEmailwithAttachment);
}

}  // namespace user_members

}  // namespace korvo::common
