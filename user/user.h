// User: the read side of the user master data (ProgID "KorvoCommon.User",
// transaction not supported). It answers who a signed-in user is: the
// attributes the membership directory holds (locale, language, names,
// offices, roles, limits, managers, substitutes, credit card, business
// partner), with the administrative office's row standing in where an
// attribute allows it; it reads offices, employees, departments, warehouses
// and workcentres, project roles and the business processes they grant,
// lists directory users page by page, and sends mail on a user's behalf.
// Its former write methods only fail, naming the TUser method that replaced
// them.
//
// Directory reads bind the user with the account the web session holds
// (REMOTE_ACCOUNT / REMOTE_PASSWORD), so they need a host scope with a
// session; outside one they fail with the bare component error base.
//
// State: two caches for the object's life, shared with no other object:
// the directory user bound last (rebound whenever a call names another user,
// compared case-sensitively) and the office read last (replaced when
// another office is asked for; never refreshed).
//
// Errors: the numbers of EUserErrors. Each method's comment says which of
// its errors reach the caller unlogged ("straight"); every other failure is
// logged through Korvex.Log with the method's name and raised again with the
// same number. The plain attribute getters have no handler of their own:
// what fails beneath them has been logged there already. Objects are
// single-threaded; create one per request.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/contracts/business_rules.h"
#include "platform/contracts/database.h"
#include "platform/host/component.h"
#include "platform/runtime/collection.h"
#include "platform/runtime/dictionary.h"
#include "platform/runtime/variant.h"
#include "user/directory_user_cache.h"
#include "user/office_reading.h"

namespace korvo::common {

// How one attribute is read (user/internal/attribute_rule.h).
struct AttributeRule;

class User final : public host::Component,
                   public contracts::BusinessRules,
                   public contracts::ReferentialIntegrity {
 public:
  std::string TypeName() const override { return "User"; }
  const host::DispatchTable& Dispatch() const override;

  // --- Attributes (user_attributes.cc) ---
  // Each reads one directory attribute of the user; when the directory holds
  // its empty marker the getter answers its default, or for the
  // office-backed ones (address, property group, business partners) the
  // directory's first fallback value, else the administrative office's
  // column of the same name, else the default.

  // The directory's locale unchanged (0 stays 0); 1033 when unset.
  std::int16_t GetUserLocale(const std::string& iUserID);
  // The language text as a number; 1033 when unset.
  std::int16_t GetUserLanguage(const std::string& iUserID);
  std::string GetUsername(const std::string& iUserID);
  std::string GetEmailAddress(const std::string& iUserID);
  // -1 when neither the directory, its fallback nor the office has one.
  std::int32_t GetAddressID(const std::string& iUserID);
  std::string GetPurOffice(const std::string& iUserID);
  std::string GetAdminOffice(const std::string& iUserID);
  bool GetBuyerRole(const std::string& iUserID);
  bool GetRequisitionerRole(const std::string& iUserID);
  bool GetApproverRole(const std::string& iUserID);
  bool GetFinancialRole(const std::string& iUserID);
  bool GetExternalRole(const std::string& iUserID);
  // Limits: a limit of 0 reads as -1 (no limit set).
  double GetSpendLimit(const std::string& iUserID);
  double GetApproverLimit(const std::string& iUserID);
  double GetBuyerApprovalLimit(const std::string& iUserID);
  double GetBuyerContractLimit(const std::string& iUserID);
  // 0 when neither the directory, its fallback nor the office has one.
  std::int32_t GetPropertyGroup(const std::string& iUserID);
  std::string GetReqPrefix(const std::string& iUserID);
  std::string GetWhReqPrefix(const std::string& iUserID);
  // The user's start page of the procurement application (number 17);
  // i_lAppID is accepted and not consulted.
  std::string GetDefaultURL(std::int32_t i_lAppID, const std::string& i_sUserId);
  std::string GetCompany(const std::string& iUserID);
  std::string GetCompanyNumber(const std::string& i_sUserId);
  // Writes the company number through the user's directory object.
  void SetCompanyNumber(const std::string& i_sCompanyNumber, const std::string& i_sUserId);
  std::string GetFinancialCompanyAdmin(const std::string& i_sUserId);
  std::string GetFinancialCompanyCardUser(const std::string& i_sUserId);
  // The directory's number unchanged.
  std::int16_t GetProjectUserType(const std::string& iUserID);
  std::string GetEmployee(const std::string& iUserID);
  std::string GetRequisitionerManager(const std::string& iUserID);
  // -1 when neither the directory, its fallback nor the office has one.
  std::int32_t GetBillToBusinessPartnerID(const std::string& iUserID);
  std::int32_t GetBusinessPartnerID(const std::string& iUserID);
  bool IsUserOutOfOffice(const std::string& iUserID);
  std::string GetBuyerManager(const std::string& iUserID);
  std::string GetCardUserManager(const std::string& iUserID);
  bool IsChargeLinesAllowed(const std::string& iUserID);
  std::string GetApproverManager(const std::string& iUserID);

  // --- Attributes with their own rules (user_derived_attributes.cc) ---

  // The user's card number, else the administrative office's.
  std::string GetCreditCardNumber(const std::string& iUserID);
  // The user's card expiry date, else the office's; Null when neither has
  // one.
  rt::Variant GetNullCreditCardExpiry(const std::string& iUserID);
  // The user's CreditCard type; else the office's, where an office without a
  // type gives -1; 5 when the user has none and no office.
  std::int16_t GetCreditCardType(const std::string& iUserID);
  // The user's substitute approver; the user's own ID when none is set.
  std::string GetSubstituteApprover(const std::string& iUserID);
  // The user's substitute buyer; "" when none is set.
  std::string GetSubstituteBuyer(const std::string& iUserID);
  // The administrative office's columns as text ("" without an office).
  std::string GetShipToContactInformation(const std::string& iUserID);
  std::string GetCurrencyCode(const std::string& iUserID);
  // The user's own cost centre when it is a workcentre flagged as cost
  // centre, else the administrative office's. Never raises: a failure
  // answers what was found so far ("" at first).
  std::string GetCostCenter(const std::string& iUserID);

  // --- Named attributes and existence (user_details.cc) ---

  // Name -> array of values for each name in i_aAttribNames, in order; the
  // locale, language and the Korvo application attributes are inherited
  // from the directory entry the user inherits from when unset. A
  // non-array raises through the handler with info "Array is invalid."; an
  // empty array raises eInvalidArray "Array is invalid." (logged); a name
  // listed twice raises 457 (logged).
  rt::DictionaryRef GetUserDetails(const std::string& i_sUserId, rt::Variant& i_aAttribNames);
  // Whether the user can be bound in the directory. Never raises; a failed
  // bind is still logged by the session helper.
  bool CheckUserExists(std::string& iUserID);
  // Commit vote; the object's state stays as it is.
  void Release();

  // --- Offices (user_offices.cc) ---

  // Descriptions of the offices of type Administrative (Purchase), each as
  // item and key, in the database's order.
  rt::CollectionRef GetAllAdministrativeOffices();
  rt::CollectionRef GetAllPurchaseOffices();
  // Every column of the office's row, Nulls included, in column order;
  // empty when the office has no row.
  rt::DictionaryRef GetOfficeParams(const std::string& iOffice);
  // The administrative offices of the directory users whose ID equals
  // iSearchString, each once, as item and key.
  rt::CollectionRef SearchOfficesByUser(const std::string& iSearchString);
  // The warehouse code of the user's administrative office; "" when the
  // user has no office, the office no row or the row no warehouse.
  std::string GetWarehouseOfUser(rt::Variant& iUserID);

  // --- Organisation (user_organisation.cc) ---

  // Every column of the employee's row in column order; empty when none.
  rt::DictionaryRef GetEmployeeDetails(const std::string& iEmployee);
  // Employees ordered by ID with all columns, or the columns iFields lists
  // (a list object with Count and Item, or an array); Nothing when the
  // table is empty. A name that is not a column of EMPLOYEE raises Type
  // mismatch (13) "Invalid identifier: ..." before any statement runs
  // (logged).
  contracts::RecordsetRef GetAllEmployees(const std::optional<rt::Variant>& iFields);
  // One page of employees through the caller's KorvoLibrary.Page (or a new
  // DRecordset restored from i_sPersistedStateInfo), optionally only the
  // IDs of the array i_asEmployeeIDs (an empty array lists none; Empty or
  // Null none restricts nothing); returns the DRecordset.
  rt::ObjectRef GetEmployeeData(rt::Variant i_oPage, const std::string& i_sPersistedStateInfo,
                                std::int16_t i_iPageSize,
                                const std::optional<rt::Variant>& i_asEmployeeIDs,
                                const std::optional<std::string>& i_sSortTableFieldNames);
  // Employees within both inclusive ranges, by department and ID.
  contracts::RecordsetRef GetRangeOfEmployees(const std::string& i_sFromEmp, const std::string& i_sToEmp,
                                              const std::string& i_sFromDep,
                                              const std::string& i_sToDep);
  // The IDs of the department's employees; Nothing when there are none.
  contracts::RecordsetRef GetAllEmployeesbyDepartment(const std::string& iDepartment);
  // Department -> department, employees without a department left out.
  rt::DictionaryRef GetAllDepartments();
  // Code -> description of every warehouse (of one back-office system).
  rt::DictionaryRef GetAllWarehouses();
  rt::DictionaryRef GetWarehousesByZRKID(std::int16_t& iZRKID);
  // WAREHOUSECODE, WAREHOUSEDESCRIPTION, ZRKID of the warehouse (code
  // trimmed); eWarehouseNotFound "WarehouseCode Not Found" straight.
  rt::DictionaryRef GetWarehouseDetails(std::string& iWarehouseCode);
  rt::DictionaryRef GetAllWorkcenters();
  rt::DictionaryRef GetWorkcentersByZRKID(std::int16_t& iZRKID);
  // WORKCENTERCODE, WORKCENTERDESCRIPTION, COSTCENTER, ZRKID;
  // eWorkcenterNotFound "WorkcenterCode Not Found" straight.
  rt::DictionaryRef GetWorkcenterDetails(std::string& iWorkcenterCode);
  // Whether the workcentre exists and is flagged as cost centre.
  bool IsCostCenter(rt::Variant& I_sWorkCenterCode);

  // --- Project roles and business processes (user_roles.cc) ---

  // Role code -> description of every role, both trimmed, by code.
  rt::DictionaryRef GetAllProjectRoles();
  // The user's roles that have a ROLE row, code -> description untrimmed,
  // by code. An empty ID raises eProjectRoleBlank "UserID not passed"
  // (logged).
  rt::DictionaryRef GetProjectRoles(const std::string& i_sUserId);
  // The user's first project role. An empty ID raises eProjectRoleBlank
  // "Project Role not Passed" straight.
  std::string GetDefaultProjectRole(const std::string& iUserID);
  // Rewrites the user's role list as the roles that have a ROLE row, by
  // code, with i_sDefaultRole moved to the front. A role the user does not
  // hold raises eProjectRoleNotFound (logged).
  void SetDefaultProjectRole(const std::string& i_sDefaultRole, const std::string& i_sUserId);
  // Process column -> itself for each process the role grants. A role
  // without a row raises eProjectRoleNotFound straight.
  rt::DictionaryRef GetBusinessProcessPerRole(const std::string& iRole);
  // The processes any of the user's roles grants, or only iRole's when
  // given and held by the user (empty when not held).
  rt::DictionaryRef GetBusinessProcessForUser(const std::string& iUser,
                                              const std::optional<rt::Variant>& iRole);
  // Whether the role (trimmed) grants process number 1..7. Another number
  // raises eBusinessProcessInvalid, a role without a row
  // eProjectRoleNotFound, both straight.
  bool IsValidBusinessProcess(const std::string& iRole, std::int32_t iBusinessProcess);
  // Whether one of the user's roles (or iRole, when the user holds it)
  // grants the process; an invalid number as above.
  bool IsValidBusinessProcessForUser(const std::string& iUser, std::int32_t iBusinessProcess,
                                     const std::optional<rt::Variant>& iRole);
  // One page (see the lists below) of the users holding a role that grants
  // any of the process columns named; each user once. A name that is not a
  // process column of ROLE raises Type mismatch (13) "Invalid identifier: ..."
  // before any statement runs (logged); an empty array lists nobody.
  rt::DictionaryRef GetUsersByBusinessProcess(rt::Variant i_aBusinessProcess,
                                              rt::Variant& io_vFromUserID,
                                              const std::optional<rt::Variant>& i_vPageSize);

  // --- Mail (user_mail.cc) ---

  // Sends a plain-text message from one user to another, by their
  // directory e-mail addresses; nothing is sent, silently, when the
  // recipient has no address. No handler of its own.
  void SendEmail(const std::string& iUserIDTo, const std::string& iUserIDFrom,
                 const std::string& iSubject, const std::string& iBody);
  // The same with the files iAttachment names, separated by "|"; a file
  // that cannot be attached is logged and left out.
  void SendEmailwithAttachment(const std::string& iUserIDTo, const std::string& iUserIDFrom,
                               const std::string& iSubject, const std::string& iBody,
                               const std::string& iAttachment);

  // --- User lists (user_lists.cc) ---
  // A paged list starts at the first ID not below io_vFromUserID (compared
  // without regard to case; "" starts at the beginning) and holds at most
  // i_vPageSize IDs (all when absent). io_vFromUserID comes back as the
  // page's last ID followed by "!", or "" after the last page. A page size
  // of 0 or less gives an empty page and "".

  // ID -> (given name, surname) of the users without the supplier role,
  // read with the directory script account of section MEMBERSHIP. An absent
  // page size lists every such user on one page.
  rt::DictionaryRef GetAllInternalUsers(rt::Variant& io_vFromUserID,
                                        const std::optional<rt::Variant>& i_vPageSize);
  // Holders of directory role 2 (4, 6), each ID as item.
  rt::CollectionRef GetAllBuyers(rt::Variant& io_vFromUserID,
                                 const std::optional<rt::Variant>& i_vPageSize);
  rt::CollectionRef GetAllApprovers(rt::Variant& io_vFromUserID,
                                    const std::optional<rt::Variant>& i_vPageSize);
  rt::CollectionRef GetAllSuppliers(rt::Variant& io_vFromUserID,
                                    const std::optional<rt::Variant>& i_vPageSize);
  rt::CollectionRef GetUsersByUserType(std::int16_t iUserType, rt::Variant& io_vFromUserID,
                                       const std::optional<rt::Variant>& i_vPageSize);
  rt::CollectionRef GetUsersByProjectRole(const std::string& iRole, rt::Variant& io_vFromUserID,
                                          const std::optional<rt::Variant>& i_vPageSize);
  // The supplier users of the business partner, all on one list.
  rt::CollectionRef GetAllSuppliersForBP(std::int32_t i_lBPID);

  // --- Retired writers (user_retired.cc) ---
  // Each does nothing and raises -1, logged, with a text naming the TUser
  // method that replaced it.
  rt::ObjectRef InsertFromScript(const std::string& iTableName, rt::Variant& KeyArray,
                                 rt::Variant& ValuesArray);
  rt::ObjectRef UpdateFromScript(const std::string& iTableName, rt::Variant& KeyArray,
                                 rt::Variant& ValuesArray);
  rt::ObjectRef DeleteFromScript(const std::string& iTableName, rt::Variant& KeyArray,
                                 rt::Variant& ValuesArray);
  bool DeleteOffice(const std::string& iOfficeDescription);
  rt::ObjectRef CreateUserWithAttributes(const std::string& i_sUserName, const std::string& i_sPassword,
                                         rt::Variant& i_aAttrNames, rt::Variant& i_aAttrValues);
  rt::ObjectRef InsertBiddingUser(rt::Variant& i_aAddressKeys, rt::Variant& i_aAddressValues,
                                  rt::Variant& i_aBPKeys, rt::Variant& i_aBPValues,
                                  rt::Variant& i_aUserKeys, rt::Variant& i_aUserValues,
                                  const std::string& i_sUserId, const std::string& i_sPassword);
  rt::ObjectRef BusinessRules_GetInstance(rt::Variant& dataObject) override;
  rt::ObjectRef BusinessRules_Insert(rt::Variant& dataObject) override;
  rt::ObjectRef BusinessRules_Update(rt::Variant& dataObject) override;
  rt::ObjectRef BusinessRules_Delete(rt::Variant& dataObject) override;
  bool IReferentialIntegrity_Exists(const std::string& origin, rt::Variant& keys,
                                    rt::Variant& values) override;
  bool IReferentialIntegrity_BeforeDelete(const std::string& origin, rt::Variant& keys,
                                          rt::Variant& values) override;

 private:
  // The directory user, bound once for consecutive calls on one user
  // (GetAUObject).
  contracts::MembershipUser& DirectoryUser(const std::string& userId);
  // The attribute's value by its rule, `value` being what the directory
  // answered. Failures are logged under "KorvoCommon.User.GetUserField
  // User: <id> Field:<key>" and raised again.
  rt::Variant UserField(const std::string& userId, const AttributeRule& rule, const rt::Variant& value);
  // Reads `property` of the directory user and applies the rule to it.
  template <class Property>
  rt::Variant Attribute(const std::string& userId, const AttributeRule& rule, Property property);
  // A column of the user's administrative office; Empty without an office.
  rt::Variant AdminOfficeField(const std::string& userId, const std::string& column);

  DirectoryUserCache directoryUser_;
  OfficeCache office_{"KorvoCommon.User"};
};

}  // namespace korvo::common
