// TermsAndConditions against a real temporary database: the seven code
// tables, their numbered errors, the existence test's comparison text and
// the refusal to delete a term still in use.
#include "terms/terms_and_conditions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "infrastructure/components.h"
#include "infrastructure/sql_access.h"
#include "platform/data/pool.h"
#include "platform/data/statement_trace.h"
#include "platform/host/registry.h"
#include "platform/korvex/configuration_overrides.h"
#include "platform/korvex/log_recorder.h"
#include "platform/runtime/conversions.h"
#include "registration/enumerations.h"
#include "registration/register_all.h"
#include "support/temp_database.h"

namespace korvo::common {
namespace {

using terms::All;
using terms::Specific;

struct KindCase {
  std::int32_t kind;
  std::string table;
  std::int32_t alreadyExists;
  std::string alreadyExistsText;
  std::int32_t notExists;
  std::string notExistsText;
};

const std::vector<KindCase>& Kinds() {
  static const std::vector<KindCase> kinds{
      {terms::PaymentTerm, "PAYMENTTERM", 1, "Payment term already exists", 8,
       "The Payment term does not exist"},
      {terms::PaymentMethod, "PAYMENTMETHOD", 2, "Payment method already exists", 9,
       "The Payment method does not exist"},
      {terms::DeliveryTerm, "DELIVERYTERM", 4, "Delivery term already exists", 10,
       "The Delivery term does not exist"},
      {terms::DeliveryMethod, "DELIVERYMETHOD", 5, "Delivery method already exists", 11,
       "The Delivery method does not exist"},
      {terms::PackagingTerm, "PACKAGINGTERM", 3, "Packaging term already exists", 12,
       "The Packaging term does not exist"},
      {terms::WarrantyTerm, "WARRANTYTERM", 6, "Warranty term already exists", 13,
       "The Warranty term does not exist"},
      {terms::PenaltyTerm, "PENALTYTERM", 7, "Penalty term already exists", 14,
       "The Penalty term does not exist"},
  };
  return kinds;
}

rt::DictionaryRef Fields(std::vector<std::pair<std::string, rt::Variant>> entries) {
  auto fields = rt::Dictionary::Create();
  for (auto& [key, value] : entries) fields->Add(rt::Variant(key), std::move(value));
  return fields;
}

rt::DictionaryRef Described(const std::string& description) {
  return Fields({{"DESCRIPTION", rt::Variant(description)}});
}

// The error a call raised; Number 0 when it raised none.
rt::ErrorRecord ErrorOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const rt::Error& error) {
    return error.record();
  }
  return {};
}

// The text a single handler gives an error raised in its method.
std::string Enriched(std::int32_t number, const std::string& method, const std::string& description) {
  return "\r\nERROR 0x" + rt::Hex(number) + "\r\n METHOD: " + method + "\r\n DESC: " + description +
         ".\r\n";
}

std::vector<std::string> Keys(const rt::DictionaryRef& dictionary) {
  std::vector<std::string> keys;
  for (const auto& entry : dictionary->Entries()) keys.push_back(rt::CStr(entry.key));
  return keys;
}

class TermsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { registration::RegisterAll(); }

  void SetUp() override {
    korvex::ConfigurationOverrides::Set("CONNECTIONS", "KorvoCommonConnection_ConnectionString",
                                        database_.ConnectionString());
    infra::ResetConnectionStringCache();
  }
  void TearDown() override {
    // Every method closes what it opened, on failure as on success.
    EXPECT_EQ(data::ConnectionPool::Stats(database_.ConnectionString()).inUse, 0u);
    infra::ResetConnectionStringCache();
  }

  // Runs one statement on the test database, outside the class under test.
  void Execute(const std::string& sql) {
    auto connection = infra::Sql_GetOpenConnection(database_.ConnectionString());
    connection->Execute(sql);
    infra::Sql_CloseConnection(connection);
  }

  korvo::testing::TempDatabase database_;
  TermsAndConditions terms_;
};

TEST_F(TermsTest, EveryKindListsInsertsAndDeletesItsCodes) {
  for (const auto& k : Kinds()) {
    SCOPED_TRACE(k.table);
    EXPECT_EQ(terms_.getAllTermsAndConditions(k.kind)->Count(), 0);
    terms_.InsertTermsAndConditions(k.kind, "B1", Described("second"));
    terms_.InsertTermsAndConditions(k.kind, "A1", Described("draft"));
    terms_.UpdateTermsAndConditions(k.kind, "A1", Described("first"));

    auto list = terms_.getAllTermsAndConditions(k.kind);
    EXPECT_EQ(Keys(list), (std::vector<std::string>{"A1", "B1"}));
    EXPECT_EQ(rt::CStr(list->Item(rt::Variant("A1"))), "first");
    EXPECT_EQ(rt::CStr(list->Item(rt::Variant("B1"))), "second");
    EXPECT_TRUE(terms_.IsTermorConditionPresent("A1", k.kind));

    terms_.DeleteTermsAndConditions(k.kind, "A1");
    EXPECT_FALSE(terms_.IsTermorConditionPresent("A1", k.kind));
    EXPECT_TRUE(terms_.IsTermorConditionPresent("B1", k.kind));
  }
}

TEST_F(TermsTest, DuplicateInsertRaisesTheKindsNumberWithEmptySource) {
  korvex::LogRecording recording;
  for (const auto& k : Kinds()) {
    SCOPED_TRACE(k.table);
    terms_.InsertTermsAndConditions(k.kind, "NET30", Described("original"));
    const auto error =
        ErrorOf([&] { terms_.InsertTermsAndConditions(k.kind, "NET30", Described("again")); });
    EXPECT_EQ(error.Number, k.alreadyExists);
    EXPECT_EQ(error.Source, "");
    EXPECT_EQ(error.Description,
              Enriched(k.alreadyExists, "KorvoCommon.TermsAndConditions.InsertTermsAndConditions",
                       k.alreadyExistsText));
    EXPECT_EQ(rt::CStr(terms_.getTermsAndConditions(k.kind, "NET30", All, std::nullopt)
                           ->Item(rt::Variant("DESCRIPTION"))),
              "original");
  }
  const auto entries = korvex::LogRecorder::Drain();
  ASSERT_EQ(entries.size(), Kinds().size());
  EXPECT_EQ(entries[0].kind, 0);
}

TEST_F(TermsTest, UpdateAndDeleteOfAMissingCodeRaiseNotExists) {
  for (const auto& k : Kinds()) {
    SCOPED_TRACE(k.table);
    const auto update =
        ErrorOf([&] { terms_.UpdateTermsAndConditions(k.kind, "NONE", Described("x")); });
    EXPECT_EQ(update.Number, k.notExists);
    EXPECT_EQ(update.Description,
              Enriched(k.notExists, "KorvoCommon.TermsAndConditions.UpdateTermsAndConditions",
                       k.notExistsText));
    const auto remove = ErrorOf([&] { terms_.DeleteTermsAndConditions(k.kind, "NONE"); });
    EXPECT_EQ(remove.Number, k.notExists);
    EXPECT_EQ(remove.Source, "");
    EXPECT_EQ(remove.Description,
              Enriched(k.notExists, "KorvoCommon.TermsAndConditions.DeleteTermsAndConditions",
                       k.notExistsText));
  }
}

TEST_F(TermsTest, CodeWithAQuoteIsComparedAsAUnicodeLiteral) {
  std::vector<std::string> statements;
  auto subscription = data::StatementTrace::Subscribe(
      [&](const std::string& sql, std::span<const contracts::Parameter>) { statements.push_back(sql); });
  terms_.InsertTermsAndConditions(terms::PaymentTerm, "O'X", Described("quoted"));
  EXPECT_TRUE(terms_.IsTermorConditionPresent("O'X", terms::PaymentTerm));
  EXPECT_EQ(rt::CStr(terms_.getTermsAndConditions(terms::PaymentTerm, "O'X", All, std::nullopt)
                         ->Item(rt::Variant("PAYMENTTERMCODE"))),
            "O'X");
  terms_.DeleteTermsAndConditions(terms::PaymentTerm, "O'X");
  EXPECT_FALSE(terms_.IsTermorConditionPresent("O'X", terms::PaymentTerm));
  EXPECT_NE(std::find(statements.begin(), statements.end(),
                      "SELECT * FROM PAYMENTTERM WHERE  ( PAYMENTTERMCODE = N'O''X')"),
            statements.end());
}

TEST_F(TermsTest, ReadsOneRecordAllOrSpecificFields) {
  terms_.InsertTermsAndConditions(terms::PaymentTerm, "NET30", Described("Net 30 days"));
  auto all = terms_.getTermsAndConditions(terms::PaymentTerm, "NET30", All, std::nullopt);
  EXPECT_EQ(Keys(all).front(), "PAYMENTTERMCODE");
  EXPECT_EQ(rt::CStr(all->Item(rt::Variant("DESCRIPTION"))), "Net 30 days");

  const rt::Variant names = rt::Array(std::vector<rt::Variant>{rt::Variant("DESCRIPTION")});
  auto specific = terms_.getTermsAndConditions(terms::PaymentTerm, "NET30", Specific, names);
  EXPECT_EQ(Keys(specific), (std::vector<std::string>{"DESCRIPTION", "PAYMENTTERMCODE"}));
  EXPECT_EQ(rt::CStr(specific->Item(rt::Variant("PAYMENTTERMCODE"))), "NET30");

  EXPECT_EQ(Keys(terms_.getTermsAndConditions(terms::PaymentTerm, "NET30", Specific, std::nullopt)),
            Keys(all));
  EXPECT_EQ(terms_.getTermsAndConditions(terms::PaymentTerm, "NET60", All, std::nullopt)->Count(), 0);
}

TEST_F(TermsTest, SpecificAcceptsOnlyPlainColumnNames) {
  terms_.InsertTermsAndConditions(terms::PaymentTerm, "NET30", Described("Net 30 days"));
  const rt::Variant names = rt::Array(std::vector<rt::Variant>{
      rt::Variant("DESCRIPTION"), rt::Variant("1 FROM PAYMENTTERM; DELETE FROM PAYMENTTERM --")});
  const auto error =
      ErrorOf([&] { terms_.getTermsAndConditions(terms::PaymentTerm, "NET30", Specific, names); });
  EXPECT_EQ(error.Number, rt::errnum::kTypeMismatch);
  EXPECT_NE(error.Description.find("Invalid identifier"), std::string::npos);
  EXPECT_NE(error.Description.find(" METHOD: KorvoCommon.TermsAndConditions.getTermsAndConditions\r\n"),
            std::string::npos);
  EXPECT_TRUE(terms_.IsTermorConditionPresent("NET30", terms::PaymentTerm));
}

// Keywords and functions are plain names too; in a select list or a column
// list the database would evaluate them (the clock, the server's user and
// database). Only the table's own columns pass, in any letter case.
TEST_F(TermsTest, NamesThatAreNotColumnsOfTheTableAreRefused) {
  terms_.InsertTermsAndConditions(terms::PaymentTerm, "NET30", Described("Net 30 days"));
  for (const char* name : {"current_timestamp", "CURRENT_USER", "session_user", "current_catalog",
                           "user", "current_date", "version", "CURRENCYCODE"}) {
    SCOPED_TRACE(name);
    const rt::Variant names = rt::Array(std::vector<rt::Variant>{rt::Variant(name)});
    const auto read =
        ErrorOf([&] { terms_.getTermsAndConditions(terms::PaymentTerm, "NET30", Specific, names); });
    EXPECT_EQ(read.Number, contracts::dberr::kSyntax);
    EXPECT_NE(read.Description.find(std::string("Invalid column name '") + name + "'"),
              std::string::npos);
    const auto write = ErrorOf([&] {
      terms_.UpdateTermsAndConditions(terms::PaymentTerm, "NET30", Fields({{name, rt::Variant("x")}}));
    });
    EXPECT_EQ(write.Number, contracts::dberr::kSyntax);
  }
  const rt::Variant lowerCase = rt::Array(std::vector<rt::Variant>{rt::Variant("description")});
  auto record = terms_.getTermsAndConditions(terms::PaymentTerm, "NET30", Specific, lowerCase);
  EXPECT_EQ(record->Count(), 2);
  EXPECT_EQ(rt::CStr(terms_.getAllTermsAndConditions(terms::PaymentTerm)->Item(rt::Variant("NET30"))),
            "Net 30 days");
}

// The same call answers the same on both databases: field names as the
// schema spells them, and a value a numeric column cannot hold refused.
TEST_F(TermsTest, BothDatabasesSpellFieldsAndRefuseUnstorableValuesAlike) {
  terms_.InsertTermsAndConditions(
      terms::PaymentTerm, "NET30",
      Fields({{"DESCRIPTION", rt::Variant("Net 30")}, {"NETDAYS", rt::Variant(std::int16_t{30})}}));
  const rt::Variant names =
      rt::Array(std::vector<rt::Variant>{rt::Variant("description"), rt::Variant("NetDays")});
  auto record = terms_.getTermsAndConditions(terms::PaymentTerm, "NET30", Specific, names);
  EXPECT_EQ(Keys(record), (std::vector<std::string>{"DESCRIPTION", "NETDAYS", "PAYMENTTERMCODE"}));
  EXPECT_EQ(rt::CLng(record->Item(rt::Variant("NETDAYS"))), 30);

  for (const rt::Variant& unstorable :
       {rt::Variant(), rt::Variant(true), rt::Variant("thirty"), rt::Variant("1e400x")}) {
    SCOPED_TRACE(rt::TypeName(unstorable));
    const auto inserted = ErrorOf([&] {
      terms_.InsertTermsAndConditions(
          terms::PaymentTerm, "NET45",
          Fields({{"DESCRIPTION", rt::Variant("Net 45")}, {"NETDAYS", unstorable}}));
    });
    EXPECT_EQ(inserted.Number, contracts::dberr::kProvider);
    EXPECT_NE(inserted.Description.find("in column NETDAYS"), std::string::npos) << inserted.Description;
    EXPECT_FALSE(terms_.IsTermorConditionPresent("NET45", terms::PaymentTerm));
    const auto updated = ErrorOf([&] {
      terms_.UpdateTermsAndConditions(terms::PaymentTerm, "NET30",
                                      Fields({{"DISCOUNTPERC", unstorable}}));
    });
    EXPECT_EQ(updated.Number, contracts::dberr::kProvider);
  }
  EXPECT_EQ(rt::CLng(terms_.getTermsAndConditions(terms::PaymentTerm, "NET30", All, std::nullopt)
                         ->Item(rt::Variant("NETDAYS"))),
            30);
}

TEST_F(TermsTest, DeleteRefusesATermStillInUse) {
  terms_.InsertTermsAndConditions(terms::PaymentTerm, "NET30", Described("Net 30 days"));
  terms_.InsertTermsAndConditions(terms::PackagingTerm, "BOX", Described("Boxed"));
  Execute(
      "INSERT INTO BUSINESSPARTNER (BUSINESSPARTNERID, NAME, PAYMENTTERMCODE) VALUES (1, 'Acme', 'NET30')");
  Execute("INSERT INTO CUSTOMER (BUSINESSPARTNERID, PACKAGINGTERMCODE) VALUES (1, 'BOX')");

  const auto payment = ErrorOf([&] { terms_.DeleteTermsAndConditions(terms::PaymentTerm, "NET30"); });
  EXPECT_EQ(payment.Number, terms::ERR_PAYMENTTERMCANNOTBEDELETED);
  EXPECT_EQ(payment.Source, "");
  EXPECT_EQ(payment.Description, Enriched(15, "KorvoCommon.TermsAndConditions.DeleteTermsAndConditions",
                                          "Payment Term cannot be deleted. Reference exists"));
  const auto packaging = ErrorOf([&] { terms_.DeleteTermsAndConditions(terms::PackagingTerm, "BOX"); });
  EXPECT_EQ(packaging.Number, terms::ERR_PACKAGINGTERMCANNOTBEDELETED);
  EXPECT_TRUE(terms_.IsTermorConditionPresent("NET30", terms::PaymentTerm));
  EXPECT_TRUE(terms_.IsTermorConditionPresent("BOX", terms::PackagingTerm));

  Execute("UPDATE BUSINESSPARTNER SET PAYMENTTERMCODE = NULL");
  terms_.DeleteTermsAndConditions(terms::PaymentTerm, "NET30");
  EXPECT_FALSE(terms_.IsTermorConditionPresent("NET30", terms::PaymentTerm));
}

TEST_F(TermsTest, UnknownKindIsRefusedByTheExistenceTest) {
  const auto error = ErrorOf([&] { terms_.IsTermorConditionPresent("NET30", 99); });
  EXPECT_EQ(error.Number, -1);
  EXPECT_EQ(error.Source, "");
  const std::string inner = Enriched(
      -1, "KorvoCommon.TermsAndCondition.CheckIfExistsinTableInvalid Arguments", "Invalid Arguments");
  EXPECT_EQ(error.Description,
            Enriched(-1, "KorvoCommon.TermsandConditions.IsTermorConditionPresent ", inner));
  EXPECT_NE(ErrorOf([&] { terms_.getAllTermsAndConditions(0); }).Number, 0);
}

TEST_F(TermsTest, CallableThroughItsClassName) {
  rt::ObjectRef object = host::CreateObject("KorvoCommon.TermsAndConditions");
  std::vector<rt::Variant> insert{rt::Variant(std::int32_t{terms::WarrantyTerm}), rt::Variant("W12"),
                                  rt::Variant(Described("Twelve months"))};
  object->Invoke("InsertTermsAndConditions", rt::InvokeKind::Method, insert);
  std::vector<rt::Variant> present{rt::Variant("W12"), rt::Variant(std::int32_t{terms::WarrantyTerm})};
  EXPECT_TRUE(rt::CBool(object->Invoke("IsTermorConditionPresent", rt::InvokeKind::Method, present)));
  EXPECT_EQ(host::Registry::Global().Find("KorvoCommon.TermsAndConditions")->transaction,
            host::TransactionAttribute::None);
}

}  // namespace
}  // namespace korvo::common
