#include "platform/membership/ldap/ldap_backend.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <thread>

#include "platform/contracts/membership.h"
#include "platform/membership/backend_registry.h"
#include "platform/membership/directory_error.h"
#include "platform/membership/ldap/attribute_map.h"
#include "platform/membership/ldap/ldap_connection.h"
#include "platform/membership/ldap/ldap_entries.h"
#include "platform/membership/ldap/ldap_filters.h"
#include "platform/membership/ldap/ldap_names.h"
#include "platform/membership/ldap/thread_connections.h"
#include "platform/membership/ldap/undo_log.h"

namespace korvo::membership {

namespace err = contracts::membership_error;

namespace {

// Rows fetched per round trip when the server pages a whole result.
constexpr int kFetchPageSize = 500;

[[noreturn]] void Unavailable(const std::string& why) {
  RaiseDirectoryError(err::kDirectoryUnavailable, kMembersSource, why);
}

// Runs `operation` on the thread's connection of `role`. A connection that
// turns out lost is replaced; with `retry` (reads only: a write that was
// lost on the way may have been made) the operation runs once more unless
// the server let it time out.
template <class Operation>
auto OnConnection(const LdapSettings& settings, ConnectionRole role, bool retry, Operation&& operation) {
  for (int attempt = 0;; ++attempt) {
    try {
      return operation(ThreadConnection(settings, role));
    } catch (const ConnectionLost& lost) {
      DropThreadConnection(settings, role);
      if (!retry || attempt > 0 || lost.timedOut()) Unavailable(lost.what());
    }
  }
}

template <class Operation>
auto Reading(const LdapSettings& settings, Operation&& operation) {
  return OnConnection(settings, ConnectionRole::Service, true, std::forward<Operation>(operation));
}

template <class Operation>
auto Writing(const LdapSettings& settings, Operation&& operation) {
  return OnConnection(settings, ConnectionRole::Service, false, std::forward<Operation>(operation));
}

bool EndsWithCaseBlind(std::string_view text, std::string_view suffix) {
  return text.size() > suffix.size() &&
         FoldCase(text.substr(text.size() - suffix.size())) == FoldCase(suffix);
}

bool SameDn(std::string_view a, std::string_view b) {
  const auto normalA = ldapnames::NormalDn(a);
  return normalA && normalA == ldapnames::NormalDn(b);
}

bool IsBelow(std::string_view dn, std::string_view base) {
  const auto normal = ldapnames::NormalDn(dn);
  const auto normalBase = ldapnames::NormalDn(base);
  return normal && normalBase && normal->size() > normalBase->size() &&
         normal->ends_with("," + *normalBase);
}

bool ByFoldedId(const std::string& a, const std::string& b) { return FoldCase(a) < FoldCase(b); }

// A server refuses the bind of an unknown account at once, but checks the
// password of a known one against its hash first. So that the two cannot be
// told apart, every refused bind lasts as long as the slowest one this
// process has seen (at most the operation timeout).
void PadRefusedBind(std::chrono::steady_clock::time_point start, std::chrono::milliseconds timeout) {
  using namespace std::chrono;
  static std::atomic<long long> slowestMicroseconds{0};
  const long long took = duration_cast<microseconds>(steady_clock::now() - start).count();
  const long long cap = duration_cast<microseconds>(timeout).count();
  long long slowest = slowestMicroseconds.load();
  while (took > slowest && took <= cap && !slowestMicroseconds.compare_exchange_weak(slowest, took)) {
  }
  if (slowest > took) std::this_thread::sleep_for(microseconds(std::min(slowest, cap) - took));
}

// The first limit + 1 matches sorted by the server, when it sorts; nullopt
// when it does not, or when its own size limit cut the page short.
std::optional<std::vector<LdapEntry>> ServerSortedPage(LdapConnection& connection, LdapSearch search,
                                                       int limit) {
  if (!connection.Features().sorting || limit >= kFetchPageSize) return std::nullopt;
  search.sortAttribute = ldapmap::kUserId;
  search.sortRule = "caseIgnoreOrderingMatch";
  search.sizeLimit = limit + 1;
  int code = LDAP_SUCCESS;
  std::vector<LdapEntry> entries = connection.Search(search, code);
  if (code == LDAP_SIZELIMIT_EXCEEDED && entries.size() <= static_cast<std::size_t>(limit))
    return std::nullopt;
  return entries;
}

// Every match, in pages when the server offers paged results.
std::vector<LdapEntry> AllMatches(LdapConnection& connection, const LdapSearch& search,
                                  const std::string& url) {
  if (connection.Features().paging) return connection.SearchPaged(search, kFetchPageSize);
  int code = LDAP_SUCCESS;
  std::vector<LdapEntry> entries = connection.Search(search, code);
  if (code == LDAP_SIZELIMIT_EXCEEDED) {
    Unavailable("the LDAP server at " + url +
                " returned only part of the users and offers no paged results");
  }
  return entries;
}

}  // namespace

LdapDirectoryBackend::LdapDirectoryBackend(LdapSettings settings)
    : settings_(std::make_shared<const LdapSettings>(std::move(settings))) {}

std::string LdapDirectoryBackend::AccountDn(const std::string& account) const {
  const std::string rootSuffix = "," + settings_->root;
  if (EndsWithCaseBlind(account, rootSuffix)) {
    const std::string head = account.substr(0, account.size() - rootSuffix.size());
    if (head.find('=') == std::string::npos)
      return ldapnames::ChildDn(ldapmap::kUserId, head, settings_->usersBase);
  }
  if (account.find('=') != std::string::npos && IsBelow(account, settings_->root)) return account;
  return ldapnames::ChildDn(ldapmap::kUserId, account, settings_->usersBase);
}

std::string LdapDirectoryBackend::AccountId(const std::string& dn) {
  return Reading(*settings_, [&](LdapConnection& connection) {
    int code = LDAP_SUCCESS;
    const auto entries = connection.Search(
        {.base = dn, .scope = SearchScope::Base, .filter = "(objectClass=*)", .attributes = {"uid"}},
        code);
    if (!entries.empty() && IsBelow(dn, settings_->usersBase)) {
      const auto& ids = entries.front().Values(ldapmap::kUserId);
      if (!ids.empty()) return ids.front();
    }
    return dn;
  });
}

std::optional<std::string> LdapDirectoryBackend::VerifyPassword(const std::string& account,
                                                                const std::string& password) {
  // An empty password is an anonymous bind, which servers answer with success.
  if (account.empty() || password.empty()) return std::nullopt;
  const std::string dn = AccountDn(account);
  const auto start = std::chrono::steady_clock::now();
  const int code =
      OnConnection(*settings_, ConnectionRole::Authentication, true,
                   [&](LdapConnection& connection) { return connection.Bind(dn, password); });
  if (code != LDAP_SUCCESS) {
    PadRefusedBind(start, settings_->timeout);
    return std::nullopt;
  }
  return AccountId(dn);
}

bool LdapDirectoryBackend::HoldsWriterRight(const std::string& accountId) {
  const std::string dn = AccountDn(accountId);
  if (SameDn(dn, settings_->scriptDn) || SameDn(dn, settings_->serviceDn)) return true;
  return Reading(*settings_, [&](LdapConnection& connection) {
    const auto user = FindUser(connection, accountId, {std::string(ldapmap::kWriterRight)});
    return user && ldapentries::IsTrue(user->Values(ldapmap::kWriterRight));
  });
}

std::optional<LdapEntry> LdapDirectoryBackend::FindUser(LdapConnection& connection,
                                                        const std::string& userId,
                                                        std::vector<std::string> attributes) const {
  const auto filter = ldapfilters::ForCriteria({{std::string(kIdAttribute), Comparison::Equal, userId}},
                                               settings_->usersBase);
  int code = LDAP_SUCCESS;
  auto entries = connection.Search({.base = settings_->usersBase,
                                    .filter = filter.filter,
                                    .attributes = std::move(attributes),
                                    .sizeLimit = 2},
                                   code);
  if (entries.empty()) return std::nullopt;
  return std::move(entries.front());
}

void LdapDirectoryBackend::KeepUndo(std::function<void(LdapConnection&)> undo) {
  LdapUndoLog* log = LdapUndoLog::Current(settings_->Identity());
  if (!log) return;
  log->Add([settings = settings_, undo = std::move(undo)] { Writing(*settings, undo); });
}

template <class ChangesOf>
void LdapDirectoryBackend::ChangeUser(const std::string& userId, ChangesOf&& changesOf) {
  Writing(*settings_, [&](LdapConnection& connection) {
    const auto user = FindUser(connection, userId, {"*"});
    if (!user) RaiseDirectoryError(err::kUserNotFound, kUserSource, userId);
    std::vector<LdapChange> changes = changesOf(*user);
    const std::vector<LdapChange> previous = ldapentries::Snapshot(*user, changes);
    if (connection.Modify(user->dn, changes) == LDAP_NO_SUCH_OBJECT) {
      RaiseDirectoryError(err::kUserNotFound, kUserSource, userId);
    }
    KeepUndo([dn = user->dn, previous](LdapConnection& undoing) { undoing.Modify(dn, previous); });
  });
}

void LdapDirectoryBackend::SetWriterRight(const std::string& userId, bool granted) {
  ChangeUser(userId, [&](const LdapEntry& user) {
    std::vector<LdapChange> changes = ldapentries::AuxiliaryClassFor(user);
    changes.push_back({std::string(ldapmap::kWriterRight),
                       granted ? std::vector<std::string>{"TRUE"} : std::vector<std::string>{}});
    return changes;
  });
}

void LdapDirectoryBackend::ReplaceAttribute(const std::string& userId, const std::string& name,
                                            const std::vector<std::string>& values) {
  ChangeUser(userId, [&](const LdapEntry& user) {
    std::vector<LdapChange> changes = ldapentries::AuxiliaryClassFor(user);
    for (LdapChange& change : ldapentries::ChangesFor(user, name, values, settings_->usersBase)) {
      changes.push_back(std::move(change));
    }
    return changes;
  });
}

void LdapDirectoryBackend::SetPassword(const std::string& userId, const std::string& password) {
  Writing(*settings_, [&](LdapConnection& connection) {
    const auto user = FindUser(connection, userId, {"userPassword"});
    if (!user || connection.SetPassword(user->dn, password) == LDAP_NO_SUCH_OBJECT) {
      RaiseDirectoryError(err::kUserNotFound, kUserSource, userId);
    }
    // The server's hashes of the old password, never a clear text.
    std::vector<LdapChange> previous{{"userPassword", user->Values("userPassword")}};
    KeepUndo([dn = user->dn, previous](LdapConnection& undoing) { undoing.Modify(dn, previous); });
  });
}

std::optional<Entry> LdapDirectoryBackend::Load(const std::string& userId) {
  return Reading(*settings_, [&](LdapConnection& connection) -> std::optional<Entry> {
    const auto user = FindUser(connection, userId, {"*"});
    if (!user) return std::nullopt;
    return ldapentries::ToEntry(*user, userId);
  });
}

// One search for all the IDs. Each entry found answers the IDs its user ID
// values equal case-blind; the first found for an ID is kept, as Load keeps
// the first.
std::vector<std::optional<Entry>> LdapDirectoryBackend::LoadMany(
    const std::vector<std::string>& userIds) {
  std::vector<std::optional<Entry>> entries(userIds.size());
  if (userIds.empty()) return entries;
  const LdapSearch search{
      .base = settings_->usersBase, .filter = ldapfilters::ForUserIds(userIds), .attributes = {"*"}};
  const std::vector<LdapEntry> found = Reading(*settings_, [&](LdapConnection& connection) {
    return AllMatches(connection, search, settings_->url);
  });
  std::map<std::string, std::vector<std::size_t>> placesOf;  // by folded ID
  for (std::size_t place = 0; place < userIds.size(); ++place)
    placesOf[FoldCase(userIds[place])].push_back(place);
  for (const LdapEntry& ldap : found) {
    for (const std::string& id : ldap.Values(ldapmap::kUserId)) {
      const auto places = placesOf.find(FoldCase(id));
      if (places == placesOf.end()) continue;
      for (std::size_t place : places->second) {
        if (!entries[place]) entries[place] = ldapentries::ToEntry(ldap, userIds[place]);
      }
    }
  }
  return entries;
}

void LdapDirectoryBackend::Create(const Entry& entry, const std::string& password) {
  Writing(*settings_, [&](LdapConnection& connection) {
    if (!connection.Features().passwordModify) {
      Unavailable("the LDAP server at " + settings_->url +
                  " does not offer the Password Modify operation");
    }
    if (FindUser(connection, entry.userId, {}))
      RaiseDirectoryError(err::kUserExists, kMembersSource, entry.userId);
    const std::string dn = ldapnames::ChildDn(ldapmap::kUserId, entry.userId, settings_->usersBase);
    if (connection.Add(dn, ldapentries::NewEntryAttributes(entry, settings_->usersBase)) ==
        LDAP_ALREADY_EXISTS) {
      RaiseDirectoryError(err::kUserExists, kMembersSource, entry.userId);
    }
    try {
      if (connection.SetPassword(dn, password) != LDAP_SUCCESS)
        Unavailable("the new user's entry vanished");
    } catch (...) {
      // Nothing is written when the creation fails.
      try {
        connection.Delete(dn);
      } catch (...) {
      }
      throw;
    }
    KeepUndo([dn](LdapConnection& undoing) { undoing.Delete(dn); });
  });
}

bool LdapDirectoryBackend::Delete(const std::string& userId) {
  return Writing(*settings_, [&](LdapConnection& connection) {
    auto user = FindUser(connection, userId, {"*"});
    if (!user || connection.Delete(user->dn) == LDAP_NO_SUCH_OBJECT) return false;
    KeepUndo([removed = std::move(*user)](LdapConnection& undoing) {
      undoing.Add(removed.dn, removed.attributes);
    });
    return true;
  });
}

std::vector<std::string> LdapDirectoryBackend::SortedIds(LdapConnection& connection,
                                                         const SearchRequest& request,
                                                         std::string& nextFrom) const {
  const auto filter = ldapfilters::ForCriteria(request.criteria, settings_->usersBase);
  const bool onEntries = !filter.onEntries.empty();
  const LdapSearch search{.base = settings_->usersBase,
                          .filter = filter.filter,
                          .attributes = {onEntries ? std::string("*") : std::string(ldapmap::kUserId)}};
  std::optional<std::vector<LdapEntry>> entries;
  if (request.limit > 0 && !onEntries) entries = ServerSortedPage(connection, search, request.limit);
  if (!entries) entries = AllMatches(connection, search, settings_->url);
  std::vector<std::string> ids;
  for (const LdapEntry& ldap : *entries) {
    const Entry entry = ldapentries::ToEntry(ldap, {});
    const bool meets =
        std::all_of(filter.onEntries.begin(), filter.onEntries.end(),
                    [&](const Criterion& criterion) { return ldapfilters::Meets(entry, criterion); });
    if (meets && !entry.userId.empty()) ids.push_back(entry.userId);
  }
  // The server's ordering rule folds Unicode and blanks too; the
  // directory's order is the ASCII case-blind one.
  std::stable_sort(ids.begin(), ids.end(), ByFoldedId);
  nextFrom.clear();
  if (request.limit > 0 && ids.size() > static_cast<std::size_t>(request.limit)) {
    nextFrom = ids[request.limit];
    ids.resize(request.limit);
  }
  return ids;
}

SearchResult LdapDirectoryBackend::Search(const SearchRequest& request) {
  SearchResult result;
  result.userIds = Reading(*settings_, [&](LdapConnection& connection) {
    return SortedIds(connection, request, result.nextFrom);
  });
  return result;
}

void RegisterLdapDirectoryBackend() {
  RegisterDirectoryBackend("ldap",
                           [](const MembershipSettings& settings) -> std::unique_ptr<DirectoryBackend> {
                             return std::make_unique<LdapDirectoryBackend>(ReadLdapSettings(settings));
                           });
}

}  // namespace korvo::membership
