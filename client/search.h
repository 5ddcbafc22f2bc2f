// Search: the messages of the folder on show that a field test selects,
// copied into a new result folder "maildir\search<N>". Portable, and run
// over a copy of the list taken when the search starts, so that a folder
// switched or a list refilled meanwhile changes nothing.
#pragma once

#include <string>
#include <vector>

enum SearchField { SEARCH_TO, SEARCH_FROM, SEARCH_SENT, SEARCH_SUBJECT, SEARCH_MESSAGE, SEARCH_EMAIL };

// The dialog's two lists, in their order: field names, and constraints
// with what each means.
extern const char* const search_fields[6];
struct SearchConstraint {
    const char* text;
    bool wanted;  // a message is copied when the test's result equals this
    bool whole;   // compare whole column texts
};
extern const SearchConstraint search_constraints[4];

// A row of the list as the search found it: the message number and the
// texts of the From, To, Subject and Sent columns.
struct SearchRow {
    int number = 0;
    std::string from, to, subject, sent;
};

struct SearchRequest {
    std::string folder;  // the store path of the folder searched
    std::vector<SearchRow> rows;  // in list order
    int field = SEARCH_SUBJECT;
    int constraint = 0;
    std::string text;
    int scratch_number = 0;  // names the "Message" test's scratch files (the dialog's own)
};

// Whether a folder's relative path is a search view: "search" itself or a
// result folder "search1" to "search999" (any letter case). Those folders
// can be deleted from the top level of the tree and take no "New Item".
bool is_search_folder(const char* relative_path);

// Takes the first free "maildir\search<N>", N from 1 to 999, by creating
// it: a name that exists already is passed over. N, or -1 after "Search
// limit exceeded.", -2 after "Could not create search directory!".
int make_result_folder(std::string* path);

// Whether a message passes the field test (before `wanted` is applied).
bool search_test(const SearchRequest& request, const SearchRow& row, const char* message_path);

// Copies every message whose test result equals the constraint's `wanted`
// into `result_folder` as mm1.eml, mm2.eml... in list order, never over a
// file. The number copied, or -1 after "Could not copy file to search
// folder!" (the copies made stay). Files gone meanwhile are passed over.
int run_search(const SearchRequest& request, const std::string& result_folder);
