#!/usr/bin/env python3
"""The way a user would export a folder without Orvane: Python's standard library alone
(`mailbox`, `email` with policy.default), writing the same records as Orvane: the transport header
section for messages that came through a mail transport, else a short header block; the body text;
a form-feed line. Lines end with CR LF."""

import email.policy
import mailbox
import sys


def body_text(msg):
    part = msg.get_body(preferencelist=("plain", "html"))
    if part is None:
        return ""
    try:
        return part.get_content()
    except (LookupError, ValueError):
        return part.get_payload(decode=True).decode("utf-8", "replace")


def crlf(text):
    return text.replace("\r\n", "\n").replace("\n", "\r\n")


def main():
    kind, path, out = sys.argv[1:4]
    box = (mailbox.Maildir(path, factory=None, create=False) if kind == "maildir"
           else mailbox.mbox(path, factory=None, create=False))
    keys = box.keys()
    if kind == "maildir":  # delivery order, as Orvane walks a maildir
        keys = sorted(keys, key=lambda k: (int(k.split(".")[0]) if k.split(".")[0].isdigit() else 0, k))
    records = 0
    with open(out, "w", encoding="utf-8", errors="replace", newline="") as f:
        for key in keys:
            raw = box.get_bytes(key)
            msg = email.message_from_bytes(raw, policy=email.policy.default)
            if msg["Received"] is not None:
                head = raw.split(b"\n\n", 1)[0].decode("utf-8", "replace")
                if head.startswith("From "):
                    head = head.split("\n", 1)[1]
                f.write(crlf(head) + "\r\n")
            else:
                f.write(f"Message-ID: {msg['Message-ID'] or 'None'}\r\n")
                f.write(f"From: {msg['From'] or ''}\r\n")
                f.write(f"To: {msg['To'] or ''}\r\n")
                f.write(f"Subject: {msg['Subject'] or ''}\r\n")
                f.write(f"Date: {msg['Date'] or ''}\r\n\r\n")
            f.write(crlf(body_text(msg)) + "\r\n\x0c\r\n")
            records += 1
    print(records)


if __name__ == "__main__":
    main()
