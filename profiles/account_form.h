// What the settings window shows of one account and what it stores back.
// The window only moves texts between its controls and this record; the
// rules about what may be stored live here, where they are tested without
// a window.
#pragma once

#include <span>
#include <string>

#include "core/accounts.h"
#include "core/check_bit.h"

// How a protocol's sessions are secured, as the security boxes list it.
enum Security { SECURITY_NONE = 0, SECURITY_TLS = 1, SECURITY_STARTTLS = 2 };
// Which protocol the incoming server speaks, as the "Incoming:" box lists it.
enum Incoming { INCOMING_POP3 = 0, INCOMING_IMAP = 1 };
// How the account logs in, as the "Sign-in:" box lists it.
enum SignIn { SIGN_IN_PASSWORD = 0, SIGN_IN_OAUTH = 1 };
// The provider box lists the presets in the order of oauth_providers():
// its entry is an index there. "Other" stands for no provider bits.
constexpr int provider_entry_other = 2;

struct AccountForm {
    std::string name, smtp_server, sender_name, sender_address, pop3_server, user, password, inbox;
    unsigned options = 0;  // the bits of the check boxes and of every option not shown
    int pop3_security = SECURITY_NONE;
    int smtp_security = SECURITY_NONE;
    int incoming = INCOMING_POP3;
    int sign_in = SIGN_IN_PASSWORD;
    int provider = provider_entry_other;
};

// One edit control of the form: the member it fills, the label the user
// knows it by, how many characters a table line can keep of it, and the
// characters that would break the table or the sender line.
struct FormField {
    int control;
    std::string AccountForm::*text;
    const char* label;
    int limit;
    const char* forbidden;     // besides CR and LF, which no field may hold
    const char* forbidden_as;  // those characters as the refusal names them
};
std::span<const FormField> account_form_fields();
// The check boxes and the option bits they stand for.
std::span<const CheckBit> account_option_boxes();

// A drop-down list of the form: its entries, the option bits it decides,
// and what each entry stands for within them. Bits that match no entry
// (both TLS bits, a provider number of a later version) show `otherwise`,
// and stay as they are unless the user chooses another entry.
struct ChoiceBox {
    int control;
    int AccountForm::*choice;
    std::span<const char* const> names;
    unsigned mask;
    unsigned bits[3];
    int otherwise;
};
std::span<const ChoiceBox> account_choice_boxes();
// The entry of the box that an option word shows.
int choice_entry(const ChoiceBox& box, unsigned options);
extern const char* const security_names[3];  // "None", "TLS", "STARTTLS"
extern const char* const incoming_names[2];  // "POP3", "IMAP"
extern const char* const sign_in_names[2];   // "Password", "OAuth 2.0"
extern const char* const provider_names[3];  // "Microsoft", "Google", "Other"

// A provider chosen: the incoming server (POP3 or IMAP, as the form
// chooses), the SMTP server and the security of both as its preset has
// them. A server the preset leaves empty ("Other") keeps what the form holds.
void fill_from_provider(AccountForm* form, int provider_entry);

// What the incoming server's edit, its security box and its login box are
// called for the protocol chosen: "POP3 server" or "IMAP server", and the
// like; the window's labels add the colon to the first two.
struct IncomingLabels {
    const char* server;
    const char* security;
    const char* auth;
};
IncomingLabels incoming_labels(int incoming);

// The sender field "\"name\" <address>" split into its two parts: the text
// between the first double quote and the next, and between "<" and the next
// ">"; either empty when its marks are missing, each at most 49 characters.
void split_sender(const char* sender, std::string* name, std::string* address);

AccountForm account_form_from(const AccountRecord& record);

// Why the form cannot be stored: the text for the user and the control to
// put right; an empty text when it can be stored.
struct FormRefusal {
    std::string text;
    int control = 0;
};
FormRefusal check_account_form(const AccountForm& form);

// Why the window cannot sign the account in, or edit its server folders,
// yet: what it keeps (`kept`: "the sign-in is", "the server folders are")
// is kept under the incoming server and user name, so both must be there.
FormRefusal check_mailbox_named(const AccountForm& form, const char* kept);

// Stores a form that check_account_form accepted. The option bits are the
// form's: the window keeps the bits that it has no box for.
void store_account_form(const AccountForm& form, AccountRecord* record);
