// TUser: maintenance of offices, of the users of the membership directory
// and of a user's per-user data (ProgID "KorvoCommon.TUser", transaction
// required).
//
// Offices are written through script methods and the BusinessRules
// interface, which answer with message codes in a Korvex.ResultObject
// instead of raising; IReferentialIntegrity tells other components whether
// an office, warehouse, workcentre, property, property group, role or
// directory user they refer to exists. InsertBiddingUser registers a new
// supplier (address, business partner, directory user) all or nothing.
//
// Every write runs in the caller's transaction and votes: commit on success,
// abort on failure. Failures are logged under "KorvoCommon.TUser.<method>"
// and raised again with their number.
//
// State: the directory user last bound, reused while calls name the same
// user (exact case). Objects are single-threaded; create one per request.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "platform/contracts/business_rules.h"
#include "platform/host/component.h"
#include "platform/runtime/dictionary.h"
#include "platform/runtime/variant.h"
#include "user/directory_user_cache.h"

namespace korvo::infra {
class Findings;
struct ScriptTable;
}  // namespace korvo::infra

namespace korvo::common {

inline constexpr const char* kTUserProgId = "KorvoCommon.TUser";

class TUser final : public host::Component,
                    public contracts::BusinessRules,
                    public contracts::ReferentialIntegrity {
 public:
  std::string TypeName() const override { return "TUser"; }
  const host::DispatchTable& Dispatch() const override;

  // Script writes. Each column of the office is taken from the first name of
  // KeyArray that equals it in any letter case, with the value at the same
  // index of ValuesArray. Insert and update accept table "OFFICE" (exact
  // case) and pass the office data object to BusinessRules_Insert/_Update,
  // leaving the vote to them; delete accepts "OFFICE" (by its description)
  // and "USER" (by USERID) and votes commit. Any other table answers
  // Nothing.
  rt::ObjectRef InsertFromScript(std::string iTableName, rt::Variant& KeyArray,
                                 rt::Variant& ValuesArray);
  rt::ObjectRef UpdateFromScript(std::string iTableName, rt::Variant& KeyArray,
                                 rt::Variant& ValuesArray);
  rt::ObjectRef DeleteFromScript(std::string iTableName, rt::Variant& KeyArray,
                                 rt::Variant& ValuesArray);

  // Deletes the office of that description. False (abort vote, nothing
  // raised) when Korvex.ReferentialChecker refuses because other rows still
  // need the office; raises 0x80040064 "Office not present" when no office
  // has that description.
  bool DeleteOffice(std::string iOfficeDescription);

  // Store the company number, or make a role the user's default project role
  // (the first of the user's roles; the role it replaces takes its place).
  // SetDefaultProjectRole raises 0x80040068 "Project Role Not Present for the
  // User." when the user does not hold that role.
  void SetCompanyNumber(std::string i_sCompanyNumber, std::string i_sUserId);
  void SetDefaultProjectRole(std::string i_sDefaultRole, std::string i_sUserId);

  // Creates a directory user with the given attributes (parallel arrays of
  // names and values) and answers it bound.
  rt::ObjectRef CreateUserWithAttributes(std::string i_sUserName, std::string i_sPassword,
                                         rt::Variant& i_aAttrNames, rt::Variant& i_aAttrValues);

  // Registers a bidding supplier in one transaction: the address, the
  // business partner (given the new ADDRESSID, appended to i_aBPKeys and
  // i_aBPValues), the link between them, and the directory user (element 0
  // of i_aUserValues becomes the new BUSINESSPARTNERID). Answers the
  // partner's result, or the address's when the address is refused. A
  // failed link adds the error text and "SLBCO8337", a failed user the
  // directory's code ("SLBCO8572" duplicate user, "SLBCO8501" refused
  // password) or error text and "SLBCO8339"; on any failure nothing of the
  // registration remains.
  rt::ObjectRef InsertBiddingUser(rt::Variant& i_aAddressKeys, rt::Variant& i_aAddressValues,
                                  rt::Variant& i_aBPKeys, rt::Variant& i_aBPValues,
                                  rt::Variant& i_aUserKeys, rt::Variant& i_aUserValues,
                                  std::string i_sUserId, std::string i_sPassword);

  // Removes every business partner the user may see; true.
  bool DeleteBPSPerUser(std::string i_sUserId);
  // Adds the business partners of the array (first deleting the user's
  // others when i_bDelete). Each value must be a whole number (else Type
  // mismatch, 13); true.
  bool InsertBPSPerUser(std::string i_sUserId, rt::Variant& i_vValues, bool i_bDelete);

  // BusinessRules over "OfficeDataObject" (insert, update, delete) and
  // "UserDataObject" (delete). The kind entry is removed from the caller's
  // dictionary. Checks that fail add message codes and nothing is written;
  // every field check runs, so one call reports every field problem. An
  // update the database rejects as malformed answers "SLBGE1120". Other
  // kinds answer an empty result.
  rt::ObjectRef BusinessRules_GetInstance(rt::Variant& dataObject) override;
  rt::ObjectRef BusinessRules_Insert(rt::Variant& dataObject) override;
  rt::ObjectRef BusinessRules_Update(rt::Variant& dataObject) override;
  rt::ObjectRef BusinessRules_Delete(rt::Variant& dataObject) override;

  // Whether the value of the first key this class knows (ZRKID, BUYERID,
  // EMPLOYEEID, OFFICEDESCRIPTION, PROPERTYID, PROPERTYGROUPID, ROLE,
  // SUPPLIERID, USERID; any letter case) exists; true when no key is known.
  // For origin "BUDGET" a Null buyer, office, supplier or user answers true
  // unlooked. ZRKID, PROPERTYID and PROPERTYGROUPID values must be whole
  // numbers (else Type mismatch, 13).
  bool IReferentialIntegrity_Exists(const std::string& origin, rt::Variant& keys,
                                    rt::Variant& values) override;
  // A commit vote; always true.
  bool IReferentialIntegrity_BeforeDelete(const std::string& origin, rt::Variant& keys,
                                          rt::Variant& values) override;

 private:
  using RulesEntry = rt::ObjectRef (TUser::*)(rt::Variant& dataObject);

  rt::ObjectRef RunScript(const char* method, std::span<const infra::ScriptTable> tables,
                          const std::string& table, rt::Variant& keys, rt::Variant& values,
                          bool isDelete, RulesEntry rules);

  // The office rules. The insert rule names its current stage in stage_,
  // which its failure report carries.
  rt::ObjectRef InsertOffice(rt::Dictionary& data);
  rt::ObjectRef UpdateOffice(rt::Dictionary& data, infra::Findings& findings);
  void DeleteOfficeByRules(rt::Dictionary& data, infra::Findings& findings);

  // InsertBiddingUser's steps, inside the caller's transaction or its own.
  rt::ObjectRef RegisterBidder(rt::Variant& addressKeys, rt::Variant& addressValues,
                               rt::Variant& partnerKeys, rt::Variant& partnerValues,
                               rt::Variant& userKeys, rt::Variant& userValues, const std::string& userId,
                               const std::string& password);

  // The user delete rule's delete: false when the referential checker or
  // the directory refuses (logged, nothing raised).
  bool Delete(const std::string& userId);
  // The user's project roles that have a ROLE row, code -> description, in
  // code order.
  rt::DictionaryRef GetProjectRoles(const std::string& userId);

  const char* stage_ = "";
  // The directory user last bound (GetAUObject).
  DirectoryUserCache directoryUser_;
};

}  // namespace korvo::common
