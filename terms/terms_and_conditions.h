// TermsAndConditions: the seven small code tables of commercial terms
// (payment terms and methods, delivery terms and methods, packaging,
// warranty and penalty terms). The kind argument (ETermsAndConditions)
// selects the table; each table is keyed by its code column and has a
// DESCRIPTION column plus whatever further columns it carries.
//
// A plain component (no transaction attribute): it casts no votes itself;
// the write builders it calls vote on whatever transaction the caller's
// context has.
//
// Errors: every public method ends in one handler that closes what the
// method opened and reports through Err_Handle under the method's name.
// The class's own errors (nErrorType_DML 1..21, and -1 "Invalid Arguments"
// from the existence test) reach the caller with their number, an empty
// source and the enriched description; database and runtime errors keep
// their own numbers. Single-threaded, like every component.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/host/component.h"
#include "platform/runtime/dictionary.h"
#include "platform/runtime/variant.h"
#include "terms/terms_kind.h"

namespace korvo::common {

class TermsAndConditions final : public host::Component {
 public:
  std::string TypeName() const override { return "TermsAndConditions"; }
  const host::DispatchTable& Dispatch() const override;

  // Every code of the kind's table with its description, in ascending code
  // order; empty for an empty table. A new dictionary owned by the caller.
  rt::DictionaryRef getAllTermsAndConditions(std::int32_t i_nTCType);

  // One record as field name -> value, in field order; empty when the code
  // does not exist. i_nFieldsOfRecord All (or Specific without an array of
  // names) reads every column. Specific with an array reads those columns
  // and the code column last; each name must be a plain column name
  // (letters, digits, underscore), anything else raises Type mismatch (13)
  // "Invalid identifier: ..." before a statement is built.
  rt::DictionaryRef getTermsAndConditions(std::int32_t i_nTCType, const std::string& i_sTCCode,
                                          std::int32_t i_nFieldsOfRecord,
                                          const std::optional<rt::Variant>& i_vFieldNames);

  // Inserts the code with the given further columns (column -> value).
  // Raises the kind's "already exists" error (1..7) when the code is there,
  // and 457 when i_oDicTCFields names the code column as well.
  void InsertTermsAndConditions(std::int32_t i_nTCType, const std::string& i_sTCCode,
                                const rt::DictionaryRef& i_oDicTCFields);

  // Writes the given columns of an existing code; raises the kind's "does
  // not exist" error (8..14) when the code is missing.
  void UpdateTermsAndConditions(std::int32_t i_nTCType, const std::string& i_sTCCode,
                                const rt::DictionaryRef& i_oDicTCFields);

  // Deletes the code. Raises the kind's "does not exist" error (8..14) when
  // it is missing, and its "cannot be deleted" error (15..21) while another
  // table still refers to it (the references the schema declares, as
  // Korvex.ReferentialChecker reads them), so a term in use is never lost.
  void DeleteTermsAndConditions(std::int32_t i_nTCType, const std::string& i_sTCCode);

  // Whether the kind's table holds the code. The code comes first here.
  bool IsTermorConditionPresent(const std::string& i_sTCCode, std::int32_t i_nTCType);

 private:
  // The library's connection string, web application first.
  static const std::string& ConnectionString();

  // Whether a row of `table` matches every key column = value (compared as
  // Unicode texts). Raises -1 "Invalid Arguments" for a blank table name,
  // Null or non-array keys/values, or arrays of different upper bounds.
  static bool CheckIfExistsinTable(const std::string& table, const rt::Variant& keys,
                                   const rt::Variant& values);
  // The existence test for one code of one kind.
  static bool CodeExists(const TermsKind& kind, const std::string& code);
};

}  // namespace korvo::common
