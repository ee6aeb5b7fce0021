// KorvoMembership.User: one directory user, bound with an account and its
// password (contracts::MembershipUser describes every member).
//
// Bind reads the user's entry once; the properties answer from it, so a
// page that reads twenty attributes costs one bind and one read. The
// parent entry is read the first time an inherited value or Parent() needs
// it, unless the members object read it with the user (BindUsers). Writes
// go to the directory at once and update what the object holds.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/contracts/membership.h"
#include "platform/host/component.h"
#include "platform/membership/directory.h"
#include "platform/runtime/conversions.h"

namespace korvo::membership {

inline constexpr const char* kUserProgId = "KorvoMembership.User";

class DirectoryUser final : public host::Component, public contracts::MembershipUser {
 public:
  std::string TypeName() const override { return "User"; }
  const host::DispatchTable& Dispatch() const override;

  void Bind(const std::string& userId, const std::string& account, const std::string& password) override;
  // Binds to `entry` as `accountId`, an account the caller has already
  // authenticated on `directory` (the members object after CreateUser).
  void Attach(std::shared_ptr<Directory> directory, std::string accountId, Entry entry);
  // The same, with the entry's parent read already (the members object
  // binding many users at once).
  void Attach(std::shared_ptr<Directory> directory, std::string accountId, Entry entry, Entry parent);

  std::string UserID() override;
  rt::Array GetAttribute(const std::string& name) override;
  rt::Array RoleCodes() override;

  std::int16_t Locale() override { return rt::CInt(Inherited("LOCALE")); }
  std::string Language() override { return Text("LANGUAGE"); }
  std::string Surname() override { return Text("SURNAME"); }
  std::string GivenName() override { return Text("GIVENNAME"); }
  std::string Email() override { return Text("EMAIL"); }
  std::int32_t AddressID() override { return rt::CLng(Inherited("ADDRESSID")); }
  std::string PurOffice() override { return Text("PUROFFICE"); }
  std::string AdminOffice() override { return Text("ADMINOFFICE"); }
  bool BuyerRole() override { return rt::CBool(Inherited("BUYERROLE")); }
  bool RequisitionerRole() override { return rt::CBool(Inherited("REQUISITIONERROLE")); }
  bool ApproverRole() override { return rt::CBool(Inherited("APPROVERROLE")); }
  bool FinancialRole() override { return rt::CBool(Inherited("FINANCIALROLE")); }
  bool ExternalRole() override { return rt::CBool(Inherited("EXTERNALROLE")); }
  rt::Money SpendLimit() override { return rt::CCur(Inherited("SPENDLIMIT")); }
  std::int32_t PropertyGroupID() override { return rt::CLng(Inherited("PROPERTYGROUPID")); }
  std::string ReqPrefix() override { return Text("REQPREFIX"); }
  std::string WhReqPrefix() override { return Text("WHREQPREFIX"); }
  std::string CompanyName() override { return Text("CompanyName"); }
  std::string CompanyNumber() override { return Text("CompanyNumber"); }
  std::string FinancialCompanyAdmin() override { return Text("FinancialCompanyAdmin"); }
  std::string FinancialCompanyCardUser() override { return Text("FinancialCompanyCardUser"); }
  std::int16_t ProjectUserType() override { return rt::CInt(Inherited("ProjectUserType")); }
  std::string EmployeeNumber() override { return Text("EmployeeNumber"); }
  std::string RequisitionerManager() override { return Text("KORVOU_USERID"); }
  std::int32_t BillToBusinessPartnerID() override {
    return rt::CLng(Inherited("BillToBusinessPartnerID"));
  }
  std::int32_t BusinessPartnerID() override { return rt::CLng(Inherited("BusinessPartnerID")); }
  bool OutOfOfficeOn() override { return rt::CBool(Inherited("OUTOFOFFICEON")); }
  rt::Money ApproverLimit() override { return rt::CCur(Inherited("APPROVERLIMIT")); }
  rt::Money LimitForRFQ() override { return rt::CCur(Inherited("LIMITFORRFQ")); }
  rt::Money LimitForContract() override { return rt::CCur(Inherited("LIMITFORCONTRACT")); }
  std::string BuyerManager() override { return Text("BUYERMANAGER"); }
  std::string CardUserManager() override { return Text("CARDUSERMANAGER"); }
  bool ChargeLines() override { return rt::CBool(Inherited("CHARGELINES")); }
  std::string ApproverManager() override { return Text("APPROVERMANAGER"); }
  std::string CreditCardNumber() override { return Text("USERCREDITCARDNUMBER"); }
  rt::Date CreditCardExpiry() override { return rt::CDate(Inherited("USERCREDITCARDEXPIRY")); }
  std::string OutOfOfficeApprover() override { return Text("OUTOFFICEAPPROVER"); }
  std::string SubstituteBuyer() override { return Text("SUBSTITUTEBUYER"); }

  void SetCompanyNumber(const std::string& companyNumber) override;
  std::string DefaultURL(std::int32_t application) override;
  rt::Array ProjectRoles() override;
  void SetProjectRoles(const rt::Array& roles) override;
  rt::Array FallbackValues() override;
  rt::ObjectRef Parent() override;

 private:
  struct Binding {
    std::shared_ptr<Directory> directory;
    std::string accountId;
    Entry entry;
    std::optional<std::optional<Entry>> parent;  // outer: not read yet
  };

  Binding& Bound();
  const Entry* ParentEntry();
  // The first value of the attribute, the user's own else the parent's, in
  // its kind; the kind's empty value when neither has one.
  rt::Variant Inherited(std::string_view attribute);
  // Every value of the attribute, the user's own else the parent's;
  // [Empty] when neither has one.
  rt::Array InheritedValues(std::string_view attribute);
  std::string Text(std::string_view attribute) { return rt::CStr(Inherited(attribute)); }
  // Replaces an attribute's values in the directory and in the object.
  void Write(const std::string& attribute, std::vector<std::string> values);

  std::optional<Binding> binding_;
};

}  // namespace korvo::membership
