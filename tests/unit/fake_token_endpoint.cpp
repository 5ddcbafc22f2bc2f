#include "tests/unit/fake_token_endpoint.h"

#include <mutex>

#include "transport/login_secret.h"

namespace {

std::mutex lock;

int answer(const std::string& endpoint, const std::string& body, std::string* reply) {
    std::lock_guard<std::mutex> hold(lock);
    FakeTokenEndpoint::requests().push_back(endpoint + " " + body);
    auto& queued = FakeTokenEndpoint::replies();
    if (queued.empty()) return -1;
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

FakeTokenEndpoint::FakeTokenEndpoint() {
    requests().clear();
    replies().clear();
    login_tokens_forget();
    token_endpoint_install(answer);
}

FakeTokenEndpoint::~FakeTokenEndpoint() {
    token_endpoint_install(nullptr);
    login_tokens_forget();
}
