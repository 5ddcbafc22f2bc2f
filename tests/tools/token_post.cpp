// POSTs a form body to a token endpoint through the system's endpoint (WinHTTP
// with the client's certificate check) and prints what came back, for the
// end-to-end tests against scripted HTTPS peers:
//
//   zm_token_post <endpoint> <body>
//
// prints "result=0|-1", "error=<text>" and "reply=<body>", one a line.
#include <cstdio>
#include <string>

#include "transport/login_secret.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: zm_token_post <endpoint> <body>\n");
        return 2;
    }
    std::string reply, error;
    int result = system_token_endpoint(argv[1], argv[2], &reply, &error);
    std::printf("result=%d\nerror=%s\nreply=%s\n", result, error.c_str(), reply.c_str());
    return 0;
}
