#include "net/SslLayer.h"

#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <sys/stat.h>

namespace hostaq {

namespace {

std::atomic<TSSLImplementation> g_implementation{TSSLImplementation::OpenSSL};

std::string EnvText(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

// The process-wide client context. SSL objects hold their own reference, so replacing the
// context never pulls it from under a live session.
class TClientContext {
public:
    ~TClientContext() {
        if (ctx_)
            SSL_CTX_free(ctx_);
    }

    // A new reference to the current context, or nullptr when none can be made.
    SSL_CTX* Acquire() {
        std::lock_guard lock(mutex_);
        std::string certFile = EnvText("SSL_CERT_FILE");
        std::string certDir = EnvText("SSL_CERT_DIR");
        if (!ctx_ || certFile != certFile_ || certDir != certDir_) {
            SSL_CTX* fresh = Create();
            if (!fresh)
                return nullptr;
            if (ctx_)
                SSL_CTX_free(ctx_);
            ctx_ = fresh;
            certFile_ = certFile;
            certDir_ = certDir;
        }
        SSL_CTX_up_ref(ctx_);
        return ctx_;
    }

private:
    static SSL_CTX* Create() {
        SSL_CTX* ctx = SSL_CTX_new(TLS_client_method());
        if (!ctx)
            return nullptr;
        SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
        SSL_CTX_set_cipher_list(ctx, "DEFAULT");
        // Plenty of servers end an answer without close_notify; a body without a length is
        // read until the close either way.
        SSL_CTX_set_options(ctx, SSL_OP_IGNORE_UNEXPECTED_EOF);
        SSL_CTX_set_mode(ctx, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
        LoadTrustStore(ctx);
        ERR_clear_error();
        return ctx;
    }

    // OpenSSL's default places, SSL_CERT_FILE and SSL_CERT_DIR honoured. The hashed folder is
    // looked up per certificate as needed; the whole bundle file is parsed into memory only when
    // it is named explicitly or when there is no such folder, so a long-running monitor does not
    // keep every trusted certificate of the system in memory.
    static void LoadTrustStore(SSL_CTX* ctx) {
        const std::string file = EnvText(X509_get_default_cert_file_env());
        std::string dir = EnvText(X509_get_default_cert_dir_env());
        if (dir.empty())
            dir = X509_get_default_cert_dir();
        if (!file.empty())
            SSL_CTX_load_verify_file(ctx, file.c_str());
        struct stat st {};
        if (::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
            SSL_CTX_load_verify_dir(ctx, dir.c_str());
        else if (file.empty())
            SSL_CTX_load_verify_file(ctx, X509_get_default_cert_file());
    }

    std::mutex mutex_;
    SSL_CTX* ctx_ = nullptr;
    std::string certFile_, certDir_;
};

TClientContext& ClientContext() {
    static TClientContext context;
    return context;
}

bool IsIpLiteral(const std::string& host) {
    unsigned char buf[16];
    return inet_pton(AF_INET, host.c_str(), buf) == 1 || inet_pton(AF_INET6, host.c_str(), buf) == 1;
}

std::string OpenSslReason(unsigned long err) {
    if (err == 0)
        return {};
    const char* reason = ERR_reason_error_string(err);
    if (reason)
        return reason;
    char buf[256];
    ERR_error_string_n(err, buf, sizeof buf);
    return buf;
}

class TSSLOpenSSL : public TCustomSSL {
public:
    explicit TSSLOpenSSL(SSL_CTX* ctx) : ctx_(ctx) {}
    ~TSSLOpenSSL() override {
        if (ssl_)
            SSL_free(ssl_);
        SSL_CTX_free(ctx_);
    }

    std::string LibName() const override { return OpenSSL_version(OPENSSL_VERSION); }

    bool Prepare(int fd, const std::string& host, bool verify) override {
        ERR_clear_error();
        verify_ = verify;
        ssl_ = SSL_new(ctx_);
        if (!ssl_ || SSL_set_fd(ssl_, fd) != 1) {
            error_ = "cannot create the TLS session";
            return false;
        }
        if (!host.empty() && !IsIpLiteral(host))
            SSL_set_tlsext_host_name(ssl_, host.c_str());
        if (verify) {
            SSL_set_verify(ssl_, SSL_VERIFY_PEER, nullptr);
            SSL_set_hostflags(ssl_, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
            // An address literal is checked against the certificate's IP entries.
            if (SSL_set1_host(ssl_, host.c_str()) != 1) {
                error_ = "cannot set the host name to verify";
                return false;
            }
        } else {
            SSL_set_verify(ssl_, SSL_VERIFY_NONE, nullptr);
        }
        return true;
    }

    TSSLIo Handshake() override {
        ERR_clear_error();
        errno = 0;
        int r = SSL_connect(ssl_);
        if (r == 1)
            return TSSLIo::Ok;
        int e = SSL_get_error(ssl_, r);
        if (e == SSL_ERROR_WANT_READ)
            return TSSLIo::WantRead;
        if (e == SSL_ERROR_WANT_WRITE)
            return TSSLIo::WantWrite;
        long verifyResult = SSL_get_verify_result(ssl_);
        if (verify_ && verifyResult != X509_V_OK) {
            error_ = std::string("TLS handshake failed: certificate verify failed: ") +
                     X509_verify_cert_error_string(verifyResult);
        } else {
            std::string reason = OpenSslReason(ERR_peek_last_error());
            if (reason.empty())
                reason = e == SSL_ERROR_SYSCALL || e == SSL_ERROR_ZERO_RETURN
                             ? "the server closed the connection"
                             : "protocol error";
            error_ = "TLS handshake failed: " + reason;
        }
        return TSSLIo::Error;
    }

    TSSLIo Recv(char* buffer, std::size_t size, std::size_t& received) override {
        ERR_clear_error();
        errno = 0;
        received = 0;
        int r = SSL_read_ex(ssl_, buffer, size, &received);
        if (r == 1)
            return TSSLIo::Ok;
        return Failure(r, "TLS read failed: ");
    }

    TSSLIo Send(const char* data, std::size_t size, std::size_t& sent) override {
        ERR_clear_error();
        errno = 0;
        sent = 0;
        int r = SSL_write_ex(ssl_, data, size, &sent);
        if (r == 1)
            return TSSLIo::Ok;
        return Failure(r, "TLS write failed: ");
    }

    std::size_t Pending() const override { return ssl_ ? static_cast<std::size_t>(SSL_pending(ssl_)) : 0; }

    void Shutdown() override {
        if (ssl_) {
            ERR_clear_error();
            if (SSL_is_init_finished(ssl_))
                SSL_shutdown(ssl_);
            SSL_free(ssl_);
            ssl_ = nullptr;
        }
        ERR_clear_error();
    }

    std::string LastErrorDesc() const override { return error_; }
    int LastSystemError() const override { return systemError_; }

private:
    TSSLIo Failure(int r, const char* what) {
        systemError_ = 0;
        int e = SSL_get_error(ssl_, r);
        switch (e) {
        case SSL_ERROR_WANT_READ:
            return TSSLIo::WantRead;
        case SSL_ERROR_WANT_WRITE:
            return TSSLIo::WantWrite;
        case SSL_ERROR_ZERO_RETURN:
            return TSSLIo::Closed;
        case SSL_ERROR_SYSCALL:
            if (ERR_peek_error() == 0) {
                if (errno == 0)
                    return TSSLIo::Closed;
                systemError_ = errno;
                error_ = what + std::string("connection error");
                return TSSLIo::Error;
            }
            [[fallthrough]];
        default: {
            std::string reason = OpenSslReason(ERR_peek_last_error());
            error_ = what + (reason.empty() ? std::string("connection error") : reason);
            return TSSLIo::Error;
        }
        }
    }

    SSL_CTX* ctx_;
    SSL* ssl_ = nullptr;
    bool verify_ = true;
    std::string error_;
    int systemError_ = 0;
};

} // namespace

void SetSSLImplementation(TSSLImplementation implementation) {
    g_implementation.store(implementation);
}

std::unique_ptr<TCustomSSL> CreateSSL() {
    if (g_implementation.load() == TSSLImplementation::OpenSSL) {
        if (SSL_CTX* ctx = ClientContext().Acquire())
            return std::make_unique<TSSLOpenSSL>(ctx);
    }
    return std::make_unique<TSSLNone>();
}

} // namespace hostaq
