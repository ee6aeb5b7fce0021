#include "infrastructure/script_data_object.h"

#include <vector>

#include "platform/runtime/conversions.h"

namespace korvo::infra {

const ScriptTable* FindScriptTable(std::span<const ScriptTable> tables, std::string_view table) {
  for (const ScriptTable& known : tables) {
    if (known.table == table) return &known;
  }
  return nullptr;
}

rt::DictionaryRef BuildDataObject(const ScriptTable& table, bool keysOnly, const rt::Array& names,
                                  const rt::Array& values) {
  auto data = rt::Dictionary::Create();
  data->Add(kDataObjectKindKey, rt::Variant(table.kind));
  const auto columns = keysOnly ? table.columns.first(table.keyColumns) : table.columns;
  for (const char* column : columns) {
    if (auto index = IndexOfColumn(names, column)) data->Add(column, values.At(*index));
  }
  return data;
}

bool NamesColumn(const rt::Variant& name, std::string_view column) {
  return name.IsString() ? rt::UCaseEquals(name.AsString(), column)
                         : rt::UCaseEquals(rt::CStr(name), column);
}

std::optional<std::int32_t> IndexOfColumn(const rt::Array& names, std::string_view column) {
  for (std::int32_t i = names.LBound(); i <= names.UBound(); ++i) {
    if (NamesColumn(names.At(i), column)) return i;
  }
  return std::nullopt;
}

rt::Dictionary& RequireDataObject(const rt::Variant& dataObject) {
  const rt::DictionaryRef data = dataObject.As<rt::Dictionary>();
  if (!data) rt::Raise(rt::errnum::kObjectNotSet);
  return *data;
}

rt::Variant TakeKind(rt::Dictionary& data) {
  const rt::Variant kind = ValueOf(data, kDataObjectKindKey);
  if (data.Exists(kDataObjectKindKey)) data.Remove(kDataObjectKindKey);
  return kind;
}

rt::Variant ValueOf(const rt::Dictionary& dictionary, const char* key) {
  const rt::Variant* item = dictionary.Find(rt::Variant(key));
  return item ? *item : rt::Variant();
}

bool IsTrue(const rt::Variant& flag) {
  if (flag.IsNullOrEmpty()) return false;
  if (flag.Type() == rt::VarType::Boolean) return flag.AsBool();
  return rt::CBool(flag);
}

rt::DictionaryRef KeyDictionary(const rt::Dictionary& data, std::span<const char* const> keys) {
  auto row = rt::Dictionary::Create();
  for (const char* key : keys) row->Add(key, ValueOf(data, key));
  return row;
}

rt::Array TextArray(std::span<const char* const> texts) {
  std::vector<rt::Variant> items(texts.begin(), texts.end());
  return rt::Array(std::move(items));
}

}  // namespace korvo::infra
