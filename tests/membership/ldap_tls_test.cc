// The LDAP backend over TLS: ldaps:// and StartTLS, the server's certificate
// checked against LDAPCAFile.
#include <gtest/gtest.h>

#include "membership/ldap_test_server.h"
#include "platform/contracts/membership.h"
#include "platform/runtime/error.h"

namespace korvo::membership {
namespace {

namespace err = contracts::membership_error;
using testing::LdapTestDirectory;

const std::string kPassword = "Correct horse 1";

// The test directory's settings with another URL and TLS keys.
LdapDirectoryBackend OverTls(LdapTestDirectory& directory, const std::string& url,
                             const std::string& startTls, const std::string& caFile) {
  testing::MapSettings settings = directory.settings();
  settings.Set("LDAPURL", url);
  settings.Set("LDAPStartTLS", startTls);
  settings.Set("LDAPCAFile", caFile);
  return LdapDirectoryBackend(ReadLdapSettings(settings));
}

TEST(LdapTlsTest, LdapsAndStartTlsReachTheServerWithItsCa) {
  KORVO_LDAP_DIRECTORY_OR_SKIP(directory);
  if (directory.server().TlsUrl().empty()) GTEST_SKIP() << "the server offers no TLS";
  const std::string ca = directory.server().CaFile();

  auto ldaps = OverTls(directory, directory.server().TlsUrl(), "", ca);
  ldaps.Create(Entry{"ann", {{"EMAIL", {"ann@example.com"}}}}, kPassword);
  EXPECT_EQ(ldaps.VerifyPassword("ann", kPassword), "ann");

  auto startTls = OverTls(directory, directory.settings().Value("LDAPURL"), "yes", ca);
  EXPECT_TRUE(startTls.Load("ann"));
  EXPECT_EQ(startTls.VerifyPassword("ann", kPassword), "ann");
}

TEST(LdapTlsTest, AServerCertificateNoTrustedCaSignedIsRefused) {
  KORVO_LDAP_DIRECTORY_OR_SKIP(directory);
  if (directory.server().TlsUrl().empty()) GTEST_SKIP() << "the server offers no TLS";
  const std::string systemCas = "/etc/ssl/certs/ca-certificates.crt";
  const std::pair<std::string, std::string> ways[] = {{directory.server().TlsUrl(), ""},
                                                      {directory.settings().Value("LDAPURL"), "yes"}};
  for (const auto& [url, startTls] : ways) {
    auto backend = OverTls(directory, url, startTls, systemCas);
    try {
      backend.Load("ann");
      ADD_FAILURE() << "an untrusted certificate was accepted";
    } catch (const rt::Error& error) {
      EXPECT_EQ(error.number(), err::kDirectoryUnavailable);
    }
  }
}

}  // namespace
}  // namespace korvo::membership
