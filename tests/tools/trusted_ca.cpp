#include "tests/tools/trusted_ca.h"

#include <windows.h>

#include <wincrypt.h>

#include <fstream>
#include <sstream>

namespace {

HCERTSTORE open_root() {
    return CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_A, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, "Root");
}

}  // namespace

bool read_ca_file(const std::string& path, std::string* der) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    *der = bytes.str();
    return !der->empty();
}

bool trust_ca(const std::string& der) {
    HCERTSTORE store = open_root();
    if (!store) return false;
    BOOL added = CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
                                                  static_cast<DWORD>(der.size()), CERT_STORE_ADD_REPLACE_EXISTING,
                                                  nullptr);
    CertCloseStore(store, 0);
    return added;
}

bool distrust_ca(const std::string& der) {
    HCERTSTORE store = open_root();
    if (!store) return false;
    PCCERT_CONTEXT wanted = CertCreateCertificateContext(X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
                                                         static_cast<DWORD>(der.size()));
    bool removed = false;
    if (wanted) {
        PCCERT_CONTEXT found = CertFindCertificateInStore(store, X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, wanted, nullptr);
        // The deletion frees the context it is given.
        if (found) removed = CertDeleteCertificateFromStore(found);
        CertFreeCertificateContext(wanted);
    }
    CertCloseStore(store, 0);
    return removed;
}
