#include "store/selection.h"

int collect_selection(const SelectionSource& source, std::vector<SelectionEntry>* entries, int max,
                      WindowRef status_window) {
    entries->clear();
    int row = -1;
    while ((row = source.next_selected(source.context, row)) != -1) {
        if (static_cast<int>(entries->size()) == max) {
            // Only a selection that really is longer than the limit is cut:
            // exactly `max` rows are all processed.
            status_set(status_window, "Zenth Mail will not process all of the e-mails that you have selected.\r\n");
            break;
        }
        entries->push_back({source.number_of(source.context, row), row});
    }
    if (entries->empty()) {
        status_set(status_window, "Please select an e-mail!\r\n");
        return -1;
    }
    return 0;
}
