// A sealed grant file is the Windows user's and this program's alone: the
// system's data protection opens it only with the program's own entropy,
// as another program (or another user's key) could not.
#include <windows.h>
#include <wincrypt.h>

#include <string>

#include "format/oauth_grant.h"
#include "tests/unit/test_support.h"

namespace {

using UserSecretTest = FolderTest;

bool opens_with(const std::string& sealed, const char* entropy_text) {
    DATA_BLOB in{static_cast<DWORD>(sealed.size()), reinterpret_cast<BYTE*>(const_cast<char*>(sealed.data()))};
    std::string entropy_bytes = entropy_text ? entropy_text : "";
    DATA_BLOB entropy{static_cast<DWORD>(entropy_bytes.size()),
                      reinterpret_cast<BYTE*>(const_cast<char*>(entropy_bytes.data()))};
    DATA_BLOB out{};
    if (!CryptUnprotectData(&in, nullptr, entropy_text ? &entropy : nullptr, nullptr, nullptr,
                            CRYPTPROTECT_UI_FORBIDDEN, &out))
        return false;
    bool holds = std::string(reinterpret_cast<const char*>(out.pbData), out.cbData).find("rt-sealed") !=
                 std::string::npos;
    LocalFree(out.pbData);
    return holds;
}

TEST_F(UserSecretTest, AGrantFileOpensOnlyWithTheProgramsOwnEntropy) {
    OAuthGrant grant{"https://login.example.test/token", "client-1", "", "rt-sealed"};
    ASSERT_EQ(oauth_grant_save("pop.example.test:995", "ann@example.test", grant), 0);
    std::string sealed = read_file(folder_ / oauth_grant_path("pop.example.test:995", "ann@example.test"));
    EXPECT_EQ(sealed.find("rt-sealed"), std::string::npos);
    EXPECT_TRUE(opens_with(sealed, "Zenth Mail token"));
    EXPECT_FALSE(opens_with(sealed, nullptr));
    EXPECT_FALSE(opens_with(sealed, "Zenth Mail tokens"));
    EXPECT_FALSE(opens_with(sealed, "another program"));
}

}  // namespace
