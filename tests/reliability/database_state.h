// What the reliability tests compare a database by: the full contents of
// every table, or just each table's row count.
//
// Both read through an "ADODB.Connection" opened on the calling thread: inside
// a transactional host scope that is the scope's own (enlisted) connection,
// so the scope's uncommitted writes are seen; outside, the committed state.
// Raises the data layer's errors. Thread-compatible.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace korvo::reliability {

// Every row of every schema table and of the extra tables, each row as one
// line of typed values, rows sorted; comparable with ==.
using DatabaseDump = std::map<std::string, std::vector<std::string>>;
DatabaseDump DumpDatabase(const std::string& connectionString,
                          const std::vector<std::string>& extraTables = {});

// The rows one dump has and the other has not, table by table ("+" for
// rows only `after` holds, "-" for rows only `before` holds); empty when the
// dumps are equal.
std::string DumpDifference(const DatabaseDump& before, const DatabaseDump& after);

// The row count of every schema table and of the extra tables, read with
// one statement.
using RowCounts = std::map<std::string, std::int64_t>;
RowCounts CountRows(const std::string& connectionString,
                    const std::vector<std::string>& extraTables = {});

// The rows that name a row which is not there, one line per reference of
// the schema (and the directory's attribute rows without their user) that
// has any: "CHILD.COLUMN -> PARENT: n". Empty when every reference holds.
std::vector<std::string> DanglingReferences(const std::string& connectionString);

// Runs one statement on a connection of its own (enlisted when a
// transactional scope is current).
void ExecuteSql(const std::string& connectionString, const std::string& sql);
// The first column of the first row of a query, as a whole number.
std::int64_t QueryNumber(const std::string& connectionString, const std::string& sql);

}  // namespace korvo::reliability
