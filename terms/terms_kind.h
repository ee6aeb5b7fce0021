// The seven kinds of terms and conditions: which code table a kind selects
// and which numbered errors its writes raise.
#pragma once

#include <cstdint>
#include <string_view>

namespace korvo::common {

// One numbered error of the terms tables, raised with an empty source.
struct TermsError {
  std::int32_t number = 0;
  std::string_view description;
};

// A kind's table, its code column and the errors of its writes. Immutable.
struct TermsKind {
  std::string_view table;
  std::string_view codeColumn;
  TermsError alreadyExists;    // insert of a code that is there
  TermsError notExists;        // update or delete of a code that is not
  TermsError cannotBeDeleted;  // delete of a code other rows still use
};

// The descriptor of an ETermsAndConditions value. Any value outside 1..7
// selects no table: every field of the answer is empty (table and code
// column ""), so the statements built from it fail in the database and the
// existence test refuses it. Never raises; thread-safe.
const TermsKind& TermsKindOf(std::int32_t kind);

}  // namespace korvo::common
