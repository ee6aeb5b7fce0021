// Faults the reliability suites found, each pinned where it was fixed.
#include <cmath>

#include "platform/contracts/database.h"
#include "platform/host/host_scope.h"
#include "platform/host/registry.h"
#include "platform/runtime/conversions.h"
#include "registration/enumerations.h"
#include "reliability/reliability_fixture.h"

namespace korvo::reliability {
namespace {

using FindingsTest = ReliabilityTest;

// A Date variant made by hand can hold a serial outside the calendar (or
// NaN). It used to be written as 1899-12-30, or as a text the database then
// could not read back as a date.
TEST_F(FindingsTest, AHandMadeDateOutsideTheCalendarIsNeverWritten) {
  for (const double serial : {std::nan(""), 1e12, -1e12}) {
    SCOPED_TRACE(serial);
    const rt::Variant outside(rt::Date{serial});
    EXPECT_FALSE(rt::IsDate(outside));
    EXPECT_EQ(ErrorOf([&] { rt::CDate(outside); }).Number, rt::errnum::kOverflow);

    host::HostScope scope;
    auto maintenance = scope.Context().CreateInstance("KorvoCommon.TCurrency");
    const rt::Variant null = rt::Variant::Null();
    EXPECT_EQ(ErrorOf([&] {
                Call(maintenance, "AddCurrencyRate", {"CHF", outside, null, 0.945, 0.0, 1, false});
              }).Number,
              common::InvalidEffectiveDate);
    EXPECT_EQ(
        ErrorOf([&] {
          Call(maintenance, "AddCurrencyRate", {"CHF", Day(2024, 1, 1), outside, 0.945, 0.0, 1, false});
        }).Number,
        common::InvalidExpiryDate);
    // The data layer refuses to bind one, whoever hands it over.
    auto connection =
        std::dynamic_pointer_cast<contracts::Connection>(host::CreateObject("ADODB.Connection"));
    connection->Open(ConnectionString());
    const contracts::Parameter params[] = {
        {"EffectiveDate", contracts::ParamType::DateTime, 0, outside}};
    EXPECT_EQ(ErrorOf([&] {
                connection->Execute("INSERT INTO CURRENCYRATE VALUES ('CHF', ?, NULL, 1, 0, 1)", params);
              }).Number,
              rt::errnum::kOverflow);
    connection->Close();
    EXPECT_EQ(Number("SELECT COUNT(*) FROM CURRENCYRATE WHERE CURRENCYCODE = 'CHF'"), 0);
    scope.End();
  }
}

}  // namespace
}  // namespace korvo::reliability
