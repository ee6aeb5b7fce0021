// The membership directory as pages use it. On the embedded directory in
// an SQLite database: User's attribute getters for the signed-in user (a
// new User per request, bound with the session's account), the same with
// every bind verifying its password, a page of buyers through the Members
// component's search and through User.GetAllBuyers, and a page of
// User.GetAllInternalUsers. On the LDAP server bench/run starts: the same
// getters. The getters and the Members search stand beside floors that do
// their reads by hand; the lists show the statements a page costs.
//
// Two embedded directories: 1,000 users of whom 100 are buyers, and 100,000
// users of whom 10,000 are buyers, filled by direct SQL with one password
// hash (of the default cost) reused for every user.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "bench/ldap_directory.h"
#include "bench/sqlite_floor.h"
#include "bench/suites.h"
#include "infrastructure/components.h"
#include "platform/contracts/membership.h"
#include "platform/data/pool.h"
#include "platform/data/schema.h"
#include "platform/korvex/configuration_overrides.h"
#include "platform/membership/directory_backend.h"
#include "platform/membership/ldap/ldap_filters.h"
#include "platform/membership/password_hash.h"
#include "platform/runtime/conversions.h"
#include "platform/runtime/dictionary.h"
#include "user/user.h"

namespace korvo::bench {
namespace {

using Floor = SqliteFloor;

// Inputs of the benchmark only; never printed.
const std::string kUserPassword = "bench-user-Pa55";
const std::string kScriptPassword = "bench-script-Pa55";
constexpr const char* kScriptAccount = "script";
constexpr int kBuyerEvery = 10;  // every tenth user holds the buyer role
constexpr int kPage = 50;

std::string UserId(int n) {
  char id[16];
  std::snprintf(id, sizeof id, "u%06d", n);
  return id;
}

// User n's attributes: names, mail, business partner, locale, and role:
// every tenth user a buyer, the one after it a supplier, the rest
// requisitioners.
std::vector<membership::Attribute> Attributes(int n) {
  const std::string role = n % kBuyerEvery == 0 ? "2" : n % kBuyerEvery == 1 ? "6" : "1";
  return {{"GivenName", {"Given" + std::to_string(n)}},
          {"Surname", {"Surname" + std::to_string(n)}},
          {"Email", {UserId(n) + "@example.com"}},
          {"BusinessPartnerID", {std::to_string(1000 + n % 97)}},
          {"Locale", {"1033"}},
          {"KorvoRole", {role}}};
}

// The embedded directory's key of a text: case-folded, in hexadecimal.
std::string Key(std::string_view text) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string key;
  for (unsigned char c : membership::FoldCase(text)) {
    key += kDigits[c >> 4];
    key += kDigits[c & 0x0F];
  }
  return key;
}

// A directory of `users` users in a database of its own, the library's
// configuration pointed at it by Use(). Non-copyable.
class DirectoryDatabase {
 public:
  explicit DirectoryDatabase(int users) : users_(users) {
    std::string dir = (std::filesystem::temp_directory_path() / "korvo-bench-dir-XXXXXX").string();
    if (!mkdtemp(dir.data())) throw std::runtime_error("mkdtemp failed");
    path_ = dir + "/directory.db";
    connectionString_ = "Driver=SQLite;Database=" + path_;
    data::InitializeDatabase(connectionString_);
    Fill();
  }
  ~DirectoryDatabase() {
    data::ConnectionPool::CloseIdle(connectionString_);
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(path_).parent_path(), ignored);
  }
  DirectoryDatabase(const DirectoryDatabase&) = delete;
  DirectoryDatabase& operator=(const DirectoryDatabase&) = delete;

  const std::string& Path() const { return path_; }
  int Users() const { return users_; }

  // The library's database and directory settings: this database, the
  // default password hash cost, the script account.
  void Use() const {
    using korvex::ConfigurationOverrides;
    ConfigurationOverrides::Set("CONNECTIONS", "KorvoCommonConnection_ConnectionString",
                                connectionString_);
    ConfigurationOverrides::Set("MEMBERSHIP", "Backend", "embedded");
    ConfigurationOverrides::Set("MEMBERSHIP", "MemScriptUser", kScriptAccount);
    ConfigurationOverrides::Set("MEMBERSHIP", "MemScriptCode", kScriptPassword);
    ConfigurationOverrides::Set("MEMBERSHIP", "LDAPRoot", "");
    infra::ResetConnectionStringCache();
  }

 private:
  void Fill() const {
    static constexpr const char* kInsertUser =
        "INSERT INTO MEMBERUSER (USERKEY, USERID, PASSWORDHASH, WRITER) VALUES (?, ?, ?, ?)";
    static constexpr const char* kInsertValue =
        "INSERT INTO MEMBERATTRIBUTE (USERKEY, ATTRKEY, VALUEINDEX, ATTRNAME, ATTRVALUE, VALUEKEY) "
        "VALUES (?, ?, 0, ?, ?, ?)";
    // One hash of the default cost serves every user: they share a password.
    const std::string hash = membership::HashPassword(kUserPassword, membership::HashCost{});
    const std::string scriptHash = membership::HashPassword(kScriptPassword, membership::HashCost{});
    Floor db(path_, FloorMode::Prepared);
    Floor::Transaction write(db, /*write=*/true);
    const auto addUser = [&](const std::string& id, const std::string& userHash) {
      const std::string key = Key(id);
      Floor::Query(db, kInsertUser)
          .Bind(1, key)
          .Bind(2, id)
          .Bind(3, userHash)
          .Bind(4, std::int64_t{0})
          .Run();
      return key;
    };
    addUser(kScriptAccount, scriptHash);
    for (int n = 1; n <= users_; ++n) {
      const std::string id = UserId(n);
      const std::string key = addUser(id, hash);
      for (const membership::Attribute& attribute : Attributes(n)) {
        const std::string& value = attribute.values.front();
        Floor::Query(db, kInsertValue)
            .Bind(1, key)
            .Bind(2, membership::FoldCase(attribute.name))
            .Bind(3, attribute.name)
            .Bind(4, value)
            .Bind(5, Key(value))
            .Run();
      }
    }
    Floor::Query(db, "ANALYZE").Run();
  }

  int users_;
  std::string path_;
  std::string connectionString_;
};

const DirectoryDatabase& Directory(int users) {
  if (users >= 100000) {
    static const DirectoryDatabase large(100000);
    return large;
  }
  static const DirectoryDatabase small(1000);
  return small;
}

// A page's request: no transaction, the session of a signed-in account.
host::ScopeOptions SignedIn(const std::string& account, const std::string& password) {
  host::ScopeOptions options = ReadingRequest();
  options.session = rt::Dictionary::Create();
  options.session->Add("REMOTE_ACCOUNT", rt::Variant(account));
  options.session->Add("REMOTE_PASSWORD", rt::Variant(password));
  return options;
}

// --- User's getters for the signed-in user ---

struct Profile {
  std::string surname;
  std::string email;
  std::int32_t businessPartner = 0;
  std::int16_t locale = 0;
};

Profile ReadProfile(host::HostScope& request, const std::string& id) {
  auto user = Create<common::User>(request, "KorvoCommon.User");
  Profile profile;
  profile.surname = user->GetUsername(id);
  profile.email = user->GetEmailAddress(id);
  profile.businessPartner = user->GetBusinessPartnerID(id);
  profile.locale = user->GetUserLocale(id);
  return profile;
}

// The user's entry, as the directory loads it on a bind.
constexpr const char* kLoadSql =
    "SELECT MEMBERUSER.USERID, MEMBERATTRIBUTE.ATTRNAME, MEMBERATTRIBUTE.ATTRVALUE "
    "FROM MEMBERUSER LEFT JOIN MEMBERATTRIBUTE ON MEMBERATTRIBUTE.USERKEY = MEMBERUSER.USERKEY "
    "WHERE MEMBERUSER.USERKEY = ? ORDER BY MEMBERATTRIBUTE.ATTRKEY, MEMBERATTRIBUTE.VALUEINDEX";

Profile FloorProfile(Floor& db, const std::string& id) {
  Floor::Query query(db, kLoadSql);
  query.Bind(1, Key(id));
  Profile profile;
  while (query.Step()) {
    const std::string name = membership::FoldCase(query.Text(1));
    const std::string_view value = query.Text(2);
    if (name == "surname") profile.surname = value;
    if (name == "email") profile.email = value;
    if (name == "businesspartnerid") profile.businessPartner = std::stoi(std::string(value));
    if (name == "locale") profile.locale = static_cast<std::int16_t>(std::stoi(std::string(value)));
  }
  if (profile.surname.empty()) throw std::runtime_error("the hand-read entry has no surname");
  return profile;
}

// A user in the middle of the directory.
std::string MiddleUser(int users) { return UserId(users / 2 + 3); }

// A library request beside its floor's work, in turns (TimeInTurns in
// bench_support.h says why), each run once untimed first: the first bind
// verifies the password, later ones find it verified. `sameCore`: both on
// the core a SQLite call runs on in turns (ServerCore); a call that waits
// for a server of its own leaves the placement to the scheduler.
void InTurns(benchmark::State& state, const std::string& call, const std::function<void()>& request,
             const std::function<void()>& floor, int floorStatements, bool sameCore = true) {
  const ServerCore core(Backend::SQLite, /*inTurns=*/sameCore);
  request();
  floor();
  ReportStatements(state, CountStatements(call, request));
  state.counters[kFloorStatements] = floorStatements;
  TimeInTurns(state, request, floor);
}

// A new User per request, bound with the session's account (the user's
// own), asked for several attributes.
std::function<void()> ProfileRequest(const std::string& id) {
  return [id, session = SignedIn(id, kUserPassword)] {
    host::HostScope scope(session);
    if (ReadProfile(scope, id).surname.empty()) throw std::runtime_error("the user has no surname");
  };
}

// The getters beside the user's entry read by hand, on the embedded
// directory of `users` users.
void ProfileInTurns(benchmark::State& state, const std::string& call, int users) {
  const DirectoryDatabase& directory = Directory(users);
  directory.Use();
  const std::string id = MiddleUser(users);
  Floor db(directory.Path(), FloorMode::Prepared);
  InTurns(
      state, call, ProfileRequest(id), [&] { benchmark::DoNotOptimize(FloorProfile(db, id)); }, 1);
}

// --- The same on the LDAP server ---

constexpr int kLdapUsers = 200;

std::vector<membership::Entry> LdapUsers() {
  std::vector<membership::Entry> users;
  for (int n = 1; n <= kLdapUsers; ++n) users.push_back({UserId(n), Attributes(n)});
  return users;
}

const LdapBenchDirectory& LdapDirectory() {
  static const LdapBenchDirectory directory(LdapUsers(), kUserPassword);
  return directory;
}

// The user's entry by the filter the backend sends for a user ID, all its
// attributes, at most two entries (a second would be a duplicate ID).
Profile LdapFloorProfile(LdapFloor& ldap, const std::string& base, const std::string& filter) {
  Profile profile;
  for (const auto& [name, value] : ldap.Search(base, filter, 2)) {
    const std::string folded = membership::FoldCase(name);
    if (folded == "sn") profile.surname = value;
    if (folded == "mail") profile.email = value;
  }
  if (profile.surname.empty()) throw std::runtime_error("the LDAP entry has no surname");
  return profile;
}

// The getters beside a hand-written libldap search for the user's entry,
// on a service connection bound once, as the backend keeps its own.
void LdapProfileInTurns(benchmark::State& state, const std::string& call) {
  const LdapBenchDirectory& directory = LdapDirectory();
  directory.Use();
  const std::string id = MiddleUser(kLdapUsers);
  const std::string filter =
      membership::ldapfilters::ForCriteria(
          {{std::string(membership::kIdAttribute), membership::Comparison::Equal, id}},
          directory.UsersBase())
          .filter;
  LdapFloor ldap(directory.Url(), directory.ServiceDn(), directory.ServicePassword());
  const auto floor = [&] {
    benchmark::DoNotOptimize(LdapFloorProfile(ldap, directory.UsersBase(), filter));
  };
  InTurns(state, call, ProfileRequest(id), floor, 0, /*sameCore=*/false);
}

// A request whose bind verifies the password (Argon2id of the default
// cost): the credential cache turned off.
void UncachedBind(benchmark::State& state) {
  const DirectoryDatabase& directory = Directory(1000);
  directory.Use();
  const std::string id = MiddleUser(1000);
  const host::ScopeOptions session = SignedIn(id, kUserPassword);
  korvex::ConfigurationOverrides::Set("MEMBERSHIP", "CredentialCacheSeconds", "0");
  for (auto _ : state) {
    host::HostScope scope(session);
    benchmark::DoNotOptimize(ReadProfile(scope, id));
  }
  korvex::ConfigurationOverrides::Set("MEMBERSHIP", "CredentialCacheSeconds", "");
}

// --- Pages of buyers ---

// The first buyer at or after the middle of the directory.
std::string MiddleBuyer(int users) { return UserId((users / 2 / kBuyerEvery + 1) * kBuyerEvery); }

std::vector<std::string> SearchPage(host::HostScope& request, const std::string& from) {
  auto members = Create<contracts::MembershipMembers>(request, "KorvoMembership.Members");
  const rt::Variant criteria(rt::Array({rt::Variant("KorvoRole=2"), rt::Variant("UserID>=" + from)}));
  contracts::RecordsetRef rows = members->Search(criteria, "", rt::Variant(std::int32_t{kPage}));
  std::vector<std::string> ids;
  for (; !rows->IsEOF(); rows->MoveNext()) ids.push_back(rt::CStr(rows->Value(std::int32_t{0})));
  if (ids.size() != kPage) throw std::runtime_error("the page is not full");
  return ids;
}

// The page read by hand from the value index, from the page's start.
constexpr const char* kBuyerPageSql =
    "SELECT MEMBERUSER.USERID FROM MEMBERATTRIBUTE JOIN MEMBERUSER ON MEMBERUSER.USERKEY = MEMBERATTRIBUTE.USERKEY "
    "WHERE MEMBERATTRIBUTE.ATTRKEY = ? AND MEMBERATTRIBUTE.VALUEKEY = ? AND MEMBERATTRIBUTE.USERKEY >= ? "
    "ORDER BY MEMBERATTRIBUTE.USERKEY";

std::vector<std::string> FloorBuyerPage(Floor& db, const std::string& from) {
  Floor::Query query(db, kBuyerPageSql);
  query.Bind(1, std::string_view("korvorole")).Bind(2, Key("2")).Bind(3, Key(from));
  std::vector<std::string> ids;
  // One row beyond the page says where the next one starts.
  while (ids.size() <= kPage && query.Step()) ids.emplace_back(query.Text(0));
  if (ids.size() < kPage) throw std::runtime_error("the hand-read page is not full");
  return ids;
}

std::vector<std::string> BuyersPage(host::HostScope& request, const std::string& from) {
  auto user = Create<common::User>(request, "KorvoCommon.User");
  rt::Variant next(from);
  const rt::CollectionRef page = user->GetAllBuyers(next, rt::Variant(std::int32_t{kPage}));
  std::vector<std::string> ids;
  for (const auto& entry : page->Entries()) ids.push_back(rt::CStr(entry.item));
  return ids;
}

std::size_t InternalUsersPage(host::HostScope& request, const std::string& from) {
  auto user = Create<common::User>(request, "KorvoCommon.User");
  rt::Variant next(from);
  return static_cast<std::size_t>(
      user->GetAllInternalUsers(next, rt::Variant(std::int32_t{kPage}))->Count());
}

// A page's request by the script account, from the middle buyer on.
template <class Page>
std::function<void()> PageRequest(int users, Page page) {
  return [from = MiddleBuyer(users), session = SignedIn(kScriptAccount, kScriptPassword), page] {
    host::HostScope scope(session);
    benchmark::DoNotOptimize(page(scope, from));
  };
}

template <class Page>
void LibraryPage(benchmark::State& state, const std::string& call, int users, Page page) {
  Directory(users).Use();
  const std::function<void()> request = PageRequest(users, page);
  request();
  ReportStatements(state, CountStatements(call, request));
  for (auto _ : state) request();
}

// The Members search beside the page read by hand from the value index.
void SearchInTurns(benchmark::State& state, const std::string& call, int users) {
  const DirectoryDatabase& directory = Directory(users);
  directory.Use();
  const std::string from = MiddleBuyer(users);
  Floor db(directory.Path(), FloorMode::Prepared);
  InTurns(
      state, call, PageRequest(users, SearchPage),
      [&] { benchmark::DoNotOptimize(FloorBuyerPage(db, from)); }, 1);
}

std::string Sized(const std::string& call, int users) {
  return call + ":users-" + std::to_string(users);
}

}  // namespace

void RegisterDirectory() {
  const std::string profileCall = "User.GetUsername+GetEmailAddress+GetBusinessPartnerID+GetUserLocale";
  for (const int users : {1000, 100000}) {
    const std::string profile = Sized(profileCall, users);
    Register(profile, kSqlite, kLibrary, [=](benchmark::State& s) {
      ProfileInTurns(s, profile, users);
    })->UseManualTime();
    const std::string search = Sized("Members.Search:buyers-page-50", users);
    Register(search, kSqlite, kLibrary, [=](benchmark::State& s) {
      SearchInTurns(s, search, users);
    })->UseManualTime();
    const std::string buyers = Sized("User.GetAllBuyers:page-50", users);
    Register(buyers, kSqlite, kLibrary,
             [=](benchmark::State& s) { LibraryPage(s, buyers, users, BuyersPage); });
    const std::string internal = Sized("User.GetAllInternalUsers:page-50", users);
    Register(internal, kSqlite, kLibrary,
             [=](benchmark::State& s) { LibraryPage(s, internal, users, InternalUsersPage); });
  }
  Register("User.bind-verifying-password:users-1000", kSqlite, kLibrary, UncachedBind)->Iterations(3);

  if (!LdapServer()) {
    std::cout
        << "ldap: skipped, no server (KORVO_BENCH_LDAP names one; bench/run starts one when slapd is "
           "installed)\n";
    return;
  }
  const std::string ldapProfile = Sized(profileCall, kLdapUsers);
  // Both wait for the server: timed by the wall clock, in turns.
  Register(ldapProfile, kLdap, kLibrary, [=](benchmark::State& s) {
    LdapProfileInTurns(s, ldapProfile);
  })->UseManualTime();
}

}  // namespace korvo::bench
