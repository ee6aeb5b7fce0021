// KorvoMembership: the membership directory, as the user classes reach it.
//
// Two components, created by class name through Gen_GetComponent:
//   "KorvoMembership.User"    -> a component implementing MembershipUser
//   "KorvoMembership.Members" -> a component implementing MembershipMembers
// Obtain the typed interface with Gen_GetComponentAs<contracts::MembershipUser>
// (or dynamic_pointer_cast on the rt::ObjectRef). Every operation below is
// also callable late-bound under the same name (properties as properties).
//
// The directory holds one entry per user, named by its user ID. An entry has
// attributes: a case-insensitive name with an ordered list of values. Values
// are stored as texts and read back in the attribute's kind (the attribute
// table below); an attribute the table does not list reads back as texts.
// User IDs are unique without regard to case ("Ann" and "ann" are one user);
// searches order them by ID in ascending text order, comparing case-blind.
//
// An entry may name a parent entry (attribute "Parent", the parent's user
// ID). The typed properties, Surname, GivenName, DefaultURL and
// FallbackValues answer the user's own value and, when the user has none,
// the parent's. GetAttribute, RoleCodes and ProjectRoles answer the user's
// own values only: callers that want the parent's ask Parent() for it.
// Inheritance is one level deep.
//
// Errors: every failure raises rt::Error with one of the numbers below and
// source "KorvoMembership.User" or "KorvoMembership.Members". No error text
// ever contains a password.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/contracts/database.h"
#include "platform/runtime/date.h"
#include "platform/runtime/money.h"
#include "platform/runtime/object.h"
#include "platform/runtime/variant.h"

namespace korvo::contracts {

namespace membership_error {
// Component error base 0x80040000 plus 0x300 and an offset.
// A typed property, GetAttribute or a write was used before a successful Bind.
inline constexpr std::int32_t kNotBound = static_cast<std::int32_t>(0x80040301u);
// "Invalid account or password": the account is unknown, the password does
// not verify, or one of them is empty. The same number, text and time for
// each, so a caller cannot tell which.
inline constexpr std::int32_t kInvalidCredentials = static_cast<std::int32_t>(0x80040302u);
// The user ID names no entry (Bind after good credentials, DeleteUser, writes).
inline constexpr std::int32_t kUserNotFound = static_cast<std::int32_t>(0x80040303u);
// The account may not make this write (not the user itself for its own
// ProjectRoles, and without the directory's writer right).
inline constexpr std::int32_t kAccessDenied = static_cast<std::int32_t>(0x80040304u);
// A search criterion that is not a text, names an attribute badly (empty,
// longer than 64 characters, characters other than letters, digits, '_' and
// '-'), has no "=" or ">=" operator, or a value with a NUL or longer than
// 1024 bytes. Refused as a whole: nothing is searched.
inline constexpr std::int32_t kInvalidCriteria = static_cast<std::int32_t>(0x80040305u);
// An attribute name or value that cannot be stored: a bad name (as for
// criteria), a value with a NUL or longer than 1024 bytes, a value that is
// not of the attribute's kind, names and values arrays of different sizes.
inline constexpr std::int32_t kInvalidAttribute = static_cast<std::int32_t>(0x80040306u);
// CreateUser for a user ID the directory already holds (in any case).
inline constexpr std::int32_t kUserExists = static_cast<std::int32_t>(0x80040307u);
// The directory cannot be reached or is not configured usably (an unknown
// backend, a storage failure); the description says which.
inline constexpr std::int32_t kDirectoryUnavailable = static_cast<std::int32_t>(0x80040308u);
// A user ID that is empty, longer than 256 bytes, holds a NUL or control
// character, or begins or ends with a blank.
inline constexpr std::int32_t kInvalidUserID = static_cast<std::int32_t>(0x80040309u);
}  // namespace membership_error

// Role codes held in RoleCodes (attribute "KorvoRole").
namespace membership_role {
inline constexpr std::int16_t kBuyer = 2;
inline constexpr std::int16_t kApprover = 4;
inline constexpr std::int16_t kSupplier = 6;
}  // namespace membership_role

// What a parent entry offers (and, through MembershipUser, every user).
class MembershipEntry {
 public:
  virtual ~MembershipEntry() = default;
  // The attribute's own values, in stored order, lower bound 0, each in the
  // attribute's kind. An attribute the entry does not have gives a
  // one-element array holding Empty. The name is matched case-blind.
  virtual rt::Array GetAttribute(const std::string& name) = 0;
  // The role codes (attribute "KorvoRole") as 16-bit integers in stored
  // order; [Empty] when the entry has none.
  virtual rt::Array RoleCodes() = 0;
};

// KorvoMembership.User: one directory user, once bound.
//
// Attribute table: each typed property reads the attribute named beside it
// (its key in the user classes' getter table), in that kind; an unset
// attribute (own and parent's) reads as the kind's empty value: "" for text,
// 0 for numbers and currency, False for Boolean, the zero date (30 Dec 1899)
// for dates. Multi-valued attributes answer their first value here.
//
//   property                  attribute                 kind
//   Locale                    LOCALE                    16-bit
//   Language                  LANGUAGE                  text
//   Surname                   SURNAME                   text
//   GivenName                 GIVENNAME                 text
//   Email                     EMAIL                     text
//   AddressID                 ADDRESSID                 32-bit
//   PurOffice                 PUROFFICE                 text
//   AdminOffice               ADMINOFFICE               text
//   BuyerRole                 BUYERROLE                 Boolean
//   RequisitionerRole         REQUISITIONERROLE         Boolean
//   ApproverRole              APPROVERROLE              Boolean
//   FinancialRole             FINANCIALROLE             Boolean
//   ExternalRole              EXTERNALROLE              Boolean
//   SpendLimit                SPENDLIMIT                currency
//   PropertyGroupID           PROPERTYGROUPID           32-bit
//   ReqPrefix                 REQPREFIX                 text
//   WhReqPrefix               WHREQPREFIX               text
//   DefaultURL(app)           DefaultURL                text (see below)
//   CompanyName               CompanyName               text
//   CompanyNumber (writable)  CompanyNumber             text
//   FinancialCompanyAdmin     FinancialCompanyAdmin     text
//   FinancialCompanyCardUser  FinancialCompanyCardUser  text
//   ProjectUserType           ProjectUserType           16-bit
//   EmployeeNumber            EmployeeNumber            text
//   RequisitionerManager      KORVOU_USERID             text
//   BillToBusinessPartnerID   BillToBusinessPartnerID   32-bit
//   BusinessPartnerID         BusinessPartnerID         32-bit
//   OutOfOfficeOn             OUTOFOFFICEON             Boolean
//   ApproverLimit             APPROVERLIMIT             currency
//   LimitForRFQ               LIMITFORRFQ               currency
//   LimitForContract          LIMITFORCONTRACT          currency
//   BuyerManager              BUYERMANAGER              text
//   CardUserManager           CARDUSERMANAGER           text
//   ChargeLines               CHARGELINES               Boolean
//   ApproverManager           APPROVERMANAGER           text
//   CreditCardNumber          USERCREDITCARDNUMBER      text
//   CreditCardExpiry          USERCREDITCARDEXPIRY      date
//   OutOfOfficeApprover       OUTOFFICEAPPROVER         text
//   SubstituteBuyer           SUBSTITUTEBUYER           text
// Further attributes with a kind: CreditCardType (16-bit), KorvoRole
// (16-bit, multi-valued), ProjectRole (text, multi-valued), LANGUAGEID and
// COSTCENTER (text), FallbackValues (text, multi-valued), Parent (text),
// KorvoApps, KorvoCatalogIDs, KorvoDashboardIDs, KorvoFAQVisibility (text,
// multi-valued). The ID attribute is "UserID".
//
// Rights: any account whose password verifies may bind any user and read
// all of its attributes. CompanyNumber and the other writes need the bound
// account to hold the directory's writer right; ProjectRoles may also be
// written by the user itself. Writes go to the directory at once and, made
// inside a host transaction, are undone if it aborts.
class MembershipUser : public MembershipEntry {
 public:
  // Authenticates `account` with `password` and attaches the object to the
  // user `userId`. Raises kInvalidCredentials (unknown account, wrong or
  // empty password, all alike), then kInvalidUserID / kUserNotFound for the
  // user. A failed Bind leaves the object unbound. The password is used for
  // this call only and is not kept. Binding again replaces the binding.
  virtual void Bind(const std::string& userId, const std::string& account,
                    const std::string& password) = 0;
  // The bound user's ID as stored (its stored case); kNotBound before Bind.
  virtual std::string UserID() = 0;

  // Typed properties: see the attribute table. All raise kNotBound before Bind.
  virtual std::int16_t Locale() = 0;
  virtual std::string Language() = 0;
  virtual std::string Surname() = 0;
  virtual std::string GivenName() = 0;
  virtual std::string Email() = 0;
  virtual std::int32_t AddressID() = 0;
  virtual std::string PurOffice() = 0;
  virtual std::string AdminOffice() = 0;
  virtual bool BuyerRole() = 0;
  virtual bool RequisitionerRole() = 0;
  virtual bool ApproverRole() = 0;
  virtual bool FinancialRole() = 0;
  virtual bool ExternalRole() = 0;
  virtual rt::Money SpendLimit() = 0;
  virtual std::int32_t PropertyGroupID() = 0;
  virtual std::string ReqPrefix() = 0;
  virtual std::string WhReqPrefix() = 0;
  virtual std::string CompanyName() = 0;
  virtual std::string CompanyNumber() = 0;
  virtual std::string FinancialCompanyAdmin() = 0;
  virtual std::string FinancialCompanyCardUser() = 0;
  virtual std::int16_t ProjectUserType() = 0;
  virtual std::string EmployeeNumber() = 0;
  virtual std::string RequisitionerManager() = 0;
  virtual std::int32_t BillToBusinessPartnerID() = 0;
  virtual std::int32_t BusinessPartnerID() = 0;
  virtual bool OutOfOfficeOn() = 0;
  virtual rt::Money ApproverLimit() = 0;
  virtual rt::Money LimitForRFQ() = 0;
  virtual rt::Money LimitForContract() = 0;
  virtual std::string BuyerManager() = 0;
  virtual std::string CardUserManager() = 0;
  virtual bool ChargeLines() = 0;
  virtual std::string ApproverManager() = 0;
  virtual std::string CreditCardNumber() = 0;
  virtual rt::Date CreditCardExpiry() = 0;
  virtual std::string OutOfOfficeApprover() = 0;
  virtual std::string SubstituteBuyer() = 0;

  // Writes the CompanyNumber attribute (one value; "" removes it). Needs the
  // writer right (kAccessDenied).
  virtual void SetCompanyNumber(const std::string& companyNumber) = 0;

  // The default URL of an application. Attribute "DefaultURL" holds values
  // "<application number>=<url>"; the value for `application` is answered,
  // else a value without "<number>=" prefix, else "".
  virtual std::string DefaultURL(std::int32_t application) = 0;

  // The project role codes (attribute "ProjectRole") in stored order, the
  // default first, as texts; [Empty] when the user has none.
  virtual rt::Array ProjectRoles() = 0;
  // Stores `roles` (an array of texts, any lower bound) as the new list, in
  // that order; an empty array removes them all. Needs the bound account to
  // be this user or to hold the writer right (kAccessDenied).
  virtual void SetProjectRoles(const rt::Array& roles) = 0;

  // The attribute "FallbackValues", own else the parent's; [Empty] when unset.
  virtual rt::Array FallbackValues() = 0;

  // The entry this user inherits from, a component implementing
  // MembershipEntry, or Nothing (null) when the user names no parent or the
  // parent entry no longer exists.
  virtual rt::ObjectRef Parent() = 0;
};

// KorvoMembership.Members: the directory as a whole.
//
// Searches read the directory without a bind. Writes (CreateUser,
// DeleteUser) are made by the session's account when the current host
// context has a "Session" item with a non-empty "REMOTE_ACCOUNT" (with
// "REMOTE_PASSWORD"), else by the script account of configuration section
// "MEMBERSHIP" (MemScriptUser / MemScriptCode); that account must verify
// (kInvalidCredentials) and hold the writer right (kAccessDenied).
//
// Criteria (Search, SearchByRoleWith): Nothing, Empty, an empty array, or an
// array of texts each "<name>=<value>" or "<name>>=<value>"; every one must
// hold. The name is an attribute name (case-blind; IDAttribute() names the
// user ID). "=" holds when one of the attribute's values equals the value
// without regard to case; ">=" when one value is at or after it in the
// case-blind text order. A value is matched literally: no character of it
// (quotes, '*', '%', '_', '\', '(', ')', ',') has a meaning. Criteria that
// cannot be read raise kInvalidCriteria and nothing is searched.
//
// Record sets: client-side, detached, one text column named IDAttribute(),
// rows ordered by user ID (case-blind text order), positioned at the first.
class MembershipMembers {
 public:
  virtual ~MembershipMembers() = default;
  // "UserID": the ID column of every record set and the criteria name of the ID.
  virtual std::string IDAttribute() = 0;

  // The users matching every criterion, ordered by ID; never Nothing.
  // `scope` is accepted for the callers' empty text and otherwise ignored.
  // `pageSize`: Missing, Empty or Null, or a number <= 0, for no limit;
  // else at most that many rows, and NextFrom() then tells where the next
  // page starts.
  virtual RecordsetRef Search(const rt::Variant& criteria, const std::string& scope,
                              const rt::Variant& pageSize) = 0;
  // After a Search with a row limit: the ID of the first user after the last
  // row returned, to pass as the ">=" value of the ID in the next Search;
  // "" when the search reached the end (and after an unlimited Search).
  virtual std::string NextFrom() = 0;

  // The users holding role `role` (attribute "KorvoRole"), ordered by ID.
  // `idAttribute` is the callers' IDAttribute() text and is not consulted.
  virtual RecordsetRef SearchByRole(std::int16_t role, const std::string& idAttribute) = 0;
  // The same, restricted further by `criteria` (as for Search).
  virtual RecordsetRef SearchByRoleWith(std::int16_t role, const rt::Variant& criteria,
                                        const std::string& idAttribute) = 0;

  // Creates user `name` with `password` (not empty) and the attributes of
  // the parallel arrays `names` / `values` (Empty, Null, or arrays of the
  // same size; a value that is itself an array gives a multi-valued
  // attribute in that order; an Empty, Null or "" value is skipped). Answers
  // a KorvoMembership.User component bound to the new user by the account
  // that made the write. Raises kInvalidUserID, kUserExists,
  // kInvalidAttribute, kAccessDenied; nothing is written when it fails.
  virtual rt::ObjectRef CreateUser(const std::string& name, const std::string& password,
                                   const rt::Variant& names, const rt::Variant& values) = 0;
  // Deletes the user and its attributes; kUserNotFound when there is none.
  // Entries naming it as parent keep the name and have no parent from then on.
  virtual void DeleteUser(const std::string& userId) = 0;

  // Binds a page of users at once, for the library's own lists (not
  // callable late-bound): one KorvoMembership.User per ID of `userIds`, in
  // that order, each bound as Bind(id, account, password) would bind it.
  // The account is authenticated once (kInvalidCredentials as Bind raises
  // it); the entries, and the parents they name, are read together at a
  // cost that does not grow with the number of IDs. An element is null
  // where that read did not find the ID: a Bind of its own then fails as it
  // would (kInvalidUserID, kUserNotFound), or binds the user. For no IDs
  // nothing is asked of the directory, the account included.
  virtual std::vector<std::shared_ptr<MembershipUser>> BindUsers(const std::vector<std::string>& userIds,
                                                                 const std::string& account,
                                                                 const std::string& password) = 0;
};

}  // namespace korvo::contracts
