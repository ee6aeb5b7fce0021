// All or nothing under faults: every write path that issues statements runs
// inside a transactional scope with each of its statements failing in turn
// (the data layer's fault hook). Whatever statement fails, the database
// afterwards equals the database before, the caller is told, and every
// physical connection is back in the pool.
#include <iostream>

#include "platform/contracts/database.h"
#include "platform/contracts/result_object.h"
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
// checks included, as a refusal in the result object rather than an error;
// the quiet deletes answer False.
bool IsRefusal(const rt::Variant& result) {
  if (result.Type() == rt::VarType::Boolean) return !result.AsBool();
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
      OneCall("TCurrency.UpdateCurrency of the home and euro currency", kTCurrency, "UpdateCurrency",
              {"EUR", "Euro (EMU)", true, true, true, Small(2), kNull}),
      OneCall("TCurrency.UpdateCurrencyRate", kTCurrency, "UpdateCurrencyRate",
              {"USD", Day(2024, 7, 1), kNull, 1.09, 0.0, 1, false}),
      OneCall("TCurrency.DeleteCurrency", kTCurrency, "DeleteCurrency", {"GBP"}),
      OneCall("TCurrency.CurrencyDelete", kTCurrency, "CurrencyDelete", {"JPY"}),
      OneCall("TCurrency.DeleteCurrencyRate", kTCurrency, "DeleteCurrencyRate",
              {"USD", Day(2024, 7, 1)}),
      OneCall("TCurrency.InsertFromScript CURRENCY", kTCurrency, "InsertFromScript",
              {"CURRENCY", kCurrencyColumns,
               Texts({"SEK", "Swedish krona", false, false, false, Small(2)})}),
      OneCall(
          "TCurrency.InsertFromScript CURRENCYRATE", kTCurrency, "InsertFromScript",
          {"CURRENCYRATE", kRateColumns, Texts({"CHF", Day(2024, 1, 1), kNull, 0.945, 0.0, Small(1)})}),
      OneCall("TCurrency.UpdateFromScript CURRENCY", kTCurrency, "UpdateFromScript",
              {"CURRENCY", kCurrencyColumns,
               Texts({"USD", "United States dollar", false, false, false, Small(2)})}),
      OneCall(
          "TCurrency.UpdateFromScript CURRENCYRATE", kTCurrency, "UpdateFromScript",
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
  std::vector<std::string> Rehearse(const WritePath& path, const DatabaseDump& before) {
    std::vector<std::string> statements;
    membership::CredentialCache::Process().Clear();
    host::HostScope scope(Request());
    {
      auto counting = data::StatementTrace::Subscribe(
          [&](const std::string& sql, std::span<const contracts::Parameter>) {
            statements.push_back(sql);
          });
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
    // Each run verifies the signed-in account anew, so every run issues the
    // statements the rehearsal counted.
    membership::CredentialCache::Process().Clear();
    try {
      host::HostScope scope(Request());
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

  // Fails every statement of every path in turn; prints and records the counts.
  void FailEveryStatement(const std::vector<WritePath>& paths, const std::string& label);
};

void FaultAtomicityTest::FailEveryStatement(const std::vector<WritePath>& paths,
                                            const std::string& label) {
  const DatabaseDump before = Dump();
  ASSERT_EQ(DanglingReferences(ConnectionString()), std::vector<std::string>{}) << "in the seed";
  int positions = 0, runs = 0;
  for (const WritePath& path : paths) {
    SCOPED_TRACE(path.name);
    const std::vector<std::string> issued = Rehearse(path, before);
    const int statements = static_cast<int>(issued.size());
    EXPECT_GE(statements, 1);
    for (int nth = 1; nth <= statements; ++nth) {
      SCOPED_TRACE("statement " + std::to_string(nth) + " of " + std::to_string(statements) + ": " +
                   issued[nth - 1].substr(0, 200));
      std::vector<Ending> endings = {Ending::ErrorLeavesScope};
      if (path.singleCall) endings.push_back(Ending::CallerCarriesOn);
      for (Ending ending : endings) {
        EXPECT_TRUE(RunWithFault(path, nth, ending)) << "the failure was not reported";
        EXPECT_EQ(DumpDifference(before, Dump()), "");
        EXPECT_EQ(DanglingReferences(ConnectionString()), std::vector<std::string>{});
        EXPECT_EQ(ConnectionsInUse(), 0u);
        ++runs;
      }
    }
    positions += statements;
  }
  std::cout << "[ counts   ] fault injection (" << label << "): " << paths.size() << " write paths, "
            << positions << " statement positions, " << runs
            << " faulted scopes, 0 left anything behind\n";
  RecordProperty(label + "_write_paths", static_cast<int>(paths.size()));
  RecordProperty(label + "_fault_positions", positions);
  RecordProperty(label + "_faulted_scopes", runs);
}

TEST_F(FaultAtomicityTest, EveryStatementOfEveryWritePathFailsLeavingNothingBehind) {
  FailEveryStatement(WritePaths(), "currency and terms");
}

constexpr const char* kPartner = "KorvoCommon.BusinessPartner";
constexpr const char* kTUser = "KorvoCommon.TUser";

// A bidding user's registration: its address, partner, their link and the
// directory user. Built anew for every run, for the call appends the new
// address to the partner's keys.
rt::Variant RegisterBiddingUser(host::ObjectContext& context) {
  return Call(
      context.CreateInstance(kTUser), "InsertBiddingUser",
      {Texts({"SHORTDESCRIPTION", "COUNTRYCODE", "CITY1"}), Texts({"Supplier HQ", "NL", "Delft"}),
       Texts({"NAME"}), Texts({"Supplier BV"}), Texts({"BusinessPartnerID", "SURNAME"}),
       Texts({rt::Variant(), "Supplier"}), "supplier", "supplier-Pa55"});
}

rt::Variant AddDepotAddress(host::ObjectContext& context) {
  // The address dictionary's keys are the field-name enumeration's members.
  constexpr std::int32_t kCountryCode = 0, kName1 = 1;
  return Call(context.CreateInstance(kPartner), "AddNewAddress",
              {DictionaryOf({{kName1, "Depot"}, {kCountryCode, "NL"}}), 1});
}

std::vector<WritePath> PartnerWritePaths() {
  return {
      OneCall("BusinessPartner.InsertFromScript BUSINESSPARTNER", kPartner, "InsertFromScript",
              {"BUSINESSPARTNER", Texts({"NAME", "CURRENCYCODE", "PAYMENTTERMCODE"}),
               Texts({"Newco", "USD", "NET30"})}),
      OneCall("BusinessPartner.InsertFromScript ADDRESS", kPartner, "InsertFromScript",
              {"ADDRESS", Texts({"COUNTRYCODE", "SHORTDESCRIPTION", "NAME1"}),
               Texts({"NL", "Depot", "Depot"})}),
      OneCall("BusinessPartner.InsertFromScript CUSTOMER", kPartner, "InsertFromScript",
              {"CUSTOMER", Texts({"BUSINESSPARTNERID", "CUSTOMERNAME", "CARRIERCODE"}),
               Texts({2, "Spare", "DHL"})}),
      OneCall("BusinessPartner.InsertFromScript BUSINESSPARTNERGROUP", kPartner, "InsertFromScript",
              {"BUSINESSPARTNERGROUP", Texts({"BPGROUPNAME", "BPGROUPDESCRIPTION"}),
               Texts({"Wholesale", "Wholesale buyers"})}),
      OneCall("BusinessPartner.Delete", kPartner, "Delete", {2}),
      OneCall("BusinessPartner.AddressDelete", kPartner, "AddressDelete", {3}),
      OneCall("BusinessPartner.CustomerDelete", kPartner, "CustomerDelete", {1}),
      {"BusinessPartner.AddNewAddress", true, AddDepotAddress},
      OneCall("BusinessPartner.AddBPToBPGroup", kPartner, "AddBPToBPGroup", {2, 1, 1}),
      OneCall("BusinessPartner.RemoveBPFromBPGroup", kPartner, "RemoveBPFromBPGroup", {1, 1}),
      OneCall("TUser.InsertFromScript OFFICE", kTUser, "InsertFromScript",
              {"OFFICE", Texts({"OFFICEDESCRIPTION", "OFFICETYPE"}), Texts({"South", Small(1)})}),
      OneCall("TUser.DeleteOffice", kTUser, "DeleteOffice", {"North"}),
      OneCall("TUser.CreateUserWithAttributes", kTUser, "CreateUserWithAttributes",
              {"bob", "bob-Pa55", Texts({"SURNAME", "EmployeeNumber"}), Texts({"Smith", "E7"})}),
      OneCall("TUser.SetCompanyNumber", kTUser, "SetCompanyNumber", {"C-042", "ann"}),
      OneCall("TUser.SetDefaultProjectRole", kTUser, "SetDefaultProjectRole", {"TB", "ann"}),
      {"TUser.InsertBiddingUser", true, RegisterBiddingUser},
  };
}

// The partners, office, roles and directory users of the fixture.
class PartnerAndUserFaultTest : public FaultAtomicityTest {
 protected:
  void SetUp() override {
    FaultAtomicityTest::SetUp();
    SeedPartnersOfficesAndDirectory();
  }
};

TEST_F(PartnerAndUserFaultTest,
       EveryStatementOfEveryPartnerOfficeDirectoryAndBiddingWriteFailsLeavingNothing) {
  FailEveryStatement(PartnerWritePaths(), "partners, offices, directory, bidding");
}

}  // namespace
}  // namespace korvo::reliability
