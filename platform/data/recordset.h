// Recordset: the data layer's "ADODB.Recordset", a client-side record set.
//
// Every row is read when it opens, so it stays readable after its
// connection is closed or it is detached. BOF and EOF are both true for an
// empty set; there is no moving backwards, so BOF is true only then.
// MoveFirst on an empty set leaves it empty rather than failing.
// Clones share the rows until one of them adds a row.
//
// AddNew/SetValue/Update insert a row into the table named after the first
// FROM of the statement it was opened with, through the connection it is
// still attached to, and read the database-assigned key back into the
// table's identity field (platform/data/schema.h).
//
// Errors (rt::Error, source "ADODB.Recordset"): 0x800A0E7D when closed or,
// for Update, not attached to an open connection; 0x800A0E79 when opened
// twice; 0x800A0BCD when there is no current row; 0x800A0CC1 for an unknown
// field; 0x800A0C93 for SetValue/Update without AddNew, or AddNew on a set
// not opened on a table; the connection's errors for Open and Update.
// Single-threaded.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/contracts/database.h"
#include "platform/data/result_set.h"

namespace korvo::data {

class Recordset final : public contracts::Recordset {
 public:
  // A closed record set (as the registry creates it).
  Recordset() = default;
  // An open record set over the rows `sql` produced on `connection`.
  Recordset(ResultSet rows, std::weak_ptr<rt::Object> connection, std::string sql);

  void Open(const std::string& sql, contracts::Connection& connection,
            std::int32_t maxRecords = 0) override;
  bool IsOpen() const override { return open_; }
  void Close() override;
  void Detach() override { connection_.reset(); }

  bool IsBOF() const override;
  bool IsEOF() const override;
  std::int32_t RecordCount() const override;
  void MoveFirst() override;
  void MoveNext() override;

  std::int32_t FieldCount() const override;
  const contracts::FieldInfo& Field(std::int32_t index) const override;
  const rt::Variant& Value(std::string_view fieldName) const override;
  const rt::Variant& Value(std::int32_t index) const override;

  std::shared_ptr<contracts::Recordset> Clone() const override;

  void AddNew() override;
  void SetValue(std::string_view fieldName, rt::Variant value) override;
  void Update() override;

 private:
  // A row begun by AddNew: its values and which fields were given.
  struct PendingRow {
    std::vector<rt::Variant> values;
    std::vector<bool> assigned;
  };

  void Attach(ResultSet rows, std::weak_ptr<rt::Object> connection, std::string sql);
  const ResultSet& Rows() const;
  std::size_t IndexOf(std::string_view fieldName) const;
  const rt::Variant& Current(std::size_t field) const;
  PendingRow& Pending();
  void Append(std::vector<rt::Variant> row);

  // The rows live in the record set itself until a clone shares them; from
  // then on both read the shared copy. Moving them there changes nothing a
  // reader sees, hence mutable.
  mutable ResultSet own_;
  mutable std::shared_ptr<const ResultSet> shared_;
  bool open_ = false;
  std::weak_ptr<rt::Object> connection_;  // the data::Connection it is attached to
  std::string sql_;                       // the statement the rows came from
  std::string table_;                     // the table it reads, once AddNew needed it
  std::size_t position_ = 0;
  std::optional<PendingRow> pending_;
};

}  // namespace korvo::data
