#!/usr/bin/python3
"""Writes the two streams of an encrypted .xlsx for a fixture workbook, as standard (AES-128 in
ECB mode, SHA-1) and as agile encryption (AES-256 in CBC mode, SHA-512, 100,000 spins), with the
password of make_encrypted.py: tests/data/encrypted/cells.lo.<kind>.EncryptionInfo and
.EncryptedPackage. No producer at hand writes them (LibreOffice leaves an .xlsx unencrypted when
given a password from a script; msoffcrypto-tool 5.0 only decrypts), so they are made here with
python3-cryptography and then checked with msoffcrypto-tool, which must verify the password and
decrypt them to the fixture byte for byte. The engine test does the same.

Usage: make_encrypted_package.py   (needs python3-cryptography and python3-msoffcrypto-tool)
"""
import base64
import hashlib
import hmac
import io
import os
import struct

from cryptography.hazmat.primitives.ciphers import Cipher, algorithms, modes
from msoffcrypto.format.ooxml import _parseinfo
from msoffcrypto.method.ecma376_agile import ECMA376Agile
from msoffcrypto.method.ecma376_standard import ECMA376Standard

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.normpath(os.path.join(HERE, "..", "..", "data"))
PASSWORD = "Fixture-Secret-42"
FIXTURE = "cells.lo.xlsx"


def aes(key, mode, data):
    encryptor = Cipher(algorithms.AES(key), mode).encryptor()
    return encryptor.update(data) + encryptor.finalize()


def padded(data, block=16):
    return data + b"\0" * (-len(data) % block)


def standard(plain):
    salt, verifier = os.urandom(16), os.urandom(16)
    h = hashlib.sha1(salt + PASSWORD.encode("utf-16-le")).digest()
    for i in range(50000):
        h = hashlib.sha1(struct.pack("<I", i) + h).digest()
    h = hashlib.sha1(h + struct.pack("<I", 0)).digest()
    x1 = hashlib.sha1(bytes(b ^ 0x36 for b in h.ljust(64, b"\0"))).digest()
    x2 = hashlib.sha1(bytes(b ^ 0x5C for b in h.ljust(64, b"\0"))).digest()
    key = (x1 + x2)[:16]
    csp = "Microsoft Enhanced RSA and AES Cryptographic Provider\0".encode("utf-16-le")
    header = struct.pack("<8I", 0x24, 0, 0x660E, 0x8004, 128, 0x18, 0, 0) + csp
    info = struct.pack("<HHII", 3, 2, 0x24, len(header)) + header
    info += struct.pack("<I", 16) + salt + aes(key, modes.ECB(), verifier)
    info += struct.pack("<I", 20) + aes(key, modes.ECB(), padded(hashlib.sha1(verifier).digest()))
    package = struct.pack("<Q", len(plain)) + aes(key, modes.ECB(), padded(plain))

    kind, parsed = _parseinfo(io.BytesIO(info))
    check = ECMA376Standard.makekey_from_password(
        PASSWORD, parsed["header"]["algId"], parsed["header"]["algIdHash"],
        parsed["header"]["providerType"], parsed["header"]["keySize"],
        parsed["verifier"]["saltSize"], parsed["verifier"]["salt"])
    assert kind == "standard" and ECMA376Standard.verifykey(
        check, parsed["verifier"]["encryptedVerifier"], parsed["verifier"]["encryptedVerifierHash"])
    assert ECMA376Standard.decrypt(check, io.BytesIO(package)) == plain
    return info, package


def agile(plain):
    key_salt, password_salt = os.urandom(16), os.urandom(16)
    secret, verifier_input, hmac_key = os.urandom(32), os.urandom(16), os.urandom(64)
    spins = 100000
    h = hashlib.sha512(password_salt + PASSWORD.encode("utf-16-le")).digest()
    for i in range(spins):
        h = hashlib.sha512(struct.pack("<I", i) + h).digest()

    def password_key(block):
        return hashlib.sha512(h + block).digest()[:32]

    def iv_for(block):
        return hashlib.sha512(key_salt + block).digest()[:16]

    cbc = lambda key, iv, data: aes(key, modes.CBC(iv), padded(data))  # noqa: E731
    package = struct.pack("<Q", len(plain))
    for i in range(0, len(plain), 4096):
        package += cbc(secret, iv_for(struct.pack("<I", i // 4096)), plain[i:i + 4096])
    hmac_value = hmac.new(hmac_key, package, hashlib.sha512).digest()
    b64 = lambda b: base64.b64encode(b).decode()  # noqa: E731
    xml = (
        '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\r\n'
        '<encryption xmlns="http://schemas.microsoft.com/office/2006/encryption" '
        'xmlns:p="http://schemas.microsoft.com/office/2006/keyEncryptor/password">'
        '<keyData saltSize="16" blockSize="16" keyBits="256" hashSize="64" cipherAlgorithm="AES" '
        'cipherChaining="ChainingModeCBC" hashAlgorithm="SHA512" saltValue="%s"/>'
        '<dataIntegrity encryptedHmacKey="%s" encryptedHmacValue="%s"/>'
        '<keyEncryptors><keyEncryptor uri="http://schemas.microsoft.com/office/2006/keyEncryptor/'
        'password"><p:encryptedKey spinCount="%d" saltSize="16" blockSize="16" keyBits="256" '
        'hashSize="64" cipherAlgorithm="AES" cipherChaining="ChainingModeCBC" '
        'hashAlgorithm="SHA512" saltValue="%s" encryptedVerifierHashInput="%s" '
        'encryptedVerifierHashValue="%s" encryptedKeyValue="%s"/></keyEncryptor></keyEncryptors>'
        '</encryption>' % (
            b64(key_salt),
            b64(cbc(secret, iv_for(bytes.fromhex("5fb2ad010cb9e1f6")), hmac_key)),
            b64(cbc(secret, iv_for(bytes.fromhex("a0677f02b22c8433")), hmac_value)),
            spins, b64(password_salt),
            b64(cbc(password_key(bytes.fromhex("fea7d2763b4b9e79")), password_salt, verifier_input)),
            b64(cbc(password_key(bytes.fromhex("d7aa0f6d3061344e")), password_salt,
                    hashlib.sha512(verifier_input).digest())),
            b64(cbc(password_key(bytes.fromhex("146e0be7abacd0d6")), password_salt, secret))))
    info = struct.pack("<HHI", 4, 4, 0x40) + xml.encode("utf-8")

    kind, parsed = _parseinfo(io.BytesIO(info))
    assert kind == "agile" and ECMA376Agile.verify_password(
        PASSWORD, parsed["passwordSalt"], parsed["passwordHashAlgorithm"],
        parsed["encryptedVerifierHashInput"], parsed["encryptedVerifierHashValue"],
        parsed["spinValue"], parsed["passwordKeyBits"])
    key = ECMA376Agile.makekey_from_password(
        PASSWORD, parsed["passwordSalt"], parsed["passwordHashAlgorithm"],
        parsed["encryptedKeyValue"], parsed["spinValue"], parsed["passwordKeyBits"])
    assert ECMA376Agile.verify_integrity(
        key, parsed["keyDataSalt"], parsed["keyDataHashAlgorithm"], parsed["keyDataBlockSize"],
        parsed["encryptedHmacKey"], parsed["encryptedHmacValue"], io.BytesIO(package))
    assert ECMA376Agile.decrypt(key, parsed["keyDataSalt"], parsed["keyDataHashAlgorithm"],
                                io.BytesIO(package)) == plain
    return info, package


def main():
    with open(os.path.join(DATA, "fixtures", FIXTURE), "rb") as f:
        plain = f.read()
    for kind, make in (("standard", standard), ("agile", agile)):
        info, package = make(plain)
        base = os.path.join(DATA, "encrypted", FIXTURE.replace(".xlsx", "." + kind))
        for suffix, data in ((".EncryptionInfo", info), (".EncryptedPackage", package)):
            with open(base + suffix, "wb") as f:
                f.write(data)
        print("wrote", base + ".*", "(checked with msoffcrypto-tool)")


if __name__ == "__main__":
    main()
