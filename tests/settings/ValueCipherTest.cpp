#include "settings/ValueCipher.h"
#include "settings/uAppSettings.h"

#include <gtest/gtest.h>

#include <set>

namespace {

struct KnownAnswer
{
    const char *label;
    QByteArray passphrase;
    QByteArray salt;
    QByteArray value;
    QByteArray ciphertext;
    QByteArray stored;
};

// Known answers computed with two independent crypto libraries.
const KnownAnswer kKnownAnswers[] = {
    {"empty value", "correct horse battery staple", QByteArray::fromHex("0001020304050607"), "",
     QByteArray::fromHex("31512BFF73437C19"), ":$MVEr/3NDfBk="},
    {"100-byte value", "secret", QByteArray::fromHex("0123456789ABCDEF"),
     "0123456789012345678901234567890123456789012345678901234567890123456789012345678901234567890"
     "123456789",
     QByteArray::fromHex(
         "E8D750BF4D833D5CB5E64500BA115EB5B888253AE54AC0BEE16E17AB15753F051C076E66C2616D1FA1A44F2"
         "D6A3284FD47B47BA4E73D6334A1B607D62975765D3FDA0D48E8F22D8AC02F5CA074AEFDDDFB6057AA932298"
         "0FA4DFE45C6770A8740E340532301BE0FFA04C8F5A"),
     ":$6NdQv02DPVy15kUAuhFetbiIJTrlSsC+4W4XqxV1PwUcB25mwmFtH6GkTy1qMoT9R7R7pOc9YzShtgfWKXV2XT/aDU"
     "jo8i2KwC9coHSu/d37YFeqkyKYD6Tf5FxncKh0DjQFMjAb4P+gTI9a"},
};

} // namespace

TEST(ValueCipher, ReproducesTheKnownAnswers)
{
    for (const KnownAnswer &k : kKnownAnswers) {
        auto cipher = TAppSettings::MakeCipher(k.passphrase);
        EXPECT_EQ(TAppSettings::EncryptValue(k.value, *cipher, k.salt), k.stored) << k.label;
        EXPECT_EQ(TAppSettings::DecryptValue(k.stored, *cipher), k.value) << k.label;

        TDCP_twofish raw;
        raw.InitStr(k.passphrase);
        EXPECT_EQ(raw.EncryptCFB8bit(k.salt + k.value), k.ciphertext) << k.label;
        raw.Reset();
        EXPECT_EQ(raw.DecryptCFB8bit(k.ciphertext), k.salt + k.value) << k.label;
    }
}

TEST(ValueCipher, EveryValueStartsFromTheInitialVector)
{
    const KnownAnswer &k = kKnownAnswers[1];
    auto cipher = TAppSettings::MakeCipher(k.passphrase);
    // Work done with the cipher in between must not leak into the next value.
    (void)cipher->EncryptString("some other bytes");
    (void)TAppSettings::DecryptValue(":$AAAAAAAAAAAA", *cipher);
    EXPECT_EQ(TAppSettings::EncryptValue(k.value, *cipher, k.salt), k.stored);
    (void)cipher->EncryptString("more");
    EXPECT_EQ(TAppSettings::DecryptValue(k.stored, *cipher), k.value);
}

TEST(ValueCipher, RandomSaltRoundTripsAndShapes)
{
    auto cipher = TAppSettings::MakeCipher("pass phrase");
    const struct
    {
        QByteArray value;
        int bodyLength;
    } cases[] = {
        {"", 12},
        {"a", 12},
        {"ab", 16},
        {"abc", 16},
        {QByteArray("\xC3\xA4\x00\xFF", 4), 16},
        {QByteArray(1000, '\x7F'), 1344},
    };
    for (const auto &c : cases) {
        const QByteArray first = TAppSettings::EncryptValue(c.value, *cipher);
        const QByteArray second = TAppSettings::EncryptValue(c.value, *cipher);
        ASSERT_TRUE(first.startsWith(":$"));
        EXPECT_EQ(first.size() - 2, c.bodyLength) << c.value.size();
        EXPECT_NE(first, second);
        EXPECT_EQ(TAppSettings::DecryptValue(first, *cipher), c.value);
        EXPECT_EQ(TAppSettings::DecryptValue(second, *cipher), c.value);
    }
    const QByteArray empty = TAppSettings::EncryptValue("", *cipher);
    EXPECT_TRUE(empty.endsWith('='));
    EXPECT_FALSE(TAppSettings::EncryptValue("a", *cipher).endsWith('='));
    EXPECT_TRUE(TAppSettings::EncryptValue("ab", *cipher).endsWith("=="));
}

TEST(ValueCipher, SaltBytesAreNeverZero)
{
    auto cipher = TAppSettings::MakeCipher("k");
    std::set<int> seen;
    for (int i = 0; i < 400; ++i) {
        const QByteArray stored = TAppSettings::EncryptValue("", *cipher);
        cipher->Reset();
        const QByteArray salt = cipher->DecryptString(stored.mid(2));
        ASSERT_EQ(salt.size(), 8);
        for (char b : salt)
            seen.insert(uint8_t(b));
    }
    EXPECT_EQ(seen.count(0), 0u);
    EXPECT_GT(seen.size(), 200u); // drawn over the whole range 1..255
}

TEST(ValueCipher, OtherStoredForms)
{
    auto cipher = TAppSettings::MakeCipher("secret");
    // Not beginning with ":" is no enciphered value.
    for (const QByteArray &plain :
         {QByteArray(""), QByteArray("plain"), QByteArray("$:x"), QByteArray(" :$abcd")})
        EXPECT_EQ(TAppSettings::DecryptValue(plain, *cipher), plain);
    EXPECT_EQ(TAppSettings::DecryptValue(":", *cipher), QByteArray());
    EXPECT_EQ(TAppSettings::DecryptValue(":$", *cipher), QByteArray());
    // ":" + Base64 carries no salt.
    cipher->Reset();
    const QByteArray unsalted = ":" + cipher->EncryptString("no salt here");
    EXPECT_EQ(TAppSettings::DecryptValue(unsalted, *cipher), QByteArray("no salt here"));
    // A body of 8 bytes or fewer holds only salt.
    EXPECT_EQ(TAppSettings::DecryptValue(":$AAAA", *cipher), QByteArray());
}

TEST(ValueCipher, WrongPassphraseGivesOtherBytesWithoutError)
{
    const KnownAnswer &k = kKnownAnswers[1];
    auto wrong = TAppSettings::MakeCipher("Secret");
    const QByteArray bytes = TAppSettings::DecryptValue(k.stored, *wrong);
    EXPECT_EQ(bytes.size(), k.value.size());
    EXPECT_NE(bytes, k.value);
}

TEST(ValueCipher, UnkeyedOrBurnedCipherRaises)
{
    TDCP_twofish cipher;
    const auto expectNotInitialized = [&](const std::function<void()> &op) {
        try {
            op();
            ADD_FAILURE() << "no error";
        } catch (const EDCP_cipher &e) {
            EXPECT_EQ(e.Message(), QStringLiteral("Cipher not initialized"));
        }
    };
    expectNotInitialized([&] { TAppSettings::EncryptValue("x", cipher); });
    expectNotInitialized([&] { TAppSettings::DecryptValue(":$AAAAAAAAAAAA", cipher); });
    // Plain text needs no cipher.
    EXPECT_EQ(TAppSettings::DecryptValue("plain", cipher), QByteArray("plain"));

    cipher.InitStr("secret");
    EXPECT_TRUE(cipher.Initialized());
    cipher.Burn();
    EXPECT_FALSE(cipher.Initialized());
    expectNotInitialized([&] { cipher.Reset(); });
    expectNotInitialized([&] { (void)cipher.EncryptCFB8bit("x"); });

    // Keying again after a burn gives the same cipher as before.
    cipher.InitStr(kKnownAnswers[0].passphrase);
    cipher.InitStr(kKnownAnswers[1].passphrase); // a keyed cipher is burned and keyed anew
    EXPECT_EQ(TAppSettings::EncryptValue(kKnownAnswers[1].value, cipher, kKnownAnswers[1].salt),
              kKnownAnswers[1].stored);
}

TEST(ValueCipher, Base64FollowsTheStoredFormRules)
{
    const struct
    {
        QByteArray text;
        QByteArray bytes;
    } decodes[] = {
        {"TWFu", "Man"},
        {"TWE=", "Ma"},
        {"TQ==", "M"},
        {"TWFuTQ", "Man"},    // trailing group of fewer than 4 ignored
        {"TQ==TWFu", "MMan"}, // padding inside ends only its own group
        {"", ""},
        {"T", ""},
        {"!!!!", QByteArray(3, '\0')}, // outside the alphabet: zero bits, no error
    };
    for (const auto &d : decodes)
        EXPECT_EQ(Base64DecodeStr(d.text), d.bytes) << d.text.constData();
    for (const QByteArray &bytes : {QByteArray(""), QByteArray("M"), QByteArray("Ma"),
                                    QByteArray("Man"), QByteArray("\xFF\xFE\x00\x01", 4)}) {
        EXPECT_EQ(Base64EncodeStr(bytes), bytes.toBase64());
        EXPECT_EQ(Base64DecodeStr(Base64EncodeStr(bytes)), bytes);
    }
}
