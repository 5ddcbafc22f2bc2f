// One connection of a mail job to a server, and everything that belongs to
// it: the socket, the layer laid over it (TLS, or none), the bytes that
// arrived behind the last reply, its waits, the job's cancel flag and the
// status sink its steps report to. Every POP3, SMTP, SOCKS and login step
// takes the session; nothing of a connection is kept anywhere else.
#pragma once

#include <memory>
#include <string>

#include "transport/status_sink.h"
#include "transport/sys_socket.h"

class MailSession;

// Where the session's bytes go when a layer lies over the connection: it
// takes every byte the session sends and hands it what it received, its own
// bytes (a TLS handshake and records) going through the session's raw calls.
struct StreamLayer {
    virtual ~StreamLayer() = default;
    // As sys_recv and sys_send: bytes, 0 when the peer closed, -1 on error.
    virtual int recv(MailSession& session, void* buffer, int length) = 0;
    virtual int send(MailSession& session, const void* data, int length) = 0;
    // Whether bytes it received wait inside it to be handed on, so that the
    // socket's quiet says nothing about what the next receive gives.
    virtual bool holds_bytes() const { return false; }
};

class MailSession {
public:
    explicit MailSession(StatusSink& status);
    // Takes over a socket that is already connected (a test's peer); it is
    // not handed to the status sink.
    MailSession(StatusSink& status, Socket adopted);
    ~MailSession();
    MailSession(const MailSession&) = delete;
    MailSession& operator=(const MailSession&) = delete;

    StatusSink& status;

    // A new socket with the settings' wait for its server and the connect
    // wait, handed to the status sink so that Cancel can abort it. false when
    // the system gives none.
    bool open();
    // The tray check's own shorter waits, for connecting too: it runs
    // unattended every minute, and a slow server only delays the count.
    bool open_for_tray();
    // Takes over a socket that is already connected, closing the one it had;
    // it is not handed to the status sink.
    void adopt(Socket s);
    bool is_open() const { return socket_ != no_socket; }
    Socket socket() const { return socket_; }

    // How long the session waits for its server: `connect_seconds` for the
    // connection to be accepted, then `seconds` for each send or receive to
    // move a byte (a transfer that keeps moving never runs out). When a wait
    // runs out, the status sink hears "Server did not answer within %i
    // seconds.\r\n" and the call fails; from then on every call fails at
    // once, so nothing more (no QUIT either) reaches a server that stopped
    // answering, and the caller reports the failure of its step. 0 or -1
    // (the system refused the time-outs).
    int watch(int seconds, int connect_seconds);
    bool timed_out() const { return timed_out_; }
    // Whether the connection failed, timed out or was closed by the peer:
    // nothing more can be said over it.
    bool broken() const { return broken_ || timed_out_; }
    // Whether the job was cancelled.
    bool cancelled() { return status.cancelled(); }

    // Connects the socket, waiting as long as the watch allows. 0 or -1.
    int connect(const NetAddress& to);

    // From now on the session's bytes go through the layer. Bytes behind a
    // reply before are dropped: what came in plain before a handshake is never
    // read as if it had come secured.
    void attach(std::unique_ptr<StreamLayer> layer);
    bool secured() const { return layer_ != nullptr; }
    // The raw connection under a layer, bound by the same watch.
    int raw_recv(void* buffer, int length);
    int raw_send(const void* data, int length);

    // The bytes behind the last reply come first, then what the connection
    // (through its layer) brings.
    int recv(void* buffer, int length);
    int send(const void* data, int length);
    // Sends every byte, in as many calls as it takes. 0 or -1.
    int send_all(const char* data, int length);
    // Gives bytes back: the next receives return them first, in order. A
    // reply read in large receives leaves what came behind it here for the
    // reader of the next reply.
    void unread(const char* bytes, int length);
    // How many bytes came behind the last reply and wait to be received.
    int behind() const { return static_cast<int>(behind_.size() - behind_at_); }
    // The next byte of the connection, taken in large receives; false when
    // the connection closed or failed first.
    bool next_byte(char* c);
    // Waits up to `milliseconds` for the next receive to have something
    // (bytes behind the last reply or in the layer count at once): 1, 0
    // when nothing came in that time, -1 when the connection failed.
    int wait_readable(int milliseconds);

    // The number of the last tagged IMAP command of this connection: tags
    // are "A<number>", and the reply that ends a command carries its tag.
    int imap_tag = 0;

    // Set by a bearer login whose access token the server refused: the
    // login may go once more with a fresh token (transport/login_secret.h).
    bool token_refused = false;

    // Takes the socket from the status sink, drops the layer and closes the
    // socket.
    void close();

    // The server as the account names it, once a session connects to it: a
    // login that names its server again (OAUTHBEARER, RFC 7628 section 3.1)
    // takes it from here.
    void name_server(const char* host, int port) {
        server_host_ = host;
        server_port_ = port;
    }
    const std::string& server_host() const { return server_host_; }
    int server_port() const { return server_port_; }

private:
    void give_up(bool connecting);
    bool open_with(int seconds, int connect_seconds);

    Socket socket_ = no_socket;
    bool handed_ = false;  // the status sink holds the socket
    std::unique_ptr<StreamLayer> layer_;
    std::string behind_;
    size_t behind_at_ = 0;
    int seconds_ = 0;
    int connect_seconds_ = 0;
    bool timed_out_ = false;
    bool broken_ = false;
    std::string server_host_;
    int server_port_ = 0;
};
