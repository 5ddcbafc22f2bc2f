// Encrypted subjects: the subject text enciphered with the message key and
// stored as base64 in the "Subject:" line.
#pragma once

#include "core/arrays.h"

// The longest subject the compose window accepts, and the longest stored
// text such a subject becomes: 98 characters pad to 104 bytes, 140 base64
// characters. Readers of an encrypted subject make room for the whole of it,
// and writers never cut it: a cut text can no longer be deciphered.
constexpr int subject_max_length = 98;
constexpr int encrypted_subject_max_length = 140;

// Enciphers the subject (its first 98 characters) with the message key and
// writes the base64 text into `stored` (at least 141 bytes). Returns 0, or -1
// when no key is loaded or `stored` is too small.
int encrypt_subject(const char* subject, Array* stored);
// Deciphers a stored subject into `subject` (the text is cut to its
// capacity). Returns 0, or -1 when no key is loaded or the text is not an
// enciphered subject (`subject` then holds the stored text as it is).
int decrypt_subject(const char* stored, Array* subject);
