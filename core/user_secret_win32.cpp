#include <windows.h>
#include <wincrypt.h>

#include "core/user_secret.h"

namespace {

// The program's own entropy: another program running as the same user has
// to know it too before the system opens the secret for it.
BYTE entropy_bytes[] = {'Z', 'e', 'n', 't', 'h', ' ', 'M', 'a', 'i', 'l', ' ', 't', 'o', 'k', 'e', 'n'};

DATA_BLOB blob_of(const std::string& s) {
    return {static_cast<DWORD>(s.size()), reinterpret_cast<BYTE*>(const_cast<char*>(s.data()))};
}

int take(DATA_BLOB* out, std::string* into) {
    into->assign(reinterpret_cast<const char*>(out->pbData), out->cbData);
    SecureZeroMemory(out->pbData, out->cbData);
    LocalFree(out->pbData);
    return 0;
}

}  // namespace

int user_seal(const std::string& plain, std::string* sealed) {
    DATA_BLOB in = blob_of(plain), out{}, entropy{sizeof entropy_bytes, entropy_bytes};
    if (!CryptProtectData(&in, nullptr, &entropy, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &out)) return -1;
    return take(&out, sealed);
}

int user_unseal(const std::string& sealed, std::string* plain) {
    DATA_BLOB in = blob_of(sealed), out{}, entropy{sizeof entropy_bytes, entropy_bytes};
    if (!CryptUnprotectData(&in, nullptr, &entropy, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &out)) return -1;
    return take(&out, plain);
}
