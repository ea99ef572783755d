#!/usr/bin/env python3
"""An OAuth2 authorization server of the tests' own, on a free loopback port.

Usage: authorization_server.py KEY USER LIFETIME

/authorize sends the browser straight back to the client's redirect address with a code (the
user is taken to have agreed), remembering the PKCE challenge; /token exchanges a code for tokens
only with the verifier whose SHA-256 is that challenge, and renews access with a refresh token.
Access tokens are JWTs for USER signed with HMAC-SHA256 under KEY, good for LIFETIME seconds, as
the test Dovecot checks them. The first line written is the port. A line "revoke" on standard
input, answered with a line, refuses every refresh token from then on; a line "rotate" has each
renewal give a new refresh token and refuse the one it was asked with from then on. The server
ends with its standard input.
"""

import base64
import hashlib
import hmac
import json
import os
import secrets
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

KEY, USER, LIFETIME = sys.argv[1].encode(), sys.argv[2], int(sys.argv[3])
codes = {}  # code -> (challenge, redirect address, client id)
refresh_tokens = set()
state = {"revoked": False, "rotating": False}
lock = threading.Lock()


def b64(data):
    return base64.urlsafe_b64encode(data).rstrip(b"=").decode()


def access_token():
    now = int(time.time())
    head = b64(json.dumps({"alg": "HS256", "typ": "JWT", "kid": "default"}).encode())
    body = b64(json.dumps({"sub": USER, "iat": now, "exp": now + LIFETIME}).encode())
    signature = hmac.new(KEY, f"{head}.{body}".encode(), hashlib.sha256).digest()
    return f"{head}.{body}.{b64(signature)}"


class Handler(BaseHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def answer(self, status, fields):
        body = json.dumps(fields).encode()
        self.send_response(status)
        self.send_header("Content-Type", "application/json")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def refuse(self, description):
        self.answer(400, {"error": "invalid_grant", "error_description": description})

    def do_GET(self):
        url = urllib.parse.urlsplit(self.path)
        query = dict(urllib.parse.parse_qsl(url.query))
        if url.path != "/authorize" or "redirect_uri" not in query:
            self.send_error(404)
            return
        back = {"state": query.get("state", "")}
        if query.get("code_challenge_method") != "S256" or not query.get("code_challenge"):
            back.update(error="invalid_request", error_description="PKCE with S256 is required.")
        else:
            code = secrets.token_urlsafe(24)
            with lock:
                codes[code] = (query["code_challenge"], query["redirect_uri"], query.get("client_id"))
            back["code"] = code
        self.send_response(302)
        self.send_header("Location", query["redirect_uri"] + "?" + urllib.parse.urlencode(back))
        self.send_header("Content-Length", "0")
        self.end_headers()

    def do_POST(self):
        if self.path != "/token":
            self.send_error(404)
            return
        length = int(self.headers.get("Content-Length", 0))
        form = dict(urllib.parse.parse_qsl(self.rfile.read(length).decode()))
        grant = form.get("grant_type")
        with lock:
            if grant == "authorization_code":
                challenge, redirect, client = codes.pop(form.get("code"), (None, None, None))
                if challenge is None:
                    return self.refuse("The code is unknown or was used already.")
                if form.get("redirect_uri") != redirect or form.get("client_id") != client:
                    return self.refuse("The code was given to another client.")
                verifier = form.get("code_verifier", "").encode()
                if b64(hashlib.sha256(verifier).digest()) != challenge:
                    return self.refuse("The code verifier does not match the code challenge.")
                refresh = secrets.token_urlsafe(24)
                refresh_tokens.add(refresh)
                return self.answer(200, {"access_token": access_token(), "token_type": "Bearer",
                                         "expires_in": LIFETIME, "refresh_token": refresh})
            if grant == "refresh_token":
                if state["revoked"] or form.get("refresh_token") not in refresh_tokens:
                    return self.refuse("The refresh token was revoked.")
                answer = {"access_token": access_token(), "token_type": "Bearer",
                          "expires_in": LIFETIME}
                if state["rotating"]:
                    refresh_tokens.discard(form["refresh_token"])
                    answer["refresh_token"] = secrets.token_urlsafe(24)
                    refresh_tokens.add(answer["refresh_token"])
                return self.answer(200, answer)
        self.answer(400, {"error": "unsupported_grant_type"})


def commands():
    for line in sys.stdin:
        with lock:
            if line.strip() == "revoke":
                state["revoked"] = True
                print("revoked", flush=True)
            elif line.strip() == "rotate":
                state["rotating"] = True
                print("rotating", flush=True)
    # The test is gone, however it ended.
    os._exit(0)


server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
print(server.server_address[1], flush=True)
threading.Thread(target=commands, daemon=True).start()
server.serve_forever()
