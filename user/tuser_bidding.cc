// TUser.InsertBiddingUser: a supplier registers for bidding in one step.
// Its address, its business partner, the link between them and its
// directory user are created in one transaction, and a registration that
// fails at any step leaves none of them behind.
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "infrastructure/components.h"
#include "infrastructure/script_data_object.h"
#include "platform/contracts/result_object.h"
#include "platform/host/host_scope.h"
#include "platform/host/object_context.h"
#include "platform/runtime/error.h"
#include "user/tuser.h"

namespace korvo::common {

namespace {

constexpr const char* kBusinessPartnerProgId = "KorvoCommon.BusinessPartner";

// The directory's refusals that have messages of their own.
constexpr std::int32_t kDirectoryUserExists = static_cast<std::int32_t>(0x8004032Au);
constexpr std::int32_t kDirectoryPasswordRefused = static_cast<std::int32_t>(0x8004044Fu);

contracts::ResultObject& Outcome(const rt::ObjectRef& result) {
  auto* outcome = dynamic_cast<contracts::ResultObject*>(result.get());
  if (outcome == nullptr) rt::Raise(rt::errnum::kObjectNotSet);
  return *outcome;
}

rt::Variant Produced(const rt::ObjectRef& result, const char* name) {
  return infra::ValueOf(*Outcome(result).Values(), name);
}

rt::Variant Call(const rt::ObjectRef& object, const char* method, std::vector<rt::Variant>& args) {
  return object->Invoke(method, rt::InvokeKind::Method, std::span<rt::Variant>(args));
}

// The partner's script insert; the arrays are the caller's, by reference.
rt::ObjectRef InsertByScript(const rt::ObjectRef& partners, const char* table, rt::Variant& keys,
                             rt::Variant& values) {
  std::vector<rt::Variant> args{rt::Variant(table), keys, values};
  rt::Variant result = Call(partners, "InsertFromScript", args);
  keys = std::move(args[1]);
  values = std::move(args[2]);
  return result.AsObject();
}

void Append(rt::Variant& array, rt::Variant item) { array.AsArray().items.push_back(std::move(item)); }

// The message a failed directory user becomes.
std::string DirectoryRefusal(const rt::ErrorRecord& error) {
  if (error.Number == kDirectoryUserExists) return "SLBCO8572";
  if (error.Number == kDirectoryPasswordRefused) return "SLBCO8501";
  return error.Description;
}

// A transactional scope that keeps the caller's web application and session,
// so the directory sees the same signed-in account.
host::ScopeOptions TransactionFor(const host::ObjectContext* caller) {
  host::ScopeOptions options;
  if (caller != nullptr) {
    options.application = caller->scope()->application;
    options.session = caller->scope()->session;
  }
  return options;
}

}  // namespace

rt::ObjectRef TUser::InsertBiddingUser(rt::Variant& i_aAddressKeys, rt::Variant& i_aAddressValues,
                                       rt::Variant& i_aBPKeys, rt::Variant& i_aBPValues,
                                       rt::Variant& i_aUserKeys, rt::Variant& i_aUserValues,
                                       std::string i_sUserId, std::string i_sPassword) {
  // Called outside any host transaction, the registration opens one of its
  // own: each of its writes would otherwise stand on its own, and a later
  // failure would leave the earlier ones behind.
  std::optional<host::HostScope> ownTransaction;
  const host::ObjectContext* caller = host::GetObjectContext();
  if (caller == nullptr || !caller->IsInTransaction()) {
    ownTransaction.emplace(TransactionFor(caller));
  }
  rt::ObjectRef result;
  try {
    result = RegisterBidder(i_aAddressKeys, i_aAddressValues, i_aBPKeys, i_aBPValues, i_aUserKeys,
                            i_aUserValues, i_sUserId, i_sPassword);
  } catch (...) {
    infra::Mts_SetAbort();
    throw;
  }
  if (ownTransaction) ownTransaction->End();
  return result;
}

rt::ObjectRef TUser::RegisterBidder(rt::Variant& addressKeys, rt::Variant& addressValues,
                                    rt::Variant& partnerKeys, rt::Variant& partnerValues,
                                    rt::Variant& userKeys, rt::Variant& userValues,
                                    const std::string& userId, const std::string& password) {
  const rt::ObjectRef partners = infra::Gen_GetComponent(kBusinessPartnerProgId);
  const rt::ObjectRef address = InsertByScript(partners, "ADDRESS", addressKeys, addressValues);
  if (!Outcome(address).Succeeded()) {
    infra::Mts_SetAbort();
    return address;
  }
  const rt::Variant addressId = Produced(address, "ADDRESSID");
  Append(partnerKeys, rt::Variant("ADDRESSID"));
  Append(partnerValues, addressId);
  const rt::ObjectRef result = InsertByScript(partners, "BUSINESSPARTNER", partnerKeys, partnerValues);
  contracts::ResultObject& outcome = Outcome(result);
  if (!outcome.Succeeded()) {
    infra::Mts_SetAbort();
    return result;
  }
  const rt::Variant partnerId = Produced(result, "BUSINESSPARTNERID");
  userValues.AsArray().At(0) = partnerId;

  // From here on a failure is reported in the result, not raised.
  bool linked = false;
  std::string linkError;
  try {
    std::vector<rt::Variant> args{addressId, partnerId};
    linked = rt::CBool(Call(partners, "AddExistingAddress", args));
  } catch (...) {
    linkError = rt::CurrentError().Description;
  }
  if (!linked) {
    outcome.AddMessage(linkError);
    outcome.AddMessage("SLBCO8337");
    infra::Mts_SetAbort();
    return result;
  }

  rt::ObjectRef user;
  rt::ErrorRecord userError;
  try {
    user = CreateUserWithAttributes(userId, password, userKeys, userValues);
  } catch (...) {
    userError = rt::CurrentError();
  }
  if (user) {
    infra::Mts_SetComplete();
    return result;
  }
  outcome.AddMessage(DirectoryRefusal(userError));
  outcome.AddMessage("SLBCO8339");
  infra::Mts_SetAbort();
  return result;
}

}  // namespace korvo::common
