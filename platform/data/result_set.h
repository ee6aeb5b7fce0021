// ResultSet: the rows one statement produced, fully read (the client-side
// cursor of the record sets). Plain value type; thread-compatible.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "infrastructure/contracts/database.h"
#include "platform/runtime/variant.h"

namespace korvo::data {

struct ResultSet {
  std::vector<contracts::FieldInfo> fields;
  // Row-major values: row r, field f is values[r * fields.size() + f].
  std::vector<rt::Variant> values;
  // Rows a write changed; -1 for statements that only read.
  std::int64_t rowsAffected = -1;

  std::size_t RowCount() const { return fields.empty() ? 0 : values.size() / fields.size(); }
};

}  // namespace korvo::data
