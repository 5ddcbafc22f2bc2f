#include "profiles/account_form.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/oauth_providers.h"
#include "profiles/settings_ids.h"

namespace {

// A table line keeps 98 characters; a password that many encoded would not
// fit, so it keeps 71; each half of the sender line keeps 46, so that
// "\"name\" <address>" fits a line.
constexpr int line_limit = 98;
constexpr int password_limit = 71;
constexpr int sender_part_limit = 46;

constexpr FormField fields[] = {
    {IDC_ACCOUNT_NAME, &AccountForm::name, "Account", line_limit, "", ""},
    {IDC_SMTP_SERVER, &AccountForm::smtp_server, "SMTP server", line_limit, "", ""},
    {IDC_SENDER_NAME, &AccountForm::sender_name, "From (name)", sender_part_limit, "\"", "a double quote"},
    {IDC_SENDER_ADDRESS, &AccountForm::sender_address, "From (e-mail)", sender_part_limit, "<>\"",
     "\"<\", \">\" or a double quote"},
    {IDC_POP3_SERVER, &AccountForm::pop3_server, "POP3 server", line_limit, "", ""},
    {IDC_USER_NAME, &AccountForm::user, "Username", line_limit, "", ""},
    {IDC_PASSWORD, &AccountForm::password, "Password", password_limit, "", ""},
    {IDC_INBOX_PATH, &AccountForm::inbox, "Path to inbox folder", line_limit, "", ""},
};

constexpr CheckBit option_boxes[] = {
    {IDC_ENCRYPTED_AUTH_ONLY, ACCOUNT_ENCRYPTED_AUTH_ONLY},
    {IDC_DELETE_FROM_SERVER, ACCOUNT_DELETE_FROM_SERVER},
    {IDC_POP_BEFORE_SMTP, ACCOUNT_POP_BEFORE_SMTP},
    {IDC_SMTP_AUTH, ACCOUNT_SMTP_AUTH},
    {IDC_POP3_AUTH, ACCOUNT_POP3_AUTH},
};

constexpr unsigned provider_bits(int id) { return static_cast<unsigned>(id) << ACCOUNT_PROVIDER_SHIFT; }

// An IMAP account's sessions are secured by the POP3 bits: the security box
// serves whichever protocol the incoming box names. Both TLS bits of a
// protocol mean TLS from the first byte.
const ChoiceBox choice_boxes[] = {
    {IDC_INCOMING, &AccountForm::incoming, incoming_names, ACCOUNT_IMAP, {0, ACCOUNT_IMAP, 0}, INCOMING_POP3},
    {IDC_POP3_SECURITY, &AccountForm::pop3_security, security_names, ACCOUNT_POP3_TLS | ACCOUNT_POP3_STLS,
     {0, ACCOUNT_POP3_TLS, ACCOUNT_POP3_STLS}, SECURITY_TLS},
    {IDC_SMTP_SECURITY, &AccountForm::smtp_security, security_names, ACCOUNT_SMTP_TLS | ACCOUNT_SMTP_STARTTLS,
     {0, ACCOUNT_SMTP_TLS, ACCOUNT_SMTP_STARTTLS}, SECURITY_TLS},
    {IDC_SIGN_IN_METHOD, &AccountForm::sign_in, sign_in_names, ACCOUNT_OAUTH, {0, ACCOUNT_OAUTH, 0},
     SIGN_IN_PASSWORD},
    {IDC_PROVIDER, &AccountForm::provider, provider_names, ACCOUNT_PROVIDER_MASK,
     {provider_bits(PROVIDER_MICROSOFT), provider_bits(PROVIDER_GOOGLE), provider_bits(PROVIDER_OTHER)},
     provider_entry_other},
};

constexpr IncomingLabels incoming_label_rows[] = {
    {"POP3 server", "POP3 security", "POP Password Authentication"},
    {"IMAP server", "IMAP security", "IMAP Password Authentication"},
};

constexpr char inbox_prefix[] = "maildir\\";

// The text between the first `open` and the next `close`, at most 49
// characters.
std::string between(const char* text, char open, char close) {
    const char* start = std::strchr(text, open);
    if (!start) return {};
    const char* end = std::strchr(start + 1, close);
    if (!end) return {};
    size_t length = static_cast<size_t>(end - start - 1);
    return std::string(start + 1, length < 49 ? length : 49);
}

void copy_field(char* field, const std::string& text) {
    std::memset(field, 0, account_field_size);
    std::memcpy(field, text.data(), text.size() < account_field_size - 1 ? text.size() : account_field_size - 1);
}

FormRefusal refuse(const FormField& field, const std::string& text) { return {text, field.control}; }

FormRefusal check_field(const FormField& field, const char* label, const std::string& text) {
    if (static_cast<int>(text.size()) > field.limit)
        return refuse(field, std::string(label) + " is too long: at most " + std::to_string(field.limit) +
                                 " characters can be stored.");
    if (text.find_first_of("\r\n") != std::string::npos)
        return refuse(field, std::string(label) + " must not contain a line break.");
    if (text.find_first_of(field.forbidden) != std::string::npos)
        return refuse(field, std::string(label) + " must not contain " + field.forbidden_as + ".");
    return {};
}

}  // namespace

std::span<const FormField> account_form_fields() { return fields; }
std::span<const CheckBit> account_option_boxes() { return option_boxes; }
std::span<const ChoiceBox> account_choice_boxes() { return choice_boxes; }
const char* const security_names[3] = {"None", "TLS", "STARTTLS"};
const char* const incoming_names[2] = {"POP3", "IMAP"};
const char* const sign_in_names[2] = {"Password", "OAuth 2.0"};
const char* const provider_names[3] = {"Microsoft", "Google", "Other"};

int choice_entry(const ChoiceBox& box, unsigned options) {
    for (size_t entry = 0; entry < box.names.size(); entry++)
        if ((options & box.mask) == box.bits[entry]) return static_cast<int>(entry);
    return box.otherwise;
}

void fill_from_provider(AccountForm* form, int provider_entry) {
    std::span<const OAuthProvider> providers = oauth_providers();
    if (provider_entry < 0 || static_cast<size_t>(provider_entry) >= providers.size()) return;
    const OAuthProvider& preset = providers[static_cast<size_t>(provider_entry)];
    const char* incoming = form->incoming == INCOMING_IMAP ? preset.imap_server : preset.pop3_server;
    if (incoming[0]) form->pop3_server = incoming;
    if (preset.smtp_server[0]) form->smtp_server = preset.smtp_server;
    for (const ChoiceBox& box : choice_boxes)
        if (box.choice == &AccountForm::pop3_security || box.choice == &AccountForm::smtp_security)
            form->*box.choice = choice_entry(box, static_cast<unsigned>(preset.security));
}

IncomingLabels incoming_labels(int incoming) {
    return incoming_label_rows[incoming == INCOMING_IMAP ? INCOMING_IMAP : INCOMING_POP3];
}

void split_sender(const char* sender, std::string* name, std::string* address) {
    *name = between(sender, '"', '"');
    *address = between(sender, '<', '>');
}

AccountForm account_form_from(const AccountRecord& record) {
    AccountForm form;
    form.name = record.fields[ACCOUNT_NAME];
    form.smtp_server = record.fields[ACCOUNT_SMTP_SERVER];
    split_sender(record.fields[ACCOUNT_SENDER], &form.sender_name, &form.sender_address);
    form.pop3_server = record.fields[ACCOUNT_POP3_SERVER];
    form.user = record.fields[ACCOUNT_USER];
    form.password = record.fields[ACCOUNT_PASSWORD];
    form.inbox = record.fields[ACCOUNT_INBOX][0] ? record.fields[ACCOUNT_INBOX] : "maildir\\inbox";
    form.options = static_cast<unsigned>(std::atoi(record.fields[ACCOUNT_OPTIONS]));
    for (const ChoiceBox& box : choice_boxes) form.*box.choice = choice_entry(box, form.options);
    return form;
}

FormRefusal check_account_form(const AccountForm& form) {
    for (const FormField& field : fields) {
        const std::string& text = form.*field.text;
        if (field.control == IDC_ACCOUNT_NAME && text.empty()) return refuse(field, "Please enter an account name.");
        if (field.control == IDC_INBOX_PATH) {
            if (text.empty()) return refuse(field, "Please enter an inbox path.");
            if (text.compare(0, sizeof inbox_prefix - 1, inbox_prefix) != 0)
                return refuse(field, "Inbox path must begin with 'maildir\\'.");
        }
        // The server edit is named for the protocol the incoming box names.
        const char* label = field.control == IDC_POP3_SERVER ? incoming_labels(form.incoming).server : field.label;
        FormRefusal refusal = check_field(field, label, text);
        if (!refusal.text.empty()) return refusal;
    }
    return {};
}

FormRefusal check_mailbox_named(const AccountForm& form, const char* kept) {
    std::string after = std::string(" first: ") + kept + " kept for it.";
    std::string before = std::string("Please enter the ") + incoming_labels(form.incoming).server;
    if (form.pop3_server.empty()) return {before + after, IDC_POP3_SERVER};
    if (form.user.empty()) return {"Please enter the username" + after, IDC_USER_NAME};
    return {};
}

void store_account_form(const AccountForm& form, AccountRecord* record) {
    copy_field(record->fields[ACCOUNT_NAME], form.name);
    copy_field(record->fields[ACCOUNT_SMTP_SERVER], form.smtp_server);
    char sender[account_field_size];
    std::snprintf(sender, sizeof sender, "\"%.47s\" <%.47s>", form.sender_name.c_str(), form.sender_address.c_str());
    copy_field(record->fields[ACCOUNT_SENDER], sender);
    copy_field(record->fields[ACCOUNT_POP3_SERVER], form.pop3_server);
    copy_field(record->fields[ACCOUNT_USER], form.user);
    copy_field(record->fields[ACCOUNT_PASSWORD], form.password);
    copy_field(record->fields[ACCOUNT_INBOX], form.inbox);
    unsigned options = form.options;
    for (const ChoiceBox& box : choice_boxes) {
        int chosen = form.*box.choice;
        // The entry the stored bits show keeps them as they are.
        if (chosen == choice_entry(box, options) || chosen < 0 || static_cast<size_t>(chosen) >= box.names.size())
            continue;
        options = (options & ~box.mask) | box.bits[chosen];
    }
    copy_field(record->fields[ACCOUNT_OPTIONS], std::to_string(static_cast<int>(options)));
}
