#include "currency/currency_values.h"

#include "platform/runtime/conversions.h"

namespace korvo::common {

bool IsTrue(const rt::Variant& flag) {
  if (flag.IsNullOrEmpty()) return false;
  if (flag.Type() == rt::VarType::Boolean) return flag.AsBool();
  return rt::CBool(flag);
}

rt::Variant ValueOf(const rt::Dictionary& dictionary, const char* key) {
  const rt::Variant* item = dictionary.Find(rt::Variant(key));
  return item ? *item : rt::Variant();
}

}  // namespace korvo::common
