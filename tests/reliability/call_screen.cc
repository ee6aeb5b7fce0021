#include "reliability/call_screen.h"

#include <algorithm>
#include <cctype>
#include <initializer_list>

#include "platform/contracts/database.h"
#include "platform/contracts/membership.h"
#include "platform/data/sql_tokenizer.h"
#include "platform/mail/mail_errors.h"
#include "platform/runtime/error.h"
#include "platform/utility/paging_errors.h"
#include "registration/enumerations.h"

namespace korvo::reliability {

namespace {

// Provider and record-set numbers the data layer documents beyond dberr.
constexpr std::int32_t kObjectOpen = static_cast<std::int32_t>(0x800A0E79u);
constexpr std::int32_t kNotInThisContext = static_cast<std::int32_t>(0x800A0C93u);
constexpr std::int32_t kRecordsetClosed = static_cast<std::int32_t>(0x800A0E7Du);

constexpr std::string_view kErrorEnumerations[] = {"KorvoCommonError", "EBusinessPartnerErrors",
                                                   "EUserErrors", "nErrorType_DML"};

// Statements the library never issues for a caller.
// Nor does it ask the database for its clock, user or database name: such
// words where a name belongs are evaluated, not looked up.
constexpr std::string_view kForeignKeywords[] = {
    "DROP",          "ATTACH",          "DETACH",       "PRAGMA",       "CREATE",
    "ALTER",         "VACUUM",          "UNION",        "REINDEX",      "CURRENT_USER",
    "SESSION_USER",  "CURRENT_CATALOG", "CURRENT_ROLE", "CURRENT_DATE", "CURRENT_TIMESTAMP",
    "CURRENT_SCHEMA"};

// What the directory, the paged record sets and the mail component document
// (docs/configuration.md, docs/utility.md).
bool IsServiceError(std::int32_t number) {
  namespace m = contracts::membership_error;
  namespace u = utility::errnum;
  namespace n = mail::errnum;
  for (std::int32_t known :
       {m::kNotBound,          m::kInvalidCredentials, m::kUserNotFound,       m::kAccessDenied,
        m::kInvalidCriteria,   m::kInvalidAttribute,   m::kUserExists,         m::kDirectoryUnavailable,
        m::kInvalidUserID,     u::kInvalidSortFields,  u::kInvalidPagingState, u::kInvalidPageArgument,
        u::kUnpageableListing, n::kAddressInvalid,     n::kAttachmentRefused,  n::kMessageTooLarge,
        n::kPickupFailed,      n::kSmtpFailed,         n::kSettingInvalid,     kRecordsetClosed}) {
    if (number == known) return true;
  }
  return false;
}

bool IsEnumeratedError(std::int32_t number) {
  for (const auto& enumeration : common::PublicEnumerations()) {
    if (std::find(std::begin(kErrorEnumerations), std::end(kErrorEnumerations), enumeration.name) ==
        std::end(kErrorEnumerations)) {
      continue;
    }
    for (const auto& member : enumeration.members) {
      if (member.value == number) return true;
    }
  }
  return false;
}

bool ContainsNoCase(std::string_view text, std::string_view part) {
  return std::search(text.begin(), text.end(), part.begin(), part.end(), [](char a, char b) {
           return std::toupper(static_cast<unsigned char>(a)) ==
                  std::toupper(static_cast<unsigned char>(b));
         }) != text.end();
}

}  // namespace

bool IsDocumentedErrorNumber(std::int32_t number) {
  namespace e = rt::errnum;
  namespace d = contracts::dberr;
  for (std::int32_t known : {e::kInvalidProcedureCall, e::kOverflow,
                             e::kOutOfMemory,          e::kSubscriptOutOfRange,
                             e::kDivisionByZero,       e::kTypeMismatch,
                             e::kObjectNotSet,         e::kInvalidUseOfNull,
                             e::kObjectRequired,       e::kCannotCreateObject,
                             e::kNotSupported,         e::kArgumentNotOptional,
                             e::kWrongArgumentCount,   e::kKeyAlreadyAssociated,
                             e::kElementNotFound,      e::kComponentBase,
                             e::kComponentBase + 100,  d::kSyntax,
                             d::kConstraint,           d::kProvider,
                             d::kObjectClosed,         d::kItemNotFound,
                             d::kNoCurrentRecord,      kObjectOpen,
                             kNotInThisContext,        -1}) {
    if (number == known) return true;
  }
  return IsEnumeratedError(number) || IsServiceError(number);
}

std::string ForeignStatementReason(std::string_view sql, std::string_view marker) {
  const std::vector<data::Token> tokens = data::Tokenize(sql);
  bool ended = false;
  for (const data::Token& token : tokens) {
    if (token.kind == data::TokenKind::Comment) return "a comment";
    if (ended && token.IsSignificant()) return "a second statement";
    if (token.IsSymbol(";")) ended = true;
    if (token.kind != data::TokenKind::String && ContainsNoCase(token.text, marker)) {
      return "the caller's text outside a literal";
    }
    for (std::string_view keyword : kForeignKeywords) {
      if (token.IsKeyword(keyword)) return "the keyword " + std::string(keyword);
    }
  }
  return {};
}

}  // namespace korvo::reliability
