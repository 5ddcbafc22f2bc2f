#include <string>

#include "transport/auth_responses.h"
#include "tests/unit/test_support.h"

namespace {

// The worked example of RFC 2195.
const char* const challenge = "PDE4OTYuNjk3MTcwOTUyQHBvc3RvZmZpY2UucmVzdG9uLm1jaS5uZXQ+";
const char* const response = "dGltIGI5MTNhNjAyYzdlZGE3YTQ5NWI0ZTZlNzMzNGQzODkw";

std::string cram(const std::string& user, const std::string& line, int* result = nullptr) {
    Array* output = array_new(200);
    int r = cram_md5_response(user.c_str(), "tanstaaftanstaaf", line.c_str(), output);
    if (result) *result = r;
    std::string text = output->text;
    delete_arrays(output);
    return text;
}

TEST(CramMd5, Rfc2195ExampleFromAPop3OrSmtpChallenge) {
    EXPECT_EQ(cram("tim", std::string("+ ") + challenge + "\r\n"), response);
    EXPECT_EQ(cram("tim", std::string("334 ") + challenge + "\r\n"), response);
    // No space: the whole line up to the carriage return is the challenge.
    EXPECT_EQ(cram("tim", std::string(challenge) + "\r\n"), response);
    EXPECT_EQ(cram("tim", std::string("+ ") + challenge), response);
}

TEST(CramMd5, LineSentEndsWithCrLf) {
    Array* line = array_new(200);
    ASSERT_EQ(cram_md5_response_line("tim", "tanstaaftanstaaf", (std::string("+ ") + challenge + "\r\n").c_str(), line), 0);
    EXPECT_EQ(std::string(line->text), std::string(response) + "\r\n");
    delete_arrays(line);

    Array* small = array_new(50);  // room for the 48 characters but not the line end
    EXPECT_EQ(cram_md5_response_line("tim", "tanstaaftanstaaf", (std::string("+ ") + challenge).c_str(), small), -1);
    EXPECT_STREQ(small->text, "");
    delete_arrays(small);
}

TEST(CramMd5, LongUserNameIsCutTo99Characters) {
    // "a" x 99, a space and the lowercase digits of the RFC example.
    EXPECT_EQ(cram(std::string(120, 'a'), std::string("+ ") + challenge + "\r\n"),
              "YWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFh"
              "YWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFhIGI5MTNhNjAyYzdlZGE3YTQ5NWI0ZTZlNzMzNGQzODkw");
}

TEST(CramMd5, OddChallengesStillGiveAResponseWithinTheBuffers) {
    // An empty challenge is the HMAC of no bytes.
    EXPECT_EQ(cram("tim", "+ \r\n"), "dGltIGJhMDAxNjU5MWQ2MTI2NjIzNDhiMjBiY2Q3ZjQ0Mzlh");
    EXPECT_EQ(cram("tim", "+\r\n more after the line end"), cram("tim", "+\r\n"));
    // Hostile lengths and characters: a response of the usual size.
    int result = -1;
    EXPECT_EQ(cram("tim", "+ " + std::string(5000, '/') + "\r\n", &result).size(), 48u);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(cram("tim", "+ " + std::string(600, '\xff') + "!\r\n").size(), 48u);
    // Only the first 519 characters take part.
    EXPECT_EQ(cram("tim", "+ " + std::string(519, 'Q') + "\r\n"), cram("tim", "+ " + std::string(530, 'Q') + "\r\n"));
    EXPECT_NE(cram("tim", "+ " + std::string(516, 'Q') + "\r\n"), cram("tim", "+ " + std::string(519, 'Q') + "\r\n"));

    Array* tiny = array_new(20);
    EXPECT_EQ(cram_md5_response("tim", "x", "+ abcd\r\n", tiny), -1);
    EXPECT_STREQ(tiny->text, "");
    delete_arrays(tiny);
}

std::string plain(const std::string& user, const std::string& password, int* result) {
    Array* output = array_new(271);
    *result = plain_response(user.c_str(), password.c_str(), output);
    std::string text = output->text;
    delete_arrays(output);
    return text;
}

TEST(AuthPlain, InitialResponseIsZeroUserZeroPassword) {
    int result = -1;
    EXPECT_EQ(plain("tim", "tanstaaftanstaaf", &result), "AHRpbQB0YW5zdGFhZnRhbnN0YWFm");
    EXPECT_EQ(result, 0);
    EXPECT_EQ(plain("", "", &result), "AAA=");
    // The longest fields of the account table fit.
    EXPECT_EQ(plain(std::string(98, 'u'), std::string(98, 'p'), &result).size(), 264u);
    EXPECT_EQ(result, 0);
}

TEST(AuthPlain, CredentialsTooLongForTheLineAreRefusedNotCut) {
    int result = 0;
    EXPECT_EQ(plain(std::string(100, 'u'), std::string(99, 'p'), &result).size(), 268u);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(plain(std::string(100, 'u'), std::string(100, 'p'), &result), "");
    EXPECT_EQ(result, -1);
    EXPECT_EQ(plain(std::string(400, 'u'), std::string(400, 'p'), &result), "");
    EXPECT_EQ(result, -1);
}

}  // namespace
