// All or nothing under faults: every write path that issues statements runs
// inside a transactional scope with each of its statements failing in turn
// (the data layer's fault hook). Whatever statement fails, the database
// afterwards equals the database before, the caller is told, and every
// physical connection is back in the pool.
#include <iostream>

#include "infrastructure/contracts/database.h"
#include "infrastructure/contracts/result_object.h"
#include "platform/data/statement_trace.h"
#include "platform/host/host_scope.h"
#include "reliability/reliability_fixture.h"

namespace korvo::reliability {
namespace {

constexpr const char* kTCurrency = "KorvoCommon.TCurrency";
constexpr const char* kTerms = "KorvoCommon.TermsAndConditions";

rt::Variant Small(int value) { return rt::Variant(static_cast<std::int16_t>(value)); }
const rt::Variant kNull = rt::Variant::Null();

// One write path: what a request does inside its scope, answering the
// result of its last call. A path of one call is also run with a caller that
// swallows the error and ends the scope normally, which the writer's abort
// vote must still roll back.
struct WritePath {
  const char* name;
  bool singleCall;
  std::function<rt::Variant(host::ObjectContext&)> run;
};

// The business rules report a failed check, a database failure during the
// checks included, as a refusal in the result object rather than an error.
bool IsRefusal(const rt::Variant& result) {
  if (!result.IsObject()) return false;
  auto outcome = std::dynamic_pointer_cast<contracts::ResultObject>(result.AsObject());
  return outcome && !outcome->Succeeded();
}

void AddSwedishKrona(const rt::ObjectRef& maintenance) {
  Call(maintenance, "AddCurrency", {"SEK", "Swedish krona", false, false, false, Small(2), 1053});
}

rt::Variant AddKronaRate(const rt::ObjectRef& maintenance) {
  return Call(maintenance, "AddCurrencyRate", {"SEK", Day(2024, 1, 1), kNull, 11.2, 0.0, 1, false});
}

void InsertNet60(const rt::ObjectRef& terms) {
  Call(terms, "InsertTermsAndConditions",
       {1, "NET60", DictionaryOf({{"DESCRIPTION", "Net 60 days"}, {"NETDAYS", Small(60)}})});
}

// A path of one call on a new object of the class.
WritePath OneCall(const char* name, const char* progId, const char* method,
                  std::vector<rt::Variant> args) {
  return {name, true, [=](host::ObjectContext& context) {
            return Call(context.CreateInstance(progId), method, args);
          }};
}

const rt::Variant kCurrencyColumns =
    Texts({"CURRENCYCODE", "CURRENCYNAME", "HOMECURRENCY", "EURO", "EPC", "DECIMALS"});
const rt::Variant kRateColumns = Texts(
    {"CURRENCYCODE", "EFFECTIVEDATE", "EXPIRYDATE", "HOMESALESRATE", "EUROSALESRATE", "RATEFACTOR"});
const rt::Variant kRateKey = Texts({"CURRENCYCODE", "EFFECTIVEDATE"});

std::vector<WritePath> WritePaths() {
  return {
      {"TCurrency.AddCurrency then AddCurrencyRate", false,
       [](host::ObjectContext& context) {
         auto maintenance = context.CreateInstance(kTCurrency);
         AddSwedishKrona(maintenance);
         return AddKronaRate(maintenance);
       }},
      OneCall("TCurrency.UpdateCurrency of the home and euro currency", kTCurrency,
              "UpdateCurrency", {"EUR", "Euro (EMU)", true, true, true, Small(2), kNull}),
      OneCall("TCurrency.UpdateCurrencyRate", kTCurrency, "UpdateCurrencyRate",
              {"USD", Day(2024, 7, 1), kNull, 1.09, 0.0, 1, false}),
      OneCall("TCurrency.DeleteCurrency", kTCurrency, "DeleteCurrency", {"GBP"}),
      OneCall("TCurrency.CurrencyDelete", kTCurrency, "CurrencyDelete", {"JPY"}),
      OneCall("TCurrency.DeleteCurrencyRate", kTCurrency, "DeleteCurrencyRate",
              {"USD", Day(2024, 7, 1)}),
      OneCall("TCurrency.InsertFromScript CURRENCY", kTCurrency, "InsertFromScript",
              {"CURRENCY", kCurrencyColumns,
               Texts({"SEK", "Swedish krona", false, false, false, Small(2)})}),
      OneCall("TCurrency.InsertFromScript CURRENCYRATE", kTCurrency, "InsertFromScript",
              {"CURRENCYRATE", kRateColumns, Texts({"CHF", Day(2024, 1, 1), kNull, 0.945, 0.0, Small(1)})}),
      OneCall("TCurrency.UpdateFromScript CURRENCY", kTCurrency, "UpdateFromScript",
              {"CURRENCY", kCurrencyColumns,
               Texts({"USD", "United States dollar", false, false, false, Small(2)})}),
      OneCall("TCurrency.UpdateFromScript CURRENCYRATE", kTCurrency, "UpdateFromScript",
              {"CURRENCYRATE", kRateColumns, Texts({"USD", Day(2024, 7, 1), kNull, 1.09, 0.0, Small(1)})}),
      OneCall("TCurrency.DeleteFromScript CURRENCY", kTCurrency, "DeleteFromScript",
              {"CURRENCY", Texts({"CURRENCYCODE"}), Texts({"CHF"})}),
      OneCall("TCurrency.DeleteFromScript CURRENCYRATE", kTCurrency, "DeleteFromScript",
              {"CURRENCYRATE", kRateKey, Texts({"USD", Day(2024, 7, 1)})}),
      {"TermsAndConditions.InsertTermsAndConditions", true,
       [](host::ObjectContext& context) {
         InsertNet60(context.CreateInstance(kTerms));
         return rt::Variant();
       }},
      OneCall("TermsAndConditions.UpdateTermsAndConditions", kTerms, "UpdateTermsAndConditions",
              {3, "FCA", DictionaryOf({{"DESCRIPTION", "Free carrier, named place"}})}),
      OneCall("TermsAndConditions.DeleteTermsAndConditions", kTerms, "DeleteTermsAndConditions",
              {4, "AIR"}),
      {"a scope in which TCurrency and TermsAndConditions both write", false,
       [](host::ObjectContext& context) {
         auto maintenance = context.CreateInstance(kTCurrency);
         AddSwedishKrona(maintenance);
         InsertNet60(context.CreateInstance(kTerms));
         return AddKronaRate(maintenance);
       }},
  };
}

enum class Ending {
  ErrorLeavesScope,  // the error unwinds through the scope, as a failing request's does
  CallerCarriesOn,   // the caller swallows the error and ends the scope normally
};

class FaultAtomicityTest : public ReliabilityTest {
 protected:
  // Runs the path without a fault in a scope that is then rolled back:
  // proves the path writes, and counts the statements it issues.
  int Rehearse(const WritePath& path, const DatabaseDump& before) {
    int statements = 0;
    host::HostScope scope;
    {
      auto counting = data::StatementTrace::Subscribe(
          [&](const std::string&, std::span<const contracts::Parameter>) { ++statements; });
      path.run(scope.Context());
    }
    EXPECT_NE(Dump(), before) << "the path wrote nothing";
    scope.End(/*abort=*/true);
    return statements;
  }

  // Runs the path with its nth statement failing; true when the caller was
  // told of the failure (an error, or a refusal from the business rules).
  bool RunWithFault(const WritePath& path, int nth, Ending ending) {
    bool told = false;
    try {
      host::HostScope scope;
      {
        data::StatementFault fault(nth, contracts::dberr::kProvider, "Injected fault");
        if (ending == Ending::ErrorLeavesScope) {
          told = IsRefusal(path.run(scope.Context()));
        } else {
          try {
            told = IsRefusal(path.run(scope.Context()));
          } catch (const rt::Error&) {
            told = true;  // and carry on to the end of the scope
          }
        }
      }
      scope.End();
    } catch (const rt::Error&) {
      told = true;
    }
    return told;
  }
};

TEST_F(FaultAtomicityTest, EveryStatementOfEveryWritePathFailsLeavingNothingBehind) {
  const DatabaseDump before = Dump();
  const std::vector<WritePath> paths = WritePaths();
  int positions = 0, runs = 0;
  for (const WritePath& path : paths) {
    SCOPED_TRACE(path.name);
    const int statements = Rehearse(path, before);
    EXPECT_GE(statements, 1);
    for (int nth = 1; nth <= statements; ++nth) {
      SCOPED_TRACE("statement " + std::to_string(nth) + " of " + std::to_string(statements));
      std::vector<Ending> endings = {Ending::ErrorLeavesScope};
      if (path.singleCall) endings.push_back(Ending::CallerCarriesOn);
      for (Ending ending : endings) {
        EXPECT_TRUE(RunWithFault(path, nth, ending)) << "the failure was not reported";
        EXPECT_EQ(Dump(), before);
        EXPECT_EQ(ConnectionsInUse(), 0u);
        ++runs;
      }
    }
    positions += statements;
  }
  std::cout << "[ counts   ] fault injection: " << paths.size() << " write paths, " << positions
            << " statement positions, " << runs << " faulted scopes, 0 left anything behind\n";
  RecordProperty("write_paths", static_cast<int>(paths.size()));
  RecordProperty("fault_positions", positions);
  RecordProperty("faulted_scopes", runs);
}

}  // namespace
}  // namespace korvo::reliability
