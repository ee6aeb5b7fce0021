// korvo demo: a short walk through what the library does, on a fresh
// embedded database holding the demo data: converting amounts between
// currencies on a date, a maintenance write refused with message codes, the
// same write accepted, and an error with its enriched description.
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "platform/host/host_scope.h"
#include "platform/host/registry.h"
#include "platform/runtime/date.h"
#include "platform/runtime/error.h"
#include "registration/register_all.h"
#include "tools/korvo/commands.h"
#include "tools/korvo/database_options.h"
#include "tools/korvo/demo_data.h"
#include "tools/korvo/demo_directory.h"
#include "tools/korvo/value_text.h"

namespace korvo::tool {

namespace {

struct DemoStep {
  std::string caption;
  std::string progId;
  std::string method;
  std::vector<rt::Variant> args;
};

rt::Variant Day(int year, int month, int day) { return *rt::MakeDate({year, month, day}); }
rt::Variant Amount(std::int32_t whole) { return rt::Money::FromUnits(whole * rt::Money::kScale); }
rt::Variant Texts(std::vector<rt::Variant> items) { return rt::Array(std::move(items)); }

// The krona as a maintenance screen would send it, through the rules.
std::vector<rt::Variant> KronaInsert(bool asHomeCurrency) {
  return {"CURRENCY", Texts({"CURRENCYCODE", "CURRENCYNAME", "HOMECURRENCY", "EURO", "EPC", "DECIMALS"}),
          Texts({"SEK", "Swedish krona", asHomeCurrency, false, false, std::int16_t{2}})};
}

std::vector<DemoStep> Walk() {
  return {
      {"Which currency does the company keep its books in?",
       "KorvoCommon.Currency",
       "GetHomeCurrencyCode",
       {}},
      {"Convert 100 US dollars into pounds sterling on 7 March 2024, through the home currency",
       "KorvoCommon.Currency",
       "ConvertAmount",
       {"USD", "GBP", Amount(100), Day(2024, 3, 7)}},
      {"The same on 1 August 2024: the dollar's rate changed on 1 July",
       "KorvoCommon.Currency",
       "ConvertAmount",
       {"USD", "GBP", Amount(100), Day(2024, 8, 1)}},
      {"Deutsche Mark into French francs: euro-participating currencies convert through their "
       "fixed euro rates",
       "KorvoCommon.Currency",
       "ConvertAmount",
       {"DEM", "FRF", Amount(100), Day(2024, 3, 7)}},
      {"Add the Swedish krona as a second home currency: the business rules refuse the write "
       "with a message code, and nothing is written",
       "KorvoCommon.TCurrency", "InsertFromScript", KronaInsert(true)},
      {"The same write as an ordinary currency is accepted", "KorvoCommon.TCurrency", "InsertFromScript",
       KronaInsert(false)},
      {"Read it back", "KorvoCommon.Currency", "GetCurrencyAsDict", {"SEK"}},
      {"Convert from the krona, which has no rate yet: the error keeps its number and source, "
       "and each method it passed through adds a block to its description",
       "KorvoCommon.Currency",
       "ConvertAmount",
       {"SEK", "EUR", Amount(100), Day(2024, 3, 7)}},
      {"Find a customer by its back-office code",
       "KorvoCommon.BusinessPartner",
       "GetBusinessPartnerIDByZRKID",
       {"C-1001", std::int16_t{0}}},
      {"Read the customer's carrier: the partner is loaded once and read from memory",
       "KorvoCommon.BusinessPartner",
       "GetCustomerCarrier",
       {1001}},
      {"List the business partners two at a time, leaving out one-time and internal partners",
       "KorvoCommon.BusinessPartner",
       "GetBusinessPartnersLimited",
       {rt::Variant(rt::ObjectRef()), "", std::int16_t{2}, true, true}},
      {"Who is signed in? Anna's locale comes from the membership directory",
       "KorvoCommon.User",
       "GetUserLocale",
       {"anna.buyer"}},
      {"Ben has no locale of his own: the entry he inherits from answers",
       "KorvoCommon.User",
       "GetUserLocale",
       {"ben.buyer"}},
      {"Ivy's currency comes from her administrative office",
       "KorvoCommon.User",
       "GetCurrencyCode",
       {"ivy.internal"}},
      {"Anna's project roles, and the business processes they grant",
       "KorvoCommon.User",
       "GetBusinessProcessForUser",
       {"anna.buyer"}},
      {"The buyers, two at a time", "KorvoCommon.User", "GetAllBuyers", {"", 2}},
      {"The next page starts after the key the first one handed back",
       "KorvoCommon.User",
       "GetAllBuyers",
       {"buyer.template!", 2}},
  };
}

std::string CallText(const DemoStep& step) {
  std::string text = step.progId + "." + step.method + "(";
  for (std::size_t i = 0; i < step.args.size(); ++i) {
    text += (i ? ", " : "") + DescribeValue(step.args[i]);
  }
  return text + ")";
}

// The web session of a demo user signed in to the procurement pages: the
// user classes read the directory with its account.
rt::DictionaryRef SignedInSession() {
  auto session = rt::Dictionary::Create();
  session->Add("REMOTE_ACCOUNT", rt::Variant("anna.buyer"));
  session->Add("REMOTE_PASSWORD", rt::Variant(kDemoUserPassword));
  return session;
}

// One step as one web request: a transactional scope around one call.
void RunStep(std::size_t number, DemoStep& step) {
  // Flushed before the call, so the library's log lines on standard error
  // appear after the call that wrote them.
  std::cout << number << ". " << step.caption << "\n   " << CallText(step) << std::endl;
  host::HostScope scope(host::ScopeOptions{true, nullptr, SignedInSession()});
  try {
    rt::ObjectRef object = host::CreateInContext(step.progId, &scope.Context());
    const rt::Variant result = object->Invoke(step.method, rt::InvokeKind::Method, step.args);
    std::cout << "   -> " << DescribeValue(result) << "\n" << std::endl;
  } catch (...) {
    std::cout << "   -> " << DescribeError(rt::CurrentError(), "      ") << "\n" << std::endl;
    scope.End(/*abort=*/true);
  }
}

// A directory of its own under the system's temporary directory, removed
// with everything in it when the demo ends. Non-copyable.
class TemporaryDirectory {
 public:
  TemporaryDirectory() {
    std::string pattern = (std::filesystem::temp_directory_path() / "korvo-demo-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
      rt::Raise(rt::errnum::kInvalidProcedureCall, "cannot create a temporary directory");
    path_ = pattern;
  }
  ~TemporaryDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TemporaryDirectory(const TemporaryDirectory&) = delete;
  TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

int RunDemo(const std::string& givenPath) {
  if (!givenPath.empty() && std::filesystem::exists(givenPath)) {
    std::cerr << "korvo demo: " << givenPath << " already exists; the demo needs a fresh database\n";
    return 1;
  }
  try {
    std::unique_ptr<TemporaryDirectory> temporary;
    if (givenPath.empty()) temporary = std::make_unique<TemporaryDirectory>();
    const std::string path = temporary ? (temporary->path() / "korvo.db").string() : givenPath;
    registration::RegisterAll();
    LoadDemoData(ApplyDatabaseOptions(DatabaseOptions{path, {}, {}}));
    std::cout << "KorvoCommon demo on a fresh database, " << path << ", holding the demo data "
              << "(home currency " << kDemoHomeCurrency << ").\n\n";
    auto steps = Walk();
    for (std::size_t i = 0; i < steps.size(); ++i) RunStep(i + 1, steps[i]);
    std::cout << (temporary ? "The temporary demo database is removed now.\n"
                            : "The demo database stays at " + path + ".\n");
    return 0;
  } catch (...) {
    std::cerr << "korvo demo: " << rt::CurrentError().Description << "\n";
    return 1;
  }
}

}  // namespace

void AddDemoCommand(CLI::App& program, int& exitCode) {
  auto path = std::make_shared<std::string>();
  auto* command = program.add_subcommand(
      "demo", "Walk through what the library does, on a fresh database with the demo data");
  command->add_option("--db", *path,
                      "Keep the demo database in this new file (default: a temporary one)");
  command->callback([path, &exitCode] { exitCode = RunDemo(*path); });
}

}  // namespace korvo::tool
