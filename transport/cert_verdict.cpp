#include "transport/cert_verdict.h"

namespace {

struct Reason {
    uint32_t chain_bit;
    uint32_t policy_error;
    const char* text;
};

// The first row that matches names the reason; a name that does not match
// is told before the rest, as it is what a user can check.
constexpr Reason reasons[] = {
    {0, POLICY_NAME_MISMATCH, "issued for another name"},
    {CHAIN_NOT_TIME_VALID, POLICY_EXPIRED, "expired or not yet valid"},
    {CHAIN_NOT_VALID_FOR_USAGE, POLICY_WRONG_USAGE, "not meant for servers"},
    {CHAIN_PARTIAL, POLICY_CHAINING, "incomplete chain"},
    {CHAIN_UNTRUSTED_ROOT, POLICY_UNTRUSTED_ROOT, "untrusted issuer"},
};

}  // namespace

const char* certificate_refusal(uint32_t chain_errors, uint32_t policy_error) {
    if (chain_errors == 0 && policy_error == 0) return nullptr;
    for (const Reason& r : reasons)
        if (policy_error == r.policy_error || (chain_errors & r.chain_bit)) return r.text;
    // Whatever else is wrong, the certificate cannot be trusted.
    return "untrusted issuer";
}
