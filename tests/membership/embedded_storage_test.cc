// What the embedded directory keeps in the library's database.
#include "directory_fixture.h"
#include "platform/contracts/database.h"
#include "platform/data/statement_trace.h"

namespace korvo::membership::testing {
namespace {

class EmbeddedStorageTest : public DirectoryTest {
 protected:
  contracts::RecordsetRef Rows(const std::string& sql) {
    auto connection =
        std::dynamic_pointer_cast<contracts::Connection>(host::CreateObject("ADODB.Connection"));
    connection->Open(database_.ConnectionString());
    auto rows = connection->Execute(sql);
    rows->Detach();
    connection->Close();
    return rows;
  }
};

TEST_P(EmbeddedStorageTest, PasswordsAreKeptOnlyAsArgon2idHashes) {
  Seed("ann", {});
  auto rows = Rows("SELECT PASSWORDHASH FROM MEMBERUSER WHERE USERID = 'ann'");
  const std::string hash = rt::CStr(rows->Value(std::int32_t{0}));
  EXPECT_TRUE(hash.starts_with("$argon2id$"));
  EXPECT_FALSE(Contains(hash, kUserPassword));
  // The same password twice gives two hashes: each has its own salt.
  Seed("bob", {});
  EXPECT_NE(
      rt::CStr(Rows("SELECT PASSWORDHASH FROM MEMBERUSER WHERE USERID = 'bob'")->Value(std::int32_t{0})),
      hash);
}

TEST_P(EmbeddedStorageTest, AHashKeepsVerifyingAfterTheCostChanges) {
  Seed("ann", {});
  korvex::ConfigurationOverrides::Set("MEMBERSHIP", "PasswordHashOps", "2");
  korvex::ConfigurationOverrides::Set("MEMBERSHIP", "PasswordHashMemoryKiB", "16");
  CredentialCache::Process().Clear();
  EXPECT_EQ(Bound("ann")->UserID(), "ann");
}

TEST_P(EmbeddedStorageTest, TheScriptAccountMayCarryTheDirectoryRoot) {
  korvex::ConfigurationOverrides::Set("MEMBERSHIP", "LDAPRoot", "ou=people,o=korvo");
  Seed("ann", {});
  EXPECT_EQ(Bound("ann", "script,ou=people,o=korvo", kScriptPassword)->UserID(), "ann");
  EXPECT_EQ(Directory::Open()->ScriptAccount().account, "script,ou=people,o=korvo");
}

// A verified bind is remembered: it no longer reads the stored hash until
// the remembered entry ends, and with the cache turned off it reads it
// every time.
TEST_P(EmbeddedStorageTest, ARepeatedBindIsAnsweredFromTheProcesssCache) {
  Seed("ann", {});
  auto execute = [&](const std::string& sql) {
    auto connection =
        std::dynamic_pointer_cast<contracts::Connection>(host::CreateObject("ADODB.Connection"));
    connection->Open(database_.ConnectionString());
    connection->Execute(sql);
    connection->Close();
  };
  Bound("ann");
  const std::string hash =
      rt::CStr(Rows("SELECT PASSWORDHASH FROM MEMBERUSER WHERE USERID = 'ann'")->Value(std::int32_t{0}));
  execute("UPDATE MEMBERUSER SET PASSWORDHASH = 'unusable' WHERE USERID = 'ann'");
  EXPECT_EQ(Bound("ann")->UserID(), "ann");
  EXPECT_EQ(ErrorOf([&] { Bound("ann", "ann", "other-Pa55"); }).Number, err::kInvalidCredentials);

  korvex::ConfigurationOverrides::Set("MEMBERSHIP", "CredentialCacheSeconds", "0");
  EXPECT_EQ(ErrorOf([&] { Bound("ann"); }).Number, err::kInvalidCredentials);
  execute("UPDATE MEMBERUSER SET PASSWORDHASH = '" + hash + "' WHERE USERID = 'ann'");
  EXPECT_EQ(Bound("ann")->UserID(), "ann");
}

// Every search the user classes make finds its rows through an index: the
// plan of each statement reads no table from end to end.
TEST_P(EmbeddedStorageTest, SearchesReadOnlyTheRowsTheyMatch) {
  KORVO_SQLITE_ONLY("the plan is read with SQLite's EXPLAIN QUERY PLAN");
  struct Issued {
    std::string sql;
    std::vector<contracts::Parameter> params;
  };
  std::vector<Issued> searches;
  {
    auto trace = data::StatementTrace::Subscribe(
        [&](const std::string& sql, std::span<const contracts::Parameter> params) {
          if (sql.find("(MEMBERUSER.USERID) FROM") != std::string::npos ||
              sql.find(" MEMBERUSER.USERID FROM") != std::string::npos) {
            searches.push_back({sql, {params.begin(), params.end()}});
          }
        });
    auto members = NewMembers();
    for (const char* criterion :
         {"ProjectUserType=1", "ProjectRole=PM", "BusinessPartnerID=12", "KorvoRole=6",
          "employeenumber=E1", "PropertyGroupID=3", "UserID=ann", "UserID>=b"}) {
      members->Search(TextArray({criterion}), "", rt::Variant(std::int32_t{10}));
    }
    // A page deep in a role: walked from its start in the value index.
    members->Search(TextArray({"UserID>=b", "KorvoRole=6"}), "", rt::Variant(std::int32_t{10}));
    members->SearchByRoleWith(6, TextArray({"BusinessPartnerID=12"}), "UserID");
  }
  ASSERT_EQ(searches.size(), 10u);
  auto connection =
      std::dynamic_pointer_cast<contracts::Connection>(host::CreateObject("ADODB.Connection"));
  connection->Open(database_.ConnectionString());
  for (const auto& search : searches) {
    auto plan = connection->Execute("EXPLAIN QUERY PLAN " + search.sql, search.params);
    for (; !plan->IsEOF(); plan->MoveNext()) {
      const std::string step = rt::CStr(plan->Value("detail"));
      EXPECT_FALSE(step.starts_with("SCAN")) << search.sql << ": " << step;
      // Neither sorted nor gathered first: the rows come in page order.
      EXPECT_EQ(step.find("TEMP B-TREE"), std::string::npos) << search.sql << ": " << step;
      EXPECT_FALSE(step.starts_with("LIST SUBQUERY")) << search.sql << ": " << step;
    }
  }
  connection->Close();
}

// A page's users are read with one statement and the parents they name
// with one more, however many there are, each through the primary keys.
TEST_P(EmbeddedStorageTest, APagesUsersAndTheirParentsAreReadTogether) {
  Seed("p1", {});
  Seed("p2", {});
  std::vector<std::string> ids;
  for (int i = 0; i < 30; ++i) {
    ids.push_back("u" + std::to_string(i));
    Seed(ids.back(), {{"Parent", {i % 2 ? "p1" : "P2"}}, {"EMAIL", {"a@x", "b@x"}}});
  }
  Bound("p1", "script", kScriptPassword);  // the account's bind is remembered
  std::vector<std::string> statements;
  std::vector<std::vector<contracts::Parameter>> parameters;
  std::vector<std::shared_ptr<contracts::MembershipUser>> users;
  {
    auto trace = data::StatementTrace::Subscribe(
        [&](const std::string& sql, std::span<const contracts::Parameter> params) {
          statements.push_back(sql);
          parameters.emplace_back(params.begin(), params.end());
        });
    users = NewMembers()->BindUsers(ids, "script", kScriptPassword);
    for (const auto& user : users) user->Parent();
  }
  ASSERT_EQ(users.size(), 30u);
  EXPECT_EQ(users[29]->GetAttribute("EMAIL").items.size(), 2u);
  ASSERT_EQ(statements.size(), 2u);
  KORVO_SQLITE_ONLY("the plan is read with SQLite's EXPLAIN QUERY PLAN");
  auto connection =
      std::dynamic_pointer_cast<contracts::Connection>(host::CreateObject("ADODB.Connection"));
  connection->Open(database_.ConnectionString());
  for (std::size_t i = 0; i < statements.size(); ++i) {
    auto plan = connection->Execute("EXPLAIN QUERY PLAN " + statements[i], parameters[i]);
    for (; !plan->IsEOF(); plan->MoveNext()) {
      const std::string step = rt::CStr(plan->Value("detail"));
      EXPECT_FALSE(step.starts_with("SCAN")) << statements[i] << ": " << step;
    }
  }
  connection->Close();
}

INSTANTIATE_TEST_SUITE_P(Embedded, EmbeddedStorageTest, ::testing::Values("embedded"));

}  // namespace
}  // namespace korvo::membership::testing
