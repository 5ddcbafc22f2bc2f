// The native build serves the tests alone: it has no user key store, so
// this stand-in only scrambles the bytes behind a marker. It lets the tests
// see that nothing readable reaches the file and that a file of the wrong
// kind is refused; it protects nothing and never ships.
#include <cstring>

#include "core/user_secret.h"

namespace {

constexpr char marker[] = "ZM-STAND-IN-SEAL";
constexpr size_t marker_length = sizeof marker - 1;

char scramble(char c, size_t i) { return static_cast<char>(c ^ static_cast<char>(0xA5 + 31 * i)); }

}  // namespace

int user_seal(const std::string& plain, std::string* sealed) {
    std::string out(marker, marker_length);
    for (size_t i = 0; i < plain.size(); i++) out += scramble(plain[i], i);
    *sealed = std::move(out);
    return 0;
}

int user_unseal(const std::string& sealed, std::string* plain) {
    if (sealed.size() < marker_length || std::memcmp(sealed.data(), marker, marker_length) != 0) return -1;
    std::string out;
    for (size_t i = marker_length; i < sealed.size(); i++) out += scramble(sealed[i], i - marker_length);
    *plain = std::move(out);
    return 0;
}
