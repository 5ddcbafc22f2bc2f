// HTML to text for the plain text viewer: one pass over the input with no
// document model. Tags are recognised by a fixed table of literal texts and
// may write line breaks, tabs or brackets; a few entities are translated;
// every other tag and entity is dropped; runs of white space become one
// space.
#pragma once

#include "format/html_stream.h"

// The tag and entity buffers' size.
constexpr int html_buffer_size = 1000;

// Converts the HTML file into a text file. Returns 0, or -1 when the input
// cannot be opened ("\nCan't open this HTML file. Is your path correct?" on
// standard output), the output cannot be created ("\nERROR-Unable to create
// <path>\n" on standard output), or the output could not be written whole;
// the caller then keeps the HTML as it is.
int html_to_text(const char* input_path, const char* output_path);

// Reads a tag whose "<" was just read: the buffer gets "<", the text up to
// the next ">" or the end of the input (at most size - 3 characters of it
// are kept; the rest is read and dropped), ">" and a zero.
void read_tag(char* buffer, int size, HtmlInput* in);

// Reads an entity whose "&" was just read: the text up to the next ";" or
// the end of the input, neither kept. While fewer than size - 2 characters
// are kept, a space ends the entity early and "& " is appended; once size - 2
// are kept the rest up to ";" is read and dropped, spaces included.
void read_entity(char* buffer, int size, HtmlInput* in);

// Writes what the tag table prescribes for the whole tag text (brackets
// included) and returns the tag's score: after a score of 1 or more the next
// white-space run is dropped; after -1 its first character is.
int convert_tag(const char* tag, HtmlOutput* out);

// The replacement of an entity as read_entity leaves it; empty when the
// name is not in the table.
const char* entity_text(const char* entity);
