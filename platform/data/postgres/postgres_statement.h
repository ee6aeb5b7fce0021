// PostgresStatement: one statement of a PostgresConnection, prepared on the
// server (PQprepare) at its first run and executed with text parameters the
// server reads as the types it inferred (postgres_values.h): one round trip
// per run once prepared, two at the first. Result columns carry the library's spelling of
// their names and the kinds of their types, described once per preparation
// and shared by every result.
// An INSERT that returns its database-assigned key hands the key to the
// connection and answers no rows, as an INSERT does elsewhere.
//
// Owned by its connection's statement cache; deallocated on the server when
// it ends. Single-threaded.
#pragma once

#include <libpq-fe.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/data/driver.h"
#include "platform/data/postgres/postgres_error.h"
#include "platform/data/postgres/postgres_translator.h"

namespace korvo::data {

class PostgresConnection;

class PostgresStatement final : public DriverStatement {
 public:
  PostgresStatement(PostgresConnection& connection,
                    std::shared_ptr<const PostgresTranslation> translation)
      : connection_(connection), translation_(std::move(translation)) {}
  ~PostgresStatement() override;
  PostgresStatement(const PostgresStatement&) = delete;
  PostgresStatement& operator=(const PostgresStatement&) = delete;

  // Throws DriverError: Other when the number of parameters differs from
  // the statement's placeholders, else as the server classified its
  // failure. Raises 13 (Type mismatch) for an object or array value.
  ResultSet Run(std::span<const contracts::Parameter> params, std::int32_t maxRecords) override;

 private:
  void PrepareOnServer();
  void Describe(const PGresult* result);
  ResultSet Rows(const PGresult* result, std::int32_t maxRecords);

  PostgresConnection& connection_;
  std::shared_ptr<const PostgresTranslation> translation_;
  std::string name_;           // "" until prepared in the current session
  std::uint64_t session_ = 0;  // the connection's session name_ belongs to
  std::vector<Oid> parameterTypes_;
  // The result columns of the preparation: described at its first run.
  bool described_ = false;
  FieldList fields_;
  std::vector<Oid> columnTypes_;
};

}  // namespace korvo::data
