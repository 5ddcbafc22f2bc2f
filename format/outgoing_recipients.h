// The recipients of an outgoing message: the "To:" text (and the further
// "Cc:" and hidden texts) split into address lists, the envelope list the
// SMTP session sends to, and the header texts.
#pragma once

#include "core/arrays.h"
#include "format/compose_fields.h"

struct OutgoingRecipients {
    Array* to_text = nullptr;   // the texts as typed, line breaks made spaces
    Array* cc_text = nullptr;
    Array* bcc_text = nullptr;
    StringList* to = nullptr;   // 100 x 256 each
    StringList* cc = nullptr;
    StringList* bcc = nullptr;
    StringList* envelope = nullptr;  // To, then the Cc and hidden entries whose address is not in it yet
    Array* addresses = nullptr;      // the envelope's addresses joined by commas
    Array* to_names = nullptr;       // the "To:" value, folded after every entry
    Array* cc_names = nullptr;
};

// Splits the texts of the fields. Returns 0, or -1 after "Recipient string
// exceed capacity." when a text has 12630 characters or more, does not split
// into at most 100 entries of at most 255 characters, or all of them make
// more than 100 envelope entries. Release in every case.
int recipients_read(OutgoingRecipients* r, const ComposeFields* fields);
void recipients_release(OutgoingRecipients* r);

// When the "To:" list names an address twice, asks whether to remove the
// repeats and removes them on Yes.
void recipients_ask_duplicates(OutgoingRecipients* r, WindowRef window);

// Builds the envelope and the joined texts. Returns 0, or -1 after "Recipient
// string exceed capacity." when the envelope would hold more than 100
// entries.
int recipients_join(OutgoingRecipients* r, WindowRef window);

// Whether "To:" becomes "<Undisclosed Recipients>": the BCC option is on, the
// build is for sending and more than one recipient would be shown.
bool recipients_undisclosed(const OutgoingRecipients* r, const ComposeFields* fields, bool for_display);

// 0 when every typed text is a well-formed comma-separated list (no empty
// entry, no comma at either end), else -1.
int recipients_check(const OutgoingRecipients* r);

// Cuts a joined names text to at most `max` characters at the end of a whole
// entry, so that the value never ends inside an entry or between the comma
// and the fold of the line after it.
void cut_names(Array* names, int max);
