#include "infrastructure/sql_build.h"

#include <cmath>
#include <memory>
#include <optional>

#include "infrastructure/components.h"
#include "platform/contracts/utilities.h"
#include "infrastructure/errors.h"
#include "infrastructure/sql_access.h"
#include "infrastructure/sql_names.h"
#include "platform/runtime/conversions.h"
#include "platform/runtime/date.h"
#include "platform/runtime/error.h"

namespace korvo::infra {

namespace {

std::string ReplaceAll(std::string_view text, char from, std::string_view to) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == from) {
      out += to;
    } else {
      out += c;
    }
  }
  return out;
}

bool IsIdentifierStart(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool IsPlainIdentifier(std::string_view name) {
  if (name.empty() || !IsIdentifierStart(name.front())) return false;
  for (char c : name) {
    if (!IsIdentifierStart(c) && !(c >= '0' && c <= '9')) return false;
  }
  return true;
}

// The caller's value as it should appear in an error text.
std::string DisplayText(const rt::Variant& value) {
  try {
    return rt::CStr(value);
  } catch (const rt::Error&) {
    return "(" + rt::TypeName(value) + ")";
  }
}

// The whole-number value of an integer guard's argument; Type mismatch for
// anything that is not a whole number.
double WholeNumber(const rt::Variant& value) {
  std::optional<double> number;
  switch (value.Type()) {
    case rt::VarType::Byte:
    case rt::VarType::Integer:
    case rt::VarType::Long:
    case rt::VarType::Single:
    case rt::VarType::Double:
    case rt::VarType::Currency:
      number = rt::CDbl(value);
      break;
    case rt::VarType::String:
      number = rt::ParseNumber(value.AsString());
      break;
    default:
      break;
  }
  if (!number || std::trunc(*number) != *number) {
    rt::Raise(rt::errnum::kTypeMismatch);
  }
  return *number;
}

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
std::string Column(const std::string& table, const rt::Variant& key) { return Sql_ColumnName(table, key); }

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

std::string Gen_SqlValue(const rt::Variant& value) {
  switch (value.Type()) {
    case rt::VarType::Empty:
    case rt::VarType::Null:
      return "null";
    case rt::VarType::Date:
    case rt::VarType::String:
      return "'" + Gen_SqlQuote(rt::CStr(value)) + "'";
    case rt::VarType::Boolean:
      return value.AsBool() ? "1" : "0";
    default:
      return rt::CStr(value);
  }
}

std::string Gen_SqlQuote(std::string_view text) { return ReplaceAll(text, '\'', "''"); }

std::string Gen_SqlDate(const rt::Variant& date) {
  try {
    const rt::DateParts parts = rt::SplitDate(rt::CDate(date));
    return std::to_string(parts.month) + "/" + std::to_string(parts.day) + "/" +
           std::to_string(parts.year);
  } catch (const rt::Error&) {
    return "";
  }
}

std::string Gen_SqlLikeEscape(std::string_view text) {
  // Brackets first, so the brackets the later steps add are left alone.
  std::string escaped = ReplaceAll(Gen_SqlQuote(text), '[', "[[]");
  escaped = ReplaceAll(escaped, '%', "[%]");
  return ReplaceAll(escaped, '_', "[_]");
}

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
  return RunBuilder("Sql_UpdateTable", std::move(connection), Literals::Plain,
                    [&](LiteralMaker& literal) {
                      return UpdateStatement(table, values, keys, literal);
                    });
}

rt::ObjectRef Sql_UpdateTableUnicode(const std::string& table, rt::Dictionary& values,
                                     rt::Dictionary& keys, contracts::ConnectionRef connection) {
  return RunBuilder("Sql_UpdateTableUnicode", std::move(connection), Literals::Unicode,
                    [&](LiteralMaker& literal) {
                      return UpdateStatement(table, values, keys, literal);
                    });
}

rt::ObjectRef Sql_DeleteTableUnicode(const std::string& table, rt::Dictionary& keys,
                                     contracts::ConnectionRef connection) {
  return RunBuilder("Sql_DeleteTableUnicode", std::move(connection), Literals::Unicode,
                    [&](LiteralMaker& literal) { return DeleteStatement(table, keys, literal); });
}

std::string Sql_IntegerLiteral(const rt::Variant& value, int bits) {
  if (bits < 2 || bits > 32) rt::Raise(rt::errnum::kInvalidProcedureCall);
  const double number = WholeNumber(value);
  const double limit = std::ldexp(1.0, bits - 1);
  if (!(number >= -limit && number < limit)) rt::Raise(rt::errnum::kOverflow);
  return std::to_string(static_cast<long long>(number));
}

std::string Sql_Identifier(const rt::Variant& name) {
  if (!name.IsString() || !IsPlainIdentifier(name.AsString())) {
    rt::Raise(rt::errnum::kTypeMismatch, "Invalid identifier: " + DisplayText(name));
  }
  return name.AsString();
}

}  // namespace korvo::infra
