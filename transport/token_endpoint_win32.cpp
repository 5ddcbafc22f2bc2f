// The token endpoint through WinHTTP. WinHTTP is told to accept any
// certificate and the client judges the server's itself, as it does for
// the mail connections: some systems' checks pass what they should not.
// The request goes in two steps so that the judgement comes between them:
// the head is sent with the connection's handshake, and the body (a code
// with its verifier, or a refresh token) only to a server found good.
#include <windows.h>
#include <winhttp.h>

#include <cstdio>
#include <string>

#include "transport/login_secret.h"
#include "transport/oauth_requests.h"
#include "transport/tls_win32.h"

namespace {

struct Handle {
    HINTERNET h;
    explicit Handle(HINTERNET handle) : h(handle) {}
    ~Handle() {
        if (h) WinHttpCloseHandle(h);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
};

int unreachable(std::string* error) {
    char text[80];
    std::snprintf(text, sizeof text, "Could not reach the token endpoint (error %lu).", GetLastError());
    *error = text;
    return -1;
}

bool write_all(HINTERNET request, const std::string& body) {
    for (size_t at = 0; at < body.size();) {
        DWORD written = 0;
        if (!WinHttpWriteData(request, body.data() + at, static_cast<DWORD>(body.size() - at), &written) ||
            written == 0)
            return false;
        at += written;
    }
    return true;
}

}  // namespace

int system_token_endpoint(const std::string& endpoint, const std::string& body, std::string* reply,
                          std::string* error) {
    reply->clear();
    error->clear();
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (!https_address(endpoint)) {
        *error = token_endpoint_not_https;
        return -1;
    }
    std::wstring url(endpoint.begin(), endpoint.end());  // printable ASCII, as checked
    if (!WinHttpCrackUrl(url.c_str(), 0, 0, &parts) || parts.nScheme != INTERNET_SCHEME_HTTPS ||
        parts.dwHostNameLength == 0) {
        *error = token_endpoint_not_https;
        return -1;
    }
    auto piece = [](const wchar_t* at, DWORD length) { return at ? std::wstring(at, length) : std::wstring(); };
    std::wstring host = piece(parts.lpszHostName, parts.dwHostNameLength);
    std::wstring path = piece(parts.lpszUrlPath, parts.dwUrlPathLength) +
                        piece(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    if (path.empty()) path = L"/";
    // The name as written, for the certificate's check.
    std::string host_name(host.begin(), host.end());

    Handle session(WinHttpOpen(L"Zenth Mail", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                               WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session.h || !WinHttpSetTimeouts(session.h, token_exchange_ms, token_exchange_ms, token_exchange_ms,
                                          token_exchange_ms))
        return unreachable(error);
    Handle connection(WinHttpConnect(session.h, host.c_str(), parts.nPort, 0));
    if (!connection.h) return unreachable(error);
    Handle request(WinHttpOpenRequest(connection.h, L"POST", path.c_str(), nullptr, WINHTTP_NO_REFERER,
                                      WINHTTP_DEFAULT_ACCEPT_TYPES, WINHTTP_FLAG_SECURE));
    if (!request.h) return unreachable(error);
    DWORD accept_any = SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_CERT_DATE_INVALID |
                       SECURITY_FLAG_IGNORE_CERT_CN_INVALID | SECURITY_FLAG_IGNORE_CERT_WRONG_USAGE;
    // A redirect would take the body to a server judged by no one.
    DWORD never = WINHTTP_OPTION_REDIRECT_POLICY_NEVER;
    if (!WinHttpSetOption(request.h, WINHTTP_OPTION_SECURITY_FLAGS, &accept_any, sizeof accept_any) ||
        !WinHttpSetOption(request.h, WINHTTP_OPTION_REDIRECT_POLICY, &never, sizeof never))
        return unreachable(error);
    const wchar_t headers[] = L"Content-Type: application/x-www-form-urlencoded\r\nAccept: application/json\r\n";
    if (!WinHttpSendRequest(request.h, headers, static_cast<DWORD>(-1), WINHTTP_NO_REQUEST_DATA, 0,
                            static_cast<DWORD>(body.size()), 0))
        return unreachable(error);

    PCCERT_CONTEXT certificate = nullptr;
    DWORD size = sizeof certificate;
    const char* problem = "incomplete chain";
    if (WinHttpQueryOption(request.h, WINHTTP_OPTION_SERVER_CERT_CONTEXT, &certificate, &size) && certificate) {
        problem = server_certificate_problem(certificate, host_name.c_str());
        CertFreeCertificateContext(certificate);
    }
    if (problem) {
        *error = std::string("Server certificate not accepted: ") + problem + ".";
        return -1;
    }

    if (!write_all(request.h, body) || !WinHttpReceiveResponse(request.h, nullptr)) return unreachable(error);
    // Any status gives its body: RFC 6749 section 5.2 errors come with 400.
    char buffer[8192];
    for (;;) {
        DWORD n = 0;
        if (!WinHttpReadData(request.h, buffer, sizeof buffer, &n)) return unreachable(error);
        if (n == 0) break;
        if (reply->size() + n > token_reply_limit) {
            reply->clear();
            *error = "The token endpoint's reply is too long.";
            return -1;
        }
        reply->append(buffer, n);
    }
    return 0;
}
