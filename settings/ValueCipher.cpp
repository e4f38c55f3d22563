#include "settings/ValueCipher.h"

#include <algorithm>
#include <botan/block_cipher.h>
#include <botan/hash.h>
#include <botan/mem_ops.h>
#include <botan/secmem.h>

namespace {
constexpr size_t kBlockSize = 16;
constexpr size_t kKeySize = 24; // the 160-bit digest, zero-padded to Twofish's 192-bit size

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

uint8_t Base64Value(char c)
{
    if (c >= 'A' && c <= 'Z')
        return uint8_t(c - 'A');
    if (c >= 'a' && c <= 'z')
        return uint8_t(c - 'a' + 26);
    if (c >= '0' && c <= '9')
        return uint8_t(c - '0' + 52);
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return 0;
}
} // namespace

struct TDCP_twofish::State
{
    std::unique_ptr<Botan::BlockCipher> cipher;
    Botan::secure_vector<uint8_t> iv = Botan::secure_vector<uint8_t>(kBlockSize);
    Botan::secure_vector<uint8_t> reg = Botan::secure_vector<uint8_t>(kBlockSize);
    bool initialized = false;
};

TDCP_twofish::TDCP_twofish() : FState(std::make_unique<State>())
{}

TDCP_twofish::~TDCP_twofish()
{
    Burn();
}

bool TDCP_twofish::Initialized() const
{
    return FState->initialized;
}

void TDCP_twofish::InitStr(const QByteArray &Key)
{
    if (FState->initialized)
        Burn();
    try {
        std::unique_ptr<Botan::HashFunction> sha1 = Botan::HashFunction::create_or_throw("SHA-1");
        sha1->update(reinterpret_cast<const uint8_t *>(Key.constData()), size_t(Key.size()));
        Botan::secure_vector<uint8_t> key = sha1->final();
        key.resize(kKeySize, 0);
        FState->cipher = Botan::BlockCipher::create_or_throw("Twofish");
        FState->cipher->set_key(key);
        // secure_vector wipes itself on release; the digest buffer is overwritten first as well.
        std::fill(key.begin(), key.end(), uint8_t(0xFF));
        std::fill(FState->iv.begin(), FState->iv.end(), uint8_t(0));
        FState->cipher->encrypt(FState->iv.data());
    } catch (const std::exception &) {
        FState->cipher.reset();
        throw EDCP_cipher(QStringLiteral("Unable to allocate sufficient memory for hash digest"));
    }
    FState->initialized = true;
    Reset();
}

void TDCP_twofish::Reset()
{
    if (!FState->initialized)
        throw EDCP_cipher(QStringLiteral("Cipher not initialized"));
    FState->reg = FState->iv;
}

void TDCP_twofish::Burn()
{
    if (FState->cipher)
        FState->cipher->clear();
    FState->cipher.reset();
    Botan::zeroise(FState->iv);
    Botan::zeroise(FState->reg);
    FState->initialized = false;
}

QByteArray TDCP_twofish::EncryptCFB8bit(const QByteArray &Plain)
{
    if (!FState->initialized)
        throw EDCP_cipher(QStringLiteral("Cipher not initialized"));
    QByteArray out(Plain.size(), Qt::Uninitialized);
    uint8_t block[kBlockSize];
    for (qsizetype i = 0; i < Plain.size(); ++i) {
        FState->cipher->encrypt_n(FState->reg.data(), block, 1);
        const uint8_t c = uint8_t(Plain[i]) ^ block[0];
        out[i] = char(c);
        std::move(FState->reg.begin() + 1, FState->reg.end(), FState->reg.begin());
        FState->reg[kBlockSize - 1] = c;
    }
    Botan::secure_scrub_memory(block, sizeof block);
    return out;
}

QByteArray TDCP_twofish::DecryptCFB8bit(const QByteArray &Cipher)
{
    if (!FState->initialized)
        throw EDCP_cipher(QStringLiteral("Cipher not initialized"));
    QByteArray out(Cipher.size(), Qt::Uninitialized);
    uint8_t block[kBlockSize];
    for (qsizetype i = 0; i < Cipher.size(); ++i) {
        FState->cipher->encrypt_n(FState->reg.data(), block, 1);
        const uint8_t c = uint8_t(Cipher[i]);
        out[i] = char(c ^ block[0]);
        std::move(FState->reg.begin() + 1, FState->reg.end(), FState->reg.begin());
        FState->reg[kBlockSize - 1] = c;
    }
    Botan::secure_scrub_memory(block, sizeof block);
    return out;
}

QByteArray TDCP_twofish::EncryptString(const QByteArray &Str)
{
    return Base64EncodeStr(EncryptCFB8bit(Str));
}

QByteArray TDCP_twofish::DecryptString(const QByteArray &Str)
{
    return DecryptCFB8bit(Base64DecodeStr(Str));
}

QByteArray Base64EncodeStr(const QByteArray &Data)
{
    QByteArray out;
    out.reserve((Data.size() + 2) / 3 * 4);
    const auto *p = reinterpret_cast<const uint8_t *>(Data.constData());
    const qsizetype n = Data.size();
    qsizetype i = 0;
    for (; i + 3 <= n; i += 3) {
        const uint32_t v = uint32_t(p[i]) << 16 | uint32_t(p[i + 1]) << 8 | p[i + 2];
        out += kAlphabet[v >> 18 & 63];
        out += kAlphabet[v >> 12 & 63];
        out += kAlphabet[v >> 6 & 63];
        out += kAlphabet[v & 63];
    }
    if (n - i == 1) {
        const uint32_t v = uint32_t(p[i]) << 16;
        out += kAlphabet[v >> 18 & 63];
        out += kAlphabet[v >> 12 & 63];
        out += "==";
    } else if (n - i == 2) {
        const uint32_t v = uint32_t(p[i]) << 16 | uint32_t(p[i + 1]) << 8;
        out += kAlphabet[v >> 18 & 63];
        out += kAlphabet[v >> 12 & 63];
        out += kAlphabet[v >> 6 & 63];
        out += '=';
    }
    return out;
}

QByteArray Base64DecodeStr(const QByteArray &Text)
{
    QByteArray out;
    out.reserve(Text.size() / 4 * 3);
    for (qsizetype i = 0; i + 4 <= Text.size(); i += 4) {
        const uint32_t v = uint32_t(Base64Value(Text[i])) << 18
                           | uint32_t(Base64Value(Text[i + 1])) << 12
                           | uint32_t(Base64Value(Text[i + 2])) << 6
                           | uint32_t(Base64Value(Text[i + 3]));
        out += char(v >> 16 & 0xFF);
        if (Text[i + 2] == '=')
            continue;
        out += char(v >> 8 & 0xFF);
        if (Text[i + 3] == '=')
            continue;
        out += char(v & 0xFF);
    }
    return out;
}
