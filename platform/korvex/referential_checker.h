// Korvex.ReferentialChecker: decides deletes and references from the
// database's own declared references (child columns -> parent columns, and
// whether the parent owns its children), asking the database every time.
//
// Each operation takes a table, an Array of column names and a parallel Array
// of values. The connection string is the library's, the one its calling
// class uses (platform/data/library_connection.h: the scope's application
// variable first, then the configuration, whose errors reach the caller as
// raised), and inside a host context the connection joins the caller's
// transaction, so rows the caller wrote but has not committed count. Every reference lies within the one
// database, so the component-scoped operations answer as the plain ones do.
//
// Errors: names and values of different lengths raise 5 "Invalid procedure
// call or argument"; a name that is not a plain identifier raises 13
// "Invalid identifier: ..."; database failures keep their own numbers.
// Single-threaded like every component.
#pragma once

#include <string>

#include "platform/contracts/referential_checker.h"
#include "platform/host/component.h"

namespace korvo::korvex {

class ReferentialChecker : public host::Component, public contracts::ReferentialChecker {
 public:
  std::string TypeName() const override { return "ReferentialChecker"; }
  const host::DispatchTable& Dispatch() const override;

  // True when no row of another table refers to the rows of `table` that
  // the names and values select. References the parent owns (a currency's
  // rates) do not hold the delete back: those rows go with it.
  bool CanDeleteInComponent(const std::string& component, const std::string& table,
                            const rt::Array& names, const rt::Array& values) override;
  // A hook before a delete; this checker has nothing to prepare and always
  // answers true.
  bool BeforeDelete(const std::string& table, const rt::Array& names, const rt::Array& values) override;
  // True when, for every declared reference from `table` whose columns are
  // all among the names with values that are neither Null nor Empty, the
  // referred row exists.
  bool ReferencesExistInComponent(const std::string& component, const std::string& table,
                                  const rt::Array& names, const rt::Array& values) override;
  bool ReferencesExist(const std::string& table, const rt::Array& names,
                       const rt::Array& values) override;
};

}  // namespace korvo::korvex
