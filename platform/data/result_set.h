// ResultSet: the rows one statement produced, fully read (the client-side
// cursor of the record sets). Plain value type; thread-compatible.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/contracts/database.h"
#include "platform/runtime/variant.h"

namespace korvo::data {

// The result's column descriptions. Every run of a prepared statement
// describes the same columns, so the statement hands each of its results
// the one list it keeps; a result that must change a description (an
// expression column learning its kind from the rows) gets a copy of its own
// first. Copying a list shares it. Thread-compatible: the list a statement
// shares is never changed in place once shared.
class FieldList {
 public:
  std::size_t size() const { return fields_ ? fields_->size() : 0; }
  bool empty() const { return size() == 0; }
  const contracts::FieldInfo& operator[](std::size_t i) const { return (*fields_)[i]; }

  void push_back(contracts::FieldInfo field) { Own().push_back(std::move(field)); }
  // The description of column i, to change in this list alone.
  contracts::FieldInfo& Edit(std::size_t i) { return Own()[i]; }

 private:
  std::vector<contracts::FieldInfo>& Own() {
    if (!fields_) {
      fields_ = std::make_shared<std::vector<contracts::FieldInfo>>();
    } else if (fields_.use_count() > 1) {
      fields_ = std::make_shared<std::vector<contracts::FieldInfo>>(*fields_);
    }
    return *fields_;
  }

  std::shared_ptr<std::vector<contracts::FieldInfo>> fields_;
};

struct ResultSet {
  FieldList fields;
  // Row-major values: row r, field f is values[r * fields.size() + f].
  std::vector<rt::Variant> values;
  // Rows a write changed; -1 for statements that only read.
  std::int64_t rowsAffected = -1;

  std::size_t RowCount() const { return fields.empty() ? 0 : values.size() / fields.size(); }
};

}  // namespace korvo::data
