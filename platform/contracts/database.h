// The relational database as the library sees it: connections, positional
// parameters and client-side record sets, in the shape of the data access
// objects callers program against. The platform's data layer implements these and
// registers them under the ProgIDs "ADODB.Connection" and "ADODB.Recordset".
//
// Errors: a failing operation raises rt::Error with
//   0x80040E14 (-2147217900) a statement the database rejects as malformed,
//   0x80040E2F (-2147217873) a constraint violation,
//   0x80004005 (-2147467259) any other provider failure (busy, I/O, ...),
//   0x800A0E7D (-2146824579) "Operation is not allowed when the object is
//              closed" / not connected,
//   0x800A0CC1 (-2146825023) "Item cannot be found in the collection
//              corresponding to the requested name or ordinal.",
//   0x800A0BCD (-2146825267) "Either BOF or EOF is True, or the current
//              record has been deleted. Requested operation requires a
//              current record."
// with the provider's text and native code also appended to the
// connection's error list (cleared at the start of each operation).
// Objects are single-threaded.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/runtime/object.h"
#include "platform/runtime/variant.h"

namespace korvo::contracts {

namespace dberr {
inline constexpr std::int32_t kSyntax = static_cast<std::int32_t>(0x80040E14u);
inline constexpr std::int32_t kConstraint = static_cast<std::int32_t>(0x80040E2Fu);
inline constexpr std::int32_t kProvider = static_cast<std::int32_t>(0x80004005u);
inline constexpr std::int32_t kObjectClosed = static_cast<std::int32_t>(0x800A0E7Du);
inline constexpr std::int32_t kItemNotFound = static_cast<std::int32_t>(0x800A0CC1u);
inline constexpr std::int32_t kNoCurrentRecord = static_cast<std::int32_t>(0x800A0BCDu);
}  // namespace dberr

struct ProviderError {
  std::string description;
  std::int32_t nativeError = 0;
};

// Parameter types used by the library's commands.
enum class ParamType { FixedText, Text, Boolean, SmallInt, Integer, DateTime, Decimal, Double };

struct Parameter {
  std::string name;
  ParamType type = ParamType::Text;
  std::int32_t size = 0;
  rt::Variant value;
};

struct FieldInfo {
  std::string name;
  rt::VarType type = rt::VarType::String;  // the column's kind from the schema
};

class Connection;

// A client-side record set: every row is read when it opens, so it stays
// readable after its connection is closed or it was detached.
class Recordset : public rt::Object {
 public:
  std::string TypeName() const override { return "Recordset"; }

  // Runs sql on an open connection and reads the rows (at most maxRecords
  // when > 0). The record set stays attached to the connection.
  virtual void Open(const std::string& sql, Connection& connection, std::int32_t maxRecords = 0) = 0;
  virtual bool IsOpen() const = 0;
  virtual void Close() = 0;
  // Detaches from the connection (ActiveConnection = Nothing).
  virtual void Detach() = 0;

  virtual bool IsBOF() const = 0;  // begin-of-file (EOF is a C macro, hence the Is prefix)
  virtual bool IsEOF() const = 0;
  virtual std::int32_t RecordCount() const = 0;
  virtual void MoveFirst() = 0;
  virtual void MoveNext() = 0;

  virtual std::int32_t FieldCount() const = 0;
  virtual const FieldInfo& Field(std::int32_t index) const = 0;
  // The current row's value; names compare case-insensitively.
  virtual const rt::Variant& Value(std::string_view fieldName) const = 0;
  virtual const rt::Variant& Value(std::int32_t index) const = 0;

  // An independent copy over the same rows, positioned at the first.
  virtual std::shared_ptr<Recordset> Clone() const = 0;

  // Adding a row to the table the record set was opened on ("SELECT ...
  // FROM TABLE ..."): AddNew starts an empty row, SetValue fills fields,
  // Update inserts it through the attached connection and reads back the
  // database-assigned key into its field.
  virtual void AddNew() = 0;
  virtual void SetValue(std::string_view fieldName, rt::Variant value) = 0;
  virtual void Update() = 0;
};

using RecordsetRef = std::shared_ptr<Recordset>;

class Connection : public rt::Object {
 public:
  std::string TypeName() const override { return "Connection"; }

  // Opens on a connection string ("Driver=SQLite;Database=/path/x.db").
  // Inside a transactional host context the connection enlists in the
  // context's transaction; elsewhere each statement commits on its own.
  virtual void Open(const std::string& connectionString) = 0;
  virtual bool IsOpen() const = 0;
  virtual void Close() = 0;
  virtual const std::string& ConnectionString() const = 0;

  // Executes one statement with positional parameters ("?"). Returns the
  // rows as an attached record set (empty for statements without rows; at
  // most maxRecords rows when > 0, and then the database is not asked for
  // more) and sets *recordsAffected for writes when asked. A caller that
  // uses only the first row passes 1: a look-up then ends at the row it
  // found instead of searching on for rows nobody reads.
  virtual RecordsetRef Execute(std::string sql, std::span<const Parameter> params = {},
                               std::int32_t* recordsAffected = nullptr, std::int32_t maxRecords = 0) = 0;

  // The provider errors of the last failing operation, in order.
  virtual const std::vector<ProviderError>& Errors() const = 0;
};

using ConnectionRef = std::shared_ptr<Connection>;

}  // namespace korvo::contracts
