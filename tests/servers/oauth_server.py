#!/usr/bin/env python3
"""The OAuth 2.0 authorization server of the test servers, built on Authlib
(python3-authlib) and Flask, over HTTPS with the test CA's certificate:

  GET  /authorize    the sign-in page: user name and password of a mail user
  POST /authorize    approves (the user's password checked) or, with
                     deny=1, refuses; either way a redirect to the client's
                     loopback address (the Location also as a link in the body)
  POST /token        the authorization code (PKCE S256 required) and refresh grants
  POST /revoke       RFC 7009, for the client that holds the token
  POST /introspect   RFC 7662, for the mail server only (HTTP basic auth)
  POST /testing/expire  token=T: T runs out now, as if its hour had passed;
                     user=U: every access token of U
  POST /testing/revoke  user=U: every grant of U ends, as when U takes the
                     application's access away at the provider's own page
                     (both answer with the tokens concerned, one a line)
  GET  /.well-known/oauth-authorization-server  the endpoints (RFC 8414)

Clients: the mail client (public, any loopback redirect of RFC 8252) and the
mail server that introspects. Tokens are opaque and live in memory: a
restart forgets them. Every grant, refusal and introspection is logged.

Usage: oauth_server.py CONFIG.json (address, port, cert, key, log, users,
client_id, introspect_client, introspect_secret)."""

import json
import logging
import re
import secrets
import sys
import threading
import time
from html import escape

from authlib.integrations.flask_oauth2 import AuthorizationServer
from authlib.oauth2.rfc6749 import grants
from authlib.oauth2.rfc7009 import RevocationEndpoint
from authlib.oauth2.rfc7636 import CodeChallenge
from authlib.oauth2.rfc7662 import IntrospectionEndpoint
from flask import Flask, Response, request

with open(sys.argv[1]) as f:
    CONF = json.load(f)

logging.basicConfig(filename=CONF["log"], level=logging.INFO, format="%(asctime)s %(message)s")
log = logging.getLogger("oauth")
lock = threading.Lock()
LOOPBACK = re.compile(r"^http://(127\.0\.0\.1|\[::1\]):[0-9]{1,5}/[^#]*$")


class Client:
    def __init__(self, client_id, secret=None, loopback=False):
        self.client_id, self.secret, self.loopback = client_id, secret, loopback

    def get_client_id(self):
        return self.client_id

    def get_default_redirect_uri(self):
        return None

    def get_allowed_scope(self, scope):
        return scope or ""

    def check_redirect_uri(self, redirect_uri):
        # Native applications listen on a loopback port of their choosing.
        return self.loopback and bool(LOOPBACK.match(redirect_uri))

    def check_client_secret(self, client_secret):
        return self.secret is not None and secrets.compare_digest(client_secret, self.secret)

    def check_endpoint_auth_method(self, method, endpoint):
        if self.secret is None:
            return method == "none" and endpoint in ("token", "revocation")
        return method == "client_secret_basic" and endpoint == "introspection"

    def check_response_type(self, response_type):
        return self.loopback and response_type == "code"

    def check_grant_type(self, grant_type):
        return self.loopback and grant_type in ("authorization_code", "refresh_token")


CLIENTS = {
    CONF["client_id"]: Client(CONF["client_id"], loopback=True),
    CONF["introspect_client"]: Client(CONF["introspect_client"], CONF["introspect_secret"]),
}


class Code:
    def __init__(self, code, req, user):
        self.code, self.user, self.client_id = code, user, req.client_id
        self.redirect_uri, self.scope = req.redirect_uri, req.scope
        self.code_challenge = req.data.get("code_challenge")
        self.code_challenge_method = req.data.get("code_challenge_method")
        self.made = time.time()

    def get_redirect_uri(self):
        return self.redirect_uri

    def get_scope(self):
        return self.scope


class Token:
    def __init__(self, data, client_id, user):
        self.access_token = data["access_token"]
        self.refresh_token = data.get("refresh_token")
        self.scope = data.get("scope", "")
        self.expires_in = int(data.get("expires_in", 3600))
        self.issued_at = time.time()
        self.client_id, self.user, self.revoked = client_id, user, False

    def check_client(self, client):
        return client.client_id == self.client_id or client.client_id == CONF["introspect_client"]

    def get_scope(self):
        return self.scope

    def get_expires_in(self):
        return self.expires_in

    def is_expired(self):
        return time.time() >= self.issued_at + self.expires_in

    def is_revoked(self):
        return self.revoked


codes = {}     # code -> Code
tokens = {}    # access token -> Token
refreshes = {}  # refresh token -> Token (the latest one issued for it)


def save_token(data, req):
    user = req.user
    with lock:
        token = Token(data, req.client.client_id, user)
        tokens[token.access_token] = token
        if token.refresh_token:
            refreshes[token.refresh_token] = token
        elif req.data.get("refresh_token") in refreshes:
            # The refresh grant keeps the refresh token it was given.
            refreshes[req.data["refresh_token"]] = token
            token.refresh_token = req.data["refresh_token"]
    log.info("issued an access token to %s for %s (%s grant)", token.client_id, user, req.data.get("grant_type"))


class AuthorizationCodeGrant(grants.AuthorizationCodeGrant):
    TOKEN_ENDPOINT_AUTH_METHODS = ["none"]

    def save_authorization_code(self, code, req):
        with lock:
            codes[code] = Code(code, req, req.user)

    def query_authorization_code(self, code, client):
        with lock:
            item = codes.get(code)
        if item and item.client_id == client.client_id and time.time() - item.made < 600:
            return item
        return None

    def delete_authorization_code(self, authorization_code):
        with lock:
            codes.pop(authorization_code.code, None)

    def authenticate_user(self, authorization_code):
        return authorization_code.user


class RefreshTokenGrant(grants.RefreshTokenGrant):
    TOKEN_ENDPOINT_AUTH_METHODS = ["none"]
    INCLUDE_NEW_REFRESH_TOKEN = False

    def authenticate_refresh_token(self, refresh_token):
        with lock:
            token = refreshes.get(refresh_token)
        if token and not token.revoked:
            return token
        log.info("refused a refresh: the refresh token is unknown or revoked")
        return None

    def authenticate_user(self, credential):
        return credential.user

    def revoke_old_credential(self, credential):
        # The old access token stays good until it runs out; the refresh
        # token goes on serving.
        pass


def find_token(token_string, hint):
    with lock:
        if hint != "refresh_token" and token_string in tokens:
            return tokens[token_string]
        if hint != "access_token":
            return refreshes.get(token_string)
    return None


class Revocation(RevocationEndpoint):
    CLIENT_AUTH_METHODS = ["none"]

    def query_token(self, token_string, token_type_hint):
        return find_token(token_string, token_type_hint)

    def revoke_token(self, token, req):
        # Revoking either token ends the whole grant, as RFC 7009 allows.
        with lock:
            for t in list(tokens.values()):
                if t.refresh_token and t.refresh_token == token.refresh_token:
                    t.revoked = True
            token.revoked = True
        log.info("revoked the grant of %s", token.user)


class Introspection(IntrospectionEndpoint):
    CLIENT_AUTH_METHODS = ["client_secret_basic"]

    def query_token(self, token_string, token_type_hint):
        # Only access tokens open a mailbox: a refresh token shown to the
        # mail server is not active.
        token = find_token(token_string, "access_token")
        if token is None or token.is_expired() or token.is_revoked():
            log.info("introspection: token not active")
        return token

    def introspect_token(self, token):
        log.info("introspection: active token of %s", token.user)
        return {"active": True, "client_id": token.client_id, "username": token.user, "scope": token.scope,
                "token_type": "Bearer", "exp": int(token.issued_at + token.expires_in),
                "iat": int(token.issued_at), "sub": token.user}

    def check_permission(self, token, client, req):
        return client.client_id == CONF["introspect_client"]


app = Flask(__name__)
# Refresh tokens come with every authorization code exchange.
app.config["OAUTH2_REFRESH_TOKEN_GENERATOR"] = True
# Access tokens live an hour, as the large providers' do.
app.config["OAUTH2_TOKEN_EXPIRES_IN"] = {"authorization_code": 3600, "refresh_token": 3600}
server = AuthorizationServer(app, query_client=CLIENTS.get, save_token=save_token)
server.register_grant(AuthorizationCodeGrant, [CodeChallenge(required=True)])
server.register_grant(RefreshTokenGrant)
server.register_endpoint(Revocation)
server.register_endpoint(Introspection)

PAGE = """<!doctype html><html><head><title>Test sign-in</title></head><body>
<h1>Sign in to the test mail</h1><p>%s</p>
<form method="post"><p>User name <input name="username" value="%s"></p>
<p>Password <input name="password" type="password"></p>
<p><button name="approve" value="1">Allow</button> <button name="deny" value="1">Deny</button></p>
</form></body></html>"""


def with_link(response):
    # A redirect with its address in the body too, for a client that does
    # not follow redirects.
    location = response.headers.get("Location")
    if response.status_code == 302 and location:
        response.set_data('<a href="%s">%s</a>' % (escape(location), escape(location)))
        response.mimetype = "text/html"
    return response


@app.route("/authorize", methods=["GET", "POST"])
def authorize():
    try:
        server.get_consent_grant(end_user=None)
    except Exception as e:  # an unknown client or redirect: shown, never redirected
        log.info("refused an authorization request: %s", e)
        return Response("Bad request: %s\n" % escape(str(e)), status=400, mimetype="text/plain")
    if request.method == "GET":
        return Response(PAGE % ("", escape(request.args.get("login_hint", ""))), mimetype="text/html")
    if request.form.get("deny"):
        log.info("the user refused the sign-in")
        return with_link(server.create_authorization_response(grant_user=None))
    user = request.form.get("username", "")
    if CONF["users"].get(user) is None or not secrets.compare_digest(
            CONF["users"][user], request.form.get("password", "")):
        log.info("wrong password for %r", user)
        return Response(PAGE % ("Wrong user name or password.", escape(user)), status=200, mimetype="text/html")
    log.info("%s approved the sign-in", user)
    return with_link(server.create_authorization_response(grant_user=user))


@app.route("/token", methods=["POST"])
def token():
    return server.create_token_response()


@app.route("/revoke", methods=["POST"])
def revoke():
    return server.create_endpoint_response(Revocation.ENDPOINT_NAME)


@app.route("/introspect", methods=["POST"])
def introspect():
    return server.create_endpoint_response(Introspection.ENDPOINT_NAME)


def tokens_named(form):
    """The access tokens of the form's token=T, or of user=U every one: a
    test of the whole client does not see the tokens it holds."""
    if form.get("user"):
        with lock:
            return [t for t in tokens.values() if t.user == form["user"]]
    t = find_token(form.get("token", ""), "access_token")
    return [t] if t else []


@app.route("/testing/expire", methods=["POST"])
def expire():
    named = tokens_named(request.form)
    if not named:
        return Response("no such token\n", status=404, mimetype="text/plain")
    with lock:
        for t in named:
            t.issued_at = time.time() - t.expires_in - 1
    log.info("%d access token(s) of %s made to run out", len(named), named[0].user)
    # The tokens follow, one a line, for a test to look for where they
    # must never be (logs, files).
    return Response("expired\n" + "".join(t.access_token + "\n" for t in named), mimetype="text/plain")


@app.route("/testing/revoke", methods=["POST"])
def revoke_user():
    # The person removes the application's access at the provider's own
    # page: every grant of theirs ends, refresh tokens and access tokens.
    named = tokens_named({"user": request.form.get("user", "")})
    if not named:
        return Response("no such user's grant\n", status=404, mimetype="text/plain")
    with lock:
        for t in named:
            t.revoked = True
        ended = sorted({t.access_token for t in named} | {t.refresh_token for t in named if t.refresh_token})
    log.info("revoked every grant of %s", named[0].user)
    return Response("revoked\n" + "".join(token + "\n" for token in ended), mimetype="text/plain")


@app.route("/.well-known/oauth-authorization-server")
def metadata():
    base = "https://localhost:%d" % CONF["port"]
    return {"issuer": base, "authorization_endpoint": base + "/authorize", "token_endpoint": base + "/token",
            "revocation_endpoint": base + "/revoke", "introspection_endpoint": base + "/introspect",
            "response_types_supported": ["code"], "grant_types_supported": ["authorization_code", "refresh_token"],
            "code_challenge_methods_supported": ["S256"], "token_endpoint_auth_methods_supported": ["none"]}


if __name__ == "__main__":
    import ssl

    import werkzeug.serving
    from werkzeug.serving import run_simple

    werkzeug.serving._log_add_style = False  # plain request lines in the log file

    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.minimum_version = ssl.TLSVersion.TLSv1_2
    context.load_cert_chain(CONF["cert"], CONF["key"])
    log.info("listening on %s:%d", CONF["address"], CONF["port"])
    run_simple(CONF["address"], CONF["port"], app, ssl_context=context, threaded=True)
