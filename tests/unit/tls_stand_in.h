// A stand-in for the system's TLS in the native tests: a one-line handshake
// ("STARTSECURE\r\n", answered "SECURE\r\n") that scripted peers speak too
// (peer_secure), then every byte transformed on the wire. What a session
// sends after it can be told from what it sent plain.
#pragma once

#include <string>

// Puts the stand-in in the system's place for the life of the object.
struct StandInTls {
    StandInTls();
    ~StandInTls();
    // The server name the last handshake was begun with.
    static std::string host();
};
