#include "platform/membership/directory_user.h"

#include <algorithm>

#include "platform/membership/attribute_kinds.h"
#include "platform/membership/directory_entry.h"
#include "platform/membership/directory_error.h"

namespace korvo::membership {

namespace {

namespace err = contracts::membership_error;

constexpr const char* kProjectRoleAttribute = "ProjectRole";

void SetLocally(Entry& entry, const std::string& name, std::vector<std::string> values) {
  auto found = std::find_if(entry.attributes.begin(), entry.attributes.end(),
                            [&](const Attribute& a) { return FoldCase(a.name) == FoldCase(name); });
  if (found == entry.attributes.end()) {
    if (!values.empty()) entry.attributes.push_back({name, std::move(values)});
  } else if (values.empty()) {
    entry.attributes.erase(found);
  } else {
    found->values = std::move(values);
  }
}

// An "<application>=<url>" value's URL for that application; a value
// without such a prefix serves every application.
std::optional<std::string> UrlFor(const std::string& value, const std::string& prefix) {
  if (value.starts_with(prefix)) return value.substr(prefix.size());
  return std::nullopt;
}

bool HasApplicationPrefix(const std::string& value) {
  const auto equals = value.find('=');
  if (equals == std::string::npos || equals == 0) return false;
  return std::all_of(value.begin(), value.begin() + static_cast<std::ptrdiff_t>(equals),
                     [](char c) { return (c >= '0' && c <= '9') || c == '-'; });
}

}  // namespace

const host::DispatchTable& DirectoryUser::Dispatch() const {
  using U = DirectoryUser;
  static const host::DispatchTable table =
      host::DispatchTable::For<U>()
          .Method("Bind", &U::Bind)
          .Method("GetAttribute", &U::GetAttribute)
          .Getter("UserID", &U::UserID)
          .Getter("RoleCodes", &U::RoleCodes)
          .Getter("Locale", &U::Locale)
          .Getter("Language", &U::Language)
          .Getter("Surname", &U::Surname)
          .Getter("GivenName", &U::GivenName)
          .Getter("Email", &U::Email)
          .Getter("AddressID", &U::AddressID)
          .Getter("PurOffice", &U::PurOffice)
          .Getter("AdminOffice", &U::AdminOffice)
          .Getter("BuyerRole", &U::BuyerRole)
          .Getter("RequisitionerRole", &U::RequisitionerRole)
          .Getter("ApproverRole", &U::ApproverRole)
          .Getter("FinancialRole", &U::FinancialRole)
          .Getter("ExternalRole", &U::ExternalRole)
          .Getter("SpendLimit", &U::SpendLimit)
          .Getter("PropertyGroupID", &U::PropertyGroupID)
          .Getter("ReqPrefix", &U::ReqPrefix)
          .Getter("WhReqPrefix", &U::WhReqPrefix)
          .Getter("CompanyName", &U::CompanyName)
          .Property("CompanyNumber", &U::CompanyNumber, &U::SetCompanyNumber)
          .Getter("FinancialCompanyAdmin", &U::FinancialCompanyAdmin)
          .Getter("FinancialCompanyCardUser", &U::FinancialCompanyCardUser)
          .Getter("ProjectUserType", &U::ProjectUserType)
          .Getter("EmployeeNumber", &U::EmployeeNumber)
          .Getter("RequisitionerManager", &U::RequisitionerManager)
          .Getter("BillToBusinessPartnerID", &U::BillToBusinessPartnerID)
          .Getter("BusinessPartnerID", &U::BusinessPartnerID)
          .Getter("OutOfOfficeOn", &U::OutOfOfficeOn)
          .Getter("ApproverLimit", &U::ApproverLimit)
          .Getter("LimitForRFQ", &U::LimitForRFQ)
          .Getter("LimitForContract", &U::LimitForContract)
          .Getter("BuyerManager", &U::BuyerManager)
          .Getter("CardUserManager", &U::CardUserManager)
          .Getter("ChargeLines", &U::ChargeLines)
          .Getter("ApproverManager", &U::ApproverManager)
          .Getter("CreditCardNumber", &U::CreditCardNumber)
          .Getter("CreditCardExpiry", &U::CreditCardExpiry)
          .Getter("OutOfOfficeApprover", &U::OutOfOfficeApprover)
          .Getter("SubstituteBuyer", &U::SubstituteBuyer)
          .Method("DefaultURL", &U::DefaultURL)
          .Property("ProjectRoles", &U::ProjectRoles, &U::SetProjectRoles)
          .Getter("FallbackValues", &U::FallbackValues)
          .Getter("Parent", &U::Parent)
          .Build();
  return table;
}

void DirectoryUser::Bind(const std::string& userId, const std::string& account,
                         const std::string& password) {
  std::shared_ptr<Directory> directory = binding_ ? binding_->directory : Directory::Open();
  binding_.reset();
  std::string accountId = directory->Authenticate(account, password, kUserSource);
  Entry entry = directory->LoadUser(userId, kUserSource);
  Attach(std::move(directory), std::move(accountId), std::move(entry));
}

void DirectoryUser::Attach(std::shared_ptr<Directory> directory, std::string accountId, Entry entry) {
  binding_ = Binding{std::move(directory), std::move(accountId), std::move(entry), std::nullopt};
}

void DirectoryUser::Attach(std::shared_ptr<Directory> directory, std::string accountId, Entry entry,
                           Entry parent) {
  Attach(std::move(directory), std::move(accountId), std::move(entry));
  binding_->parent.emplace(std::move(parent));
}

DirectoryUser::Binding& DirectoryUser::Bound() {
  if (!binding_) RaiseDirectoryError(err::kNotBound, kUserSource);
  return *binding_;
}

const Entry* DirectoryUser::ParentEntry() {
  Binding& binding = Bound();
  if (!binding.parent) {
    const std::optional<std::string> parentId = ParentId(binding.entry);
    binding.parent.emplace(parentId ? binding.directory->FindUser(*parentId) : std::nullopt);
  }
  return *binding.parent ? &**binding.parent : nullptr;
}

rt::Variant DirectoryUser::Inherited(std::string_view attribute) {
  const AttributeKind kind = KindOf(attribute);
  const std::string* value = FirstValue(Bound().entry, attribute);
  if (!value) {
    if (const Entry* parent = ParentEntry()) value = FirstValue(*parent, attribute);
  }
  return value ? ReadValue(kind, *value) : EmptyValue(kind);
}

std::string DirectoryUser::UserID() { return Bound().entry.userId; }

rt::Array DirectoryUser::GetAttribute(const std::string& name) {
  return AttributeValues(Bound().entry, name);
}

rt::Array DirectoryUser::RoleCodes() { return AttributeValues(Bound().entry, "KorvoRole"); }

void DirectoryUser::SetCompanyNumber(const std::string& companyNumber) {
  Binding& binding = Bound();
  if (!binding.directory->IsWriter(binding.accountId))
    RaiseDirectoryError(err::kAccessDenied, kUserSource);
  if (!IsStorableValue(companyNumber))
    RaiseDirectoryError(err::kInvalidAttribute, kUserSource, "CompanyNumber");
  std::vector<std::string> values;
  if (!companyNumber.empty()) values.push_back(companyNumber);
  Write("CompanyNumber", std::move(values));
}

rt::Array DirectoryUser::InheritedValues(std::string_view attribute) {
  rt::Array values = AttributeValues(Bound().entry, attribute);
  if (values.items.front().IsEmpty()) {
    if (const Entry* parent = ParentEntry()) values = AttributeValues(*parent, attribute);
  }
  return values;
}

std::string DirectoryUser::DefaultURL(std::int32_t application) {
  const rt::Array values = InheritedValues("DefaultURL");
  const std::string prefix = std::to_string(application) + "=";
  std::optional<std::string> general;
  for (const auto& item : values.items) {
    if (item.IsEmpty()) continue;
    const std::string value = rt::CStr(item);
    if (auto url = UrlFor(value, prefix)) return *url;
    if (!general && !HasApplicationPrefix(value)) general = value;
  }
  return general.value_or("");
}

rt::Array DirectoryUser::ProjectRoles() { return AttributeValues(Bound().entry, kProjectRoleAttribute); }

void DirectoryUser::SetProjectRoles(const rt::Array& roles) {
  Binding& binding = Bound();
  const bool self = FoldCase(binding.accountId) == FoldCase(binding.entry.userId);
  if (!self && !binding.directory->IsWriter(binding.accountId)) {
    RaiseDirectoryError(err::kAccessDenied, kUserSource);
  }
  std::vector<std::string> values;
  for (const auto& role : roles.items) {
    if (role.IsNullOrEmpty()) continue;
    auto text = CanonicalValue(AttributeKind::Text, role);
    if (!text) RaiseDirectoryError(err::kInvalidAttribute, kUserSource, kProjectRoleAttribute);
    if (!text->empty()) values.push_back(std::move(*text));
  }
  Write(kProjectRoleAttribute, std::move(values));
}

rt::Array DirectoryUser::FallbackValues() { return InheritedValues("FallbackValues"); }

rt::ObjectRef DirectoryUser::Parent() {
  const Entry* parent = ParentEntry();
  if (!parent) return nullptr;
  return std::make_shared<DirectoryEntry>(*parent);
}

void DirectoryUser::Write(const std::string& attribute, std::vector<std::string> values) {
  Binding& binding = Bound();
  binding.directory->Backend().ReplaceAttribute(binding.entry.userId, attribute, values);
  SetLocally(binding.entry, attribute, std::move(values));
}

}  // namespace korvo::membership
