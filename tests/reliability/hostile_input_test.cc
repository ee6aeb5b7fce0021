// Hostile input at every public method, through the dispatch layer so that
// nothing is skipped: every member of every registered KorvoCommon class,
// of the directory components, the paged record set and its page, and the
// mail component gets every payload of the corpus in every parameter position, the other
// positions holding sound arguments. Each call must end in an answer or an
// error with a documented number, never a crash, hang or untyped failure;
// leave the canary table and every other class's tables as they were; and
// issue no statement that is not the method's own.
#include <chrono>
#include <filesystem>
#include <iostream>
#include <map>
#include <set>

#include "platform/data/statement_trace.h"
#include "platform/host/component.h"
#include "platform/host/host_scope.h"
#include "platform/host/registry.h"
#include "reliability/call_screen.h"
#include "reliability/hostile_payloads.h"
#include "reliability/reliability_fixture.h"

namespace korvo::reliability {
namespace {

using Arguments = std::vector<rt::Variant>;

constexpr std::string_view kLibraryPrefix = "KorvoCommon.";
// The library's own classes, and the components its classes hand out or
// call that a script may create itself.
constexpr std::string_view kScreenedPrefixes[] = {kLibraryPrefix, "KorvoMembership.", "KorvoLibrary.",
                                                  "CDONTS."};
constexpr auto kSlowestCallAllowed = std::chrono::seconds(10);

rt::Variant Small(int value) { return rt::Variant(static_cast<std::int16_t>(value)); }
const rt::Variant kNull = rt::Variant::Null();
const rt::Variant kDay = rt::Variant(Day(2024, 3, 7));

rt::Variant CurrencyDictionary(const char* code, bool home, bool euro, bool epc) {
  return rt::Variant(DictionaryOf({{"CURRENCYCODE", code},
                                   {"HOMECURRENCY", home},
                                   {"EURO", euro},
                                   {"EPC", epc},
                                   {"DECIMALS", Small(2)},
                                   {"LOCALEID", kNull}}));
}

rt::Variant CurrencyDataObject() {
  return rt::Variant(DictionaryOf({{"METAObjectID", "CurrencyDataObject"},
                                   {"CURRENCYCODE", "SEK"},
                                   {"CURRENCYNAME", "Swedish krona"},
                                   {"HOMECURRENCY", false},
                                   {"EURO", false},
                                   {"EPC", false},
                                   {"DECIMALS", Small(2)}}));
}

// Sound arguments for each member with parameters, by class and member name,
// so that a payload in one position meets otherwise valid input and reaches
// as deep into the method as it can. Members missing here get Empty in every
// position (and are listed when the test runs).
const std::map<std::string, Arguments>& SoundArguments() {
  const Arguments currencyRow = {"SEK", "Swedish krona", false, false, false, Small(2), 1053};
  const Arguments rateRow = {"USD", Day(2024, 7, 1), kNull, 1.09, 0.0, 1, false};
  const Arguments rateScript = {"CURRENCYRATE",
                                Texts({"CURRENCYCODE", "EFFECTIVEDATE", "EXPIRYDATE", "HOMESALESRATE",
                                       "EUROSALESRATE", "RATEFACTOR"}),
                                Texts({"CHF", Day(2024, 1, 1), kNull, 0.945, 0.0, Small(1)})};
  const Arguments currencyScript = {
      "CURRENCY", Texts({"CURRENCYCODE", "CURRENCYNAME", "HOMECURRENCY", "EURO", "EPC", "DECIMALS"}),
      Texts({"SEK", "Swedish krona", false, false, false, Small(2)})};
  const Arguments referenceKeys = {"CURRENCY", Texts({"CURRENCYCODE"}), Texts({"USD"})};
  static const std::map<std::string, Arguments> arguments = {
      {"Currency.CurrencyCode", {"USD"}},
      {"Currency.CurrencyName", {"US dollar"}},
      {"Currency.HomeCurrency", {false}},
      {"Currency.EuroCurrency", {false}},
      {"Currency.LocaleID", {1033}},
      {"Currency.EPC", {false}},
      {"Currency.Decimals", {Small(2)}},
      {"Currency.SetHomeCurrencyObject", {CurrencyDictionary("EUR", true, true, true)}},
      {"Currency.ConvertTo",
       {CurrencyDictionary("EUR", true, true, true), "USD", rt::Money::FromUnits(1000000),
        rt::Money::FromUnits(0), kDay}},
      {"Currency.ConvertAmount", {"USD", "GBP", rt::Money::FromUnits(1000000), kDay}},
      {"Currency.GetCurrency", {"USD"}},
      {"Currency.GetCurrencyRate", {"USD", kDay}},
      {"Currency.CurrencyDelete", {"USD"}},
      {"Currency.AddCurrencyRate", rateRow},
      {"Currency.UpdateCurrencyRate", rateRow},
      {"Currency.DeleteCurrencyRate", {"USD", Day(2024, 7, 1)}},
      {"Currency.GetSpecificCurrencyRate", {"USD", Day(2024, 7, 1)}},
      {"Currency.GetCurrencyAsDict", {"USD"}},
      {"Currency.InsertFromScript", currencyScript},
      {"Currency.UpdateFromScript", currencyScript},
      {"Currency.DeleteFromScript", rateScript},
      {"Currency.HasValidCurrencyRate", {"USD", kDay}},
      {"Currency.HasValidCurrencyRateEx", {"USD", kDay, true}},
      {"Currency.CanConvertToHomeCurrency", {"USD", kDay}},
      {"Currency.GetCurrencyCodesHavingValidCurrencyRate", {kDay}},
      {"Currency.GetCurrencyCodesHavingNoValidCurrencyRate", {kDay}},
      {"Currency.AreCurrencyRatesValid", {kDay}},
      {"Currency.BusinessRules_GetInstance", {CurrencyDataObject()}},
      {"Currency.BusinessRules_Insert", {CurrencyDataObject()}},
      {"Currency.BusinessRules_Update", {CurrencyDataObject()}},
      {"Currency.BusinessRules_Delete", {CurrencyDataObject()}},
      {"Currency.IReferentialIntegrity_Exists", referenceKeys},
      {"Currency.IReferentialIntegrity_BeforeDelete", referenceKeys},
      {"TCurrency.AddCurrency", currencyRow},
      {"TCurrency.UpdateCurrency", {"USD", "US dollar", false, false, false, Small(2), 1033}},
      {"TCurrency.DeleteCurrency", {"GBP"}},
      {"TCurrency.CurrencyDelete", {"GBP"}},
      {"TCurrency.AddCurrencyRate", {"CHF", Day(2024, 1, 1), kNull, 0.945, 0.0, 1, false}},
      {"TCurrency.UpdateCurrencyRate", rateRow},
      {"TCurrency.DeleteCurrencyRate", {"USD", Day(2024, 7, 1)}},
      {"TCurrency.InsertFromScript", currencyScript},
      {"TCurrency.UpdateFromScript", rateScript},
      {"TCurrency.DeleteFromScript", {"CURRENCY", Texts({"CURRENCYCODE"}), Texts({"CHF"})}},
      {"TCurrency.BusinessRules_GetInstance", {CurrencyDataObject()}},
      {"TCurrency.BusinessRules_Insert", {CurrencyDataObject()}},
      {"TCurrency.BusinessRules_Update", {CurrencyDataObject()}},
      {"TCurrency.BusinessRules_Delete", {CurrencyDataObject()}},
      {"TCurrency.IReferentialIntegrity_Exists", referenceKeys},
      {"TCurrency.IReferentialIntegrity_BeforeDelete", referenceKeys},
      {"TermsAndConditions.getAllTermsAndConditions", {1}},
      {"TermsAndConditions.getTermsAndConditions", {1, "NET30", 2, Texts({"DESCRIPTION", "NETDAYS"})}},
      {"TermsAndConditions.InsertTermsAndConditions",
       {1, "NET60", DictionaryOf({{"DESCRIPTION", "Net 60 days"}, {"NETDAYS", Small(60)}})}},
      {"TermsAndConditions.UpdateTermsAndConditions",
       {3, "FCA", DictionaryOf({{"DESCRIPTION", "Free carrier"}})}},
      {"TermsAndConditions.DeleteTermsAndConditions", {4, "AIR"}},
      {"TermsAndConditions.IsTermorConditionPresent", {"NET30", 1}},
      {"BusinessPartner.InsertFromScript",
       {"BUSINESSPARTNER", Texts({"NAME", "CURRENCYCODE"}), Texts({"Newco", "USD"})}},
      {"BusinessPartner.UpdateFromScript",
       {"BUSINESSPARTNER", Texts({"BUSINESSPARTNERID", "NAME"}), Texts({1, "Acme renamed"})}},
      {"BusinessPartner.DeleteFromScript",
       {"BUSINESSPARTNER", Texts({"BUSINESSPARTNERID"}), Texts({2})}},
      {"BusinessPartner.Delete", {2}},
      {"BusinessPartner.AddressDelete", {3}},
      {"BusinessPartner.CustomerDelete", {1}},
      {"BusinessPartner.AddBPToBPGroup", {2, 1, 1}},
      {"BusinessPartner.RemoveBPFromBPGroup", {1, 1}},
      {"BusinessPartner.GetBusinessPartner", {1}},
      {"BusinessPartner.GetBusinessPartnerName", {1}},
      {"BusinessPartner.AddExistingAddress", {3, 2}},
      {"BusinessPartner.GetAddressIdByName", {"Acme", 1}},
      {"TUser.InsertBiddingUser",
       {Texts({"SHORTDESCRIPTION", "COUNTRYCODE"}), Texts({"Supplier HQ", "NL"}), Texts({"NAME"}),
        Texts({"Supplier BV"}), Texts({"BusinessPartnerID", "SURNAME"}),
        Texts({rt::Variant(), "Supplier"}), "supplier", "supplier-Pa55"}},
      {"TUser.InsertFromScript",
       {"OFFICE", Texts({"OFFICEDESCRIPTION", "OFFICETYPE"}), Texts({"South", Small(1)})}},
      {"TUser.DeleteOffice", {"North"}},
      {"TUser.CreateUserWithAttributes", {"bob", "bob-Pa55", Texts({"SURNAME"}), Texts({"Smith"})}},
      {"TUser.SetCompanyNumber", {"C-042", "ann"}},
      {"TUser.SetDefaultProjectRole", {"TB", "ann"}},
      {"User.GetUsername", {"ann"}},
      {"User.SetDefaultProjectRole", {"TB", "ann"}},
      {"KorvoMembership.User.Bind", {"ann", "ann", "ann-Pa55"}},
      {"Locale.GetCountryName", {1036}},
      {"Locale.GetLanguageName", {1036}},
      {"Locale.GetCurrencySymbol", {1036}},
      {"Locale.GetCurrencyName", {1036}},
      {"Locale.IsEuroLocale", {1036}},
  };
  return arguments;
}

// The tables a class maintains: a call may change their row counts, for
// its own write is legitimate; every other table must stay as it was.
const std::map<std::string, std::set<std::string>>& OwnTables() {
  static const std::map<std::string, std::set<std::string>> tables = {
      {"TCurrency", {"CURRENCY", "CURRENCYRATE"}},
      {"BusinessPartner",
       {"ADDRESS", "BUSINESSPARTNER", "BUSINESSPARTNERADDRESS", "CUSTOMER", "BUSINESSPARTNERGROUP",
        "BPSBYBUSINESSPARTNERGRP"}},
      // Offices, partners a user sees, directory users, and the address,
      // partner and link of a bidding user's registration.
      {"TUser",
       {"OFFICE", "BPSPERUSER", "MEMBERUSER", "MEMBERATTRIBUTE", "ADDRESS", "BUSINESSPARTNER",
        "BUSINESSPARTNERADDRESS"}},
      {"User", {"MEMBERATTRIBUTE"}},
      {"KorvoMembership.User", {"MEMBERUSER", "MEMBERATTRIBUTE"}},
      {"KorvoMembership.Members", {"MEMBERUSER", "MEMBERATTRIBUTE"}},
      {"TermsAndConditions",
       {"PAYMENTTERM", "PAYMENTMETHOD", "DELIVERYTERM", "DELIVERYMETHOD", "PACKAGINGTERM",
        "WARRANTYTERM", "PENALTYTERM"}},
  };
  return tables;
}

// The library's classes by their short name, the components by ProgID.
std::string ClassName(const std::string& progId) {
  return progId.rfind(kLibraryPrefix, 0) == 0 ? progId.substr(kLibraryPrefix.size()) : progId;
}

std::vector<std::string> PublicClasses() {
  std::vector<std::string> classes;
  for (const std::string& progId : host::Registry::Global().ProgIds()) {
    for (std::string_view prefix : kScreenedPrefixes) {
      if (progId.rfind(prefix, 0) == 0) classes.push_back(progId);
    }
  }
  return classes;
}

struct Tally {
  int members = 0, positions = 0, calls = 0, errors = 0, reachedDatabase = 0;
  std::vector<std::string> withoutSoundArguments;
};

class HostileInputTest : public ReliabilityTest {
 protected:
  // The user classes bind to the embedded directory with the session's
  // account; mail goes to a pickup directory of the test's own, and only
  // files inside it may be attached.
  void SetUp() override {
    ReliabilityTest::SetUp();
    SeedPartnersOfficesAndDirectory();
    std::filesystem::create_directories(pickup_);
    korvex::ConfigurationOverrides::Set("MAIL", "Transport", "pickup");
    korvex::ConfigurationOverrides::Set("MAIL", "PickupDirectory", pickup_.string());
    korvex::ConfigurationOverrides::Set("MAIL", "AttachmentDirectories", pickup_.string());
  }
  void TearDown() override {
    ReliabilityTest::TearDown();
    std::error_code ignored;
    std::filesystem::remove_all(pickup_, ignored);
  }

  // One call of one member with one payload in one position, in a scope of
  // its own that is rolled back afterwards.
  void Screen(const std::string& progId, const host::DispatchTable::Member& member, Arguments args,
              Tally& tally) {
    std::vector<std::string> statements;
    rt::ErrorRecord error;
    {
      host::HostScope scope(Request());
      rt::ObjectRef object = scope.Context().CreateInstance(progId);
      {
        auto trace = data::StatementTrace::Subscribe(
            [&](const std::string& sql, std::span<const contracts::Parameter>) {
              statements.push_back(sql);
            });
        const auto start = std::chrono::steady_clock::now();
        try {
          object->Invoke(member.name, member.kind, std::span(args));
        } catch (const rt::Error& raised) {
          error = raised.record();
        } catch (...) {
          ADD_FAILURE() << "an exception that is not a runtime error";
        }
        EXPECT_LT(std::chrono::steady_clock::now() - start, kSlowestCallAllowed);
      }
      object.reset();
      ExpectOnlyOwnTablesChanged(ClassName(progId));
      scope.End(/*abort=*/true);
    }
    ++tally.calls;
    if (error.Number != 0) ++tally.errors;
    if (!statements.empty()) ++tally.reachedDatabase;
    EXPECT_TRUE(error.Number == 0 || IsDocumentedErrorNumber(error.Number))
        << "error " << error.Number << ": " << error.Description;
    for (const std::string& sql : statements) {
      const std::string reason = ForeignStatementReason(sql, kMarker);
      EXPECT_TRUE(reason.empty()) << reason << " in: " << sql.substr(0, 400);
    }
    EXPECT_EQ(ConnectionsInUse(), 0u);
  }

  // Row counts as the call's own transaction sees them.
  void ExpectOnlyOwnTablesChanged(const std::string& className) {
    RowCounts now;
    try {
      now = Counts();
    } catch (const rt::Error&) {
      return;  // the database rolled the transaction back: nothing of it can remain
    }
    const auto own = OwnTables().find(className);
    for (const auto& [table, count] : counts_) {
      if (own != OwnTables().end() && own->second.count(table)) continue;
      EXPECT_EQ(now[table], count) << table;
    }
  }

  void ScreenMember(const std::string& progId, const host::DispatchTable::Member& member, Tally& tally) {
    const std::string key = ClassName(progId) + "." + member.name;
    const auto sound = SoundArguments().find(key);
    Arguments base(member.arity);
    if (sound != SoundArguments().end()) {
      base = sound->second;
      EXPECT_EQ(base.size(), member.arity) << key;
    } else {
      tally.withoutSoundArguments.push_back(key);
    }
    ++tally.members;
    tally.positions += static_cast<int>(member.arity);
    for (std::size_t position = 0; position < member.arity; ++position) {
      for (const Payload& payload : HostilePayloads()) {
        SCOPED_TRACE(key + " argument " + std::to_string(position + 1) + ": " + payload.name);
        Arguments args = base;
        args.resize(member.arity);
        args[position] = payload.value;
        Screen(progId, member, std::move(args), tally);
      }
    }
  }

  RowCounts counts_;
  const std::filesystem::path pickup_ = LogFile() + ".pickup";
};

TEST_F(HostileInputTest, EveryPublicMethodWithstandsHostileArgumentsInEveryPosition) {
  const DatabaseDump before = Dump();
  counts_ = Counts();
  Tally tally;
  for (const std::string& progId : PublicClasses()) {
    auto probe = std::dynamic_pointer_cast<host::Component>(host::CreateObject(progId));
    ASSERT_TRUE(probe) << progId;
    for (const auto& member : probe->Dispatch().Members()) {
      if (member.arity > 0) ScreenMember(progId, member, tally);
    }
  }
  EXPECT_EQ(Dump(), before);
  EXPECT_GT(tally.calls, 0);
  const std::size_t payloads = HostilePayloads().size();
  std::cout << "[ counts   ] hostile input: " << tally.members << " members with " << tally.positions
            << " parameters x " << payloads << " payloads = " << tally.calls << " calls ("
            << tally.errors << " ended in a documented error, the rest in an answer; "
            << tally.reachedDatabase << " reached the database)\n";
  for (const std::string& key : tally.withoutSoundArguments) {
    std::cout << "[ note     ] no sound arguments listed for " << key << "; Empty used\n";
  }
  RecordProperty("hostile_calls", tally.calls);
}

// A payload in a parameter that names a table or column never reaches a
// statement: the guards refuse it with Type mismatch before anything runs.
TEST_F(HostileInputTest, CallerTextThatWouldBecomeSqlIsRefusedBeforeAnyStatement) {
  host::HostScope scope;
  auto terms = scope.Context().CreateInstance("KorvoCommon.TermsAndConditions");
  std::vector<std::string> statements;
  auto trace = data::StatementTrace::Subscribe(
      [&](const std::string& sql, std::span<const contracts::Parameter>) { statements.push_back(sql); });
  const rt::ErrorRecord error = ErrorOf([&] {
    Call(terms, "getTermsAndConditions", {1, "NET30", 2, Texts({"DESCRIPTION FROM CANARY --"})});
  });
  EXPECT_EQ(error.Number, rt::errnum::kTypeMismatch);
  for (const std::string& sql : statements) EXPECT_EQ(sql.find("CANARY"), std::string::npos) << sql;
  scope.End(/*abort=*/true);
}

}  // namespace
}  // namespace korvo::reliability
