// The client's verdict on a server's certificate, from what the system's
// chain building and its SSL policy check found. The client always decides
// itself: some systems' TLS accepts any certificate, and some policy checks
// pass a chain whose issuer exists nowhere, so a certificate is accepted only
// when both the chain and the policy found nothing wrong.
#pragma once

#include <cstdint>

// The chain's error bits (CERT_TRUST_STATUS.dwErrorStatus) that name a
// reason of their own.
enum : uint32_t {
    CHAIN_NOT_TIME_VALID = 0x1,
    CHAIN_NOT_VALID_FOR_USAGE = 0x10,
    CHAIN_UNTRUSTED_ROOT = 0x20,
    CHAIN_PARTIAL = 0x10000,
};
// The SSL policy's results (CERT_CHAIN_POLICY_STATUS.dwError).
enum : uint32_t {
    POLICY_EXPIRED = 0x800B0101,
    POLICY_UNTRUSTED_ROOT = 0x800B0109,
    POLICY_CHAINING = 0x800B010A,
    POLICY_NAME_MISMATCH = 0x800B010F,
    POLICY_WRONG_USAGE = 0x800B0110,
};

// Null when the certificate is accepted, else the reason the user reads in
// "Server certificate not accepted: %s.\r\n".
const char* certificate_refusal(uint32_t chain_errors, uint32_t policy_error);
