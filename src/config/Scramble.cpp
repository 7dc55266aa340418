#include "config/Scramble.h"

// The low-level Blowfish interface is what the stored format needs (ECB over our own big-endian
// halves); OpenSSL 3 marks it deprecated but keeps it.
#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/blowfish.h>
#include <openssl/rand.h>

#include <cstdint>
#include <cstdio>
#include <random>
#include <vector>

namespace hostaq {

namespace {

// 34 printable characters; the key is every other one, backwards, each code less 3.
constexpr char KeyConstant[] = "q#xUk9s!Lw4V_mZ2eYr8hQ&tNp5Jd7Ga3F";
static_assert(sizeof(KeyConstant) - 1 == 34);

std::string PreparedKey() {
    std::string key = BuildScrambleKey();
    if (key.size() < 16)
        key.append(16 - key.size(), 'X');
    if (key.size() > 56)
        key.resize(56);
    return key;
}

BF_KEY MakeCipher() {
    const std::string key = PreparedKey();
    BF_KEY bf;
    BF_set_key(&bf, static_cast<int>(key.size()), reinterpret_cast<const unsigned char*>(key.data()));
    return bf;
}

void CryptBlocks(std::vector<unsigned char>& data, int mode) {
    const BF_KEY bf = MakeCipher();
    for (std::size_t i = 0; i + 8 <= data.size(); i += 8) {
        BF_LONG halves[2];
        for (int h = 0; h < 2; ++h) {
            const unsigned char* p = &data[i + 4 * h];
            halves[h] = (static_cast<BF_LONG>(p[0]) << 24) | (static_cast<BF_LONG>(p[1]) << 16) |
                        (static_cast<BF_LONG>(p[2]) << 8) | static_cast<BF_LONG>(p[3]);
        }
        if (mode == BF_ENCRYPT)
            BF_encrypt(halves, &bf);
        else
            BF_decrypt(halves, &bf);
        for (int h = 0; h < 2; ++h) {
            unsigned char* p = &data[i + 4 * h];
            p[0] = static_cast<unsigned char>(halves[h] >> 24);
            p[1] = static_cast<unsigned char>(halves[h] >> 16);
            p[2] = static_cast<unsigned char>(halves[h] >> 8);
            p[3] = static_cast<unsigned char>(halves[h]);
        }
    }
}

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

unsigned char RandomByte() {
    unsigned char b = 0;
    if (RAND_bytes(&b, 1) != 1) {
        static thread_local std::mt19937 gen{std::random_device{}()};
        b = static_cast<unsigned char>(gen());
    }
    return b;
}

} // namespace

std::string BuildScrambleKey() {
    std::string key;
    for (int i = 32; i >= 0; i -= 2)
        key += static_cast<char>(KeyConstant[i] - 3);
    return key;
}

std::string ScramblePassword(const std::string& plain) {
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "%08X", static_cast<unsigned>(plain.size()));
    std::vector<unsigned char> data(prefix, prefix + 8);
    data.insert(data.end(), plain.begin(), plain.end());
    while (data.size() < 64)
        data.push_back(RandomByte());
    while (data.size() % 8 != 0)
        data.push_back('X');
    CryptBlocks(data, BF_ENCRYPT);
    static constexpr char Digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(data.size() * 2);
    for (unsigned char b : data) {
        out += Digits[b >> 4];
        out += Digits[b & 15];
    }
    return out;
}

std::string UnscramblePassword(const std::string& stored, bool* malformed) {
    std::vector<unsigned char> data;
    bool badDigit = false;
    for (std::size_t i = 0; i + 1 < stored.size(); i += 2) {
        const int hi = HexValue(stored[i]), lo = HexValue(stored[i + 1]);
        if (hi < 0 || lo < 0)
            badDigit = true;
        data.push_back(static_cast<unsigned char>(((hi < 0 ? 0 : hi) << 4) | (lo < 0 ? 0 : lo)));
    }
    const std::size_t realSize = data.size();
    while (data.size() % 8 != 0)
        data.push_back(0);
    CryptBlocks(data, BF_DECRYPT);
    data.resize(realSize);

    std::uint64_t length = 0;
    bool ok = !badDigit && data.size() >= 8;
    for (std::size_t i = 0; ok && i < 8; ++i) {
        const int v = HexValue(static_cast<char>(data[i]));
        if (v < 0)
            ok = false;
        else
            length = length * 16 + static_cast<std::uint64_t>(v);
    }
    if (malformed)
        *malformed = !ok;
    if (!ok)
        return {};
    const std::size_t available = data.size() - 8;
    const std::size_t take = length < available ? static_cast<std::size_t>(length) : available;
    return std::string(data.begin() + 8, data.begin() + 8 + static_cast<std::ptrdiff_t>(take));
}

} // namespace hostaq
