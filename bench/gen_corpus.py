#!/usr/bin/env python3
"""Writes a realistic mail folder of N messages, deterministic for a seed, twice: as a Maildir++
tree (HOME/Maildir, the messages in its Inbox) and as an mbox (HOME/Mail/bench), so that Orvane,
started with HOME pointing here, finds both stores.

Message sizes are log-normal around a median of about 4 KB with a long tail to a few hundred KB.
Most messages are plain UTF-8 text with a full set of transport headers; about a fifth are
multipart/alternative with quoted-printable parts; some are HTML-only, some ISO-8859-1 or
windows-1252, some carry base64 attachments, about a third have RFC 2047 encoded subjects, some are
drafts without Received:, and some bodies have lines that start with "From ".
"""

import argparse
import base64
import math
import os
import quopri
import random
import time

WORDS = ("the of and to in is that for it as was with be by on not he this are or his from at "
         "which but have an they you were their one all we can her has there been if more when "
         "will would who so no mail export folder message server archive report meeting budget "
         "quarter release branch review deploy schedule invoice customer ticket").split()
LATIN = "café naïve façade résumé über straße señor déjà vu crème brûlée".split()
NAMES = ["Alice Martin", "Bob Stone", "Chloé Dubois", "Dmitri Ivanov", "Eva Novák", "Frank Li",
         "Grete Müller", "Hiro Tanaka", "Ines García", "Jon O'Neil"]
SUBJECT_SCRIPTS = ["Réunion trimestrielle", "Überprüfung der Zahlen", "Ελληνικά νέα",
                   "会議の議事録", "Отчёт за неделю", "Café meeting"]


def words(rng, n):
    return " ".join(rng.choice(WORDS) for _ in range(n))


def paragraph_lines(rng, target_bytes, extra=()):
    lines, size = [], 0
    while size < target_bytes:
        line = words(rng, rng.randint(6, 12))
        if extra and rng.random() < 0.05:
            line += " " + rng.choice(extra)
        if rng.random() < 0.01:
            line = "From " + line  # a line an mbox must quote
        lines.append(line)
        size += len(line) + 2
    return lines


def address(rng, i):
    name = rng.choice(NAMES)
    local = name.split()[0].lower().replace("é", "e").replace("'", "")
    return name, f"{local}{i % 97}@example.org"


def encoded_word(text):
    return "=?UTF-8?B?" + base64.b64encode(text.encode()).decode() + "?="


def make_message(rng, i, when):
    size = min(int(rng.lognormvariate(math.log(4000), 1.0)), 400_000)
    (fname, faddr), (tname, taddr) = address(rng, i), address(rng, i + 1)
    kind = rng.random()
    draft = rng.random() < 0.03
    if rng.random() < 0.33:
        subject = encoded_word(rng.choice(SUBJECT_SCRIPTS) + f" {i}")
    else:
        subject = f"{words(rng, rng.randint(2, 7)).capitalize()} {i}"
    date = time.strftime("%a, %d %b %Y %H:%M:%S +0000", time.gmtime(when))
    h = []
    if not draft:
        h += [f"Return-Path: <{faddr}>",
              f"Received: from mx{i % 7}.example.org (mx{i % 7}.example.org [192.0.2.{i % 250}])\r\n"
              f"\tby mail.example.net (Postfix) with ESMTPS id {i:08X}\r\n"
              f"\tfor <{taddr}>; {date}",
              f"Received: from relay.example.org by mx{i % 7}.example.org with LMTP id {i:x};"
              f"\r\n\t{date}",
              "DKIM-Signature: v=1; a=rsa-sha256; c=relaxed/relaxed; d=example.org; s=mail;\r\n"
              f"\th=from:to:subject:date:message-id; bh={base64.b64encode(i.to_bytes(32, 'big')).decode()};\r\n"
              f"\tb={base64.b64encode(rng.randbytes(96)).decode()}",
              "List-Id: <announce.lists.example.org>",
              "List-Unsubscribe: <mailto:leave@lists.example.org>"]
    h += [f"From: \"{fname}\" <{faddr}>", f"To: {tname} <{taddr}>", f"Subject: {subject}",
          f"Date: {date}", f"Message-ID: <{i}.{when}@example.org>", "MIME-Version: 1.0"]

    if kind < 0.55:  # plain UTF-8
        h.append("Content-Type: text/plain; charset=utf-8")
        h.append("Content-Transfer-Encoding: 8bit")
        body = "\r\n".join(paragraph_lines(rng, size, LATIN)).encode()
    elif kind < 0.75:  # multipart/alternative, quoted-printable
        text = "\r\n".join(paragraph_lines(rng, size // 2, LATIN)).encode()
        html = ("<html><body><p>" + "</p>\r\n<p>".join(paragraph_lines(rng, size // 2, LATIN))
                + "</p></body></html>").encode()
        b = f"alt-{i}"
        h.append(f'Content-Type: multipart/alternative; boundary="{b}"')
        parts = []
        for ctype, data in (("text/plain", text), ("text/html", html)):
            parts.append(f"--{b}\r\nContent-Type: {ctype}; charset=utf-8\r\n"
                         "Content-Transfer-Encoding: quoted-printable\r\n\r\n".encode()
                         + quopri.encodestring(data).replace(b"\n", b"\r\n").replace(b"\r\r\n", b"\r\n"))
        body = b"\r\n".join(parts) + f"\r\n--{b}--".encode()
    elif kind < 0.82:  # HTML only
        h.append("Content-Type: text/html; charset=utf-8")
        body = ("<html><body><h1>" + words(rng, 4) + "</h1><p>"
                + "</p>\r\n<p>".join(paragraph_lines(rng, size, LATIN)) + "</p></body></html>").encode()
    elif kind < 0.92:  # Latin-1 or windows-1252
        charset = rng.choice(["iso-8859-1", "windows-1252"])
        h.append(f"Content-Type: text/plain; charset={charset}")
        h.append("Content-Transfer-Encoding: 8bit")
        text = "\r\n".join(paragraph_lines(rng, size, LATIN))
        if charset == "windows-1252":
            text += "\r\n\u201cquoted\u201d \u2013 \u20ac5"
        body = text.encode(charset)
    else:  # text with a base64 attachment
        b = f"mix-{i}"
        h.append(f'Content-Type: multipart/mixed; boundary="{b}"')
        text = "\r\n".join(paragraph_lines(rng, 600)).encode()
        blob = base64.encodebytes(rng.randbytes(max(size - 600, 100))).replace(b"\n", b"\r\n")
        body = (f"--{b}\r\nContent-Type: text/plain; charset=utf-8\r\n\r\n".encode() + text
                + f"\r\n--{b}\r\nContent-Type: application/octet-stream; name=\"data{i}.bin\"\r\n"
                  "Content-Transfer-Encoding: base64\r\n"
                  f"Content-Disposition: attachment; filename=\"data{i}.bin\"\r\n\r\n".encode()
                + blob + f"--{b}--".encode())
    return ("\r\n".join(h) + "\r\n\r\n").encode() + body + b"\r\n"


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--count", type=int, required=True)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--home", required=True, help="directory to fill (becomes HOME)")
    args = ap.parse_args()

    rng = random.Random(args.seed)
    maildir = os.path.join(args.home, "Maildir")
    for sub in ("cur", "new", "tmp"):
        os.makedirs(os.path.join(maildir, sub), exist_ok=True)
    os.makedirs(os.path.join(args.home, "Mail"), exist_ok=True)
    start = 1_600_000_000
    with open(os.path.join(args.home, "Mail", "bench"), "wb", buffering=1 << 20) as mbox:
        for i in range(args.count):
            when = start + i * 37
            # Mail files on Linux end their lines with LF alone.
            data = make_message(rng, i, when).replace(b"\r\n", b"\n")
            name = f"{when}.M{i}P1.bench:2,S"
            with open(os.path.join(maildir, "cur", name), "wb") as f:
                f.write(data)
            # mboxrd: "From " lines, quoted or not, gain one ">"
            lines = data.split(b"\n")
            quoted = [b">" + l if l.lstrip(b">").startswith(b"From ") else l for l in lines]
            stamp = time.strftime("%a %b %d %H:%M:%S %Y", time.gmtime(when)).encode()
            mbox.write(b"From bench@example.org " + stamp + b"\n" + b"\n".join(quoted) + b"\n")


if __name__ == "__main__":
    main()
