#include "platform/data/sqlite/sqlite_statement.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "platform/data/sqlite/sqlite_error.h"
#include "platform/runtime/conversions.h"
#include "platform/runtime/error.h"
#include "platform/runtime/money.h"

namespace korvo::data {
namespace {

using rt::VarType;

// The value kind a declared column type stands for; nullopt for expression
// columns and types outside the schema's vocabulary (read by storage class).
std::optional<VarType> DeclaredKind(const char* declared) {
  if (!declared) return std::nullopt;
  std::string type;
  for (const char* p = declared; *p && *p != '('; ++p) {
    type += static_cast<char>(std::toupper(static_cast<unsigned char>(*p)));
  }
  while (!type.empty() && type.back() == ' ') type.pop_back();
  if (type == "BIT" || type == "BOOLEAN" || type == "BOOL") return VarType::Boolean;
  if (type == "SMALLINT") return VarType::Integer;
  if (type == "INT" || type == "INTEGER" || type == "BIGINT") return VarType::Long;
  if (type == "REAL" || type == "FLOAT" || type == "DOUBLE" || type == "DOUBLE PRECISION" ||
      type == "DECIMAL" || type == "NUMERIC") {
    return VarType::Double;
  }
  if (type == "DATETIME" || type == "DATE") return VarType::Date;
  if (type.find("CHAR") != std::string::npos || type == "TEXT" || type == "NTEXT" || type == "CLOB") {
    return VarType::String;
  }
  return std::nullopt;
}

// Values are read through the column's sqlite3_value rather than the
// sqlite3_column_* calls: each of those checks the column and the
// connection's state again, several times per value, and a connection is
// used by one thread at a time, so the value needs no such protection.

// The value's text as SQLite holds it, valid until the next step.
std::string_view ValueText(sqlite3_value* value) {
  const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
  return std::string_view(text ? text : "", static_cast<std::size_t>(sqlite3_value_bytes(value)));
}

// The reading functions below append the value to the row being read: it
// is made where it stays, with no temporary to move and destroy, once per
// column of every row.
using Values = std::vector<rt::Variant>;

void AppendInteger(Values& out, sqlite3_int64 v) {
  if (v >= std::numeric_limits<std::int32_t>::min() && v <= std::numeric_limits<std::int32_t>::max()) {
    out.emplace_back(static_cast<std::int32_t>(v));
  } else {
    out.emplace_back(static_cast<double>(v));
  }
}

// The value as its storage class (sqlite3_value_type) gives it.
void AppendStored(Values& out, sqlite3_value* value, int storage) {
  switch (storage) {
    case SQLITE_INTEGER:
      AppendInteger(out, sqlite3_value_int64(value));
      return;
    case SQLITE_FLOAT:
      out.emplace_back(sqlite3_value_double(value));
      return;
    case SQLITE_NULL:
      out.emplace_back(rt::Variant::NullTag{});
      return;
    default:
      out.emplace_back(ValueText(value));
      return;
  }
}

// Appends the value in the column's declared kind when it fits that kind;
// false (nothing appended) for a value to be given as stored.
bool AppendInKind(Values& out, sqlite3_value* value, int storage, VarType kind) {
  const bool numeric = storage == SQLITE_INTEGER || storage == SQLITE_FLOAT;
  switch (kind) {
    case VarType::Boolean:
      if (!numeric) return false;
      out.emplace_back(sqlite3_value_double(value) != 0.0);
      return true;
    case VarType::Integer: {
      if (storage != SQLITE_INTEGER) return false;
      const sqlite3_int64 v = sqlite3_value_int64(value);
      if (v < std::numeric_limits<std::int16_t>::min() || v > std::numeric_limits<std::int16_t>::max())
        return false;
      out.emplace_back(static_cast<std::int16_t>(v));
      return true;
    }
    case VarType::Double:
      if (!numeric) return false;
      out.emplace_back(sqlite3_value_double(value));
      return true;
    case VarType::Date: {
      if (storage != SQLITE_TEXT) return false;
      const auto date = rt::ParseDate(ValueText(value));
      if (!date) return false;
      out.emplace_back(*date);
      return true;
    }
    default:
      return false;
  }
}

// The value in the column's declared kind; a stored value that does not fit
// the kind is given as stored rather than altered.
void AppendValue(Values& out, sqlite3_value* value, int storage, std::optional<VarType> kind) {
  if (storage != SQLITE_NULL && kind && AppendInKind(out, value, storage, *kind)) return;
  AppendStored(out, value, storage);
}

VarType StorageKind(int storage) {
  switch (storage) {
    case SQLITE_INTEGER:
      return VarType::Long;
    case SQLITE_FLOAT:
      return VarType::Double;
    default:
      return VarType::String;
  }
}

// The text stays where it is until the statement is reset: the parameter's
// own, or one the statement keeps for the run. SQLite need not copy it.
void BindText(sqlite3_stmt* stmt, int index, std::string_view text) {
  sqlite3_bind_text(stmt, index, text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
}

// `dates` holds the date texts made for this run; it has room for one per
// parameter, so none of them moves.
void BindValue(sqlite3_stmt* stmt, int index, const contracts::Parameter& param,
               std::vector<rt::DateText>& dates) {
  const rt::Variant& v = param.value;
  switch (v.Type()) {
    case VarType::Empty:
    case VarType::Null:
    case VarType::Missing:
      sqlite3_bind_null(stmt, index);
      return;
    case VarType::Byte:
      sqlite3_bind_int64(stmt, index, v.AsByte());
      return;
    case VarType::Integer:
      sqlite3_bind_int64(stmt, index, v.AsInteger());
      return;
    case VarType::Long:
      sqlite3_bind_int64(stmt, index, v.AsLong());
      return;
    case VarType::Single:
      sqlite3_bind_double(stmt, index, v.AsSingle());
      return;
    case VarType::Double:
      sqlite3_bind_double(stmt, index, v.AsDouble());
      return;
    case VarType::Currency:
      sqlite3_bind_double(stmt, index, rt::MoneyToDouble(v.AsMoney()));
      return;
    case VarType::Boolean:
      sqlite3_bind_int64(stmt, index, v.AsBool() ? 1 : 0);
      return;
    case VarType::Date:
      // CDate refuses a hand-made date outside the calendar (Overflow), which
      // would otherwise be stored as a day nobody entered.
      BindText(stmt, index, rt::FormatStoredDate(rt::CDate(v), dates.emplace_back()));
      return;
    case VarType::String:
      if (param.type == contracts::ParamType::DateTime) {
        if (auto date = rt::ParseDate(v.AsString())) {
          BindText(stmt, index, rt::FormatStoredDate(*date, dates.emplace_back()));
          return;
        }
      }
      BindText(stmt, index, v.AsString());
      return;
    case VarType::Object:
    case VarType::Array:
      break;
  }
  rt::Raise(rt::errnum::kTypeMismatch);
}

// Resets the statement after every run, successful or not, so the cached
// statement releases its read snapshot and bindings.
class ResetOnExit {
 public:
  explicit ResetOnExit(sqlite3_stmt* stmt) : stmt_(stmt) {}
  ~ResetOnExit() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
  }
  ResetOnExit(const ResetOnExit&) = delete;
  ResetOnExit& operator=(const ResetOnExit&) = delete;

 private:
  sqlite3_stmt* stmt_;
};

}  // namespace

const SqliteStatement::Columns& SqliteStatement::ResultColumns() {
  const int count = sqlite3_column_count(stmt_);
  if (columns_.kinds.size() == static_cast<std::size_t>(count)) return columns_;
  columns_ = {};
  for (int c = 0; c < count; ++c) {
    columns_.kinds.push_back(DeclaredKind(sqlite3_column_decltype(stmt_, c)));
    columns_.fields.push_back(
        {sqlite3_column_name(stmt_, c), columns_.kinds.back().value_or(VarType::String)});
  }
  return columns_;
}

void SqliteStatement::Bind(std::span<const contracts::Parameter> params) {
  const int expected = sqlite3_bind_parameter_count(stmt_);
  if (static_cast<std::size_t>(expected) != params.size()) {
    throw DriverError(FailureKind::Other,
                      "The command has " + std::to_string(expected) + " parameter(s) but " +
                          std::to_string(params.size()) + " value(s) were given",
                      SQLITE_RANGE, kSqliteSource);
  }
  dates_.clear();
  dates_.reserve(params.size());
  for (std::size_t i = 0; i < params.size(); ++i)
    BindValue(stmt_, static_cast<int>(i) + 1, params[i], dates_);
}

ResultSet SqliteStatement::Run(std::span<const contracts::Parameter> params, std::int32_t maxRecords) {
  ResultSet result;
  if (!stmt_) {
    if (!params.empty()) Bind(params);  // nothing to bind to: reports the mismatch
    return result;
  }
  ResetOnExit reset(stmt_);
  Bind(params);
  const Columns& described = ResultColumns();
  const auto& kinds = described.kinds;
  result.fields = described.fields;
  result.values.reserve(kinds.size() * std::max<std::size_t>(lastRowCount_, 1));
  const int columns = static_cast<int>(kinds.size());
  // Only expression columns (no declared kind) learn theirs from the rows.
  const bool expressions =
      std::any_of(kinds.begin(), kinds.end(), [](const auto& kind) { return !kind; });
  std::vector<bool> kindSeen(expressions ? kinds.size() : 0, false);
  // A limited read stops at its last wanted row: stepping on would make
  // SQLite search for rows nobody reads.
  const std::size_t limit = maxRecords > 0 ? static_cast<std::size_t>(maxRecords) : SIZE_MAX;
  for (std::size_t rows = 0; rows < limit; ++rows) {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_DONE) break;
    if (rc != SQLITE_ROW) ThrowSqliteError(db_, rc);
    for (int c = 0; c < columns; ++c) {
      const auto i = static_cast<std::size_t>(c);
      sqlite3_value* value = sqlite3_column_value(stmt_, c);
      const int storage = sqlite3_value_type(value);
      AppendValue(result.values, value, storage, kinds[i]);
      // An expression column takes the kind of its first non-null value.
      if (!kinds[i] && !kindSeen[i] && storage != SQLITE_NULL) {
        result.fields.Edit(i).type = StorageKind(storage);
        kindSeen[i] = true;
      }
    }
  }
  result.rowsAffected = sqlite3_stmt_readonly(stmt_) ? -1 : sqlite3_changes64(db_);
  lastRowCount_ = std::min(result.RowCount(), kRowsToExpect);
  return result;
}

}  // namespace korvo::data
