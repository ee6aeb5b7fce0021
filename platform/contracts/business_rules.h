// The framework's maintenance interfaces, implemented by the maintenance
// classes: BusinessRules (script writes through rules) and
// IReferentialIntegrity (may a key be referenced or deleted).
#pragma once

#include <string>

#include "platform/runtime/dictionary.h"
#include "platform/runtime/object.h"
#include "platform/runtime/variant.h"

namespace korvo::contracts {

class BusinessRules {
 public:
  virtual ~BusinessRules() = default;
  virtual rt::ObjectRef BusinessRules_GetInstance(rt::Variant& dataObject) = 0;
  // Each returns a Korvex.ResultObject (as an object reference).
  virtual rt::ObjectRef BusinessRules_Insert(rt::Variant& dataObject) = 0;
  virtual rt::ObjectRef BusinessRules_Update(rt::Variant& dataObject) = 0;
  virtual rt::ObjectRef BusinessRules_Delete(rt::Variant& dataObject) = 0;
};

class ReferentialIntegrity {
 public:
  virtual ~ReferentialIntegrity() = default;
  virtual bool IReferentialIntegrity_Exists(const std::string& origin, rt::Variant& keys,
                                            rt::Variant& values) = 0;
  virtual bool IReferentialIntegrity_BeforeDelete(const std::string& origin, rt::Variant& keys,
                                                  rt::Variant& values) = 0;
};

}  // namespace korvo::contracts
