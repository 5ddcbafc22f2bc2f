#include "tests/unit/fake_token_endpoint.h"

#include <mutex>

#include "core/arrays.h"
#include "format/base64.h"
#include "transport/auth_responses.h"
#include "transport/login_secret.h"

namespace {

std::mutex lock;

int answer(const std::string& endpoint, const std::string& body, std::string* reply, std::string* error) {
    std::lock_guard<std::mutex> hold(lock);
    FakeTokenEndpoint::requests().push_back(endpoint + " " + body);
    auto& queued = FakeTokenEndpoint::replies();
    if (queued.empty()) {
        *error = FakeTokenEndpoint::failure();
        return -1;
    }
    *reply = queued.front();
    queued.erase(queued.begin());
    return 0;
}

}  // namespace

std::vector<std::string>& FakeTokenEndpoint::requests() {
    static std::vector<std::string> seen;
    return seen;
}

std::vector<std::string>& FakeTokenEndpoint::replies() {
    static std::vector<std::string> queued;
    return queued;
}

std::string& FakeTokenEndpoint::failure() {
    static std::string text;
    return text;
}

FakeTokenEndpoint::FakeTokenEndpoint() {
    requests().clear();
    replies().clear();
    failure() = "Could not reach the token endpoint (error 12029).";
    login_tokens_forget();
    token_endpoint_install(answer);
}

FakeTokenEndpoint::~FakeTokenEndpoint() {
    token_endpoint_install(nullptr);
    login_tokens_forget();
}

std::string xoauth2_line(const std::string& user, const std::string& token) {
    std::string plain = xoauth2_message(user.c_str(), token.c_str());
    Array* coded = array_new(static_cast<int>(plain.size()) * 2 + 8);
    base64_encode(plain.c_str(), coded, static_cast<int>(plain.size()));
    std::string line = std::string(coded->text) + "\r\n";
    delete_arrays(coded);
    return line;
}
