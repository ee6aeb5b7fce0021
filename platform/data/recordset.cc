#include "platform/data/recordset.h"

#include "platform/data/connection.h"
#include "platform/data/data_error.h"
#include "platform/data/schema.h"
#include "platform/data/sql_tokenizer.h"
#include "platform/runtime/conversions.h"
#include "platform/runtime/error.h"

namespace korvo::data {
namespace {

using contracts::dberr::kItemNotFound;
using contracts::dberr::kNoCurrentRecord;
using contracts::dberr::kObjectClosed;

[[noreturn]] void Raise(std::int32_t number, const char* description) {
  rt::Raise(number, description, kRecordsetSource);
}

[[noreturn]] void RaiseClosed() {
  Raise(kObjectClosed, "Operation is not allowed when the object is closed.");
}

[[noreturn]] void RaiseNoCurrentRecord() {
  Raise(
      kNoCurrentRecord,
      "Either BOF or EOF is True, or the current record has been deleted. Requested operation requires a "
      "current record.");
}

// The table after the first top-level FROM of a SELECT; "" for anything else.
std::string TableOfSelect(const std::string& sql) {
  std::vector<Token> tokens;
  for (const Token& t : Tokenize(sql)) {
    if (t.IsSignificant()) tokens.push_back(t);
  }
  if (tokens.empty() || !tokens[0].IsKeyword("SELECT")) return {};
  int depth = 0;
  for (std::size_t i = 0; i + 1 < tokens.size(); ++i) {
    if (tokens[i].IsSymbol("(")) ++depth;
    if (tokens[i].IsSymbol(")")) --depth;
    if (depth != 0 || !tokens[i].IsKeyword("FROM")) continue;
    std::size_t k = i + 1;
    while (k + 2 < tokens.size() && tokens[k + 1].IsSymbol(".")) k += 2;
    const TokenKind kind = tokens[k].kind;
    return kind == TokenKind::Word || kind == TokenKind::QuotedIdentifier ? IdentifierName(tokens[k])
                                                                          : "";
  }
  return {};
}

contracts::ParamType ParamTypeOf(rt::VarType fieldType) {
  return fieldType == rt::VarType::Date ? contracts::ParamType::DateTime : contracts::ParamType::Text;
}

}  // namespace

Recordset::Recordset(ResultSet rows, std::weak_ptr<rt::Object> connection, std::string sql) {
  Attach(std::move(rows), std::move(connection), std::move(sql));
}

void Recordset::Attach(ResultSet rows, std::weak_ptr<rt::Object> connection, std::string sql) {
  own_ = std::move(rows);
  shared_.reset();
  open_ = true;
  connection_ = std::move(connection);
  sql_ = std::move(sql);  // the table it names is found only when a row is added
  table_.clear();
  position_ = 0;
}

void Recordset::Open(const std::string& sql, contracts::Connection& connection,
                     std::int32_t maxRecords) {
  if (IsOpen())
    rt::Raise(kObjectOpen, "Operation is not allowed when the object is open.", kRecordsetSource);
  auto* own = dynamic_cast<Connection*>(&connection);
  if (!own) Raise(kIllegalOperation, "Operation is not allowed in this context.");
  Attach(own->Run(sql, {}, maxRecords), own->weak_from_this(), sql);
}

void Recordset::Close() {
  if (!IsOpen()) RaiseClosed();
  open_ = false;
  own_ = ResultSet();
  shared_.reset();
  pending_.reset();
  position_ = 0;
}

const ResultSet& Recordset::Rows() const {
  if (!open_) RaiseClosed();
  return shared_ ? *shared_ : own_;
}

bool Recordset::IsBOF() const { return Rows().RowCount() == 0; }

// Positions are compared through the value count: no division on the path
// every field read takes.
bool Recordset::IsEOF() const {
  const ResultSet& rows = Rows();
  return position_ * rows.fields.size() >= rows.values.size();
}

std::int32_t Recordset::RecordCount() const { return static_cast<std::int32_t>(Rows().RowCount()); }

void Recordset::MoveFirst() {
  Rows();
  pending_.reset();
  position_ = 0;
}

void Recordset::MoveNext() {
  if (IsEOF()) RaiseNoCurrentRecord();
  pending_.reset();
  ++position_;
}

std::int32_t Recordset::FieldCount() const { return static_cast<std::int32_t>(Rows().fields.size()); }

const contracts::FieldInfo& Recordset::Field(std::int32_t index) const {
  const auto& fields = Rows().fields;
  if (index < 0 || static_cast<std::size_t>(index) >= fields.size()) {
    Raise(kItemNotFound,
          "Item cannot be found in the collection corresponding to the requested name or ordinal.");
  }
  return fields[static_cast<std::size_t>(index)];
}

std::size_t Recordset::IndexOf(std::string_view fieldName) const {
  const auto& fields = Rows().fields;
  // Callers mostly spell a field as the statement did: that needs no folding.
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (fields[i].name == fieldName) return i;
  }
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (rt::TextEqualsNoCase(fields[i].name, fieldName)) return i;
  }
  Raise(kItemNotFound,
        "Item cannot be found in the collection corresponding to the requested name or ordinal.");
}

const rt::Variant& Recordset::Current(std::size_t field) const {
  if (pending_) return pending_->values[field];
  const ResultSet& rows = Rows();
  const std::size_t at = position_ * rows.fields.size() + field;  // field < fields.size()
  if (at >= rows.values.size()) RaiseNoCurrentRecord();
  return rows.values[at];
}

const rt::Variant& Recordset::Value(std::string_view fieldName) const {
  return Current(IndexOf(fieldName));
}

const rt::Variant& Recordset::Value(std::int32_t index) const {
  Field(index);  // range check
  return Current(static_cast<std::size_t>(index));
}

std::shared_ptr<contracts::Recordset> Recordset::Clone() const {
  Rows();
  if (!shared_) shared_ = std::make_shared<const ResultSet>(std::move(own_));
  auto copy = std::make_shared<Recordset>();
  copy->shared_ = shared_;
  copy->open_ = true;
  copy->connection_ = connection_;
  copy->sql_ = sql_;
  copy->table_ = table_;
  return copy;
}

void Recordset::AddNew() {
  const std::size_t fields = Rows().fields.size();
  if (table_.empty()) table_ = TableOfSelect(sql_);
  if (table_.empty()) Raise(kIllegalOperation, "Operation is not allowed in this context.");
  pending_ = PendingRow{std::vector<rt::Variant>(fields, rt::Variant::Null()),
                        std::vector<bool>(fields, false)};
}

Recordset::PendingRow& Recordset::Pending() {
  Rows();
  if (!pending_) Raise(kIllegalOperation, "Operation is not allowed in this context.");
  return *pending_;
}

void Recordset::SetValue(std::string_view fieldName, rt::Variant value) {
  PendingRow& row = Pending();
  const std::size_t i = IndexOf(fieldName);
  row.values[i] = std::move(value);
  row.assigned[i] = true;
}

void Recordset::Update() {
  PendingRow& row = Pending();
  auto locked = connection_.lock();
  auto* connection = dynamic_cast<Connection*>(locked.get());
  if (!connection || !connection->IsOpen()) RaiseClosed();
  const auto& fields = Rows().fields;
  std::string columns;
  std::string markers;
  std::vector<contracts::Parameter> params;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (!row.assigned[i]) continue;
    columns += (params.empty() ? "" : ", ") + fields[i].name;
    markers += params.empty() ? "?" : ", ?";
    params.push_back({fields[i].name, ParamTypeOf(fields[i].type), 0, row.values[i]});
  }
  const std::string sql = params.empty()
                              ? "INSERT INTO " + table_ + " DEFAULT VALUES"
                              : "INSERT INTO " + table_ + " (" + columns + ") VALUES (" + markers + ")";
  connection->Run(sql, params, 0);
  const TableDef* table = FindTable(table_);
  if (table && table->identity) {
    for (std::size_t i = 0; i < fields.size(); ++i) {
      if (!row.assigned[i] && rt::TextEqualsNoCase(fields[i].name, table->IdentityColumn())) {
        row.values[i] = rt::Variant(static_cast<std::int32_t>(connection->LastInsertKey()));
      }
    }
  }
  Append(std::move(row.values));
  pending_.reset();
}

void Recordset::Append(std::vector<rt::Variant> row) {
  if (shared_) {  // clones keep the rows they had
    own_ = *shared_;
    shared_.reset();
  }
  for (auto& value : row) own_.values.push_back(std::move(value));
  position_ = own_.RowCount() - 1;
}

}  // namespace korvo::data
