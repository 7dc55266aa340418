#pragma once

#include <openssl/ssl.h>

#include <string>
#include <vector>

namespace hostaq::test {

// A certificate and its private key, both PEM.
struct TTestCert {
    std::string CertPem;
    std::string KeyPem;
};

// A certificate authority made at test time (EC P-256, valid from an hour ago for two days).
TTestCert MakeTestCA(const std::string& commonName = "Hostaq Test CA");
// A server certificate signed by ca for the given DNS names and IP addresses.
TTestCert MakeServerCert(const TTestCert& ca, const std::vector<std::string>& dnsNames,
                         const std::vector<std::string>& ipAddresses = {});
// A server certificate that signs itself.
TTestCert MakeSelfSignedCert(const std::vector<std::string>& dnsNames,
                             const std::vector<std::string>& ipAddresses = {});

// A TLS server context serving cert (the caller frees it with SSL_CTX_free).
SSL_CTX* MakeServerContext(const TTestCert& cert);

// The usual set: a CA, a server certificate for localhost and 127.0.0.1 signed by it, one
// signed by it for another host name, and a self-signed one for localhost.
struct TTestPki {
    TTestPki();
    TTestCert CA;
    TTestCert Localhost;
    TTestCert WrongHost;
    TTestCert SelfSigned;
};

} // namespace hostaq::test
