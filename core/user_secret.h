// Secrets kept on disk for the Windows user alone: sealed with the user's
// own key (the system's data protection), so that a copy of the file is
// worth nothing to another user or on another machine.
#pragma once

#include <string>

// Seals `plain`; `sealed` holds bytes, not text. 0 or -1.
int user_seal(const std::string& plain, std::string* sealed);
// Opens what user_seal made for this user. -1 when the bytes are not a
// sealed secret of this user (another user's, damaged, or no secret at all).
int user_unseal(const std::string& sealed, std::string* plain);
