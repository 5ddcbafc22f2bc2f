// The address book "ab.dat": name and address line pairs, each line ending
// in CR LF, nothing else.
#pragma once

#include <string>
#include <vector>

struct AddressEntry {
    std::string name;
    std::string address;
};

// Lines are read with room for this many characters; a longer one is cut,
// never taken for the next line.
constexpr size_t address_line_room = 4999;

// Reads the book; a last name without its address line gets an empty
// address. False when the file cannot be opened.
bool read_address_book(const char* path, std::vector<AddressEntry>* entries);

enum { BOOK_OK = 0, BOOK_CANNOT_WRITE = -1, BOOK_TOO_LONG = -2 };

// Writes the book whole through the scratch file `scratch`, which replaces
// the old book only when every line was written: BOOK_OK, BOOK_CANNOT_WRITE
// (the old book is kept), or BOOK_TOO_LONG for a text of 4998 characters or
// more (nothing written). A line break inside a field is written as a
// space, so the file stays in pairs.
int write_address_book(const char* path, const char* scratch, const std::vector<AddressEntry>& entries);

enum { ADD_ADDED = 1, ADD_PRESENT = 0, ADD_CANNOT_OPEN = -1 };

// Appends the pair unless one pair of the book has exactly this name and
// this address. A book with an odd number of lines, or whose last line has
// no line end, is completed first (an empty address line), so pairs stay
// in step.
int add_address(const char* path, const std::string& name, const std::string& address);
