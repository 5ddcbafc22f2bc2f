// Puts the mail servers' test CA into this Wine prefix's root store for the
// current user, or takes it out again:
//
//   zm_trust_ca add|remove <ca.der>
#include <cstdio>
#include <cstring>
#include <string>

#include "tests/tools/trusted_ca.h"

int main(int argc, char** argv) {
    if (argc != 3 || (std::strcmp(argv[1], "add") != 0 && std::strcmp(argv[1], "remove") != 0)) {
        std::fprintf(stderr, "usage: zm_trust_ca add|remove <ca.der>\n");
        return 2;
    }
    std::string der;
    if (!read_ca_file(argv[2], &der)) {
        std::fprintf(stderr, "zm_trust_ca: cannot read %s\n", argv[2]);
        return 1;
    }
    bool done = std::strcmp(argv[1], "add") == 0 ? trust_ca(der) : distrust_ca(der);
    if (!done) std::fprintf(stderr, "zm_trust_ca: the root store did not take the change\n");
    return done ? 0 : 1;
}
