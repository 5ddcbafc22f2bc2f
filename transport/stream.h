// Where the sessions' bytes go: straight to the socket, or through a layer
// laid over it (TLS). The sessions keep talking to the socket number; a
// layer attached to it takes every byte they send and hands them what it
// received, so that nothing of a secured session goes out plain. The status
// window keeps the raw socket, so Cancel still aborts it under the layer.
#pragma once

#include <memory>

#include "core/ui_services.h"
#include "transport/sys_socket.h"

struct StreamLayer {
    virtual ~StreamLayer() = default;
    // As sys_recv and sys_send: bytes, 0 when the peer closed, -1 on error.
    virtual int recv(Socket s, void* buffer, int length) = 0;
    virtual int send(Socket s, const void* data, int length) = 0;
};

// From now on the socket's bytes go through the layer. Bytes given back
// before are dropped: what came in plain before a handshake is never read
// as if it had come secured.
void stream_attach(Socket s, std::unique_ptr<StreamLayer> layer);
// Whether a layer lies over the socket.
bool stream_secured(Socket s);

// How long the session on the socket waits for its server: `connect_seconds`
// for the connection to be accepted, then `seconds` for each send or receive
// to move a byte (a transfer that keeps moving never runs out). When a wait
// runs out, the status window hears "Server did not answer within %i
// seconds.\r\n" and the call fails; from then on every call on the socket
// fails at once, so nothing more (no QUIT either) reaches a server that
// stopped answering, and the caller reports the failure of its step.
// 0 or -1 (the system refused the time-outs).
int stream_watch(Socket s, int seconds, int connect_seconds, WindowRef status_window);
// Whether a wait on the socket ran out.
bool stream_timed_out(Socket s);
// Connects the socket, waiting as long as its watch allows. 0 or -1.
int stream_connect(Socket s, const NetAddress& to);
// The raw connection under a layer: the layer's own bytes (a TLS handshake
// and records) go through these, bound by the same watch.
int stream_raw_recv(Socket s, void* buffer, int length);
int stream_raw_send(Socket s, const void* data, int length);

int stream_recv(Socket s, void* buffer, int length);
// Gives bytes back: the next receives return them, in order, before anything
// new from the connection. A reply read in large receives leaves what came
// behind it here for the reader of the next reply.
void stream_unread(Socket s, const char* bytes, int length);
// How many bytes given back wait to be received again.
int stream_held(Socket s);
int stream_send(Socket s, const void* data, int length);
// Drops the socket's layer and closes the socket.
int stream_close(Socket s);
