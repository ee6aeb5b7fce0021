// Script data objects: what InsertFromScript, UpdateFromScript and
// DeleteFromScript make of a table name and two parallel arrays (column
// names, values) before the business rules see them, and the small readings
// every rule set makes of such a dictionary.
//
// A data object is a dictionary whose "METAObjectID" entry names the record
// kind and whose other entries map column names to values, in the order the
// table lists its columns. Script callers spell column names in any letter
// case; the data object always uses the table's own spelling.
//
// Shared by every class with script methods. Plain functions over runtime
// values; thread-compatible.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "platform/runtime/dictionary.h"
#include "platform/runtime/variant.h"

namespace korvo::infra {

// The entry naming a data object's record kind.
inline constexpr const char* kDataObjectKindKey = "METAObjectID";

// One table a class's script methods accept: the exact (case-sensitive)
// table name, the data object kind, its columns in data-object order, of
// which the first keyColumns identify the row.
struct ScriptTable {
  std::string_view table;
  const char* kind;
  std::span<const char* const> columns;
  std::size_t keyColumns;
};

// The script table named exactly `table`, or nullptr (script methods answer
// an unknown table with nothing).
const ScriptTable* FindScriptTable(std::span<const ScriptTable> tables, std::string_view table);

// The data object for `table`: its kind entry, then every column of the
// table (only the key columns when keysOnly) that `names` mentions in any
// letter case, with the value at the same index of `values`. Columns the
// names do not mention are left out; names that are no column are ignored.
rt::DictionaryRef BuildDataObject(const ScriptTable& table, bool keysOnly, const rt::Array& names,
                                  const rt::Array& values);

// True when a script's column name is `column` in any letter case.
bool NamesColumn(const rt::Variant& name, std::string_view column);

// The index of the first name that is `column` in any letter case.
std::optional<std::int32_t> IndexOfColumn(const rt::Array& names, std::string_view column);

// The dictionary a BusinessRules entry was handed; anything else (Nothing,
// a value that is no dictionary) raises Object variable not set (91). The
// dictionary lives as long as dataObject holds it.
rt::Dictionary& RequireDataObject(const rt::Variant& dataObject);

// Reads and removes the kind entry: the rules work on the columns alone, and
// the caller's dictionary loses the entry, as callers have always seen it.
rt::Variant TakeKind(rt::Dictionary& data);

// The entry under key, or Empty when absent; never adds the key (a plain
// dictionary read would).
rt::Variant ValueOf(const rt::Dictionary& dictionary, const char* key);

// A flag as an If statement reads it, with Null and Empty counting as false.
// Raises Type mismatch (13) for a text that is not a Boolean or a number.
bool IsTrue(const rt::Variant& flag);

// A dictionary of just the named entries of data (Empty where absent), as
// the UPDATE and DELETE builders take their keys.
rt::DictionaryRef KeyDictionary(const rt::Dictionary& data, std::span<const char* const> keys);

// Texts as a runtime array, as the field checks take their name lists.
rt::Array TextArray(std::span<const char* const> texts);

// A table's declared field names and types for the data-type check, built
// once per table and kept.
struct DeclaredTypes {
  DeclaredTypes(std::span<const char* const> columns, std::span<const char* const> types)
      : names(TextArray(columns)), types(TextArray(types)) {}
  rt::Array names;
  rt::Array types;
};

}  // namespace korvo::infra
