#include "tools/korvo/demo_directory.h"

#include <string>
#include <utility>
#include <vector>

#include "platform/membership/directory.h"
#include "platform/runtime/conversions.h"

namespace korvo::tool {

namespace {

struct DemoUser {
  std::string id;
  std::vector<std::pair<std::string, std::vector<std::string>>> attributes;
};

std::vector<DemoUser> DemoUsers() {
  return {
      {"buyer.template",
       {{"GIVENNAME", {"Buyer"}},
        {"SURNAME", {"Template"}},
        {"KorvoRole", {"2"}},
        {"LOCALE", {"1033"}},
        {"LANGUAGE", {"1033"}},
        {"DefaultURL", {"17=/procurement/home"}},
        {"BUYERROLE", {"TRUE"}}}},
      {"anna.buyer",
       {{"GIVENNAME", {"Anna"}},
        {"SURNAME", {"Becker"}},
        {"EMAIL", {"anna.becker@example.com"}},
        {"KorvoRole", {"2"}},
        {"BUYERROLE", {"TRUE"}},
        {"REQUISITIONERROLE", {"TRUE"}},
        {"LOCALE", {"1031"}},
        {"LANGUAGE", {"1031"}},
        {"SPENDLIMIT", {"5000"}},
        {"LIMITFORRFQ", {"10000"}},
        {"LIMITFORCONTRACT", {"50000"}},
        {"ProjectRole", {"PM", "DEV"}},
        {"ProjectUserType", {"1"}},
        {"EmployeeNumber", {"E100"}},
        {"BUYERMANAGER", {"max.approver"}},
        {"KORVOU_USERID", {"max.approver"}}}},
      {"ben.buyer",
       {{"GIVENNAME", {"Ben"}},
        {"SURNAME", {"Okafor"}},
        {"EMAIL", {"ben.okafor@example.com"}},
        {"Parent", {"buyer.template"}},
        {"SPENDLIMIT", {"1000"}},
        {"ProjectUserType", {"1"}}}},
      {"max.approver",
       {{"GIVENNAME", {"Max"}},
        {"SURNAME", {"Vogel"}},
        {"EMAIL", {"max.vogel@example.com"}},
        {"KorvoRole", {"4"}},
        {"APPROVERROLE", {"TRUE"}},
        {"APPROVERLIMIT", {"25000"}},
        {"LOCALE", {"1031"}},
        {"ProjectRole", {"PM"}},
        {"ProjectUserType", {"1"}}}},
      {"ivy.internal",
       {{"GIVENNAME", {"Ivy"}},
        {"SURNAME", {"Laurent"}},
        {"EMAIL", {"ivy.laurent@example.com"}},
        {"KorvoRole", {"2", "4"}},
        {"ADMINOFFICE", {"Head Office"}},
        {"PUROFFICE", {"Head Office"}},
        {"FINANCIALROLE", {"TRUE"}},
        {"ProjectUserType", {"2"}},
        {"EmployeeNumber", {"E200"}},
        {"CompanyName", {"Korvo Demo GmbH"}},
        {"CompanyNumber", {"100"}},
        {"BusinessPartnerID", {"1005"}}}},
      {"sam.supplier",
       {{"GIVENNAME", {"Sam"}},
        {"SURNAME", {"Turner"}},
        {"EMAIL", {"sam.turner@supplier.example"}},
        {"KorvoRole", {"6"}},
        {"EXTERNALROLE", {"TRUE"}},
        {"BusinessPartnerID", {"1002"}},
        {"BillToBusinessPartnerID", {"1002"}},
        {"ProjectUserType", {"3"}},
        {"LOCALE", {"2057"}}}},
  };
}

}  // namespace

void LoadDemoDirectory() {
  auto directory = membership::Directory::Open();
  const std::string scriptUser = rt::Trim(directory->Settings().Value("MemScriptUser"));
  const std::string scriptCode = directory->Settings().Value("MemScriptCode");
  const std::string scriptId = scriptUser.empty() ? "script" : scriptUser;
  // A directory outside the database (LDAP) may hold the demo users from an
  // earlier run already: they stay as they are.
  auto& backend = directory->Backend();
  if (!backend.Load(scriptId)) {
    backend.Create({scriptId, {{"GIVENNAME", {"Script"}}, {"SURNAME", {"Account"}}}},
                   scriptCode.empty() ? kDemoUserPassword : scriptCode);
  }
  backend.SetWriterRight(scriptId, true);
  for (const auto& user : DemoUsers()) {
    if (backend.Load(user.id)) continue;
    membership::Entry entry{user.id, {}};
    for (const auto& [name, values] : user.attributes) entry.attributes.push_back({name, values});
    backend.Create(entry, kDemoUserPassword);
  }
}

}  // namespace korvo::tool
