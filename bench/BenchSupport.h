// What the benchmarks share: a loopback provider and a configuration of many groups.
#pragma once

#include "config/Scramble.h"

#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <netinet/in.h>
#include <sstream>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace hostaq::bench {

// A self-signed certificate for 127.0.0.1, made at run time.
inline SSL_CTX* MakeTlsContext() {
    EVP_PKEY* key = EVP_EC_gen("P-256");
    X509* cert = X509_new();
    X509_set_version(cert, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert), 1);
    X509_gmtime_adj(X509_getm_notBefore(cert), -3600);
    X509_gmtime_adj(X509_getm_notAfter(cert), 86400);
    X509_set_pubkey(cert, key);
    X509_NAME* name = X509_get_subject_name(cert);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("127.0.0.1"),
                               -1, -1, 0);
    X509_set_issuer_name(cert, name);
    X509_sign(cert, key, EVP_sha256());
    SSL_CTX* ctx = SSL_CTX_new(TLS_server_method());
    SSL_CTX_use_certificate(ctx, cert);
    SSL_CTX_use_PrivateKey(ctx, key);
    X509_free(cert);
    EVP_PKEY_free(key);
    return ctx;
}

// A provider on 127.0.0.1: /nic/update answers "good <myip>" for every host after a delay;
// any other path is a check-ip page showing 203.0.113.7.
class TBenchProvider {
public:
    TBenchProvider(int delayMs, bool tls) : delayMs_(delayMs), tls_(tls ? MakeTlsContext() : nullptr) {
        listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        int one = 1;
        ::setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listen_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        ::listen(listen_, 4096);
        socklen_t len = sizeof addr;
        ::getsockname(listen_, reinterpret_cast<sockaddr*>(&addr), &len);
        port_ = ntohs(addr.sin_port);
        accept_ = std::thread([this] { AcceptLoop(); });
    }
    ~TBenchProvider() {
        stop_ = true;
        ::shutdown(listen_, SHUT_RDWR);
        ::close(listen_);
        accept_.join();
        std::lock_guard lock(mutex_);
        for (auto& t : threads_)
            t.join();
        if (tls_)
            SSL_CTX_free(tls_);
    }
    std::string HostPort() const { return "127.0.0.1:" + std::to_string(port_); }
    int Requests() const { return requests_.load(); }
    // Milliseconds since start when the latest request arrived.
    double LastRequestMs(std::chrono::steady_clock::time_point start) const {
        std::lock_guard lock(mutex_);
        return std::chrono::duration<double, std::milli>(lastRequest_ - start).count();
    }

private:
    void AcceptLoop() {
        while (!stop_) {
            const int fd = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0)
                continue;
            std::lock_guard lock(mutex_);
            threads_.emplace_back([this, fd] { Serve(fd); });
        }
    }
    void Serve(int fd) {
        SSL* ssl = nullptr;
        if (tls_) {
            ssl = SSL_new(tls_);
            SSL_set_fd(ssl, fd);
            if (SSL_accept(ssl) != 1) {
                SSL_free(ssl);
                ::close(fd);
                return;
            }
        }
        std::string request;
        char buf[4096];
        while (request.find("\r\n\r\n") == std::string::npos) {
            const int n =
                ssl ? SSL_read(ssl, buf, sizeof buf) : static_cast<int>(::read(fd, buf, sizeof buf));
            if (n <= 0)
                break;
            request.append(buf, static_cast<std::size_t>(n));
        }
        ++requests_;
        {
            std::lock_guard lock(mutex_);
            lastRequest_ = std::chrono::steady_clock::now();
        }
        std::string body = "Current IP Address: 203.0.113.7\r\n";
        if (request.rfind("GET /nic/update", 0) == 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(delayMs_));
            const std::size_t h = request.find("hostname=") + 9;
            const std::size_t ip = request.find("myip=") + 5;
            const std::string hosts = request.substr(h, request.find('&', h) - h);
            const std::string address = request.substr(ip, request.find('&', ip) - ip);
            body.clear();
            for (std::size_t i = 0;
                 i <= static_cast<std::size_t>(std::count(hosts.begin(), hosts.end(), ',')); ++i)
                body += "good " + address + "\n";
        }
        const std::string answer =
            "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
        if (ssl) {
            SSL_write(ssl, answer.data(), static_cast<int>(answer.size()));
            SSL_shutdown(ssl);
            SSL_free(ssl);
        } else {
            [[maybe_unused]] ssize_t w = ::write(fd, answer.data(), answer.size());
        }
        ::close(fd);
    }

    int delayMs_;
    SSL_CTX* tls_;
    int listen_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<int> requests_{0};
    mutable std::mutex mutex_;
    std::chrono::steady_clock::time_point lastRequest_;
    std::vector<std::thread> threads_;
    std::thread accept_;
};

// A folder with a configuration of groups groups of one host each, pointed at the provider.
class TBenchConfig {
public:
    TBenchConfig(int groups, const std::string& provider, bool secure, const std::string& page = "") {
        std::string tmpl = (std::filesystem::temp_directory_path() / "hostaq-bench-XXXXXX").string();
        folder_ = ::mkdtemp(tmpl.data());
        path_ = folder_ + "/hostaq.ini";
        Write(groups, provider, secure, page);
    }
    ~TBenchConfig() { std::filesystem::remove_all(folder_); }
    const std::string& Folder() const { return folder_; }
    const std::string& Path() const { return path_; }

    // (Re)writes the file: every group fresh, the last update made for another address.
    void Write(int groups, const std::string& provider, bool secure, const std::string& page = "") {
        std::ostringstream ini;
        ini << "[Options]\nUpdateHost=" << provider << "\nFirstCheckDelay=1\n"
            << "[Connection]\nServerIP=http://" << (page.empty() ? provider : page)
            << "/\nVerifyCertificate=0\n"
            << "[Update]\nIP=198.51.100.1\n";
        // Real scrambled passwords, in the order the group editor writes the keys.
        for (int i = 1; i <= groups; ++i)
            ini << "[Group" << i << "]\nNewConfig=0\nType=0\nUserID=user" << i
                << "\nProvider=hostaq.example\nProfile=\nPassword=" << ScramblePassword("secret")
                << "\nNumOfHosts=1\nHost1=host" << i << ".example\nWildcard=1\n"
                << "MailEx=\nBackupMX=0\nEnable=1\nSecure=" << (secure ? 1 : 0) << "\n";
        // A new file under the name, as an editor would leave it.
        const std::string tmp = path_ + ".new";
        std::ofstream(tmp) << ini.str();
        std::filesystem::rename(tmp, path_);
    }

private:
    std::string folder_;
    std::string path_;
};

// The hostaq program of this build (or HOSTAQ_BINARY), and what /proc tells of a process.
inline std::string HostaqBinary() {
    if (const char* env = std::getenv("HOSTAQ_BINARY"))
        return env;
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    return std::filesystem::path(self).parent_path().parent_path().string() + "/src/app/hostaq";
}

// Starts "hostaq --headless ./hostaq.ini" in folder, its output going to the file out.
inline pid_t StartHeadless(const std::string& folder, const std::string& out) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(folder.c_str()) != 0)
            ::_exit(126);
        const int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(fd, 1);
        ::dup2(fd, 2);
        const std::string bin = HostaqBinary();
        ::execl(bin.c_str(), bin.c_str(), "--headless", "./hostaq.ini", nullptr);
        ::_exit(127);
    }
    return pid;
}

// CPU seconds (user + system) and resident kilobytes of a process.
inline double ProcessCpuSeconds(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string f;
    long ticks = 0;
    for (int i = 3; i <= 15; ++i) {
        fields >> f;
        if (i == 14 || i == 15)
            ticks += std::stol(f);
    }
    return static_cast<double>(ticks) / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

// A "Name:   123 kB" value of /proc/PID/status or smaps_rollup.
inline long ProcKiB(pid_t pid, const std::string& file, const std::string& field) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/" + file);
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(field + ":", 0) == 0)
            return std::stol(line.substr(field.size() + 1));
    return -1;
}
inline long ResidentKiB(pid_t pid) {
    return ProcKiB(pid, "status", "VmRSS");
}

} // namespace hostaq::bench
