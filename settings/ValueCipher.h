#pragma once

#include "settings/Exception.h"

#include <QByteArray>

#include <memory>

// "Cipher not initialized", "Unable to allocate sufficient memory for hash digest".
class EDCP_cipher : public Exception
{
public:
    explicit EDCP_cipher(const QString &message) : Exception(message, "EDCP_cipher") {}
};

// The general cipher interface enciphered settings values are made with: keyed from a
// passphrase, a shift register reset to the initial vector before every value, byte strings in
// and standard Base64 text out (and back).
class TDCP_cipher
{
public:
    virtual ~TDCP_cipher() = default;

    // Keys the cipher from the passphrase's bytes through its hash (SHA-1), computes the
    // initial vector and resets. A keyed cipher is burned first.
    virtual void InitStr(const QByteArray &Key) = 0;
    // Sets the shift register back to the initial vector.
    virtual void Reset() = 0;
    // Enciphers bytes from the current register state and returns the Base64 text.
    virtual QByteArray EncryptString(const QByteArray &Str) = 0;
    // Decodes Base64 text and deciphers it from the current register state.
    virtual QByteArray DecryptString(const QByteArray &Str) = 0;
    // Wipes key schedule, initial vector and register; the cipher is unkeyed afterwards.
    virtual void Burn() = 0;
    virtual bool Initialized() const = 0;
};

// Twofish (128-bit blocks) in CFB-8 over a 16-byte register; the key is the SHA-1 digest of the
// passphrase (160 bits, zero-padded to 192 as Twofish pads short keys), the initial vector the
// encryption of a zero block under that key.
class TDCP_twofish : public TDCP_cipher
{
public:
    TDCP_twofish();
    ~TDCP_twofish() override; // burns

    void InitStr(const QByteArray &Key) override;
    void Reset() override;
    QByteArray EncryptString(const QByteArray &Str) override;
    QByteArray DecryptString(const QByteArray &Str) override;
    void Burn() override;
    bool Initialized() const override;

    // The CFB-8 steps on raw bytes (EncryptString/DecryptString add the Base64 layer).
    QByteArray EncryptCFB8bit(const QByteArray &Plain);
    QByteArray DecryptCFB8bit(const QByteArray &Cipher);

private:
    struct State;
    std::unique_ptr<State> FState;
};

// Standard Base64 (RFC 4648 alphabet, "=" padding, no line breaks).
QByteArray Base64EncodeStr(const QByteArray &Data);
// Reads groups of 4 characters and ignores a trailing shorter group; a group gives 3 bytes, 2 when
// its fourth character is "=", 1 when its third is. Characters outside the alphabet count as 0.
QByteArray Base64DecodeStr(const QByteArray &Text);
