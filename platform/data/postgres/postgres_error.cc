#include "platform/data/postgres/postgres_error.h"

namespace korvo::data {
namespace {

constexpr std::size_t kSqlStateLength = 5;
constexpr int kBitsPerCharacter = 6;

// libpq's texts end in a line break (and may hold several lines).
std::string Trimmed(const char* text) {
  std::string message = text ? text : "";
  while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) message.pop_back();
  return message;
}

std::string Description(const PGresult* result, PGconn* connection) {
  const char* primary = result ? PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
  if (!primary) return Trimmed(result ? PQresultErrorMessage(result) : PQerrorMessage(connection));
  std::string description = primary;
  if (const char* detail = PQresultErrorField(result, PG_DIAG_MESSAGE_DETAIL)) {
    description += std::string(" (") + detail + ")";
  }
  return description;
}

}  // namespace

FailureKind ClassifySqlState(std::string_view sqlState) {
  if (sqlState.starts_with("42")) return FailureKind::Malformed;
  if (sqlState.starts_with("23")) return FailureKind::Constraint;
  return FailureKind::Other;
}

bool IsSerializationFailure(std::string_view sqlState) {
  return sqlState == "40001" || sqlState == "40P01";
}

std::int32_t PackSqlState(std::string_view sqlState) {
  if (sqlState.size() != kSqlStateLength) return 0;
  std::int32_t packed = 0;
  for (std::size_t i = 0; i < kSqlStateLength; ++i) {
    packed |= ((sqlState[i] - '0') & 0x3F) << (kBitsPerCharacter * static_cast<int>(i));
  }
  return packed;
}

std::string UnpackSqlState(std::int32_t native) {
  if (native == 0) return {};
  std::string sqlState;
  for (std::size_t i = 0; i < kSqlStateLength; ++i) {
    sqlState += static_cast<char>(((native >> (kBitsPerCharacter * static_cast<int>(i))) & 0x3F) + '0');
  }
  return sqlState;
}

std::string SqlStateOf(const PGresult* result) {
  const char* state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
  return state ? state : "";
}

PgResult Checked(PGresult* raw, PGconn* connection) {
  PgResult result(raw);
  const ExecStatusType status = result ? PQresultStatus(result.get()) : PGRES_FATAL_ERROR;
  if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK && status != PGRES_EMPTY_QUERY) {
    ThrowPostgresError(result.get(), connection);
  }
  return result;
}

void ThrowPostgresError(const PGresult* result, PGconn* connection) {
  const std::string sqlState = SqlStateOf(result);
  std::string description = Description(result, connection);
  if (IsSerializationFailure(sqlState)) description = "Serialization failure: " + description;
  throw DriverError(ClassifySqlState(sqlState), description, PackSqlState(sqlState), kPostgresSource);
}

void ThrowPostgresFailure(const std::string& description) {
  throw DriverError(FailureKind::Other, description, 0, kPostgresSource);
}

}  // namespace korvo::data
