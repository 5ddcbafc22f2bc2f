// The test CA of the mail servers in the current user's root store of this
// Wine prefix, and out of it again. Through the registry store: taking a
// certificate out of the logical store leaves it in place under Wine.
#pragma once

#include <string>

// The CA in DER form, from a file. Returns false when it cannot be read.
bool read_ca_file(const std::string& path, std::string* der);
bool trust_ca(const std::string& der);
bool distrust_ca(const std::string& der);
