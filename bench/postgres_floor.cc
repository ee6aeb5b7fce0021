#include "bench/postgres_floor.h"

#include <charconv>
#include <stdexcept>

#include "platform/data/connection_string.h"
#include "platform/data/postgres/postgres_driver.h"
#include "platform/data/postgres/postgres_translator.h"

namespace korvo::bench {
namespace {

[[noreturn]] void Fail(PGconn* db, const std::string& what) {
  throw std::runtime_error(what + ": " + (db ? PQerrorMessage(db) : "out of memory"));
}

// The result when the command succeeded; throws (and clears it) otherwise.
PGresult* Checked(PGconn* db, PGresult* result, const std::string& what) {
  const ExecStatusType status = PQresultStatus(result);
  if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) return result;
  PQclear(result);
  Fail(db, what);
}

std::string NumberText(auto value) {
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text, value).ptr;
  return std::string(text, end);
}

template <class Number>
Number ParseNumber(std::string_view text) {
  Number value{};
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

}  // namespace

PostgresFloor::PostgresFloor(const std::string& connectionString, Mode mode) : mode_(mode) {
  for (auto& [keyword, value] :
       data::PostgresConnectParameters(data::ParseConnectionString(connectionString))) {
    keywords_.push_back(std::move(keyword));
    values_.push_back(std::move(value));
  }
  db_ = Connect();
}

PostgresFloor::~PostgresFloor() { PQfinish(db_); }

std::string PostgresFloor::AsSent(const std::string& librarySql) {
  static const data::PostgresTranslator translator;
  return translator.Translate(librarySql).sql;
}

PGconn* PostgresFloor::Connect() const {
  std::vector<const char*> keywords, values;
  for (std::size_t i = 0; i < keywords_.size(); ++i) {
    keywords.push_back(keywords_[i].c_str());
    values.push_back(values_[i].c_str());
  }
  keywords.push_back(nullptr);
  values.push_back(nullptr);
  PGconn* db = PQconnectdbParams(keywords.data(), values.data(), /*expand_dbname=*/0);
  if (PQstatus(db) != CONNECTION_OK) {
    const std::string message = db ? PQerrorMessage(db) : "out of memory";
    PQfinish(db);
    throw std::runtime_error("cannot connect: " + message);
  }
  return db;
}

const std::string& PostgresFloor::Prepared(const char* sql, int parameters) {
  if (auto it = prepared_.find(sql); it != prepared_.end()) return it->second;
  std::string name = "floor_" + std::to_string(prepared_.size() + 1);
  // The server infers each parameter's type, as for the library's statements.
  PQclear(Checked(db_, PQprepare(db_, name.c_str(), sql, parameters, nullptr), sql));
  return prepared_.emplace(sql, std::move(name)).first->second;
}

void PostgresFloor::Exec(const char* sql) { PQclear(Checked(db_, PQexec(db_, sql), sql)); }

PostgresFloor::Query::Query(PostgresFloor& floor, const char* sql) : floor_(floor), sql_(sql) {
  ++floor_.statements_;
  if (floor_.ran_) floor_.ran_->emplace_back(sql);
}

PostgresFloor::Query::~Query() { PQclear(result_); }

PostgresFloor::Query& PostgresFloor::Query::Set(int index, std::string text, bool null) {
  const auto slot = static_cast<std::size_t>(index - 1);
  if (texts_.size() <= slot) {
    texts_.resize(slot + 1);
    nulls_.resize(slot + 1);
  }
  texts_[slot] = std::move(text);
  nulls_[slot] = null;
  return *this;
}

PostgresFloor::Query& PostgresFloor::Query::Bind(int index, std::string_view text) {
  return Set(index, std::string(text));
}

PostgresFloor::Query& PostgresFloor::Query::Bind(int index, double value) {
  return Set(index, NumberText(value));
}

PostgresFloor::Query& PostgresFloor::Query::Bind(int index, std::int64_t value) {
  return Set(index, NumberText(value));
}

PostgresFloor::Query& PostgresFloor::Query::BindNull(int index) { return Set(index, {}, /*null=*/true); }

void PostgresFloor::Query::Execute() {
  std::vector<const char*> values;
  for (std::size_t i = 0; i < texts_.size(); ++i)
    values.push_back(nulls_[i] ? nullptr : texts_[i].c_str());
  const int count = static_cast<int>(values.size());
  if (floor_.mode_ == Mode::Prepared) {
    const std::string& name = floor_.Prepared(sql_, count);
    result_ = Checked(
        floor_.db_, PQexecPrepared(floor_.db_, name.c_str(), count, values.data(), nullptr, nullptr, 0),
        sql_);
    return;
  }
  PGconn* own = floor_.Connect();
  PGresult* result = PQexecParams(own, sql_, count, nullptr, values.data(), nullptr, nullptr, 0);
  const ExecStatusType status = PQresultStatus(result);
  if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) {
    result_ = result;
    PQfinish(own);
    return;
  }
  const std::string message = PQerrorMessage(own);
  PQclear(result);
  PQfinish(own);
  throw std::runtime_error(std::string(sql_) + ": " + message);
}

bool PostgresFloor::Query::Step() {
  if (!result_) Execute();
  return ++row_ < PQntuples(result_);
}

std::string_view PostgresFloor::Query::Text(int column) const {
  return {PQgetvalue(result_, row_, column),
          static_cast<std::size_t>(PQgetlength(result_, row_, column))};
}

double PostgresFloor::Query::Double(int column) const { return ParseNumber<double>(Text(column)); }

std::int64_t PostgresFloor::Query::Int(int column) const {
  return ParseNumber<std::int64_t>(Text(column));
}

PostgresFloor::Transaction::Transaction(PostgresFloor& floor, bool write)
    : floor_(floor), open_(write && floor.mode_ == Mode::Prepared) {
  if (open_) floor_.Exec("BEGIN");
}

PostgresFloor::Transaction::~Transaction() {
  if (open_) floor_.Exec("COMMIT");
}

void PostgresFloor::Transaction::Rollback() {
  if (!open_) return;
  open_ = false;
  floor_.Exec("ROLLBACK");
}

}  // namespace korvo::bench
