#include "TestCerts.h"

#include <memory>
#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509v3.h>
#include <stdexcept>

namespace hostaq::test {

namespace {

struct TFree {
    void operator()(EVP_PKEY* p) const { EVP_PKEY_free(p); }
    void operator()(X509* p) const { X509_free(p); }
    void operator()(BIO* p) const { BIO_free(p); }
};
using TKey = std::unique_ptr<EVP_PKEY, TFree>;
using TCert = std::unique_ptr<X509, TFree>;
using TBio = std::unique_ptr<BIO, TFree>;

void Check(bool ok, const char* what) {
    if (!ok)
        throw std::runtime_error(std::string("test certificate: ") + what);
}

TKey NewKey() {
    TKey key(EVP_EC_gen("P-256"));
    Check(key != nullptr, "key generation");
    return key;
}

std::string KeyToPem(EVP_PKEY* key) {
    TBio bio(BIO_new(BIO_s_mem()));
    Check(PEM_write_bio_PrivateKey(bio.get(), key, nullptr, nullptr, 0, nullptr, nullptr) == 1, "key PEM");
    char* data = nullptr;
    long len = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, static_cast<std::size_t>(len));
}

std::string CertToPem(X509* cert) {
    TBio bio(BIO_new(BIO_s_mem()));
    Check(PEM_write_bio_X509(bio.get(), cert) == 1, "certificate PEM");
    char* data = nullptr;
    long len = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, static_cast<std::size_t>(len));
}

TKey KeyFromPem(const std::string& pem) {
    TBio bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
    TKey key(PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr));
    Check(key != nullptr, "key from PEM");
    return key;
}

TCert CertFromPem(const std::string& pem) {
    TBio bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
    TCert cert(PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr));
    Check(cert != nullptr, "certificate from PEM");
    return cert;
}

void AddExtension(X509* cert, X509* issuer, int nid, const std::string& value) {
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value.c_str());
    Check(ext != nullptr, "extension");
    X509_add_ext(cert, ext, -1);
    X509_EXTENSION_free(ext);
}

// A certificate for key, signed by issuerKey; issuer null means self-signed.
TCert NewCert(EVP_PKEY* key, const std::string& commonName, X509* issuer, EVP_PKEY* issuerKey, bool isCA,
              const std::vector<std::string>& dnsNames, const std::vector<std::string>& ips) {
    TCert cert(X509_new());
    X509_set_version(cert.get(), 2);
    unsigned char serial[8];
    RAND_bytes(serial, sizeof serial);
    serial[0] &= 0x7F;
    BIGNUM* bn = BN_bin2bn(serial, sizeof serial, nullptr);
    BN_to_ASN1_INTEGER(bn, X509_get_serialNumber(cert.get()));
    BN_free(bn);
    X509_gmtime_adj(X509_getm_notBefore(cert.get()), -3600);
    X509_gmtime_adj(X509_getm_notAfter(cert.get()), 2 * 86400);
    X509_set_pubkey(cert.get(), key);
    X509_NAME* name = X509_get_subject_name(cert.get());
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>(commonName.c_str()), -1, -1, 0);
    X509* issuerCert = issuer ? issuer : cert.get();
    X509_set_issuer_name(cert.get(), X509_get_subject_name(issuerCert));
    AddExtension(cert.get(), issuerCert, NID_subject_key_identifier, "hash");
    if (issuer)
        AddExtension(cert.get(), issuerCert, NID_authority_key_identifier, "keyid:always");
    if (isCA) {
        AddExtension(cert.get(), issuerCert, NID_basic_constraints, "critical,CA:TRUE");
        AddExtension(cert.get(), issuerCert, NID_key_usage, "critical,keyCertSign,cRLSign");
    } else {
        AddExtension(cert.get(), issuerCert, NID_basic_constraints, "critical,CA:FALSE");
        AddExtension(cert.get(), issuerCert, NID_ext_key_usage, "serverAuth");
        std::string san;
        for (const auto& d : dnsNames)
            san += (san.empty() ? "" : ",") + std::string("DNS:") + d;
        for (const auto& ip : ips)
            san += (san.empty() ? "" : ",") + std::string("IP:") + ip;
        if (!san.empty())
            AddExtension(cert.get(), issuerCert, NID_subject_alt_name, san);
    }
    Check(X509_sign(cert.get(), issuerKey ? issuerKey : key, EVP_sha256()) > 0, "signing");
    return cert;
}

} // namespace

TTestCert MakeTestCA(const std::string& commonName) {
    TKey key = NewKey();
    TCert cert = NewCert(key.get(), commonName, nullptr, nullptr, true, {}, {});
    return {CertToPem(cert.get()), KeyToPem(key.get())};
}

TTestCert MakeServerCert(const TTestCert& ca, const std::vector<std::string>& dnsNames,
                         const std::vector<std::string>& ipAddresses) {
    TCert caCert = CertFromPem(ca.CertPem);
    TKey caKey = KeyFromPem(ca.KeyPem);
    TKey key = NewKey();
    std::string cn = dnsNames.empty() ? "server" : dnsNames.front();
    TCert cert = NewCert(key.get(), cn, caCert.get(), caKey.get(), false, dnsNames, ipAddresses);
    return {CertToPem(cert.get()), KeyToPem(key.get())};
}

TTestCert MakeSelfSignedCert(const std::vector<std::string>& dnsNames,
                             const std::vector<std::string>& ipAddresses) {
    TKey key = NewKey();
    std::string cn = dnsNames.empty() ? "server" : dnsNames.front();
    TCert cert = NewCert(key.get(), cn, nullptr, nullptr, false, dnsNames, ipAddresses);
    return {CertToPem(cert.get()), KeyToPem(key.get())};
}

SSL_CTX* MakeServerContext(const TTestCert& cert) {
    SSL_CTX* ctx = SSL_CTX_new(TLS_server_method());
    Check(ctx != nullptr, "server context");
    TCert x509 = CertFromPem(cert.CertPem);
    TKey key = KeyFromPem(cert.KeyPem);
    Check(SSL_CTX_use_certificate(ctx, x509.get()) == 1, "server certificate");
    Check(SSL_CTX_use_PrivateKey(ctx, key.get()) == 1, "server key");
    return ctx;
}

TTestPki::TTestPki()
    : CA(MakeTestCA()), Localhost(MakeServerCert(CA, {"localhost"}, {"127.0.0.1"})),
      WrongHost(MakeServerCert(CA, {"wrong.example"})),
      SelfSigned(MakeSelfSignedCert({"localhost"}, {"127.0.0.1"})) {}

} // namespace hostaq::test
