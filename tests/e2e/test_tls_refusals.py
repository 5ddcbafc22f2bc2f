"""Servers whose TLS the client must refuse, each a scripted peer: the
status window says why, and the peer hears no command (no USER, no PASS).
The same judgement of a token endpoint's certificate through WinHTTP: the
refused endpoint never gets the form body. And servers that accept the
connection and say nothing at all."""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from tls_peers import HttpsPeer, SilentPeer, TlsPeer, make_ca, make_certificate  # noqa: E402
from test_transfers import SERVERS, TOOLS, account, deliver, mailbox, message  # noqa: E402
from zmharness import ClientTest, ID, values, wait_for  # noqa: E402

TRUST_CA = os.environ.get("ZM_TRUST_CA", "")
CA_PEM = os.environ.get("ZM_TLS_CA", "")
CA_DER = os.environ.get("ZM_TLS_CA_DER_WIN", "")
TOKEN_POST = os.environ.get("ZM_TOKEN_POST", "")
# A code exchange's form body: what a refused endpoint must never receive.
TOKEN_BODY = "grant_type=authorization_code&code=M.C5%2Fx&code_verifier=v-1"
CHECK = ["window", "Zenth Mail", "15000", "command", "Zenth Mail", ID.CMD_CHECK_ALL_ACCOUNTS, "window", "Status",
         "15000",
         "wait-text", "Status", ID.IDC_STATUS, "Errors: ", "60000", "command", "Status", ID.IDC_STATUS_OK, "no-window",
         "Status", "5000",
         "command", "Zenth Mail", ID.CMD_EXIT, "wait-exit", "10000"]


@unittest.skipUnless(TRUST_CA and CA_PEM and CA_DER and shutil.which("openssl"),
                     "the test CA of tests/servers is not there")
class Refusals(ClientTest):
    @classmethod
    def setUpClass(cls):
        cls.certs = tempfile.mkdtemp(prefix="zm-tls-peers-")
        ca = (CA_PEM, os.path.join(os.path.dirname(CA_PEM), "ca.key"))
        # The same name as the trusted CA, but another key: a forgery.
        forger = make_ca(cls.certs, "forger", subprocess.run(
            ["openssl", "x509", "-in", CA_PEM, "-noout", "-subject", "-nameopt", "compat"],
            capture_output=True, text=True, check=True).stdout.strip()[len("subject="):])
        cls.cases = {
            "self-signed": make_certificate(cls.certs, "self"),
            "expired": make_certificate(cls.certs, "expired", ca, dates=("20200101000000Z", "20200201000000Z")),
            "another name": make_certificate(cls.certs, "other", ca, names="DNS:mail.example.invalid"),
            "clients only": make_certificate(cls.certs, "client", ca, usage="clientAuth"),
            "forged": make_certificate(cls.certs, "forged", forger),
            "good": make_certificate(cls.certs, "good", ca),
        }
        subprocess.run(["wine", TRUST_CA, "add", CA_DER], check=True, capture_output=True, timeout=60)

    @classmethod
    def tearDownClass(cls):
        subprocess.run(["wine", TRUST_CA, "remove", CA_DER], capture_output=True, timeout=60)
        shutil.rmtree(cls.certs, ignore_errors=True)

    def check_against(self, peers):
        """One check of an account on each peer, in turn; the status window's
        text of each, by its peer."""
        self.write_accounts(*[("home%d" % i, "localhost:25", '"Ann" <ann@example.test>', "localhost:%d" % peer.port,
                               "ann", "secret", "maildir\\inbox", 0x40) for i, peer in enumerate(peers)])
        os.makedirs(self.path("maildir", "inbox"), exist_ok=True)
        try:
            out = self.run_client("", *CHECK)
        finally:
            for peer in peers:
                peer.close()
        status = values(out, "TEXT")[0]
        self.assertIn("Errors: %d" % len(peers), status)
        parts = status.split("Checking localhost:")[1:]
        self.assertEqual(len(parts), len(peers), status)
        return [part for peer in peers for part in parts if part.startswith("%d:" % peer.port)]

    def test_each_refused_certificate_outdated_protocol_and_the_good_one_in_one_check(self):
        reasons = {"self-signed": "untrusted issuer", "expired": "expired or not yet valid",
                   "another name": "issued for another name", "clients only": "not meant for servers",
                   # Signed by another key in the trusted CA's name: no chain
                   # to the trusted CA can be built.
                   "forged": "incomplete chain"}
        refused = {case: TlsPeer(*self.cases[case]) for case in reasons}
        outdated = TlsPeer(*self.cases["good"], old_protocol=True)
        good = TlsPeer(*self.cases["good"])
        statuses = self.check_against([*refused.values(), outdated, good])
        for (case, reason), status in zip(reasons.items(), statuses):
            with self.subTest(case=case):
                self.assertIn("Server certificate not accepted: %s.\\r\\n" % reason, status)
                self.assertTrue(refused[case].handshake_done)
                self.assertEqual(refused[case].received, b"")
        # Refused after the handshake, or by the system's TLS during it.
        self.assertTrue("Server uses an outdated protocol version.\\r\\n" in statuses[-2] or
                        "Secure connection failed (error 0x" in statuses[-2], statuses[-2])
        self.assertEqual(outdated.received, b"")
        # The good one is the only peer that hears the user name (and refuses it).
        self.assertIn("Secure connection established (TLS 1.", statuses[-1])
        self.assertTrue(good.received.startswith(b"user ann\r\n"), good.received)

    def token_post(self, *args, peer=None):
        """zm_token_post's three lines (result, error, and the reply or the
        grant saved), run in the test's program folder."""
        try:
            out = subprocess.run(["wine", TOKEN_POST, *args], capture_output=True, timeout=120, cwd=self.folder).stdout
        finally:
            if peer:
                peer.close()
        # The program writes its lines in text mode.
        result, error, rest = out.replace(b"\r\n", b"\n").decode("utf-8", "replace").split("\n", 2)
        return result[len("result="):], error[len("error="):], rest.split("=", 1)[1].rstrip("\n")

    def post_token(self, url, peer=None):
        return self.token_post(url, TOKEN_BODY, peer=peer)

    @unittest.skipUnless(TOKEN_POST, "zm_token_post is not built")
    def test_the_token_endpoint_is_judged_like_a_mail_server_and_a_refused_one_gets_no_body(self):
        # An error status still gives its body (RFC 6749 section 5.2).
        refusal = b'{"error":"invalid_grant","error_description":"Code expired"}'
        peer = HttpsPeer(*self.cases["good"], status=b"400 Bad Request", body=refusal)
        result = self.post_token("https://localhost:%d/oauth2/token?tenant=t" % peer.port, peer)
        self.assertEqual(result, ("0", "", refusal.decode()))
        self.assertTrue(peer.received.startswith(b"POST /oauth2/token?tenant=t HTTP/1.1\r\n"), peer.received)
        self.assertIn(b"\r\nContent-Type: application/x-www-form-urlencoded\r\n", peer.received)
        self.assertTrue(peer.received.endswith(b"\r\n\r\n" + TOKEN_BODY.encode()), peer.received)

        for case, reason in (("self-signed", "untrusted issuer"), ("another name", "issued for another name")):
            with self.subTest(case=case):
                peer = HttpsPeer(*self.cases[case])
                result = self.post_token("https://localhost:%d/token" % peer.port, peer)
                self.assertEqual(result, ("-1", "Server certificate not accepted: %s." % reason, ""))
                self.assertTrue(peer.handshake_done)
                self.assertNotIn(b"code_verifier", peer.received)

        peer = HttpsPeer(*self.cases["good"], body=b'{"access_token":"' + b"a" * 70000 + b'"}')
        self.assertEqual(self.post_token("https://localhost:%d/token" % peer.port, peer),
                         ("-1", "The token endpoint's reply is too long.", ""))
        self.assertEqual(self.post_token("http://localhost:1/token"),
                         ("-1", "The token endpoint must be an https:// address.", ""))

    @unittest.skipUnless(TOKEN_POST, "zm_token_post is not built")
    def test_a_sign_in_keeps_its_grant_only_from_a_token_endpoint_found_good(self):
        def grant_files():
            return [name for name in os.listdir(self.folder) if name.startswith("token") and name.endswith(".dat")]

        peer = HttpsPeer(*self.cases["self-signed"])
        result = self.token_post("sign-in", "https://localhost:%d/token" % peer.port, peer=peer)
        self.assertEqual(result, ("-1", "Server certificate not accepted: untrusted issuer.", "none"))
        self.assertNotIn(b"code_verifier", peer.received)
        self.assertEqual(grant_files(), [])

        peer = HttpsPeer(*self.cases["good"],
                         body=b'{"access_token":"at-1","token_type":"Bearer","expires_in":3600,"refresh_token":"rt-1"}')
        result = self.token_post("sign-in", "https://localhost:%d/token" % peer.port, peer=peer)
        self.assertEqual(result, ("0", "", "rt-1"))
        body = peer.received.split(b"\r\n\r\n", 1)[1]
        self.assertTrue(body.startswith(b"grant_type=authorization_code&code=M.C5%2Fx%2B1&redirect_uri="
                                        b"http%3A%2F%2F127.0.0.1%3A"), body)
        # Sealed for the Windows user: the refresh token is not in the file.
        self.assertEqual(len(grant_files()), 1)
        self.assertNotIn(b"rt-1", self.read(grant_files()[0]))

    @unittest.skipUnless(TOKEN_POST, "zm_token_post is not built")
    def test_the_system_browser_is_opened_on_the_authorization_url(self):
        # The shell's "open" reaches Wine's browser, which is ours here.
        record = self.path("browser.txt")
        browser = os.path.join(os.path.dirname(os.path.abspath(__file__)), "played_browser.py")
        key = "HKCU\\Software\\Wine\\WineBrowser"
        subprocess.run(["wine", "reg", "add", key, "/v", "Browsers", "/t", "REG_SZ", "/d", browser + " " + record, "/f"],
                       check=True, capture_output=True, timeout=60)
        try:
            peer = HttpsPeer(*self.cases["good"], body=b'{"access_token":"at-1","refresh_token":"rt-1"}')
            result = self.token_post("sign-in-system", "https://localhost:%d/token" % peer.port, peer=peer)
        finally:
            subprocess.run(["wine", "reg", "delete", key, "/v", "Browsers", "/f"], capture_output=True, timeout=60)
        self.assertEqual(result, ("0", "", "rt-1"))
        # The browser notes what it did after the listener's page came.
        wait_for(lambda: os.path.exists(record), 20, "the browser's record")
        url, page = self.read("browser.txt").decode().split("\n", 1)
        self.assertTrue(url.startswith("https://login.example.test/authorize?response_type=code&client_id=c-1&"), url)
        self.assertIn("You can close this window.", page)
        self.assertIn(b"&code=C-system%2F1&", peer.received)

    @unittest.skipUnless(TOKEN_POST and os.environ.get("ZM_OAUTH_TOKEN"),
                         "the authorization server of tests/servers is not running")
    def test_a_whole_sign_in_at_the_real_authorization_server_through_the_system_browser(self):
        # The person at Wine's browser signs in at the server's own page;
        # the client exchanges the code through WinHTTP and keeps the grant.
        record = self.path("browser.txt")
        browser = os.path.join(os.path.dirname(os.path.abspath(__file__)), "played_browser.py")
        log_path = os.path.join(os.environ["ZM_SERVERS_DIR"], "log", "oauth.log")
        logged_before = os.path.getsize(log_path)
        key = "HKCU\\Software\\Wine\\WineBrowser"
        subprocess.run(["wine", "reg", "add", key, "/v", "Browsers", "/t", "REG_SZ", "/d",
                        "%s --sign-in alice:%s %s" % (browser, os.environ["ZM_ALICE_PASS"], record), "/f"],
                       check=True, capture_output=True, timeout=60)
        try:
            result = self.token_post("sign-in-system", os.environ["ZM_OAUTH_TOKEN"], os.environ["ZM_OAUTH_AUTHORIZE"],
                                     os.environ["ZM_OAUTH_CLIENT_ID"])
        finally:
            subprocess.run(["wine", "reg", "delete", key, "/v", "Browsers", "/f"], capture_output=True, timeout=60)
        self.assertEqual(result[:2], ("0", ""))
        self.assertRegex(result[2], r"^[A-Za-z0-9]{40,}$")
        wait_for(lambda: os.path.exists(record), 20, "the browser's record")
        url, page = self.read("browser.txt").decode().split("\n", 1)
        self.assertTrue(url.startswith(os.environ["ZM_OAUTH_AUTHORIZE"] + "?response_type=code&"), url)
        self.assertIn("You can close this window.", page)
        # The server's own record: alice allowed it, and the code it gave
        # for her was exchanged with its verifier.
        with open(log_path) as f:
            log = f.read()[logged_before:]
        self.assertIn("alice approved the sign-in", log)
        self.assertIn("issued an access token to %s for alice (authorization_code grant)"
                      % os.environ["ZM_OAUTH_CLIENT_ID"], log)


@unittest.skipUnless(SERVERS and TOOLS, "the mail servers of tests/servers are not running")
class SilentServers(ClientTest):
    def test_silent_servers_time_out_and_the_next_account_is_checked(self):
        mailbox("clear", "alice")
        deliver("alice", message("after the silent ones"))
        os.makedirs(self.path("maildir", "inbox"), exist_ok=True)
        handshake, greeting = SilentPeer(), SilentPeer()
        self.write("zenth.cfg", b"0 2\r\n\r\n\r\n\r\n\r\n\r\n\r\n")  # a server time-out of 2 s
        self.write_accounts(("tls", "localhost:25", '"Ann" <ann@example.test>', "localhost:%d" % handshake.port,
                             "ann", "secret", "maildir\\inbox", 0x40),
                            ("plain", "127.0.0.1:25", '"Ann" <ann@example.test>', "127.0.0.1:%d" % greeting.port,
                             "ann", "secret", "maildir\\inbox", 0),
                            account("home", "alice", "alicepw", "maildir\\inbox"))
        try:
            out = self.run_client("", *CHECK)
        finally:
            handshake.close()
            greeting.close()
            mailbox("clear", "alice")
        status = values(out, "TEXT")[0]
        # The system's TLS (SChannel) waited for the server's hello; the
        # plain session for the greeting. Each says so before its failure.
        self.assertIn("Server did not answer within 2 seconds.\\r\\nSecure connection failed (error 0x", status)
        self.assertIn("Server did not answer within 2 seconds.\\r\\nreceiveline error\\r\\n"
                      "Error 2: Cannot logon to POP3 server.", status)
        self.assertIn("Found 1.", status)
        self.assertIn("New messages: 1\\r\\nErrors: 2", status)
        self.assertTrue(handshake.received)   # the client's hello, nothing after it
        self.assertEqual(greeting.received, b"")
        for name, peer in (("during the TLS handshake", handshake), ("after connect", greeting)):
            took = peer.closed_at - peer.accepted_at
            print("[ timing ] silent %s: closed after %.2f s (time-out 2 s)" % (name, took))
            self.assertLess(took, 2 + 4)
            self.assertGreater(took, 1.5)


if __name__ == "__main__":
    unittest.main(verbosity=2)
