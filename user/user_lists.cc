// Users listed from the membership directory, a page at a time: all
// internal users, the holders of a directory role, the users of a user
// type or project role, and the supplier users of a business partner.
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "infrastructure/components.h"
#include "infrastructure/method_guard.h"
#include "infrastructure/sql_access.h"
#include "infrastructure/user_lib.h"
#include "platform/contracts/configuration.h"
#include "platform/runtime/conversions.h"
#include "user/internal/id_pages.h"
#include "user/internal/user_members.h"
#include "user/user.h"

namespace korvo::common {

namespace {

using contracts::membership_role::kApprover;
using contracts::membership_role::kBuyer;
using contracts::membership_role::kSupplier;

// Each row's ID, as item and key.
rt::CollectionRef IdCollection(contracts::RecordsetRef& rows, const std::string& idAttribute) {
  infra::ScopedClose<contracts::RecordsetRef> close(rows);
  auto users = rt::Collection::Create();
  for (; rows && !rows->IsEOF(); rows->MoveNext()) {
    const rt::Variant& id = rows->Value(idAttribute);
    users->Add(id, rt::CStr(id));
  }
  return users;
}

std::vector<rt::Variant> Items(const rt::Collection& list) {
  std::vector<rt::Variant> items;
  for (const auto& entry : list.Entries()) items.push_back(entry.item);
  return items;
}

// One page of a list, each ID as item without a key (PageCollection).
rt::CollectionRef PageCollection(const rt::Collection& list, rt::Variant& fromKey,
                                 const std::optional<rt::Variant>& pageSize) {
  auto page = rt::Collection::Create();
  for (rt::Variant& id : IdPage(Items(list), fromKey, pageSize)) page->Add(std::move(id));
  return page;
}

rt::Variant Criteria(std::vector<rt::Variant> criteria) {
  return rt::Variant(rt::Array(std::move(criteria)));
}

// The longest value a directory criterion carries.
constexpr std::size_t kLongestCriterionValue = 1024;

// What of a list the directory reads for one page (IdPage then cuts the
// page from it): the IDs from `from` on (case-blind; "" from the first), at
// most `rows` of them (Missing: all).
struct PageReach {
  std::string from;
  rt::Variant rows = rt::Variant::Missing();
};

// The reach of the page `fromKey` and `pageSize` ask for: the page's own
// IDs, so the directory reads one page whatever the list's length.
// A page of none still asks for one row, so the directory's errors show as
// on any page. The whole list when the start or size cannot be handed to
// the directory as given; IdPage refuses them then, after the search, as
// it always has.
PageReach ReachOf(const rt::Variant& fromKey, const std::optional<rt::Variant>& pageSize) {
  PageReach reach;
  try {
    std::string from = rt::CStr(fromKey);
    if (from.size() > kLongestCriterionValue || from.find('\0') != std::string::npos) return {};
    if (pageSize) reach.rows = rt::Variant(std::max(rt::CLng(*pageSize), std::int32_t{1}));
    reach.from = std::move(from);
  } catch (const rt::Error&) {
    return {};
  }
  return reach;
}

// The IDs of the users matching every criterion within `reach`, each as
// item and key; directory failures are reported as `method`'s.
rt::CollectionRef UsersMatching(const char* method, std::vector<std::string> criteria,
                                const PageReach& reach = {}) {
  contracts::RecordsetRef rows;
  return infra::RunHandled(infra::UnvotedHandler(method), [&] {
    infra::ScopedClose<contracts::RecordsetRef> close(rows);
    auto members = infra::UL_CreateMO();
    const std::string idAttribute = members->IDAttribute();
    std::vector<rt::Variant> texts;
    for (std::string& criterion : criteria) texts.emplace_back(std::move(criterion));
    if (!reach.from.empty()) texts.emplace_back(idAttribute + ">=" + reach.from);
    rows = members->Search(Criteria(std::move(texts)), "", reach.rows);
    return IdCollection(rows, idAttribute);
  });
}

// One page of the users matching every criterion, read a page at a time.
rt::CollectionRef MatchingPage(const char* method, std::vector<std::string> criteria,
                               rt::Variant& fromKey, const std::optional<rt::Variant>& pageSize) {
  const rt::CollectionRef read = UsersMatching(method, std::move(criteria), ReachOf(fromKey, pageSize));
  return PageCollection(*read, fromKey, pageSize);
}

constexpr const char* kSearchMethod = "KorvoCommon.User.GetKorvoUsers";

// One page of a directory role's holders.
rt::CollectionRef RolePage(std::int16_t role, rt::Variant& fromKey,
                           const std::optional<rt::Variant>& pageSize) {
  return MatchingPage("KorvoCommon.User.getKorvoUsersHavingRole", {"KorvoRole=" + std::to_string(role)},
                      fromKey, pageSize);
}

// The directory's script account, as section MEMBERSHIP of the
// configuration names it: the account (with the directory root appended
// when one is set) and its password. Held only for the call.
struct ScriptAccount {
  std::string account;
  std::string password;
};

ScriptAccount ReadScriptAccount(contracts::Configuration& configuration) {
  configuration.Query();
  ScriptAccount script{rt::CStr(configuration.ReadValue("MEMBERSHIP", "MemScriptUser")),
                       rt::CStr(configuration.ReadValue("MEMBERSHIP", "MemScriptCode"))};
  const std::string root = rt::CStr(configuration.ReadValue("MEMBERSHIP", "LDAPRoot"));
  if (!root.empty()) script.account += "," + root;
  return script;
}

bool HoldsRole(const rt::Array& codes, std::int16_t role) {
  for (const rt::Variant& code : codes.items) {
    const std::optional<int> order = rt::Compare(code, rt::Variant(role));
    if (order && *order == 0) return true;
  }
  return false;
}

// The user's role codes, the parent entry's when the user has none.
rt::Array EffectiveRoleCodes(contracts::MembershipUser& user) {
  rt::Array codes = user.RoleCodes();
  if (!codes.items.empty() && !codes.items[0].IsEmpty()) return codes;
  auto parent = std::dynamic_pointer_cast<contracts::MembershipEntry>(user.Parent());
  return parent ? parent->RoleCodes() : codes;
}

// The IDs of one directory page from `from` on (nullopt when the
// directory answers no record set).
std::optional<std::vector<std::string>> DirectoryPage(contracts::MembershipMembers& members,
                                                      const std::string& idAttribute,
                                                      const std::string& from,
                                                      const rt::Variant& searchSize) {
  contracts::RecordsetRef rows =
      members.Search(Criteria({rt::Variant(idAttribute + ">=" + from)}), "", searchSize);
  infra::ScopedClose<contracts::RecordsetRef> close(rows);
  if (!rows) return std::nullopt;
  std::vector<std::string> ids;
  for (; !rows->IsEOF(); rows->MoveNext()) ids.push_back(rt::CStr(rows->Value(idAttribute)));
  return ids;
}

// Walks the directory from `from` with the script account, listing the
// users without the supplier role until the page holds pageSize of them
// (or, without a size, to the end). Returns where the walk goes on ("" at
// the directory's end); `last` is the last ID listed. Each directory page's
// users are bound together; one the members object could not read with
// them is bound alone, so it fails (or is listed) as a bind of its own.
std::string ListInternalUsers(contracts::MembershipMembers& members, contracts::MembershipUser& user,
                              const ScriptAccount& script, std::string from,
                              const std::optional<std::int32_t>& pageSize, rt::Dictionary& listed,
                              std::string& last) {
  const std::string idAttribute = members.IDAttribute();
  const rt::Variant searchSize = pageSize ? rt::Variant(*pageSize) : rt::Variant::Missing();
  auto pageFull = [&] { return pageSize && listed.Count() >= *pageSize; };
  do {
    const std::optional<std::vector<std::string>> ids =
        DirectoryPage(members, idAttribute, from, searchSize);
    if (!ids) return std::string();
    const auto bound = members.BindUsers(*ids, script.account, script.password);
    std::size_t row = 0;
    for (; row < ids->size() && !pageFull(); ++row) {
      const std::string& id = (*ids)[row];
      if (!bound[row]) user.Bind(id, script.account, script.password);
      contracts::MembershipUser& listedUser = bound[row] ? *bound[row] : user;
      if (HoldsRole(EffectiveRoleCodes(listedUser), kSupplier)) continue;
      listed.Add(rt::Variant(id), rt::Variant(rt::Array({rt::Variant(listedUser.GivenName()),
                                                         rt::Variant(listedUser.Surname())})));
      last = id;
    }
    // Rows left unread on a full page are listed next time: the next page
    // restarts right after the last ID listed, whatever the directory's
    // own continuation says.
    from = row == ids->size() ? members.NextFrom() : last + "!";
  } while (!pageFull() && !from.empty());
  return from;
}

}  // namespace

// Without a page size every internal user is listed on one page; a page
// size of 0 or less lists none, as the other lists do.
rt::DictionaryRef User::GetAllInternalUsers(rt::Variant& io_vFromUserID,
                                            const std::optional<rt::Variant>& i_vPageSize) {
  return infra::RunHandled(infra::UnvotedHandler("KorvoCommon.User.GetAllInternalUsers"), [&] {
    auto configuration = infra::Gen_GetComponentAs<contracts::Configuration>("Korvex.Configuration");
    auto members = infra::Gen_GetComponentAs<contracts::MembershipMembers>("KorvoMembership.Members");
    auto user = infra::Gen_GetComponentAs<contracts::MembershipUser>("Korvomembership.User");
    auto listed = rt::Dictionary::Create();
    const std::optional<std::int32_t> pageSize =
        i_vPageSize ? std::optional<std::int32_t>(rt::CLng(*i_vPageSize)) : std::nullopt;
    if (pageSize && *pageSize <= 0) {
      io_vFromUserID = rt::Variant("");
      return listed;
    }
    const ScriptAccount script = ReadScriptAccount(*configuration);
    std::string last;
    const std::string next =
        ListInternalUsers(*members, *user, script, rt::CStr(io_vFromUserID), pageSize, *listed, last);
    io_vFromUserID = rt::Variant(next.empty() ? std::string() : last + "!");
    return listed;
  });
}

rt::CollectionRef User::GetAllBuyers(rt::Variant& io_vFromUserID,
                                     const std::optional<rt::Variant>& i_vPageSize) {
  return RolePage(kBuyer, io_vFromUserID, i_vPageSize);
}

rt::CollectionRef User::GetAllApprovers(rt::Variant& io_vFromUserID,
                                        const std::optional<rt::Variant>& i_vPageSize) {
  return RolePage(kApprover, io_vFromUserID, i_vPageSize);
}

rt::CollectionRef User::GetAllSuppliers(rt::Variant& io_vFromUserID,
                                        const std::optional<rt::Variant>& i_vPageSize) {
  return RolePage(kSupplier, io_vFromUserID, i_vPageSize);
}

rt::CollectionRef User::GetUsersByUserType(std::int16_t iUserType, rt::Variant& io_vFromUserID,
                                           const std::optional<rt::Variant>& i_vPageSize) {
  return MatchingPage(kSearchMethod, {"ProjectUserType=" + std::to_string(iUserType)}, io_vFromUserID,
                      i_vPageSize);
}

rt::CollectionRef User::GetUsersByProjectRole(const std::string& iRole, rt::Variant& io_vFromUserID,
                                              const std::optional<rt::Variant>& i_vPageSize) {
  return MatchingPage(kSearchMethod, {"ProjectRole=" + iRole}, io_vFromUserID, i_vPageSize);
}

rt::CollectionRef User::GetAllSuppliersForBP(std::int32_t i_lBPID) {
  return infra::RunHandled(infra::UnvotedHandler("KorvoCommon.User.GetAllSuppliersForBP"), [&] {
    return UsersMatching(kSearchMethod, {"BusinessPartnerID=" + std::to_string(i_lBPID),
                                         "KorvoRole=" + std::to_string(kSupplier)});
  });
}

namespace user_members {

void AddListMembers(Builder& table) {
  table.Method("GetAllInternalUsers", &User::GetAllInternalUsers)
      .Method("GetAllBuyers", &User::GetAllBuyers)
      .Method("GetAllApprovers", &User::GetAllApprovers)
      .Method("GetAllSuppliers", &User::GetAllSuppliers)
      .Method("GetUsersByUserType", &User::GetUsersByUserType)
      .Method("GetUsersByProjectRole", &User::GetUsersByProjectRole)
      .Method("GetAllSuppliersForBP", &User::GetAllSuppliersForBP);
}

}  // namespace user_members

}  // namespace korvo::common
