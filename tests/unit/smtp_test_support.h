// Shared pieces of the SMTP tests: outgoing message files with their private
// fields, an account table, and the lines of an SMTP conversation for a
// scripted peer.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "tests/unit/scripted_peer.h"
#include "tests/unit/test_support.h"

struct Outgoing {
    std::string server;  // "127.0.0.1:<port>"
    std::string account = "-1";
    std::string address = "alice@example.test";
    std::string recipients = "bob@example.test";
    std::string options = "0";
    std::string subject = "Figures";
    std::string body = "Hello Bob,\r\nthe figures are in.\r\n";
};

// The standard header of the message files the tests send.
std::string standard_header(const std::string& subject);
// The whole file: the five private fields, the standard header, the body.
std::string outgoing_file(const Outgoing& m);
// The part of the file that a server and sent items get.
std::string without_private_fields(const Outgoing& m);

struct TestAccount {
    std::string smtp_server;
    std::string pop3_server;
    std::string user = "alice";
    std::string password = "alicepw";
    int options = 0;
};
// Writes pwdkey.dat and accountdata.cfg into the working folder and loads
// the table.
void load_accounts(const std::vector<TestAccount>& accounts);

// "127.0.0.1:<port>" of a scripted peer or a real server.
std::string server_text(const NetAddress& address);
std::string server_text(int port);

// The store folders that sending uses, made in the working folder.
void make_send_folders();

std::vector<PeerStep> join_steps(std::vector<PeerStep> a, const std::vector<PeerStep>& b);

// Bytes to the peer's liking for each step of a plain session (HELO, one
// recipient), the replies given by `replies` in order: greeting, helo, mail,
// rcpt, data, end of data, quit.
std::vector<PeerStep> plain_session(const std::vector<std::string>& replies);
const std::vector<std::string>& good_replies();

// The message files of a folder ("mm1.eml", ...), sorted.
std::vector<std::string> files_in(const std::filesystem::path& folder);
