#include "platform/data/postgres/postgres_statement.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <string_view>

#include "platform/data/postgres/postgres_connection.h"
#include "platform/data/postgres/postgres_values.h"

namespace korvo::data {
namespace {

std::string_view ValueText(const PGresult* result, int row, int field) {
  return {PQgetvalue(result, row, field), static_cast<std::size_t>(PQgetlength(result, row, field))};
}

// Rows a write changed; -1 for statements that only read.
std::int64_t RowsAffected(const PGresult* result) {
  const std::string_view command = PQcmdStatus(const_cast<PGresult*>(result));
  const bool write = command.starts_with("INSERT") || command.starts_with("UPDATE") ||
                     command.starts_with("DELETE") || command.starts_with("MERGE");
  if (!write) return -1;
  const std::string_view count = PQcmdTuples(const_cast<PGresult*>(result));
  std::int64_t rows = 0;
  std::from_chars(count.data(), count.data() + count.size(), rows);
  return rows;
}

}  // namespace

PostgresStatement::~PostgresStatement() {
  if (!name_.empty() && session_ == connection_.Session()) connection_.Deallocate(name_);
}

ResultSet PostgresStatement::Run(std::span<const contracts::Parameter> params, std::int32_t maxRecords) {
  if (params.size() != static_cast<std::size_t>(translation_->parameters)) {
    throw DriverError(FailureKind::Other,
                      "The command has " + std::to_string(translation_->parameters) +
                          " parameter(s) but " + std::to_string(params.size()) + " value(s) were given",
                      0, kPostgresSource);
  }
  if (translation_->sql.empty()) return {};
  if (name_.empty() || session_ != connection_.Session()) PrepareOnServer();
  std::vector<std::optional<std::string>> texts;
  std::vector<const char*> values;
  for (std::size_t i = 0; i < params.size(); ++i) {
    texts.push_back(ParameterText(params[i], i < parameterTypes_.size() ? parameterTypes_[i] : 0));
  }
  for (const auto& text : texts) values.push_back(text ? text->c_str() : nullptr);
  std::vector<PgResult> results = connection_.RunStatement({[&](PGconn* c) {
    return PQsendQueryPrepared(c, name_.c_str(), static_cast<int>(values.size()), values.data(), nullptr,
                               nullptr, /*resultFormat=*/0);
  }});
  return Rows(results.front().get(), maxRecords);
}

// Prepared and, when it has parameters, described in one round trip: the
// types the server inferred decide how each value is written.
void PostgresStatement::PrepareOnServer() {
  std::string name = connection_.NextStatementName();
  std::vector<PostgresConnection::Command> commands{
      [&](PGconn* c) { return PQsendPrepare(c, name.c_str(), translation_->sql.c_str(), 0, nullptr); }};
  if (translation_->parameters > 0)
    commands.push_back([&](PGconn* c) { return PQsendDescribePrepared(c, name.c_str()); });
  const std::vector<PgResult> results = connection_.RunStatement(commands);
  name_ = std::move(name);
  session_ = connection_.Session();
  described_ = false;
  parameterTypes_.clear();
  if (results.size() < 2) return;
  for (int i = 0; i < PQnparams(results[1].get()); ++i)
    parameterTypes_.push_back(PQparamtype(results[1].get(), i));
}

ResultSet PostgresStatement::Rows(const PGresult* result, std::int32_t maxRecords) {
  ResultSet rows;
  rows.rowsAffected = RowsAffected(result);
  int count = PQntuples(result);
  if (!translation_->keyColumn.empty()) {
    if (count > 0 && !PQgetisnull(result, count - 1, 0)) {
      std::int64_t key = 0;
      const std::string_view text = ValueText(result, count - 1, 0);
      std::from_chars(text.data(), text.data() + text.size(), key);
      connection_.NoteInsertKey(key);
    }
    return rows;
  }
  if (!described_) Describe(result);
  rows.fields = fields_;
  const int fields = static_cast<int>(columnTypes_.size());
  if (maxRecords > 0) count = std::min(count, static_cast<int>(maxRecords));
  rows.values.reserve(static_cast<std::size_t>(count) * static_cast<std::size_t>(fields));
  for (int r = 0; r < count; ++r) {
    for (int f = 0; f < fields; ++f) {
      rows.values.push_back(PQgetisnull(result, r, f)
                                ? rt::Variant::Null()
                                : ReadValue(columnTypes_[f], ValueText(result, r, f)));
    }
  }
  return rows;
}

// A prepared statement answers the same columns at every run.
void PostgresStatement::Describe(const PGresult* result) {
  fields_ = FieldList();
  columnTypes_.clear();
  for (int f = 0; f < PQnfields(result); ++f) {
    columnTypes_.push_back(PQftype(result, f));
    fields_.push_back({translation_->ColumnName(PQfname(result, f)), FieldKind(columnTypes_.back())});
  }
  described_ = true;
}

}  // namespace korvo::data
