// The SMTP session: one finished message file sent to the server its private
// fields name (RFC 5321 with the EHLO and AUTH extensions), optionally after
// a POP3 login ("POP before SMTP"), with a copy kept in "maildir\sent items"
// when its options ask for it.
#pragma once

#include <string>

#include "core/arrays.h"
#include "transport/sent_items.h"
#include "transport/session.h"
#include "transport/smtp_plan.h"

// Sends the message file at `path`. What goes to the server (and to sent
// items) is the sending copy "temp\out<W>.tmp" (W the status sink's scratch
// number): the message without its private fields; it is left in "temp".
// Returns 0 once the server has accepted the message (a 2xx reply to the end
// of the data), -1 otherwise. Progress and every error go to the status
// sink, whose progress bar runs from 0 to 100 while the message is sent; the
// socket and the open sending copy are handed to it while they are in use,
// so that Cancel can close them. A job that sends several
// messages passes its `sent` record, so that the copies are numbered from one
// look at sent items and a failed copy can be seen.
int smtp_send_file(StatusSink& status, const char* path, SentItems* sent = nullptr);

// A connection that sends several messages, as Send Queued does: a message
// that names the server, account and options of the open connection goes
// over it in a transaction of its own (MAIL FROM, RCPT TO, DATA); one that
// names others first ends it with QUIT and opens its own, with its own POP
// before SMTP and login. After a transaction the server refused the next
// begins with RSET; one that broke the connection closes it, and the next
// message opens another. What each message shows is what smtp_send_file
// shows, apart from the connection's texts, which come once.
class SmtpConnection {
public:
    explicit SmtpConnection(StatusSink& status);
    ~SmtpConnection();  // closes without QUIT
    SmtpConnection(const SmtpConnection&) = delete;
    SmtpConnection& operator=(const SmtpConnection&) = delete;

    // Sends the message file: 0 once the server accepted it, -1 otherwise.
    // No copy goes to sent items here.
    int send(const char* path);
    // Whether the message just accepted asks for a copy in sent items, and
    // the sending copy to take it from.
    bool wants_sent_item() const { return save_copy_; }
    const char* sending_copy() const { return copy_->text; }
    // QUIT, when a connection is open and can still hear it, then closed.
    void quit();
    // Closed without QUIT.
    void close();

private:
    int send_planned(const char* path, SendPlan* plan);

    StatusSink& status_;
    MailSession session_;
    Array* copy_;
    std::string key_;  // the server, account and options of the open connection
    bool reset_due_ = false;
    bool save_copy_ = false;
};
