#include "tests/unit/played_browser.h"

#include <cstdlib>

#include "transport/socks_config.h"
#include "transport/sys_socket.h"

PlayedBrowser* played = nullptr;

void Browser::visit(int port, std::string bytes) {
    sent = std::move(bytes);
    thread = std::thread([this, port] {
        Socket s = sys_socket_open();
        NetAddress to{0, port_to_network(port)};
        parse_ipv4("127.0.0.1", &to.address);
        sys_set_timeouts(s, 5000);
        if (sys_connect(s, to, 5000) == 0) {
            for (size_t at = 0; at < sent.size();) {
                int n = sys_send(s, sent.data() + at, static_cast<int>(sent.size() - at));
                if (n <= 0) break;
                at += static_cast<size_t>(n);
            }
            char buffer[4096];
            for (int n; (n = sys_recv(s, buffer, sizeof buffer)) > 0;) answer.append(buffer, static_cast<size_t>(n));
        }
        sys_socket_close(s);
    });
}

Browser::~Browser() {
    if (thread.joinable()) thread.join();
}

std::string url_value(const std::string& url, const std::string& name) {
    size_t at = url.find("&" + name + "=");
    if (at == std::string::npos) return "";
    at += name.size() + 2;
    return url.substr(at, url.find('&', at) - at);
}

bool play_browser(const std::string& url) {
    played->url = url;
    if (played->part == IS_MISSING) return false;
    if (played->part == IS_CANCELLED) *played->cancel = true;
    if (played->part == STAYS_AWAY || played->part == IS_CANCELLED) return true;
    std::string uri = url_value(url, "redirect_uri"), prefix = "http%3A%2F%2F127.0.0.1%3A";
    if (!uri.starts_with(prefix)) return false;
    int port = std::atoi(uri.c_str() + prefix.size());
    std::string state = url_value(url, "state");
    std::string query = std::string("code=") + played_code + "&state=" + state;
    if (played->part == REFUSES) query = "error=access_denied&error_description=The+user+said+no.&state=" + state;
    if (played->part == ANSWERS_ANOTHER_STATE) query = "code=abc&state=x" + state;
    played->visit.visit(port, "GET /?" + query + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) + "\r\n\r\n");
    return true;
}
