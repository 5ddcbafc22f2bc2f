#!/usr/bin/env python3
"""Proves that the mail servers of one start.sh folder work as the transport
tests expect, by talking to them as a client would and by looking at the
mailboxes on disk. Usage: probe.py DIR. Prints one PASS or FAIL line per
check and "N passed, N failed"; exits 1 when anything failed. Leaves every
mailbox empty."""

import base64
import hashlib
import hmac
import http.client
import json
import os
import socket
import ssl
import subprocess
import sys
import time
import urllib.parse

TIMEOUT = 10  # seconds for every socket operation

dir_ = os.path.realpath(sys.argv[1]) if len(sys.argv) == 2 else sys.exit("usage: probe.py DIR")


def read_env(path):
    # env.sh holds only lines "export NAME=VALUE", VALUE maybe quoted.
    env = {}
    with open(path) as f:
        for line in f:
            line = line.strip()
            if line.startswith("export "):
                name, _, value = line[len("export "):].partition("=")
                env[name] = value.strip("'\"")
    return env


env = read_env(os.path.join(dir_, "env.sh"))
run_env = dict(os.environ, **env)
ADDR = env["ZM_SERVER_ADDR"]
POP3 = int(env["ZM_POP3_PORT"])
SMTP = int(env["ZM_SMTP_PORT"])
SOCKS = int(env["ZM_SOCKS_PORT"])
SOCKS_AUTH = int(env["ZM_SOCKS_AUTH_PORT"])
DANTE_AUTH = int(env["ZM_SOCKS_DANTE_AUTH_PORT"])
POP3S = int(env["ZM_POP3S_PORT"])
SMTPS = int(env["ZM_SMTPS_PORT"])
IMAP = int(env["ZM_IMAP_PORT"])
IMAPS = int(env["ZM_IMAPS_PORT"])
CA = env["ZM_TLS_CA"]
OAUTH = int(env["ZM_OAUTH_PORT"])
OAUTH_CLIENT = env["ZM_OAUTH_CLIENT_ID"]
PASSWORD = {u: env["ZM_%s_PASS" % u.upper()] for u in env["ZM_USERS"].split()}
DOMAIN = env["ZM_MAIL_DOMAIN"]
TOOLS = env["ZM_SERVERS_TOOLS"]

results = []


def check(name, fn):
    try:
        fn()
        results.append(True)
        print("PASS", name, flush=True)
    except Exception as e:  # a check that breaks in any way has failed
        results.append(False)
        print("FAIL", name, "--", "%s: %s" % (type(e).__name__, e), flush=True)


def expect(cond, what):
    if not cond:
        raise AssertionError(what)


def tool(*args, stdin=None):
    r = subprocess.run(args, env=run_env, input=stdin, capture_output=True, timeout=60)
    expect(r.returncode == 0, "%s failed (%d): %s" % (" ".join(args), r.returncode, r.stderr.decode(errors="replace")))
    return r.stdout.decode()


def mailbox(command, user, *rest):
    return tool(os.path.join(TOOLS, "mailbox.sh"), command, user, *rest)


def count(user):
    return int(mailbox("count", user))


class Conn:
    """A line-oriented connection, made directly or handed over by a proxy."""

    def __init__(self, port=None, sock=None):
        self.sock = sock or socket.create_connection((ADDR, port), timeout=TIMEOUT)
        self.sock.settimeout(TIMEOUT)
        self.buf = b""

    def send(self, data):
        self.sock.sendall(data.encode() if isinstance(data, str) else data)

    def line(self):
        while b"\r\n" not in self.buf:
            chunk = self.sock.recv(65536)
            if not chunk:
                raise EOFError("connection closed; had %r" % self.buf)
            self.buf += chunk
        line, _, self.buf = self.buf.partition(b"\r\n")
        return line.decode("latin-1")

    def exact(self, n):
        while len(self.buf) < n:
            chunk = self.sock.recv(65536)
            if not chunk:
                raise EOFError("connection closed after %d of %d bytes" % (len(self.buf), n))
            self.buf += chunk
        data, self.buf = self.buf[:n], self.buf[n:]
        return data

    def cmd(self, text):
        self.send(text + "\r\n")
        return self.line()

    def close(self):
        self.sock.close()


# ---------------------------------------------------------------- POP3 ----
def pop3_ok(reply, what):
    expect(reply.startswith("+OK"), "%s: %r" % (what, reply))
    return reply


def pop3_open(port=POP3, sock=None):
    c = Conn(port, sock)
    pop3_ok(c.line(), "greeting")
    return c


def pop3_user_pass(user, password):
    c = pop3_open()
    pop3_ok(c.cmd("USER " + user), "USER")
    pop3_ok(c.cmd("PASS " + password), "PASS")
    return c


def pop3_multiline(c):
    """The lines of a multi-line reply, transparency dots removed."""
    lines = []
    while True:
        line = c.line()
        if line == ".":
            return lines
        lines.append(line[1:] if line.startswith(".") else line)


def pop3_retr(c, n):
    pop3_ok(c.cmd("RETR %d" % n), "RETR")
    return "".join(line + "\r\n" for line in pop3_multiline(c)).encode("latin-1")


def pop3_quit(c):
    pop3_ok(c.cmd("QUIT"), "QUIT")
    c.close()


def cram_md5_answer(user, password, challenge_b64):
    challenge = base64.b64decode(challenge_b64)
    digest = hmac.new(password.encode(), challenge, "md5").hexdigest()
    return base64.b64encode(("%s %s" % (user, digest)).encode()).decode()


def plain_answer(user, password):
    return base64.b64encode(b"\0" + user.encode() + b"\0" + password.encode()).decode()


def check_pop3_greeting_and_login():
    c = pop3_user_pass("alice", PASSWORD["alice"])
    pop3_ok(c.cmd("STAT"), "STAT")
    pop3_quit(c)


def check_pop3_wrong_password():
    c = pop3_open()
    pop3_ok(c.cmd("USER alice"), "USER")
    reply = c.cmd("PASS not-the-password")
    expect(reply.startswith("-ERR"), "wrong password accepted: %r" % reply)
    c.close()


def check_pop3_auth_list():
    c = pop3_open()
    pop3_ok(c.cmd("AUTH"), "AUTH")
    mechanisms = pop3_multiline(c)
    expect(mechanisms == ["PLAIN", "CRAM-MD5", "XOAUTH2", "OAUTHBEARER"], "mechanisms %r" % mechanisms)
    pop3_quit(c)


def check_pop3_cram_md5():
    c = pop3_open()
    reply = c.cmd("AUTH CRAM-MD5")
    expect(reply.startswith("+ "), "no challenge: %r" % reply)
    pop3_ok(c.cmd(cram_md5_answer("bob", PASSWORD["bob"], reply[2:])), "CRAM-MD5 answer")
    pop3_ok(c.cmd("STAT"), "STAT")
    pop3_quit(c)
    c = pop3_open()
    reply = c.cmd("AUTH CRAM-MD5")
    reply = c.cmd(cram_md5_answer("bob", "wrong", reply[2:]))
    expect(reply.startswith("-ERR"), "wrong CRAM-MD5 answer accepted: %r" % reply)
    c.close()


def check_pop3_plain():
    c = pop3_open()
    reply = c.cmd("AUTH PLAIN")
    expect(reply.startswith("+"), "no continuation: %r" % reply)
    pop3_ok(c.cmd(plain_answer("sink", PASSWORD["sink"])), "PLAIN answer")
    pop3_quit(c)


# ---------------------------------------------------------------- SMTP ----
def smtp_reply(c):
    """(code, lines) of one reply, which may have continuation lines."""
    lines = []
    while True:
        line = c.line()
        lines.append(line)
        if len(line) < 4 or line[3] != "-":
            return int(line[:3]), lines


def smtp_expect(c, text, code):
    if text is not None:
        c.send(text + "\r\n")
    got, lines = smtp_reply(c)
    expect(got == code, "%r: wanted %d, got %r" % (text, code, lines))
    return lines


def smtp_open():
    c = Conn(SMTP)
    smtp_expect(c, None, 220)
    return c


def smtp_quit(c):
    smtp_expect(c, "QUIT", 221)
    c.close()


def check_smtp_ehlo():
    c = smtp_open()
    lines = smtp_expect(c, "EHLO probe", 250)
    keywords = [line[4:] for line in lines[1:]]
    expect("AUTH CRAM-MD5 PLAIN XOAUTH2 OAUTHBEARER" in keywords, "EHLO: %r" % lines)
    expect("STARTTLS" in keywords, "STARTTLS not offered: %r" % lines)
    smtp_quit(c)


def check_smtp_refusals():
    c = smtp_open()
    smtp_expect(c, "EHLO probe", 250)
    smtp_expect(c, "MAIL FROM:<probe@%s>" % DOMAIN, 250)
    smtp_expect(c, "RCPT TO:<nobody-here@%s>" % DOMAIN, 550)
    smtp_expect(c, "RCPT TO:<someone@elsewhere.test>", 550)  # no relay before AUTH
    smtp_quit(c)
    c = smtp_open()
    smtp_expect(c, "EHLO probe", 250)
    smtp_expect(c, "AUTH PLAIN " + plain_answer("bob", "wrong"), 535)
    lines = smtp_expect(c, "AUTH CRAM-MD5", 334)
    smtp_expect(c, cram_md5_answer("bob", "wrong", lines[0][4:]), 535)
    smtp_quit(c)


# A body with the lines that dot-stuffing is about: a lone dot ends the data
# unless it is doubled, and a leading dot has to survive both ways.
DOT_BODY = ["first line", ".", "..", ".leading dot", "last line"]


def smtp_send(c, sender, recipient, lines):
    smtp_expect(c, "MAIL FROM:<%s>" % sender, 250)
    smtp_expect(c, "RCPT TO:<%s>" % recipient, 250)
    smtp_expect(c, "DATA", 354)
    c.send("".join(("." + l if l.startswith(".") else l) + "\r\n" for l in lines) + ".\r\n")
    smtp_expect(c, None, 250)


def body_of(message):
    return message.split(b"\r\n\r\n", 1)[1]


def check_smtp_cram_md5_send_and_fetch():
    c = smtp_open()
    smtp_expect(c, "EHLO probe", 250)
    lines = smtp_expect(c, "AUTH CRAM-MD5", 334)
    smtp_expect(c, cram_md5_answer("alice", PASSWORD["alice"], lines[0][4:]), 235)
    smtp_send(c, "alice@" + DOMAIN, "alice@" + DOMAIN,
              ["Subject: cram-md5 probe", ""] + DOT_BODY)
    smtp_quit(c)
    mailbox("wait", "alice", "1")
    expect(count("alice") == 1, "alice has %d messages" % count("alice"))
    c = pop3_user_pass("alice", PASSWORD["alice"])
    pop3_ok(c.cmd("STAT"), "STAT")
    got = pop3_retr(c, 1)
    expect(body_of(got) == "".join(l + "\r\n" for l in DOT_BODY).encode(), "body %r" % body_of(got))
    pop3_ok(c.cmd("DELE 1"), "DELE")
    pop3_quit(c)
    expect(count("alice") == 0, "DELE + QUIT left %d messages on disk" % count("alice"))


def check_smtp_plain_relay_to_sink():
    c = smtp_open()
    smtp_expect(c, "EHLO probe", 250)
    smtp_expect(c, "AUTH PLAIN " + plain_answer("bob", PASSWORD["bob"]), 235)
    smtp_send(c, "bob@" + DOMAIN, "someone@elsewhere.test", ["Subject: relay probe", "", "x"])
    smtp_quit(c)
    mailbox("wait", "sink", "1")
    mailbox("clear", "sink")
    expect(count("sink") == 0, "clear left messages")


# -------------------------------------------------------------- on disk ----
def check_deliver_exact_bytes():
    message = b"From: probe@example.test\r\nSubject: exact\r\n\r\nline\r\n.\r\n..two\r\n\xe9 8-bit\r\n"
    path = tool(os.path.join(TOOLS, "deliver.sh"), "bob", "-", stdin=message).strip()
    expect(os.path.dirname(path) == os.path.join(dir_, "mail", "bob", "Maildir", "new"), "path %r" % path)
    expect(count("bob") == 1, "bob has %d messages" % count("bob"))
    expect(mailbox("list", "bob").split() == [path], "list")
    c = pop3_user_pass("bob", PASSWORD["bob"])
    stat = pop3_ok(c.cmd("STAT"), "STAT").split()
    expect(stat[1:] == ["1", str(len(message))], "STAT %r" % stat)
    # Read it raw: the transparency dots must be on the wire.
    pop3_ok(c.cmd("RETR 1"), "RETR")
    wire = message.replace(b"\r\n.", b"\r\n..") + b".\r\n"
    raw = c.exact(len(wire))
    expect(raw == wire, "wire %r" % raw)
    pop3_ok(c.cmd("DELE 1"), "DELE")
    pop3_quit(c)
    expect(count("bob") == 0, "DELE + QUIT left %d messages on disk" % count("bob"))


def imap_until(c, tag):
    """The lines of a command's answer up to its tagged one."""
    lines = []
    while not lines or not lines[-1].startswith(tag + " "):
        lines.append(c.line())
    return lines


def check_imap():
    message = b"From: probe@example.test\r\nSubject: imap\r\n\r\nline\r\n.\r\n\xe9 8-bit\r\n"
    tool(os.path.join(TOOLS, "deliver.sh"), "alice", "-", stdin=message)
    c = Conn(IMAP)
    greeting = c.line()
    expect(greeting.startswith("* OK [CAPABILITY IMAP4rev1 ") and "STARTTLS" in greeting
           and "AUTH=PLAIN AUTH=CRAM-MD5" in greeting, "greeting %r" % greeting)
    c.send("a LOGIN alice %s\r\n" % PASSWORD["alice"])
    reply = c.line()
    expect(reply.startswith("a OK [CAPABILITY IMAP4rev1 ") and " UIDPLUS " in reply, "LOGIN %r" % reply)
    c.send("b SELECT INBOX\r\n")
    lines = imap_until(c, "b")
    expect("* 1 EXISTS" in lines and lines[-1].startswith("b OK"), "SELECT %r" % lines)
    c.send("c UID FETCH 1:* (RFC822.SIZE BODY.PEEK[])\r\n")
    head = c.line()
    size = "{%d}" % len(message)
    expect(head.startswith("* 1 FETCH (UID ") and ("RFC822.SIZE %d" % len(message)) in head and head.endswith(size),
           "FETCH %r" % head)
    expect(c.exact(len(message)) == message, "body")
    expect(c.line() == ")" and c.line().startswith("c OK"), "FETCH end")
    uid = head.split()[4]
    expect(c.cmd("d UID STORE %s +FLAGS.SILENT (\\Deleted)" % uid).startswith("d OK"), "STORE")
    c.send("e UID EXPUNGE %s\r\n" % uid)
    lines = imap_until(c, "e")
    expect("* 1 EXPUNGE" in lines and lines[-1].startswith("e OK"), "UID EXPUNGE %r" % lines)
    c.send("f LOGOUT\r\n")
    expect(c.line().startswith("* BYE") and c.line().startswith("f OK"), "LOGOUT")
    c.close()
    expect(count("alice") == 0, "UID EXPUNGE left %d messages on disk" % count("alice"))


def check_deliver_through_exim():
    tool(os.path.join(TOOLS, "deliver.sh"), "--exim", "alice", "-",
         stdin=b"Subject: through exim\n\nbody\n.\nafter the dot\n")
    expect(count("alice") == 1, "alice has %d messages" % count("alice"))
    with open(mailbox("list", "alice").split()[0], "rb") as f:
        stored = f.read()
    expect(stored.endswith(b"\n\nbody\n.\nafter the dot\n"), "stored %r" % stored)
    mailbox("clear", "alice")
    expect(count("alice") == 0, "clear left messages")


# --------------------------------------------------------------- SOCKS 5 ----
def socks_connect(sock, port):
    """RFC 1928 CONNECT to ADDR:port; returns the reply code."""
    sock.sendall(b"\x05\x01\x00\x01" + socket.inet_aton(ADDR) + port.to_bytes(2, "big"))
    head = recv_exact(sock, 4)
    expect(head[0] == 5, "reply %r" % head)
    recv_exact(sock, {1: 4, 4: 16}.get(head[3], 0) + 2)
    return head[1]


def recv_exact(sock, n):
    data = b""
    while len(data) < n:
        chunk = sock.recv(n - len(data))
        if not chunk:
            raise EOFError("proxy closed after %r" % data)
        data += chunk
    return data


def socks_open(port, methods):
    s = socket.create_connection((ADDR, port), timeout=TIMEOUT)
    s.sendall(bytes([5, len(methods)]) + bytes(methods))
    return s, recv_exact(s, 2)


def check_socks_no_auth():
    s, reply = socks_open(SOCKS, [0, 2])
    expect(reply == b"\x05\x00", "method reply %r" % reply.hex())
    expect(socks_connect(s, POP3) == 0, "CONNECT refused")
    c = pop3_open(sock=s)
    pop3_quit(c)
    s, reply = socks_open(SOCKS, [0])
    expect(socks_connect(s, SMTP) == 0, "CONNECT refused")
    c = Conn(sock=s)
    smtp_expect(c, None, 220)
    smtp_quit(c)


def rfc1929(sock, user, password):
    sock.sendall(bytes([1, len(user)]) + user.encode() + bytes([len(password)]) + password.encode())
    return recv_exact(sock, 2)


def check_socks_password(port, user, password):
    s, reply = socks_open(port, [0])
    expect(reply == b"\x05\xff", "a client without a password got %r" % reply.hex())
    s.close()
    s, reply = socks_open(port, [0, 2])
    expect(reply == b"\x05\x02", "method reply %r" % reply.hex())
    status = rfc1929(s, user, "wrong")
    expect(status[1] != 0, "wrong password accepted")
    s.close()
    s, reply = socks_open(port, [2])
    expect(reply == b"\x05\x02", "method reply %r" % reply.hex())
    expect(rfc1929(s, user, password) == b"\x01\x00", "login refused")
    expect(socks_connect(s, POP3) == 0, "CONNECT refused")
    c = pop3_open(sock=s)
    pop3_ok(c.cmd("USER sink"), "USER")
    pop3_ok(c.cmd("PASS " + PASSWORD["sink"]), "PASS")
    pop3_quit(c)


# ------------------------------------------------------------------- tls ----
def s_client(port, starttls, command):
    """A TLS session by openssl s_client, the certificate checked against
    the test CA for the name localhost; its output."""
    args = ["openssl", "s_client", "-connect", "%s:%d" % (ADDR, port), "-servername", "localhost",
            "-verify_hostname", "localhost", "-CAfile", CA, "-verify_return_error", "-tls1_2", "-crlf", "-quiet"]
    if starttls:
        args += ["-starttls", starttls]
    r = subprocess.run(args, input=command.encode(), capture_output=True, timeout=30)
    expect(r.returncode == 0, "s_client %s: %s" % (" ".join(args[3:]), r.stderr.decode(errors="replace")[-300:]))
    return r.stdout.decode(errors="replace")


def check_tls():
    for port, starttls, command, want in ((POP3S, None, "user alice\npass alicepw\nquit\n", "+OK Logged in"),
                                          (POP3, "pop3", "user alice\npass alicepw\nquit\n", "+OK Logged in"),
                                          (SMTPS, None, "ehlo probe\nquit\n", "250-AUTH"),
                                          (SMTP, "smtp", "ehlo probe\nquit\n", "250-AUTH"),
                                          (IMAPS, None, "a login alice alicepw\nb logout\n", "a OK"),
                                          (IMAP, "imap", "a login alice alicepw\nb logout\n", "a OK")):
        out = s_client(port, starttls, command)
        expect(want in out, "%d %s: %r" % (port, starttls, out[-300:]))


# --------------------------------------------------------------- OAuth 2.0 ----
def https(path, form=None, auth=None):
    """(status, headers, body) of one request to the authorization server,
    its certificate checked against the test CA for the name localhost."""
    context = ssl.create_default_context(cafile=CA)
    c = http.client.HTTPSConnection("localhost", OAUTH, context=context, timeout=TIMEOUT)
    headers = {}
    if auth:
        headers["Authorization"] = "Basic " + base64.b64encode(auth.encode()).decode()
    if form is None:
        c.request("GET", path, headers=headers)
    else:
        headers["Content-Type"] = "application/x-www-form-urlencoded"
        c.request("POST", path, urllib.parse.urlencode(form), headers)
    r = c.getresponse()
    result = r.status, dict(r.getheaders()), r.read().decode()
    c.close()
    return result


def oauth_tokens(user, password):
    """A sign-in as a native application does it (PKCE S256, a random state,
    a loopback redirect): the token reply."""
    verifier = base64.urlsafe_b64encode(os.urandom(32)).rstrip(b"=").decode()
    challenge = base64.urlsafe_b64encode(hashlib.sha256(verifier.encode()).digest()).rstrip(b"=").decode()
    state = base64.urlsafe_b64encode(os.urandom(16)).rstrip(b"=").decode()
    redirect = "http://127.0.0.1:49152/"
    query = urllib.parse.urlencode({"response_type": "code", "client_id": OAUTH_CLIENT, "redirect_uri": redirect,
                                    "scope": "mail", "code_challenge": challenge, "code_challenge_method": "S256",
                                    "state": state, "login_hint": user})
    status, _, page = https("/authorize?" + query)
    expect(status == 200 and 'name="password"' in page, "sign-in page: %d %r" % (status, page[:200]))
    status, headers, _ = https("/authorize?" + query, {"username": user, "password": password, "approve": "1"})
    location = headers.get("Location", "")
    expect(status == 302 and location.startswith(redirect + "?"), "approval: %d %r" % (status, location))
    got = urllib.parse.parse_qs(urllib.parse.urlsplit(location).query)
    expect(got.get("state") == [state], "state %r" % got)
    code = got["code"][0]
    form = {"grant_type": "authorization_code", "code": code, "redirect_uri": redirect, "client_id": OAUTH_CLIENT}
    status, _, body = https("/token", dict(form, code_verifier="x" * 43))
    expect(status == 400 and json.loads(body)["error"] == "invalid_grant", "wrong verifier: %d %s" % (status, body))
    status, _, body = https("/token", dict(form, code_verifier=verifier))
    expect(status == 200, "token: %d %s" % (status, body))
    return json.loads(body)


def xoauth2(user, token):
    return base64.b64encode(("user=%s\x01auth=Bearer %s\x01\x01" % (user, token)).encode()).decode()


def oauthbearer(user, token):
    return base64.b64encode(("n,a=%s,\x01auth=Bearer %s\x01\x01" % (user, token)).encode()).decode()


def tls_conn(port):
    context = ssl.create_default_context(cafile=CA)
    sock = socket.create_connection((ADDR, port), timeout=TIMEOUT)
    return context.wrap_socket(sock, server_hostname="localhost")


def pop3_token_login(mechanism, answer):
    """The POP3S server's reply to AUTH with the answer; after an error
    challenge, the reply to the empty answer that ends the exchange."""
    c = pop3_open(sock=tls_conn(POP3S))
    reply = c.cmd("AUTH %s %s" % (mechanism, answer))
    if reply.startswith("+ "):
        challenge = json.loads(base64.b64decode(reply[2:]))
        # dovecot's XOAUTH2 says 401 as Google's does, its OAUTHBEARER
        # invalid_token as RFC 7628 has it.
        expect(challenge.get("status") == ("401" if mechanism == "XOAUTH2" else "invalid_token"),
               "error challenge %r" % challenge)
        reply = c.cmd("AQ==" if mechanism == "OAUTHBEARER" else "")
    c.close()
    return reply


def smtp_token_login(mechanism, answer):
    c = Conn(sock=tls_conn(SMTPS))
    smtp_expect(c, None, 220)
    smtp_expect(c, "EHLO probe", 250)
    code, lines = (c.send("AUTH %s %s\r\n" % (mechanism, answer)), smtp_reply(c))[1]
    if code == 334:
        code, lines = (c.send("AQ==\r\n" if mechanism == "OAUTHBEARER" else "\r\n"), smtp_reply(c))[1]
    elif code == 235:
        # exim names the login on the line of the message it took.
        smtp_send(c, "alice@" + DOMAIN, "alice@" + DOMAIN, ["Subject: " + mechanism, "", "by token"])
        smtp_quit(c)
    c.close()
    return code


def check_oauth():
    tokens = oauth_tokens("alice", PASSWORD["alice"])
    access, refresh = tokens["access_token"], tokens["refresh_token"]
    expect(tokens["token_type"] == "Bearer" and tokens["expires_in"] == 3600, "token reply %r" % tokens)
    for mechanism, answer in (("XOAUTH2", xoauth2), ("OAUTHBEARER", oauthbearer)):
        pop3_ok(pop3_token_login(mechanism, answer("alice", access)), "POP3S " + mechanism)
        expect(smtp_token_login(mechanism, answer("alice", access)) == 235, "SMTPS " + mechanism)
        # Another user's name, a refresh token, a made-up token: refused.
        for user, token in (("bob", access), ("alice", refresh), ("alice", "x" + access)):
            reply = pop3_token_login(mechanism, answer(user, token))
            expect(reply.startswith("-ERR"), "POP3S %s %s %s: %r" % (mechanism, user, token, reply))
        expect(smtp_token_login(mechanism, answer("alice", "x" + access)) == 535, "SMTPS refuses a made-up token")
    log = open(os.path.join(dir_, "log", "dovecot.log")).read()
    expect("Login: user=<alice>, method=XOAUTH2" in log and "Login: user=<alice>, method=OAUTHBEARER" in log,
           "dovecot's log names no OAuth login")
    log = open(os.path.join(dir_, "log", "exim", "mainlog")).read()
    expect("A=xoauth2_server:alice" in log and "A=oauthbearer_server:alice" in log, "exim's log names no OAuth login")
    for _ in range(100):
        if count("alice") == 2:
            break
        time.sleep(0.1)
    expect(count("alice") == 2, "the two messages sent by token did not arrive")
    mailbox("clear", "alice")

    # Run out: refused; refreshed: taken again; the refresh token revoked:
    # neither the refresh nor its access tokens work any more.
    expect(https("/testing/expire", {"token": access})[0] == 200, "expire")
    expect(pop3_token_login("XOAUTH2", xoauth2("alice", access)).startswith("-ERR"), "an expired token was taken")
    form = {"grant_type": "refresh_token", "refresh_token": refresh, "client_id": OAUTH_CLIENT}
    status, _, body = https("/token", form)
    expect(status == 200, "refresh: %d %s" % (status, body))
    renewed = json.loads(body)["access_token"]
    pop3_ok(pop3_token_login("XOAUTH2", xoauth2("alice", renewed)), "a renewed token")
    status, _, body = https("/revoke",
                            {"token": refresh, "token_type_hint": "refresh_token", "client_id": OAUTH_CLIENT})
    expect(status == 200, "revoke: %d %s" % (status, body))
    expect(pop3_token_login("OAUTHBEARER", oauthbearer("alice", renewed)).startswith("-ERR"), "revoked token taken")
    status, _, body = https("/token", form)
    expect(status == 400 and json.loads(body)["error"] == "invalid_grant", "revoked refresh: %d %s" % (status, body))
    # Only the mail server may ask about tokens.
    expect(https("/introspect", {"token": renewed})[0] == 401, "introspection without the server's password")


# ------------------------------------------------------------- listeners ----
def family_pids():
    pids = set()
    for name in ("dovecot", "exim", "danted", "microsocks", "danted-auth", "oauth"):
        with open(os.path.join(dir_, "run", name + ".pid")) as f:
            pids.add(int(f.read()))
    parent = {}
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open("/proc/%s/stat" % entry) as f:
                    parent[int(entry)] = int(f.read().rpartition(")")[2].split()[1])
            except OSError:
                pass
    grown = True
    while grown:
        grown = False
        for p, pp in parent.items():
            if pp in pids and p not in pids:
                pids.add(p)
                grown = True
    return pids


def check_listeners_loopback_only():
    inodes = set()
    for p in family_pids():
        try:
            for fd in os.listdir("/proc/%d/fd" % p):
                target = os.readlink("/proc/%d/fd/%s" % (p, fd))
                if target.startswith("socket:["):
                    inodes.add(target[8:-1])
        except OSError:
            pass
    listening = []
    for table in ("tcp", "tcp6", "udp", "udp6"):
        with open("/proc/net/" + table) as f:
            for row in f.readlines()[1:]:
                field = row.split()
                if field[9] in inodes and (table.startswith("udp") or field[3] == "0A"):
                    addr, port = field[1].split(":")
                    listening.append((table, addr, int(port, 16)))
    want = sorted(("tcp", "0100007F", p) for p in (POP3, SMTP, SOCKS, SOCKS_AUTH, DANTE_AUTH, POP3S, SMTPS, IMAP, IMAPS,
                                                         OAUTH))
    expect(sorted(listening) == want, "listening: %r" % sorted(listening))


for user in PASSWORD:
    mailbox("clear", user)
check("listeners are 127.0.0.1 on the ten ports and nothing else", check_listeners_loopback_only)
check("TLS with the test CA's certificate for localhost: POP3S, STLS, SMTPS, STARTTLS, IMAPS, IMAP STARTTLS",
      check_tls)
check("POP3 +OK greeting and USER/PASS login", check_pop3_greeting_and_login)
check("POP3 wrong password gives -ERR", check_pop3_wrong_password)
check("POP3 AUTH lists PLAIN, CRAM-MD5, XOAUTH2 and OAUTHBEARER", check_pop3_auth_list)
check("POP3 AUTH CRAM-MD5 (and a wrong answer refused)", check_pop3_cram_md5)
check("POP3 AUTH PLAIN", check_pop3_plain)
check("SMTP 220 greeting, EHLO offers AUTH CRAM-MD5 PLAIN XOAUTH2 OAUTHBEARER and STARTTLS", check_smtp_ehlo)
check("SMTP unknown local user 550, relay without AUTH 550, wrong passwords 535", check_smtp_refusals)
check("SMTP AUTH CRAM-MD5 send with dot lines, fetched by POP3, DELE empties Maildir",
      check_smtp_cram_md5_send_and_fetch)
check("SMTP AUTH PLAIN relay to another domain lands in sink", check_smtp_plain_relay_to_sink)
check("deliver.sh puts exact bytes into Maildir; POP3 STAT, dot-stuffed RETR, DELE", check_deliver_exact_bytes)
check("deliver.sh --exim delivers at once", check_deliver_through_exim)
check("SOCKS 5 without auth: method 05 00, CONNECT to POP3 and SMTP", check_socks_no_auth)
check("SOCKS 5 with RFC 1929 (microsocks): 05 ff without a password, 05 02, wrong password refused, CONNECT",
      lambda: check_socks_password(SOCKS_AUTH, env["ZM_SOCKS_USER"], env["ZM_SOCKS_PASS"]))
check("SOCKS 5 with RFC 1929 (dante): 05 ff without a password, 05 02, wrong password refused, CONNECT",
      lambda: check_socks_password(DANTE_AUTH, env["ZM_SOCKS_DANTE_USER"], env["ZM_SOCKS_DANTE_PASS"]))
check("IMAP greeting, capabilities after LOGIN, a delivered message fetched exactly, expunged", check_imap)
check("OAuth 2.0: a token got with PKCE opens POP3S and SMTPS by XOAUTH2 and OAUTHBEARER; another user's, a "
      "refresh token, a made-up, an expired and a revoked token refused; refreshed once; introspection closed",
      check_oauth)
check("every mailbox is empty at the end", lambda: expect(all(count(u) == 0 for u in PASSWORD), "not empty"))

failed = results.count(False)
print("probe: %d passed, %d failed" % (len(results) - failed, failed))
sys.exit(1 if failed else 0)
