#include "infrastructure/sql_build.h"

#include <memory>

#include "infrastructure/components.h"
#include "infrastructure/errors.h"
#include "infrastructure/sql_access.h"
#include "infrastructure/sql_names.h"
#include "platform/contracts/utilities.h"
#include "platform/runtime/conversions.h"

namespace korvo::infra {

namespace {

// Makes the literals of one statement: Gen_SqlValue, or for the Unicode
// builders the value's text through KorvoLibrary.Utilities, created on first
// use and released with this object at the end of the call.
class LiteralMaker {
 public:
  explicit LiteralMaker(bool unicode) : unicode_(unicode) {}
  LiteralMaker(const LiteralMaker&) = delete;
  LiteralMaker& operator=(const LiteralMaker&) = delete;

  std::string operator()(const rt::Variant& value) {
    if (!unicode_) return Gen_SqlValue(value);
    const std::string text = rt::CStr(value);
    if (!utilities_) utilities_ = Gen_GetComponentAs<contracts::Utilities>("KorvoLibrary.Utilities");
    return utilities_->SqlValue(rt::Variant(text));
  }

 private:
  bool unicode_;
  std::shared_ptr<contracts::Utilities> utilities_;
};

// A caller's key as a column of the table: only the schema's columns reach
// the statement, never a keyword or function the database would evaluate.
std::string Column(const std::string& table, const rt::Variant& key) {
  return Sql_ColumnName(table, key);
}

// The dictionary's entries, each made into text by `item`, joined by
// `separator` in insertion order.
template <class ItemText>
std::string Join(const rt::Dictionary& entries, std::string_view separator, ItemText item) {
  std::string out;
  for (const auto& entry : entries.Entries()) {
    if (!out.empty()) out += separator;
    out += item(entry);
  }
  return out;
}

std::string Assignments(const std::string& table, const rt::Dictionary& entries,
                        std::string_view separator, LiteralMaker& literal) {
  return Join(entries, separator, [&](const rt::Dictionary::Entry& e) {
    return Column(table, e.key) + "=" + literal(e.item);
  });
}

std::string InsertStatement(const std::string& table, const rt::Dictionary& values,
                            LiteralMaker& literal) {
  const std::string columns =
      Join(values, ",", [&](const rt::Dictionary::Entry& e) { return Column(table, e.key); });
  const std::string literals =
      Join(values, ",", [&](const rt::Dictionary::Entry& e) { return literal(e.item); });
  return "INSERT " + Sql_TableName(table) + "(" + columns + ") VALUES (" + literals + ")";
}

std::string UpdateStatement(const std::string& table, const rt::Dictionary& values,
                            const rt::Dictionary& keys, LiteralMaker& literal) {
  const std::string assignments = Assignments(table, values, ",", literal);
  return "UPDATE " + Sql_TableName(table) + " SET " + assignments + " WHERE " +
         Assignments(table, keys, " AND ", literal);
}

std::string DeleteStatement(const std::string& table, const rt::Dictionary& keys,
                            LiteralMaker& literal) {
  return "DELETE FROM " + Sql_TableName(table) + " WHERE " + Assignments(table, keys, " AND ", literal);
}

enum class Literals { Plain, Unicode };

// Runs one builder: the result object first, then the statement, then the
// connection closed and the vote cast, on every path.
template <class BuildStatement>
rt::ObjectRef RunBuilder(const char* method, contracts::ConnectionRef connection, Literals kind,
                         BuildStatement build) {
  LiteralMaker literal(kind == Literals::Unicode);
  try {
    ScopedClose closeConnection(connection);
    rt::ObjectRef result = Gen_GetComponent("Korvex.ResultObject");
    const std::string sql = build(literal);
    Sql_RequireConnection(connection).Execute(sql);
    Sql_CloseConnection(connection);
    Mts_SetComplete();
    return result;
  } catch (...) {
    Mts_SetAbort();
    Err_Handle(method);
  }
  return nullptr;
}

}  // namespace

rt::ObjectRef Sql_InsertTable(const std::string& table, rt::Dictionary& values,
                              contracts::ConnectionRef connection) {
  return RunBuilder("Sql_InsertTable", std::move(connection), Literals::Plain,
                    [&](LiteralMaker& literal) { return InsertStatement(table, values, literal); });
}

rt::ObjectRef Sql_InsertTableUnicode(const std::string& table, rt::Dictionary& values,
                                     contracts::ConnectionRef connection) {
  return RunBuilder("Sql_InsertTableUnicode", std::move(connection), Literals::Unicode,
                    [&](LiteralMaker& literal) { return InsertStatement(table, values, literal); });
}

rt::ObjectRef Sql_UpdateTable(const std::string& table, rt::Dictionary& values, rt::Dictionary& keys,
                              contracts::ConnectionRef connection) {
  return RunBuilder(
      "Sql_UpdateTable", std::move(connection), Literals::Plain,
      [&](LiteralMaker& literal) { return UpdateStatement(table, values, keys, literal); });
}

rt::ObjectRef Sql_UpdateTableUnicode(const std::string& table, rt::Dictionary& values,
                                     rt::Dictionary& keys, contracts::ConnectionRef connection) {
  return RunBuilder(
      "Sql_UpdateTableUnicode", std::move(connection), Literals::Unicode,
      [&](LiteralMaker& literal) { return UpdateStatement(table, values, keys, literal); });
}

rt::ObjectRef Sql_DeleteTableUnicode(const std::string& table, rt::Dictionary& keys,
                                     contracts::ConnectionRef connection) {
  return RunBuilder("Sql_DeleteTableUnicode", std::move(connection), Literals::Unicode,
                    [&](LiteralMaker& literal) { return DeleteStatement(table, keys, literal); });
}

}  // namespace korvo::infra
