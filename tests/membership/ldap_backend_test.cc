// The LDAP backend on a real slapd: entries, accounts and searches as the
// directory components see them, and the LDAP form they take on the server.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "membership/ldap_test_server.h"
#include "platform/contracts/membership.h"
#include "platform/membership/directory_backend.h"
#include "platform/membership/ldap/ldap_connection.h"
#include "platform/runtime/error.h"
#include "support/library_calls.h"

namespace korvo::membership {
namespace {

namespace err = contracts::membership_error;
using testing::LdapTestDirectory;

// The testing cost of a password is the server's, not ours: any text works.
const std::string kPassword = "Correct horse 1";

Entry User(std::string id, std::vector<Attribute> attributes = {}) {
  return Entry{std::move(id), std::move(attributes)};
}

using ::korvo::testing::ErrorOf;
using ::korvo::testing::ValuesOf;

TEST(LdapBackendTest, EntryRoundTripsThroughTheServerInItsOrder) {
  KORVO_LDAP_DIRECTORY_OR_SKIP(directory);
  auto backend = directory.Backend();
  backend->Create(User("Parent1", {{"LOCALE", {"1031"}}}), kPassword);
  backend->Create(User("Ann", {{"SURNAME", {"Smith"}},
                               {"ProjectRole", {"PR2", "PR1", "PR3"}},
                               {"SPENDLIMIT", {"250.5"}},
                               {"Parent", {"parent1"}},
                               {"Hobby", {"chess", "go"}}}),
                  kPassword);

  const auto ann = backend->Load("ANN");
  ASSERT_TRUE(ann);
  EXPECT_EQ(ann->userId, "Ann");
  EXPECT_EQ(ValuesOf(*ann, "surname"), std::vector<std::string>{"Smith"});
  EXPECT_EQ(ValuesOf(*ann, "ProjectRole"), (std::vector<std::string>{"PR2", "PR1", "PR3"}));
  EXPECT_EQ(ValuesOf(*ann, "SpendLimit"), std::vector<std::string>{"250.5"});
  EXPECT_EQ(ValuesOf(*ann, "Parent"), std::vector<std::string>{"parent1"});
  EXPECT_EQ(ValuesOf(*ann, "HOBBY"), (std::vector<std::string>{"chess", "go"}));
  EXPECT_FALSE(backend->Load("nobody"));

  // inetOrgPerson needs a surname; a user without one still reads as having none.
  const auto parent = backend->Load("parent1");
  ASSERT_TRUE(parent);
  EXPECT_TRUE(ValuesOf(*parent, "SURNAME").empty());
  EXPECT_EQ(ValuesOf(*parent, "Locale"), std::vector<std::string>{"1031"});
}

TEST(LdapBackendTest, UsersAreInetOrgPersonsWithTheLibrarysAuxiliaryClass) {
  KORVO_LDAP_DIRECTORY_OR_SKIP(directory);
  auto backend = directory.Backend();
  backend->Create(
      User("bob", {{"EMAIL", {"bob@example.com"}}, {"KorvoRole", {"2", "4"}}, {"Parent", {"p"}}}),
      kPassword);

  LdapConnection connection(directory.ldap());
  ASSERT_EQ(connection.Bind(directory.ldap().serviceDn, directory.ldap().servicePassword), LDAP_SUCCESS);
  int code = 0;
  const auto entries = connection.Search({.base = "uid=bob," + directory.ldap().usersBase,
                                          .scope = SearchScope::Base,
                                          .filter = "(objectClass=*)",
                                          .attributes = {"*"}},
                                         code);
  ASSERT_EQ(entries.size(), 1u);
  const LdapEntry& bob = entries.front();
  EXPECT_EQ(bob.Values("objectClass"), (std::vector<std::string>{"inetOrgPerson", "korvoUser"}));
  EXPECT_EQ(bob.Values("mail"), std::vector<std::string>{"bob@example.com"});
  EXPECT_EQ(bob.Values("korvoRole"), (std::vector<std::string>{"2", "4"}));
  EXPECT_EQ(bob.Values("korvoParent"), std::vector<std::string>{"uid=p," + directory.ldap().usersBase});
  // The password went through Password Modify: the server stored a hash.
  ASSERT_EQ(bob.Values("userPassword").size(), 1u);
  EXPECT_EQ(bob.Values("userPassword").front().find(kPassword), std::string::npos);
}

TEST(LdapBackendTest, ReplacingAttributesKeepsTheOthersAndTheirOrder) {
  KORVO_LDAP_DIRECTORY_OR_SKIP(directory);
  auto backend = directory.Backend();
  backend->Create(User("carl", {{"ProjectRole", {"A"}}, {"Hobby", {"x"}}, {"Pet", {"cat"}}}), kPassword);

  backend->ReplaceAttribute("CARL", "projectrole", {"C", "B", "A"});
  backend->ReplaceAttribute("carl", "hobby", {"y", "z"});
  backend->ReplaceAttribute("carl", "CompanyNumber", {"C-17"});
  backend->ReplaceAttribute("carl", "SURNAME", {"Jones"});
  auto carl = backend->Load("carl");
  EXPECT_EQ(ValuesOf(*carl, "ProjectRole"), (std::vector<std::string>{"C", "B", "A"}));
  EXPECT_EQ(ValuesOf(*carl, "Hobby"), (std::vector<std::string>{"y", "z"}));
  EXPECT_EQ(ValuesOf(*carl, "Pet"), std::vector<std::string>{"cat"});
  EXPECT_EQ(ValuesOf(*carl, "CompanyNumber"), std::vector<std::string>{"C-17"});
  EXPECT_EQ(ValuesOf(*carl, "Surname"), std::vector<std::string>{"Jones"});

  backend->ReplaceAttribute("carl", "CompanyNumber", {});
  backend->ReplaceAttribute("carl", "Hobby", {});
  backend->ReplaceAttribute("carl", "SURNAME", {});
  carl = backend->Load("carl");
  EXPECT_TRUE(ValuesOf(*carl, "CompanyNumber").empty());
  EXPECT_TRUE(ValuesOf(*carl, "Hobby").empty());
  EXPECT_TRUE(ValuesOf(*carl, "Surname").empty());
  EXPECT_EQ(ValuesOf(*carl, "Pet"), std::vector<std::string>{"cat"});

  EXPECT_EQ(ErrorOf([&] { backend->ReplaceAttribute("nobody", "Pet", {"dog"}); }).Number,
            err::kUserNotFound);
}

TEST(LdapBackendTest, CreateRefusesAnExistingUserInAnyCaseAndDeleteSaysWhetherItFoundOne) {
  KORVO_LDAP_DIRECTORY_OR_SKIP(directory);
  auto backend = directory.Backend();
  backend->Create(User("dora"), kPassword);
  EXPECT_EQ(ErrorOf([&] { backend->Create(User("DORA"), kPassword); }).Number, err::kUserExists);
  EXPECT_TRUE(backend->Delete("Dora"));
  EXPECT_FALSE(backend->Delete("dora"));
  EXPECT_FALSE(backend->Load("dora"));
}

TEST(LdapBackendTest, PasswordsAreCheckedWithABindAndAWrongOneLooksLikeAnUnknownAccount) {
  KORVO_LDAP_DIRECTORY_OR_SKIP(directory);
  auto backend = directory.Backend();
  backend->Create(User("Erin"), kPassword);

  EXPECT_EQ(backend->VerifyPassword("erin", kPassword), "Erin");
  EXPECT_EQ(backend->VerifyPassword("erin," + directory.ldap().root, kPassword), "Erin");
  EXPECT_EQ(backend->VerifyPassword("uid=erin," + directory.ldap().usersBase, kPassword), "Erin");
  EXPECT_FALSE(backend->VerifyPassword("erin", "wrong"));
  EXPECT_FALSE(backend->VerifyPassword("nobody", kPassword));
  // An empty password would be an anonymous bind, which the server accepts.
  EXPECT_FALSE(backend->VerifyPassword("erin", ""));

  backend->SetPassword("ERIN", "Another one 2");
  EXPECT_FALSE(backend->VerifyPassword("erin", kPassword));
  EXPECT_EQ(backend->VerifyPassword("erin", "Another one 2"), "Erin");
  EXPECT_EQ(ErrorOf([&] { backend->SetPassword("nobody", kPassword); }).Number, err::kUserNotFound);
}

TEST(LdapBackendTest, TheScriptAccountAndGrantedUsersHoldTheWriterRight) {
  KORVO_LDAP_DIRECTORY_OR_SKIP(directory);
  auto backend = directory.Backend();
  backend->Create(User("fay"), kPassword);

  const auto script =
      backend->VerifyPassword(directory.server().ScriptAccount(), directory.server().ScriptCode());
  ASSERT_TRUE(script);
  EXPECT_TRUE(backend->HoldsWriterRight(*script));
  EXPECT_FALSE(backend->HoldsWriterRight("fay"));
  backend->SetWriterRight("fay", true);
  EXPECT_TRUE(backend->HoldsWriterRight("FAY"));
  backend->SetWriterRight("fay", false);
  EXPECT_FALSE(backend->HoldsWriterRight("fay"));
  // The right is no attribute the directory shows.
  EXPECT_TRUE(ValuesOf(*backend->Load("fay"), "korvoDirectoryWriter").empty());
}

std::vector<std::string> WalkInPages(DirectoryBackend& backend, std::vector<Criterion> criteria,
                                     int pageSize) {
  std::vector<std::string> walked;
  std::string from;
  do {
    SearchRequest request{criteria, pageSize};
    request.criteria.push_back({std::string(kIdAttribute), Comparison::AtLeast, from});
    SearchResult page = backend.Search(request);
    EXPECT_LE(page.userIds.size(), static_cast<std::size_t>(pageSize));
    walked.insert(walked.end(), page.userIds.begin(), page.userIds.end());
    from = page.nextFrom;
  } while (!from.empty());
  return walked;
}

TEST(LdapBackendTest, SearchesOrderByIdCaseBlindAndNextFromWalksEveryUserOnce) {
  KORVO_LDAP_DIRECTORY_OR_SKIP(directory);
  auto backend = directory.Backend();
  std::vector<std::string> ids;
  for (int i = 0; i < 23; ++i) {
    std::string id = (i % 2 ? "User" : "user") + std::to_string(100 + i * 7 % 23);
    if (i == 5) id = "a_b";  // '_' sorts before letters once case is folded to lower
    if (i == 6) id = "AAB";
    ids.push_back(id);
    backend->Create(
        User(id, {{"ProjectRole", {i % 3 ? "R1" : "R2"}}, {"Team", {i % 2 ? "odd" : "even"}}}),
        kPassword);
  }
  std::vector<std::string> expected = ids;
  std::sort(expected.begin(), expected.end(),
            [](const auto& a, const auto& b) { return FoldCase(a) < FoldCase(b); });

  EXPECT_EQ(backend->Search({}).userIds, expected);
  EXPECT_EQ(WalkInPages(*backend, {}, 4), expected);  // the server sorts each page
  EXPECT_EQ(WalkInPages(*backend, {}, 1), expected);

  // ">=" on an attribute LDAP cannot order exactly: the library decides.
  std::vector<std::string> odd;
  std::copy_if(expected.begin(), expected.end(), std::back_inserter(odd), [&](const std::string& id) {
    return (std::find(ids.begin(), ids.end(), id) - ids.begin()) % 2;
  });
  EXPECT_EQ(WalkInPages(*backend, {{"team", Comparison::AtLeast, "ODD"}}, 5), odd);

  const auto r2 =
      backend->Search({{{"ProjectRole", Comparison::Equal, "r2"}, {"Team", Comparison::Equal, "EVEN"}}});
  for (const std::string& id : r2.userIds) {
    const auto index = std::find(ids.begin(), ids.end(), id) - ids.begin();
    EXPECT_TRUE(index % 3 == 0 && index % 2 == 0) << id;
  }
  EXPECT_EQ(r2.userIds.size(), 4u);  // 0, 6, 12, 18
  EXPECT_TRUE(r2.nextFrom.empty());
}

TEST(LdapBackendTest, SearchesFindUsersByTheirParentAndByOrderedAttributes) {
  KORVO_LDAP_DIRECTORY_OR_SKIP(directory);
  auto backend = directory.Backend();
  backend->Create(User("boss"), kPassword);
  backend->Create(User("gus", {{"Parent", {"boss"}}, {"PROPERTYGROUPID", {"7"}}}), kPassword);
  backend->Create(User("hal", {{"PROPERTYGROUPID", {"3"}}}), kPassword);

  EXPECT_EQ(backend->Search({{{"parent", Comparison::Equal, "BOSS"}}}).userIds,
            std::vector<std::string>{"gus"});
  EXPECT_EQ(backend->Search({{{"PropertyGroupID", Comparison::AtLeast, "5"}}}).userIds,
            std::vector<std::string>{"gus"});
  EXPECT_EQ(backend->Search({{{"UserID", Comparison::AtLeast, "GUS"}}}).userIds,
            (std::vector<std::string>{"gus", "hal"}));
  EXPECT_TRUE(backend->Search({{{"PropertyGroupID", Comparison::Equal, ""}}}).userIds.empty());
}

}  // namespace
}  // namespace korvo::membership
