#include "registration/register_all.h"

#include <mutex>

#include "currency/register.h"
#include "locale/register.h"
#include "partner/register.h"
#include "platform/data/register.h"
#include "platform/korvex/register.h"
#include "platform/mail/register.h"
#include "platform/membership/ldap/ldap_backend.h"
#include "platform/membership/register.h"
#include "terms/register.h"
#include "user/tuser_register.h"
#include "user/user_register.h"

namespace korvo::registration {

void RegisterAll() {
  static std::once_flag once;
  std::call_once(once, [] {
    data::RegisterClasses();
    korvex::RegisterClasses();
    membership::RegisterClasses();
    membership::RegisterLdapDirectoryBackend();
    mail::RegisterClasses();
    common::RegisterCurrencyClasses();
    common::RegisterPartnerClasses();
    common::RegisterTermsClasses();
    common::RegisterLocaleClasses();
    common::RegisterUserClass();
    common::RegisterTUserClass();
  });
}

}  // namespace korvo::registration
