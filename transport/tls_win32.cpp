// TLS through SChannel (SSPI). The handshake, the record layer over the
// raw socket, and the client's own check of the server's certificate: the
// credentials ask for manual validation, and nothing is accepted that the
// chain or the SSL policy found fault with.
#include <windows.h>

#define SECURITY_WIN32
// SCH_CREDENTIALS and TLS_PARAMETERS, which need UNICODE_STRING.
#define SCHANNEL_USE_BLACKLISTS
#include <subauth.h>
#include <schannel.h>
#include <security.h>
#include <sspi.h>
#include <wincrypt.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "transport/cert_verdict.h"
#include "transport/session.h"
#include "transport/tls.h"
#include "transport/tls_win32.h"

namespace {

// Room for a few records of ciphertext: more than one handshake flight.
constexpr size_t cipher_room = 64 * 1024;
constexpr int handshake_rounds = 64;
constexpr DWORD context_flags = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT | ISC_REQ_CONFIDENTIALITY |
                                ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM | ISC_REQ_EXTENDED_ERROR |
                                ISC_REQ_MANUAL_CRED_VALIDATION;
constexpr DWORD modern_protocols = SP_PROT_TLS1_2_CLIENT | SP_PROT_TLS1_3_CLIENT;

bool send_raw(MailSession& s, const char* data, size_t length) {
    while (length > 0) {
        int n = s.raw_send(data, static_cast<int>(length));
        if (n <= 0) return false;
        data += n;
        length -= static_cast<size_t>(n);
    }
    return true;
}

struct Channel final : StreamLayer {
    CredHandle credentials{};
    CtxtHandle context{};
    bool have_credentials = false;
    bool have_context = false;
    std::string host;
    SecPkgContext_StreamSizes sizes{};
    std::vector<char> cipher = std::vector<char>(cipher_room);
    size_t cipher_length = 0;  // received, not yet decrypted
    std::vector<char> plain;   // decrypted, not yet handed out
    size_t plain_at = 0;
    bool ended = false;
    SECURITY_STATUS failure = SEC_E_INTERNAL_ERROR;

    ~Channel() override {
        if (have_context) DeleteSecurityContext(&context);
        if (have_credentials) FreeCredentialsHandle(&credentials);
    }

    bool acquire() {
        // The newest form of credentials first; older systems know only
        // SCHANNEL_CRED, and the oldest of those no TLS 1.3 bit. The
        // protocol that comes out is checked after the handshake whatever
        // the credentials said, as some systems ignore what they are told.
        TLS_PARAMETERS parameters{};
        parameters.grbitDisabledProtocols = SP_PROT_SSL2_CLIENT | SP_PROT_SSL3_CLIENT | SP_PROT_TLS1_0_CLIENT |
                                            SP_PROT_TLS1_1_CLIENT;
        SCH_CREDENTIALS current{};
        current.dwVersion = SCH_CREDENTIALS_VERSION;
        current.dwFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS | SCH_USE_STRONG_CRYPTO;
        current.cTlsParameters = 1;
        current.pTlsParameters = &parameters;
        SCHANNEL_CRED older{};
        older.dwVersion = SCHANNEL_CRED_VERSION;
        older.dwFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS;
        void* forms[] = {&current, &older, &older};
        for (int attempt = 0; attempt < 3; attempt++) {
            older.grbitEnabledProtocols = attempt == 1 ? modern_protocols : SP_PROT_TLS1_2_CLIENT;
            failure = AcquireCredentialsHandleA(nullptr, const_cast<char*>(UNISP_NAME_A), SECPKG_CRED_OUTBOUND, nullptr,
                                                forms[attempt], nullptr, nullptr, &credentials, nullptr);
            if (failure == SEC_E_OK) return have_credentials = true;
        }
        return false;
    }

    bool receive_more(MailSession& s) {
        if (cipher_length == cipher.size()) return false;
        int n = s.raw_recv(cipher.data() + cipher_length, static_cast<int>(cipher.size() - cipher_length));
        if (n <= 0) return false;
        cipher_length += static_cast<size_t>(n);
        return true;
    }

    // Keeps what the system did not take of the received bytes.
    void keep_extra(const SecBuffer& extra) {
        if (extra.BufferType == SECBUFFER_EXTRA && extra.cbBuffer > 0 && extra.cbBuffer <= cipher_length) {
            std::memmove(cipher.data(), cipher.data() + cipher_length - extra.cbBuffer, extra.cbBuffer);
            cipher_length = extra.cbBuffer;
        } else {
            cipher_length = 0;
        }
    }

    // The handshake from the first token on, or its continuation after a
    // renegotiation; `started` when a context exists. True once done.
    bool shake_hands(MailSession& s, bool started) {
        bool need_bytes = false;
        // Rounds that the system took a step in; waiting for the rest of a
        // message is bounded by the room for it instead, as every read adds
        // at least a byte.
        for (int round = 0; round < handshake_rounds;) {
            if (started && (need_bytes || cipher_length == 0) && !receive_more(s)) {
                failure = SEC_E_INTERNAL_ERROR;
                return false;
            }
            SecBuffer in[2] = {{static_cast<unsigned long>(cipher_length), SECBUFFER_TOKEN, cipher.data()},
                               {0, SECBUFFER_EMPTY, nullptr}};
            SecBufferDesc in_desc{SECBUFFER_VERSION, 2, in};
            SecBuffer out{0, SECBUFFER_TOKEN, nullptr};
            SecBufferDesc out_desc{SECBUFFER_VERSION, 1, &out};
            unsigned long attributes = 0;
            SECURITY_STATUS status = InitializeSecurityContextA(
                &credentials, started ? &context : nullptr, const_cast<char*>(host.c_str()), context_flags, 0, 0,
                started ? &in_desc : nullptr, 0, started ? nullptr : &context, &out_desc, &attributes, nullptr);
            if (!started && (status == SEC_I_CONTINUE_NEEDED || status == SEC_E_OK)) have_context = true;
            if (status == SEC_E_INCOMPLETE_MESSAGE) {
                need_bytes = true;
                continue;
            }
            // A server asking for a client certificate: there is none, and
            // the same bytes go in again.
            if (status == SEC_I_INCOMPLETE_CREDENTIALS) continue;
            bool sent = true;
            if (out.pvBuffer) {
                sent = out.cbBuffer == 0 || send_raw(s, static_cast<const char*>(out.pvBuffer), out.cbBuffer);
                FreeContextBuffer(out.pvBuffer);
            }
            if (FAILED(status) || !sent) {
                failure = FAILED(status) ? status : SEC_E_INTERNAL_ERROR;
                return false;
            }
            if (started) keep_extra(in[1]);
            // Bytes behind the last handshake message (a POP3S greeting may
            // come with it) stay for the first read.
            if (status == SEC_E_OK) return true;
            need_bytes = false;
            started = true;
            round++;
        }
        failure = SEC_E_INTERNAL_ERROR;
        return false;
    }

    // A record already received but not decrypted counts: its bytes are in,
    // and the socket may stay quiet until the next one.
    bool holds_bytes() const override { return plain_at < plain.size() || cipher_length > 0; }

    int recv(MailSession& s, void* buffer, int length) override {
        for (;;) {
            if (plain_at < plain.size()) {
                size_t n = plain.size() - plain_at;
                if (n > static_cast<size_t>(length)) n = static_cast<size_t>(length);
                std::memcpy(buffer, plain.data() + plain_at, n);
                plain_at += n;
                return static_cast<int>(n);
            }
            if (ended) return 0;
            if (cipher_length > 0) {
                int decrypted = decrypt(s);
                if (decrypted < 0) return -1;
                if (decrypted > 0) continue;
            }
            if (cipher_length == cipher.size()) return -1;
            int n = s.raw_recv(cipher.data() + cipher_length, static_cast<int>(cipher.size() - cipher_length));
            if (n <= 0) return n;  // the peer's close ends the stream; an error or an abort fails it
            cipher_length += static_cast<size_t>(n);
        }
    }

    // One record out of the received bytes: 1 when it made progress, 0 when
    // more bytes are needed, -1 on failure.
    int decrypt(MailSession& s) {
        SecBuffer buffers[4] = {{static_cast<unsigned long>(cipher_length), SECBUFFER_DATA, cipher.data()},
                                {0, SECBUFFER_EMPTY, nullptr},
                                {0, SECBUFFER_EMPTY, nullptr},
                                {0, SECBUFFER_EMPTY, nullptr}};
        SecBufferDesc desc{SECBUFFER_VERSION, 4, buffers};
        SECURITY_STATUS status = DecryptMessage(&context, &desc, 0, nullptr);
        if (status == SEC_E_INCOMPLETE_MESSAGE) return 0;
        if (status != SEC_E_OK && status != SEC_I_RENEGOTIATE && status != SEC_I_CONTEXT_EXPIRED) return -1;
        size_t before = cipher_length;
        plain.clear();
        plain_at = 0;
        const SecBuffer* extra = nullptr;
        for (const SecBuffer& b : buffers) {
            if (b.BufferType == SECBUFFER_DATA && b.cbBuffer > 0)
                plain.assign(static_cast<char*>(b.pvBuffer), static_cast<char*>(b.pvBuffer) + b.cbBuffer);
            if (b.BufferType == SECBUFFER_EXTRA) extra = &b;
        }
        if (extra) keep_extra(*extra);
        else cipher_length = 0;
        if (status == SEC_I_CONTEXT_EXPIRED) ended = true;
        if (status == SEC_I_RENEGOTIATE && !shake_hands(s, true)) return -1;
        // A record that gave nothing and took nothing would never end.
        if (plain.empty() && cipher_length == before && !ended) return -1;
        return 1;
    }

    int send(MailSession& s, const void* data, int length) override {
        std::vector<char> message(sizes.cbHeader + sizes.cbMaximumMessage + sizes.cbTrailer);
        const char* bytes = static_cast<const char*>(data);
        for (int done = 0; done < length;) {
            unsigned long piece = static_cast<unsigned long>(length - done);
            if (piece > sizes.cbMaximumMessage) piece = sizes.cbMaximumMessage;
            std::memcpy(message.data() + sizes.cbHeader, bytes + done, piece);
            SecBuffer buffers[4] = {{sizes.cbHeader, SECBUFFER_STREAM_HEADER, message.data()},
                                    {piece, SECBUFFER_DATA, message.data() + sizes.cbHeader},
                                    {sizes.cbTrailer, SECBUFFER_STREAM_TRAILER, message.data() + sizes.cbHeader + piece},
                                    {0, SECBUFFER_EMPTY, nullptr}};
            SecBufferDesc desc{SECBUFFER_VERSION, 4, buffers};
            if (EncryptMessage(&context, 0, &desc, 0) != SEC_E_OK) return -1;
            if (!send_raw(s, message.data(), buffers[0].cbBuffer + buffers[1].cbBuffer + buffers[2].cbBuffer))
                return -1;
            done += static_cast<int>(piece);
        }
        return length;
    }
};

// Why the server's certificate is not accepted, null when it is.
const char* certificate_problem(CtxtHandle* context, const char* host) {
    PCCERT_CONTEXT certificate = nullptr;
    if (QueryContextAttributesA(context, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &certificate) != SEC_E_OK || !certificate)
        return "incomplete chain";
    const char* problem = server_certificate_problem(certificate, host);
    CertFreeCertificateContext(certificate);
    return problem;
}

void tell_failure(StatusSink& sink, SECURITY_STATUS status) {
    char text[80];
    std::snprintf(text, sizeof text, "Secure connection failed (error 0x%08lX).\r\n", static_cast<unsigned long>(status));
    sink.error(text);
}

}  // namespace

const char* server_certificate_problem(PCCERT_CONTEXT certificate, const char* host) {
    LPSTR server_auth[] = {const_cast<LPSTR>(szOID_PKIX_KP_SERVER_AUTH)};
    CERT_CHAIN_PARA chain_para{};
    chain_para.cbSize = sizeof chain_para;
    chain_para.RequestedUsage.dwType = USAGE_MATCH_TYPE_AND;
    chain_para.RequestedUsage.Usage.cUsageIdentifier = 1;
    chain_para.RequestedUsage.Usage.rgpszUsageIdentifier = server_auth;
    PCCERT_CHAIN_CONTEXT chain = nullptr;
    const char* problem = "incomplete chain";
    if (CertGetCertificateChain(nullptr, certificate, nullptr, certificate->hCertStore, &chain_para, 0, nullptr,
                                &chain) &&
        chain) {
        wchar_t wide_host[256] = {};
        MultiByteToWideChar(CP_ACP, 0, host, -1, wide_host, 255);
        SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
        ssl.cbSize = sizeof ssl;
        ssl.dwAuthType = AUTHTYPE_SERVER;
        ssl.pwszServerName = wide_host;
        CERT_CHAIN_POLICY_PARA policy{};
        policy.cbSize = sizeof policy;
        policy.pvExtraPolicyPara = &ssl;
        CERT_CHAIN_POLICY_STATUS status{};
        status.cbSize = sizeof status;
        if (CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policy, &status))
            problem = certificate_refusal(chain->TrustStatus.dwErrorStatus, status.dwError);
        CertFreeCertificateChain(chain);
    }
    return problem;
}

int system_tls_begin(MailSession& s, const char* host) {
    auto channel = std::make_unique<Channel>();
    channel->host = host;
    if (!channel->acquire() || !channel->shake_hands(s, false)) {
        tell_failure(s.status, channel->failure);
        return -1;
    }
    SecPkgContext_ConnectionInfo info{};
    if (QueryContextAttributesA(&channel->context, SECPKG_ATTR_CONNECTION_INFO, &info) != SEC_E_OK ||
        !(info.dwProtocol & modern_protocols)) {
        s.status.error("Server uses an outdated protocol version.\r\n");
        return -1;
    }
    if (const char* problem = certificate_problem(&channel->context, host)) {
        char text[120];
        std::snprintf(text, sizeof text, "Server certificate not accepted: %s.\r\n", problem);
        s.status.error(text);
        return -1;
    }
    if (QueryContextAttributesA(&channel->context, SECPKG_ATTR_STREAM_SIZES, &channel->sizes) != SEC_E_OK ||
        channel->sizes.cbMaximumMessage == 0) {
        tell_failure(s.status, SEC_E_INTERNAL_ERROR);
        return -1;
    }
    s.status.line(info.dwProtocol & SP_PROT_TLS1_3_CLIENT ? "Secure connection established (TLS 1.3).\r\n"
                                                                     : "Secure connection established (TLS 1.2).\r\n");
    s.attach(std::move(channel));
    return 0;
}
