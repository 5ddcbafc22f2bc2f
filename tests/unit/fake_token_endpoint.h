// A token endpoint for the tests: it records every request and answers with
// the replies a test queued, in turn; with none left it reports that no
// reply came. Installed for the life of the object.
#pragma once

#include <string>
#include <vector>

struct FakeTokenEndpoint {
    FakeTokenEndpoint();
    ~FakeTokenEndpoint();
    // The endpoints and form bodies asked for, in order.
    static std::vector<std::string>& requests();
    static std::vector<std::string>& replies();
};
