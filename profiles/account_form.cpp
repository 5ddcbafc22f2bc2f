#include "profiles/account_form.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

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

// An IMAP account's sessions are secured by the POP3 bits: the security box
// serves whichever protocol the incoming box names.
const ChoiceBox choice_boxes[] = {
    {IDC_INCOMING, &AccountForm::incoming, incoming_names, {0, ACCOUNT_IMAP, 0}},
    {IDC_POP3_SECURITY, &AccountForm::pop3_security, security_names, {0, ACCOUNT_POP3_TLS, ACCOUNT_POP3_STLS}},
    {IDC_SMTP_SECURITY, &AccountForm::smtp_security, security_names, {0, ACCOUNT_SMTP_TLS, ACCOUNT_SMTP_STARTTLS}},
};

constexpr IncomingLabels incoming_label_rows[] = {
    {"POP3 server", "POP3 security", "POP Password Authentication"},
    {"IMAP server", "IMAP security", "IMAP Password Authentication"},
};

unsigned choice_mask(const ChoiceBox& box) { return box.bits[0] | box.bits[1] | box.bits[2]; }

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
    for (const ChoiceBox& box : choice_boxes) {
        form.*box.choice = 0;
        for (size_t entry = 1; entry < box.names.size(); entry++) {
            if (form.options & box.bits[entry]) {
                form.*box.choice = static_cast<int>(entry);
                break;
            }
        }
    }
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
        options &= ~choice_mask(box);
        int chosen = form.*box.choice;
        if (chosen > 0 && static_cast<size_t>(chosen) < box.names.size()) options |= box.bits[chosen];
    }
    copy_field(record->fields[ACCOUNT_OPTIONS], std::to_string(static_cast<int>(options)));
}
