// The browser's side of a sign-in for the tests: a loopback client that
// sends the listener what a browser would and reads its answer, and a
// stand-in for the system's browser that follows the authorization URL back
// to the listener as the provider's redirect would.
#pragma once

#include <atomic>
#include <string>
#include <thread>

// Sends the bytes to 127.0.0.1:port on a thread of its own and reads the
// answer until the listener closes.
struct Browser {
    std::string sent;
    std::string answer;
    std::thread thread;
    void visit(int port, std::string bytes);
    ~Browser();
};

// What the person at the browser does.
enum BrowserPart { APPROVES, REFUSES, ANSWERS_ANOTHER_STATE, STAYS_AWAY, IS_CANCELLED, IS_MISSING };
struct PlayedBrowser {
    BrowserPart part = APPROVES;
    std::string url;  // what it was opened on
    std::atomic<bool>* cancel = nullptr;  // set when the person cancels
    Browser visit;
};
// The browser play_browser plays; set before it is installed.
extern PlayedBrowser* played;

// The code an approving browser brings back, as it stands in the redirect.
constexpr const char* played_code = "M.C5%2Fx%2B1";

// A parameter of the URL's query as it stands there (not decoded).
std::string url_value(const std::string& url, const std::string& name);
// An OpenBrowser (transport/oauth_sign_in.h) playing *played.
bool play_browser(const std::string& url);
