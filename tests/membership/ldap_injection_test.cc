// Hostile user IDs and values against the LDAP backend: the filter and name
// syntax characters of LDAP are matched literally, never interpreted.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "membership/ldap_test_server.h"
#include "platform/membership/directory_backend.h"
#include "platform/membership/ldap/ldap_names.h"

namespace korvo::membership {
namespace {

using testing::LdapTestDirectory;

const std::string kPassword = "Correct horse 1";

// Every character RFC 4515 and RFC 4514 give a meaning, in the middle and
// at the ends of IDs.
const std::vector<std::string> kHostileIds = {
    "*",     "a*",      "(uid=*)", "x)(uid=*",   "back\\slash", "comma,ou=evil", "plus+cn=x", "eq=ual",
    "#hash", "quote\"", "<angle>", "semi;colon", "\\2a",        "tab\\09x",      "ünï",
};

TEST(LdapInjectionTest, FilterValuesAreEscapedAsRfc4515Says) {
  EXPECT_EQ(ldapnames::FilterValue("a*(b)\\c"), "a\\2A\\28b\\29\\5Cc");
  EXPECT_EQ(ldapnames::FilterValue(std::string("a\0b", 3)), "a\\00b");
  EXPECT_EQ(ldapnames::FilterValue("plain"), "plain");
}

TEST(LdapInjectionTest, NamesAreEscapedAsRfc4514SaysAndReadBack) {
  for (const std::string& id : kHostileIds) {
    const std::string dn = ldapnames::ChildDn("uid", id, "ou=users,dc=korvo,dc=test");
    EXPECT_TRUE(dn.ends_with(",ou=users,dc=korvo,dc=test")) << dn;
    EXPECT_EQ(ldapnames::LeadingValue(dn, "UID"), id) << dn;
  }
  EXPECT_EQ(ldapnames::ChildDn("uid", "a,b+c=d", ""), "uid=a\\2Cb\\2Bc\\3Dd");
  EXPECT_FALSE(ldapnames::LeadingValue("not a dn", "uid"));
}

TEST(LdapInjectionTest, HostileIdsNameExactlyTheirOwnEntry) {
  KORVO_LDAP_DIRECTORY_OR_SKIP(directory);
  auto backend = directory.Backend();
  backend->Create(Entry{"victim", {{"ProjectRole", {"R"}}}}, kPassword);
  for (const std::string& id : kHostileIds) {
    backend->Create(Entry{id, {{"ProjectRole", {"R"}}, {"Parent", {id}}}}, kPassword);
  }
  for (const std::string& id : kHostileIds) {
    const auto entry = backend->Load(id);
    ASSERT_TRUE(entry) << id;
    EXPECT_EQ(entry->userId, id);
    EXPECT_EQ(backend->Search({{{"UserID", Comparison::Equal, id}}}).userIds,
              std::vector<std::string>{id});
    EXPECT_EQ(backend->Search({{{"Parent", Comparison::Equal, id}}}).userIds,
              std::vector<std::string>{id});
    EXPECT_EQ(backend->VerifyPassword(id, kPassword), id);
  }
  // "*" is a user, not a wildcard: deleting it leaves everybody else.
  EXPECT_TRUE(backend->Delete("*"));
  EXPECT_TRUE(backend->Load("victim"));
  EXPECT_TRUE(backend->Load("a*"));
  EXPECT_EQ(backend->Search({{{"ProjectRole", Comparison::Equal, "R"}}}).userIds.size(),
            kHostileIds.size());
}

TEST(LdapInjectionTest, HostileValuesMatchOnlyThemselves) {
  KORVO_LDAP_DIRECTORY_OR_SKIP(directory);
  auto backend = directory.Backend();
  backend->Create(Entry{"plain", {{"ProjectRole", {"R1"}}, {"Hobby", {"chess"}}}}, kPassword);
  backend->Create(Entry{"star", {{"ProjectRole", {"*"}}, {"Hobby", {"*)(uid=*"}}}}, kPassword);
  backend->Create(Entry{"eq", {{"Hobby", {"a=b,c"}}}}, kPassword);

  const auto found = [&](const std::string& name, const std::string& value) {
    return backend->Search({{{name, Comparison::Equal, value}}}).userIds;
  };
  EXPECT_EQ(found("ProjectRole", "*"), std::vector<std::string>{"star"});
  EXPECT_EQ(found("ProjectRole", "R*"), std::vector<std::string>{});
  EXPECT_EQ(found("Hobby", "*)(uid=*"), std::vector<std::string>{"star"});
  EXPECT_EQ(found("Hobby", "*"), std::vector<std::string>{});
  EXPECT_EQ(found("Hobby", "a=b,c"), std::vector<std::string>{"eq"});
  EXPECT_EQ(found("Hobby", "\\2a"), std::vector<std::string>{});
  EXPECT_EQ(found("ProjectRole", std::string("R1\0", 3)), std::vector<std::string>{});
  EXPECT_EQ(found("UserID", "*"), std::vector<std::string>{});
  EXPECT_EQ(backend->Search({{{"UserID", Comparison::AtLeast, ")(uid=*"}}}).userIds,
            (std::vector<std::string>{"eq", "plain", "star"}));
}

}  // namespace
}  // namespace korvo::membership
