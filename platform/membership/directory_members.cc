#include "platform/membership/directory_members.h"

#include <map>
#include <set>

#include "platform/data/recordset.h"
#include "platform/host/create_as.h"
#include "platform/host/object_context.h"
#include "platform/membership/attribute_kinds.h"
#include "platform/membership/criteria.h"
#include "platform/membership/directory_entry.h"
#include "platform/membership/directory_error.h"
#include "platform/membership/directory_user.h"
#include "platform/membership/new_entry.h"
#include "platform/runtime/conversions.h"

namespace korvo::membership {

namespace {

namespace err = contracts::membership_error;

// The row limit a caller's page size asks for; 0 for none.
std::int32_t RowLimit(const rt::Variant& pageSize) {
  if (pageSize.IsMissing() || pageSize.IsNullOrEmpty()) return 0;
  if (!pageSize.IsNumeric() && !(pageSize.IsString() && rt::ParseNumber(pageSize.AsString()))) {
    RaiseDirectoryError(err::kInvalidCriteria, kMembersSource, "the page size is not a number");
  }
  return std::max(rt::CLng(pageSize), std::int32_t{0});
}

Criterion RoleCriterion(std::int16_t role) {
  return {"KorvoRole", Comparison::Equal, std::to_string(role)};
}

contracts::RecordsetRef IdRecordset(const std::vector<std::string>& userIds) {
  data::ResultSet rows;
  rows.fields.push_back({std::string(kIdAttribute), rt::VarType::String});
  rows.values.reserve(userIds.size());
  for (const auto& id : userIds) rows.values.emplace_back(id);
  return std::make_shared<data::Recordset>(std::move(rows), std::weak_ptr<rt::Object>(), std::string());
}

// The parents `entries` name, read together, by folded ID. A parent the
// read did not find is left out: the user's own look-up decides for it.
std::map<std::string, Entry> ParentsOf(Directory& directory,
                                       const std::vector<std::optional<Entry>>& entries) {
  std::map<std::string, Entry> parents;
  std::set<std::string> named;
  std::vector<std::string> parentIds;
  for (const std::optional<Entry>& entry : entries) {
    const std::optional<std::string> parentId = entry ? ParentId(*entry) : std::nullopt;
    if (parentId && named.insert(FoldCase(*parentId)).second) parentIds.push_back(*parentId);
  }
  std::vector<std::optional<Entry>> read = directory.FindUsers(parentIds);
  for (std::size_t i = 0; i < read.size(); ++i) {
    if (read[i]) parents.emplace(FoldCase(parentIds[i]), std::move(*read[i]));
  }
  return parents;
}

}  // namespace

const host::DispatchTable& DirectoryMembers::Dispatch() const {
  using M = DirectoryMembers;
  static const host::DispatchTable table = host::DispatchTable::For<M>()
                                               .Getter("IDAttribute", &M::IDAttribute)
                                               .Method("Search", &M::SearchOptionalLimit)
                                               .Getter("NextFrom", &M::NextFrom)
                                               .Method("SearchByRole", &M::SearchByRole)
                                               .Method("SearchByRoleWith", &M::SearchByRoleWith)
                                               .Method("CreateUser", &M::CreateUser)
                                               .Method("DeleteUser", &M::DeleteUser)
                                               .Build();
  return table;
}

Directory& DirectoryMembers::Open() {
  if (!directory_) directory_ = Directory::Open();
  return *directory_;
}

std::string DirectoryMembers::IDAttribute() { return std::string(kIdAttribute); }

contracts::RecordsetRef DirectoryMembers::Run(SearchRequest request) {
  nextFrom_.clear();
  SearchResult result = Open().Backend().Search(request);
  nextFrom_ = std::move(result.nextFrom);
  return IdRecordset(result.userIds);
}

contracts::RecordsetRef DirectoryMembers::Search(const rt::Variant& criteria,
                                                 const std::string& /*scope*/,
                                                 const rt::Variant& pageSize) {
  SearchRequest request;
  request.criteria = ReadCriteria(criteria, kMembersSource);
  request.limit = RowLimit(pageSize);
  return Run(std::move(request));
}

contracts::RecordsetRef DirectoryMembers::SearchOptionalLimit(const rt::Variant& criteria,
                                                              const std::string& scope,
                                                              std::optional<rt::Variant> pageSize) {
  return Search(criteria, scope, pageSize.value_or(rt::Variant::Missing()));
}

contracts::RecordsetRef DirectoryMembers::SearchByRole(std::int16_t role,
                                                       const std::string& /*idAttribute*/) {
  return Run(SearchRequest{{RoleCriterion(role)}, 0});
}

contracts::RecordsetRef DirectoryMembers::SearchByRoleWith(std::int16_t role,
                                                           const rt::Variant& criteria,
                                                           const std::string& /*idAttribute*/) {
  SearchRequest request;
  request.criteria = ReadCriteria(criteria, kMembersSource);
  request.criteria.push_back(RoleCriterion(role));
  return Run(std::move(request));
}

rt::ObjectRef DirectoryMembers::CreateUser(const std::string& name, const std::string& password,
                                           const rt::Variant& names, const rt::Variant& values) {
  RequireValidUserId(name, kMembersSource);
  if (password.empty())
    RaiseDirectoryError(err::kInvalidAttribute, kMembersSource, "a password may not be empty");
  Entry entry = NewEntry(name, names, values, kMembersSource);
  std::string accountId = AuthorizeWrite();
  Open().Backend().Create(entry, password);
  auto user = host::CreateAs<DirectoryUser>(kUserProgId);
  user->Attach(directory_, std::move(accountId), Open().LoadUser(name, kMembersSource));
  return user;
}

void DirectoryMembers::DeleteUser(const std::string& userId) {
  AuthorizeWrite();
  Open().DeleteUser(userId, kMembersSource);
}

std::vector<std::shared_ptr<contracts::MembershipUser>> DirectoryMembers::BindUsers(
    const std::vector<std::string>& userIds, const std::string& account, const std::string& password) {
  std::vector<std::shared_ptr<contracts::MembershipUser>> users(userIds.size());
  if (userIds.empty()) return users;
  const std::string accountId = Open().Authenticate(account, password, kUserSource);
  std::vector<std::optional<Entry>> entries = directory_->FindUsers(userIds);
  const std::map<std::string, Entry> parents = ParentsOf(*directory_, entries);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (!entries[i]) continue;
    auto user = host::CreateAs<DirectoryUser>(kUserProgId);
    const std::optional<std::string> parentId = ParentId(*entries[i]);
    const auto parent = parentId ? parents.find(FoldCase(*parentId)) : parents.end();
    if (parent == parents.end()) {
      user->Attach(directory_, accountId, std::move(*entries[i]));
    } else {
      user->Attach(directory_, accountId, std::move(*entries[i]), parent->second);
    }
    users[i] = std::move(user);
  }
  return users;
}

std::string DirectoryMembers::AuthorizeWrite() {
  const Credentials acting = ActingAccount();
  std::string accountId = Open().Authenticate(acting.account, acting.password, kMembersSource);
  if (!Open().IsWriter(accountId)) RaiseDirectoryError(err::kAccessDenied, kMembersSource);
  return accountId;
}

Credentials DirectoryMembers::ActingAccount() {
  host::ObjectContext* context = Context() ? Context().get() : host::GetObjectContext();
  if (context && context->scope() && context->scope()->session) {
    rt::Dictionary& session = *context->scope()->session;
    Credentials fromSession{host::SessionText(session, "REMOTE_ACCOUNT"),
                            host::SessionText(session, "REMOTE_PASSWORD")};
    if (!fromSession.account.empty()) return fromSession;
  }
  return Open().ScriptAccount();
}

}  // namespace korvo::membership
