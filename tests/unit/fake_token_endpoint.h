// A token endpoint for the tests: it records every request and answers with
// the replies a test queued, in turn; with none left it reports that no
// reply came, with failure() as its text. Installed for the life of the object.
#pragma once

#include <string>
#include <vector>

struct FakeTokenEndpoint {
    FakeTokenEndpoint();
    ~FakeTokenEndpoint();
    // The endpoints and form bodies asked for, in order.
    static std::vector<std::string>& requests();
    static std::vector<std::string>& replies();
    static std::string& failure();
};

// The line a client sends as its XOAUTH2 answer, with its line end: what a
// scripted peer waits for to see which token came.
std::string xoauth2_line(const std::string& user, const std::string& token);
