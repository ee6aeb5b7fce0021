#include "terms/terms_and_conditions.h"

#include <string_view>
#include <utility>
#include <vector>

#include "infrastructure/components.h"
#include "infrastructure/errors.h"
#include "infrastructure/method_guard.h"
#include "infrastructure/sql_access.h"
#include "infrastructure/sql_build.h"
#include "infrastructure/sql_names.h"
#include "platform/contracts/database.h"
#include "platform/contracts/referential_checker.h"
#include "platform/contracts/utilities.h"
#include "platform/runtime/conversions.h"
#include "terms/terms_enumerations.h"

namespace korvo::common {

namespace {

constexpr std::string_view kGetAll = "KorvoCommon.TermsAndConditions.getAllTermsAndConditions";
constexpr std::string_view kGetOne = "KorvoCommon.TermsAndConditions.getTermsAndConditions";
constexpr std::string_view kInsert = "KorvoCommon.TermsAndConditions.InsertTermsAndConditions";
constexpr std::string_view kUpdate = "KorvoCommon.TermsAndConditions.UpdateTermsAndConditions";
constexpr std::string_view kDelete = "KorvoCommon.TermsAndConditions.DeleteTermsAndConditions";
// This method has always reported under this name, lower-case "and" and
// trailing blank included; log readers match it as it is.
constexpr std::string_view kPresent = "KorvoCommon.TermsandConditions.IsTermorConditionPresent ";
// The existence test reports under this name followed directly by the
// description of the error it met.
constexpr std::string_view kCheck = "KorvoCommon.TermsAndCondition.CheckIfExistsinTable";
constexpr std::string_view kConnectionString = "KorvoCommon.TermsAndCondition.ConnectionString";

constexpr TermsError kInvalidArguments{-1, "Invalid Arguments"};

// The class's own errors carry an empty source: callers tell them from
// database and runtime errors by that.
[[noreturn]] void Raise(const TermsError& error) {
  infra::Err_RaiseRecord(rt::ErrorRecord{error.number, "", std::string(error.description), "", 0});
}

// What a method has opened. Closed when the method leaves, before its
// handler reports a failure, so nothing stays open on either path; a close
// that fails never hides the error being reported.
class Held {
 public:
  Held() = default;
  Held(const Held&) = delete;
  Held& operator=(const Held&) = delete;

  // Opens a connection and a read-only record set over sql on it, reading
  // at most maxRecords rows (0: all).
  contracts::Recordset& Query(const std::string& connectionString, const std::string& sql,
                              std::int32_t maxRecords = 0) {
    connection_ = infra::Sql_GetOpenConnection(connectionString);
    recordset_ = infra::Gen_GetComponentAs<contracts::Recordset>("ADODB.Recordset");
    recordset_->Open(sql, *connection_, maxRecords);
    return *recordset_;
  }

 private:
  contracts::ConnectionRef connection_;
  contracts::RecordsetRef recordset_;
  // Declared after what they close: the record set closes first.
  infra::ScopedClose<contracts::ConnectionRef> closeConnection_{connection_};
  infra::ScopedClose<contracts::RecordsetRef> closeRecordset_{recordset_};
};

// The handler every public method shares: runs the body with what it
// opens, releases that on either path, and on failure reports under the
// method's name without a vote (the class casts none of its own).
template <class Body>
decltype(auto) Handled(std::string_view method, Body&& body) {
  return infra::RunHandled(infra::UnvotedHandler(method), [&] {
    Held held;
    return body(held);
  });
}

rt::Variant Text(std::string_view text) { return rt::Variant(text); }

rt::Array OneItem(rt::Variant item) { return rt::Array(std::vector<rt::Variant>{std::move(item)}); }

// The caller's dictionary entries appended, in their key order, to `to`.
// A key already in `to` raises 457 before any statement runs.
void CopyEntries(const rt::DictionaryRef& from, rt::Dictionary& to) {
  if (!from) rt::Raise(rt::errnum::kObjectNotSet);
  for (const auto& entry : from->Entries()) to.Add(entry.key, entry.item);
}

// The requested columns joined by ",". Only the table's own columns reach
// the statement: a name is caller text, and a keyword or function in its
// place would be evaluated by the database.
std::string SelectList(std::string_view table, const rt::Array& names) {
  std::string list;
  for (const auto& name : names.items) {
    if (!list.empty()) list += ",";
    list += infra::Sql_ColumnName(table, name);
  }
  return list;
}

// The statement up to its WHERE clause. Specific names come first and the
// code column last; a field selection other than All or Specific leaves the
// statement empty, so the database refuses it.
std::string SelectPart(const TermsKind& kind, std::int32_t fieldsOfRecord,
                       const std::optional<rt::Variant>& fieldNames) {
  const std::string table(kind.table);
  if (fieldsOfRecord == terms::Specific && fieldNames && fieldNames->IsArray()) {
    return "SELECT  " + SelectList(table, fieldNames->AsArray()) + " ," + std::string(kind.codeColumn) +
           "  FROM " + table;
  }
  if (fieldsOfRecord == terms::All || fieldsOfRecord == terms::Specific) {
    return "SELECT * FROM " + table;
  }
  return "";
}

// Whether another table still refers to the code, by the references the
// schema declares.
bool IsReferenced(const TermsKind& kind, const std::string& code) {
  auto checker = infra::Gen_GetComponentAs<contracts::ReferentialChecker>("Korvex.ReferentialChecker");
  return !checker->CanDeleteInComponent("KorvoCommon", std::string(kind.table),
                                        OneItem(Text(kind.codeColumn)), OneItem(Text(code)));
}

}  // namespace

const host::DispatchTable& TermsAndConditions::Dispatch() const {
  using T = TermsAndConditions;
  static const host::DispatchTable table =
      host::DispatchTable::For<T>()
          .Method("getAllTermsAndConditions", &T::getAllTermsAndConditions)
          .Method("getTermsAndConditions", &T::getTermsAndConditions)
          .Method("InsertTermsAndConditions", &T::InsertTermsAndConditions)
          .Method("UpdateTermsAndConditions", &T::UpdateTermsAndConditions)
          .Method("DeleteTermsAndConditions", &T::DeleteTermsAndConditions)
          .Method("IsTermorConditionPresent", &T::IsTermorConditionPresent)
          .Build();
  return table;
}

rt::DictionaryRef TermsAndConditions::getAllTermsAndConditions(std::int32_t i_nTCType) {
  return Handled(kGetAll, [&](Held& held) {
    const TermsKind& kind = TermsKindOf(i_nTCType);
    const std::string code(kind.codeColumn);
    const std::string sql =
        "SELECT " + code + ", DESCRIPTION FROM " + std::string(kind.table) + " ORDER BY " + code;
    contracts::Recordset& rows = held.Query(ConnectionString(), sql);
    auto list = rt::Dictionary::Create();
    for (; !rows.IsEOF(); rows.MoveNext()) list->Add(rows.Value(0), rows.Value(1));
    return list;
  });
}

rt::DictionaryRef TermsAndConditions::getTermsAndConditions(
    std::int32_t i_nTCType, const std::string& i_sTCCode, std::int32_t i_nFieldsOfRecord,
    const std::optional<rt::Variant>& i_vFieldNames) {
  return Handled(kGetOne, [&](Held& held) {
    const TermsKind& kind = TermsKindOf(i_nTCType);
    std::string sql = SelectPart(kind, i_nFieldsOfRecord, i_vFieldNames);
    auto utilities = infra::Gen_GetComponentAs<contracts::Utilities>("KorvoLibrary.Utilities");
    sql += " WHERE " + std::string(kind.codeColumn) + " = " + utilities->SqlText(i_sTCCode);
    contracts::Recordset& rows = held.Query(ConnectionString(), sql, 1);
    auto record = rt::Dictionary::Create();
    if (rows.IsEOF()) return record;
    for (std::int32_t i = 0; i < rows.FieldCount(); ++i)
      record->Add(Text(rows.Field(i).name), rows.Value(i));
    return record;
  });
}

void TermsAndConditions::InsertTermsAndConditions(std::int32_t i_nTCType, const std::string& i_sTCCode,
                                                  const rt::DictionaryRef& i_oDicTCFields) {
  Handled(kInsert, [&](Held&) {
    const TermsKind& kind = TermsKindOf(i_nTCType);
    if (CodeExists(kind, i_sTCCode)) Raise(kind.alreadyExists);
    rt::Dictionary values;
    values.Add(Text(kind.codeColumn), Text(i_sTCCode));
    CopyEntries(i_oDicTCFields, values);
    infra::Sql_InsertTableUnicode(std::string(kind.table), values,
                                  infra::Sql_GetOpenConnection(ConnectionString()));
  });
}

void TermsAndConditions::UpdateTermsAndConditions(std::int32_t i_nTCType, const std::string& i_sTCCode,
                                                  const rt::DictionaryRef& i_oDicTCFields) {
  Handled(kUpdate, [&](Held&) {
    const TermsKind& kind = TermsKindOf(i_nTCType);
    if (!CodeExists(kind, i_sTCCode)) Raise(kind.notExists);
    rt::Dictionary values;
    CopyEntries(i_oDicTCFields, values);
    rt::Dictionary keys;
    keys.Add(Text(kind.codeColumn), Text(i_sTCCode));
    infra::Sql_UpdateTableUnicode(std::string(kind.table), values, keys,
                                  infra::Sql_GetOpenConnection(ConnectionString()));
  });
}

void TermsAndConditions::DeleteTermsAndConditions(std::int32_t i_nTCType, const std::string& i_sTCCode) {
  Handled(kDelete, [&](Held&) {
    const TermsKind& kind = TermsKindOf(i_nTCType);
    if (!CodeExists(kind, i_sTCCode)) Raise(kind.notExists);
    if (IsReferenced(kind, i_sTCCode)) Raise(kind.cannotBeDeleted);
    rt::Dictionary keys;
    keys.Add(Text(kind.codeColumn), Text(i_sTCCode));
    infra::Sql_DeleteTableUnicode(std::string(kind.table), keys,
                                  infra::Sql_GetOpenConnection(ConnectionString()));
  });
}

bool TermsAndConditions::IsTermorConditionPresent(const std::string& i_sTCCode, std::int32_t i_nTCType) {
  return Handled(kPresent, [&](Held&) { return CodeExists(TermsKindOf(i_nTCType), i_sTCCode); });
}

const std::string& TermsAndConditions::ConnectionString() {
  return infra::ConnectionStringApplicationFirst(kConnectionString);
}

bool TermsAndConditions::CodeExists(const TermsKind& kind, const std::string& code) {
  return CheckIfExistsinTable(std::string(kind.table), OneItem(Text(kind.codeColumn)),
                              OneItem(Text(code)));
}

bool TermsAndConditions::CheckIfExistsinTable(const std::string& table, const rt::Variant& keys,
                                              const rt::Variant& values) {
  try {
    if (rt::Trim(table).empty() || keys.IsNull() || values.IsNull() || !keys.IsArray() ||
        !values.IsArray() || keys.AsArray().UBound() != values.AsArray().UBound()) {
      Raise(kInvalidArguments);
    }
    const rt::Array& names = keys.AsArray();
    auto condition = [&](std::int32_t i) {
      return rt::CStr(names.At(i)) + " = N'" + infra::Gen_SqlQuote(rt::CStr(values.AsArray().At(i))) +
             "')";
    };
    std::string where = "WHERE  ( " + condition(names.LBound());
    for (std::int32_t i = names.LBound() + 1; i <= names.UBound(); ++i)
      where += "AND  ( " + condition(i);
    return infra::Sql_RecordExists("SELECT * FROM " + table + " " + where, ConnectionString(), true);
  } catch (...) {
    infra::Err_Handle(std::string(kCheck) + rt::CurrentError().Description);
    throw;
  }
}

}  // namespace korvo::common
