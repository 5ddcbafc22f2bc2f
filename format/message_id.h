// The identity of an outgoing message and its place in a thread: the
// "Message-ID" the builder gives every message it builds for sending, and
// the "References" of a reply (RFC 5322 section 3.6.4).
#pragma once

#include <cstddef>
#include <string>

// The right side of a Message-ID when the sender's address has no usable
// domain.
extern const char message_id_fallback_domain[];

// "<" 22 characters of 128 random bits from the system's source (the
// URL-safe base64 alphabet) "@" the domain of `from_address` ">". Nothing
// of the machine, the user or the time goes into it. Empty when the system
// gave no random bytes.
std::string make_message_id(const char* from_address);
// Where the random bits come from: the system's source unless a test
// installs a fixed one (null: the system's again).
using RandomSource = int (*)(void* out, size_t size);
void message_id_source_install(RandomSource source);

// The msg-ids ("<...>") of a header value, in order; anything else in it
// (comments, folding, stray words) is passed over.
std::string message_ids_of(const char* value);

// The "References" of a reply: the parent's References (its In-Reply-To
// when it has no References) followed by the parent's Message-ID, ids
// joined by one space; the oldest ids are dropped until
// "References: " and the value fit one line of 998 characters. Empty when
// the parent has no Message-ID.
std::string reply_references(const char* parent_references, const char* parent_in_reply_to,
                             const char* parent_message_id);

// The value with a fold ("\r\n ") in front of every id but the first, as
// the builder writes it.
std::string fold_references(const std::string& references);
