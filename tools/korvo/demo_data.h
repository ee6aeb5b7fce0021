// The demo data set: a small, realistic company whose home currency is the
// euro, with the historic euro-participating Deutsche Mark and French franc
// at their fixed euro rates, a few other currencies with dated rates, every
// kind of terms and conditions, countries and transport carriers.
#pragma once

#include <string>

namespace korvo::tool {

// The demo company's home currency (it is also the euro).
inline constexpr const char* kDemoHomeCurrency = "EUR";

// Writes the demo data into an initialised database, all or nothing.
// Returns false, writing nothing, when the database already holds
// currencies. Requires the classes to be registered. Raises the database's
// errors.
bool LoadDemoData(const std::string& connectionString);

}  // namespace korvo::tool
