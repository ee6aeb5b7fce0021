#include "platform/membership/register.h"

#include <memory>

#include "platform/host/registry.h"
#include "platform/membership/backend_registry.h"
#include "platform/membership/directory_members.h"
#include "platform/membership/directory_user.h"
#include "platform/membership/embedded_directory.h"
#include "platform/membership/ldap/ldap_backend.h"

namespace korvo::membership {

namespace {

template <class T>
void RegisterPlain(const char* progId) {
  host::Registry::Global().Register(host::ClassInfo{progId, host::TransactionAttribute::None, false, [] {
                                                      return rt::ObjectRef(std::make_shared<T>());
                                                    }});
}

}  // namespace

void RegisterClasses() {
  RegisterDirectoryBackend(kEmbeddedBackend, [](const MembershipSettings& settings) {
    return std::unique_ptr<DirectoryBackend>(std::make_unique<EmbeddedDirectory>(settings));
  });
  RegisterLdapDirectoryBackend();
  RegisterPlain<DirectoryUser>(kUserProgId);
  RegisterPlain<DirectoryMembers>(kMembersProgId);
}

}  // namespace korvo::membership
