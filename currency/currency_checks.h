// The checks a currency or a rate passes before TCurrency writes it, shared
// by the typed methods and the business rules, and the existence test they
// and the rules run against the database.
//
// Module-internal. Each check raises the KorvoCommonError of the first rule
// that fails, with the member's name as description and no logging of its
// own; the database look-ups inside them report their failures under their
// own method names. Thread-compatible: no shared state.
#pragma once

#include <span>
#include <string>

#include "currency/currency.h"
#include "currency/currency_values.h"
#include "platform/contracts/database.h"

namespace korvo::common {

// Required values, decimal places 0 to 6, a numeric locale, and no second
// home or euro currency (asked of a new Currency object).
void CheckCurrency(const CurrencyValues& currency);

// Required values, readable and ordered dates, no overlap with the
// currency's other rates (the effective date's own overlap only for
// inserts), and the euro-participation rules: a participating rate has a
// home rate of 1 (or none) and a positive euro rate; any other rate has a
// positive home rate and no euro rate, unless it is the home currency's own
// (homeCode).
void CheckRate(const RateValues& rate, bool isInsert, const std::string& homeCode);

// Whether sql (with its parameters) finds a row, read at read-committed
// isolation on a connection of its own. Failures are reported as
// "KorvoCommon.Currency.CheckExistenceUsingSQL" with the statement as info.
bool CheckExistenceUsingSQL(const std::string& sql, std::span<const contracts::Parameter> params = {});

// Whether CURRENCY has the code (compared as the database compares codes).
bool CurrencyExists(const std::string& code);

// The EPC column of the currency's row, or Empty when the code is Null or
// Empty or no such currency exists. No handler of its own.
rt::Variant CurrencyEpcFlag(const rt::Variant& code);

// A new Currency object, created in the caller's context. The checks call
// it directly, so its look-ups share the calling writer's transaction.
std::shared_ptr<Currency> NewCurrency();

}  // namespace korvo::common
