// Korvex.ReferentialChecker: decides whether rows may be deleted or inserted
// given the references between tables.
#pragma once

#include <string>

#include "platform/runtime/variant.h"

namespace korvo::contracts {

// Every operation takes a table, an array of key column names and a parallel
// array of values (rt::Array), and answers a Boolean.
class ReferentialChecker {
 public:
  virtual ~ReferentialChecker() = default;
  // True allows deleting the row: no other row references it.
  virtual bool CanDeleteInComponent(const std::string& component, const std::string& table,
                                    const rt::Array& names, const rt::Array& values) = 0;
  // Hook run before a delete; false refuses it.
  virtual bool BeforeDelete(const std::string& table, const rt::Array& names,
                            const rt::Array& values) = 0;
  // True when every row the given values refer to exists.
  virtual bool ReferencesExistInComponent(const std::string& component, const std::string& table,
                                          const rt::Array& names, const rt::Array& values) = 0;
  virtual bool ReferencesExist(const std::string& table, const rt::Array& names,
                               const rt::Array& values) = 0;
};

}  // namespace korvo::contracts
