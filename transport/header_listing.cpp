#include "transport/header_listing.h"

#include <mutex>

namespace {

std::mutex guard;
HeaderListing* last = nullptr;  // made on first use, never freed

HeaderListing& shared() {
    if (!last) last = new HeaderListing;
    return *last;
}

}  // namespace

void header_listing_set(const HeaderListing& listing) {
    std::lock_guard<std::mutex> lock(guard);
    shared() = listing;
}

HeaderListing header_listing_get() {
    std::lock_guard<std::mutex> lock(guard);
    return shared();
}

bool header_listing_rows(StatusSink& status, int account, bool imap, const int* rows, int count,
                         HeaderListing* listing) {
    *listing = header_listing_get();
    bool fits = listing->account == account && listing->imap == imap;
    if (!imap && listing->account == -1) fits = true;
    for (int i = 0; fits && i < count; i++)
        fits = rows[i] > 0 && (!imap || static_cast<size_t>(rows[i]) <= listing->messages.size());
    if (!fits)
        status.error("The E-mail Headers list does not belong to this account. Please select E-mail Headers "
                     "again.\r\n");
    return fits;
}
