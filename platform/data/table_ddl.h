// The backend-neutral shape of the schema's DDL: every driver renders a
// table as one CREATE TABLE with its columns, the primary key unless the
// table has an identity column, any clauses of its own (references), and one
// CREATE INDEX per declared index. Drivers supply only what differs: the
// column clause (types, identity, collation) and extra clauses.
// Pure functions; thread-safe.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/data/schema.h"

namespace korvo::data {

// "A, B, C".
std::string JoinNames(const std::vector<std::string>& names);

// A text column that is part of the table's key (compared without regard to case).
bool IsTextKey(const TableDef& table, const ColumnDef& column);

// "CREATE TABLE IF NOT EXISTS T (...)" with columnClause(column) for every
// column, the primary key unless the table has an identity, then extraClauses.
std::string CreateTableStatement(const TableDef& table,
                                 const std::function<std::string(const ColumnDef&)>& columnClause,
                                 const std::vector<std::string>& extraClauses = {});

// "CREATE INDEX IF NOT EXISTS ..." for each declared index.
std::vector<std::string> CreateIndexStatements(const TableDef& table);

// Raises the provider error a connection string option deserves
// (0x80004005, source of the connection).
[[noreturn]] void RaiseConnectionOption(std::string description);

}  // namespace korvo::data
