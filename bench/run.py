#!/usr/bin/env python3
"""Export throughput: Orvane against the floor (cat) and a standard-library peer, on the same
generated corpus, in one run. Prints one table: best time of several runs, messages/s, input MB/s,
peak RSS, and Orvane's ratios to the peer and to the floor.

  bench/run.py --bench build/bench/orvane_export_bench [--counts 10000,100000] [--repeat 3]
               [--imap-server build/tests/orvane_imap_server]

With --imap-server, the same Maildir is also served by a Dovecot on loopback (TLS, the server's
own test CA trusted) and exported from the IMAP account through the same window.

--smoke runs a tiny corpus once and only checks that every exporter wrote the same number of
records; CTest runs it to keep the benchmark working.
"""

import argparse
import os
import resource
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ENV = dict(os.environ, LC_ALL="C.UTF-8")


def measured(cmd, env=None):
    """Runs cmd in a fresh Python so that its peak RSS is its own."""
    probe = ("import resource,subprocess,sys,time;s=time.perf_counter();"
             "r=subprocess.run(sys.argv[1:],stdout=subprocess.PIPE,check=True);"
             "t=time.perf_counter()-s;"
             "print(t, resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss);"
             "sys.stderr.write(r.stdout.decode())")
    done = subprocess.run([sys.executable, "-c", probe, *cmd], env=env or ENV,
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, check=True)
    seconds, rss = done.stdout.split()
    return float(seconds), int(rss) / 1024, done.stderr.decode()


def envs_for(home):
    """The environments of an export of `home`'s mail: the window's (offscreen), and the one
    without a window (no display, and a platform that does not exist, which a window would die
    on)."""
    env = dict(ENV, HOME=home, QT_QPA_PLATFORM="offscreen")
    env.pop("MAILDIR", None)
    env.pop("MAIL", None)
    headless_env = dict(env, QT_QPA_PLATFORM="no-such-platform")
    headless_env.pop("DISPLAY", None)
    return env, headless_env


def records_in(path):
    """The records in an export file, read a block at a time."""
    count, tail, first = 0, b"", True
    with open(path, "rb") as f:
        while block := f.read(1 << 22):
            if first and block.startswith(b"\x0c\r\n"):
                count += 1
            first = False
            data = tail + block
            count += data.count(b"\r\n\x0c\r\n")
            tail = data[-4:]
    return count


def corpus(work, count, seed):
    home = os.path.join(work, f"corpus-{count}-{seed}")
    mark = os.path.join(home, ".complete")
    if not os.path.exists(mark):
        shutil.rmtree(home, ignore_errors=True)
        subprocess.run([sys.executable, os.path.join(HERE, "gen_corpus.py"), "--count",
                        str(count), "--seed", str(seed), "--home", home], check=True)
        open(mark, "w").close()
    return home


LONG_LINES = (300 << 20) // 80 // 10000 * 10000  # lines of 80 bytes in the 300 MB text


def large_home(work, count, seed):
    """A home whose Maildir inbox and mbox file "large" each hold `count` messages of 100 to 250 MB
    (a short text part and one base64 attachment), and whose folder "long" holds one message whose
    text body is 300 MB; written a block at a time, never held in memory."""
    import base64
    import random
    home = os.path.join(work, f"large-{count}-{seed}")
    mark = os.path.join(home, ".complete")
    if os.path.exists(mark):
        return home
    shutil.rmtree(home, ignore_errors=True)
    rng = random.Random(seed)
    block = base64.encodebytes(rng.randbytes(57 * 20000))  # 20,000 lines of 76 characters

    def write_message(f, i, size):
        f.write(f"Subject: large {i}\nFrom: a@example.org\nTo: b@example.org\n"
                f"Date: Tue, 14 Nov 2023 22:13:{i % 60:02d} +0000\nMIME-Version: 1.0\n"
                "Content-Type: multipart/mixed; boundary=b\n\n--b\n"
                "Content-Type: text/plain; charset=utf-8\n\n"
                f"The text of message {i}.\n--b\nContent-Type: application/octet-stream\n"
                "Content-Transfer-Encoding: base64\n"
                "Content-Disposition: attachment; filename=data.bin\n\n".encode())
        for _ in range(max(1, size // len(block))):
            f.write(block)
        f.write(b"--b--\n")

    cur = os.path.join(home, "Maildir", "cur")
    for sub in ("cur", "new", "tmp"):
        os.makedirs(os.path.join(home, "Maildir", sub), exist_ok=True)
    os.makedirs(os.path.join(home, "Mail"), exist_ok=True)
    sizes = [rng.randint(100, 250) << 20 for _ in range(count)]
    with open(os.path.join(home, "Mail", "large"), "wb") as mbox:
        for i, size in enumerate(sizes):
            name = os.path.join(cur, f"{1700000000 + i}.large{i}.bench:2,S")
            with open(name, "wb") as f:
                write_message(f, i, size)
            mbox.write(b"From a@example.org Tue Nov 14 22:13:20 2023\n")
            with open(name, "rb") as f:
                shutil.copyfileobj(f, mbox, 1 << 20)
            mbox.write(b"\n")
    line = (b"the quick brown fox jumps over the lazy dog " * 2)[:79] + b"\n"
    with open(os.path.join(home, "Mail", "long"), "wb") as f:
        f.write(b"From a@example.org Tue Nov 14 22:13:20 2023\nSubject: long text\n"
                b"Content-Type: text/plain; charset=utf-8\n\n")
        for _ in range(LONG_LINES // 10000):
            f.write(line * 10000)
        f.write(b"\n")
    open(mark, "w").close()
    return home


def large_run(args, orvane):
    """Peak RSS exporting the large messages, against the window's with nothing to export."""
    home = large_home(args.work, args.large_count, args.seed)
    out = os.path.join(args.work, "export-large.txt")
    env, headless_env = envs_for(home)
    empty = os.path.join(args.work, "empty-home")
    os.makedirs(os.path.join(empty, "Maildir", "cur"), exist_ok=True)
    for sub in ("new", "tmp"):
        os.makedirs(os.path.join(empty, "Maildir", sub), exist_ok=True)
    _, base, _ = measured([args.bench, "Maildir", "Inbox", out], dict(env, HOME=empty))
    print(f"large messages ({args.large_count}), peak RSS in MB; the empty window's: {base:.1f}")
    print(f"{'folder':16} {'exporter':18} {'seconds':>8} {'MB/s':>7} {'peak RSS':>9} "
          f"{'over empty':>10}")
    for label, store, folder, source in (
            ("Maildir inbox", "Maildir", "Inbox", os.path.join(home, "Maildir", "cur")),
            ("mbox large", "Mail", "large", os.path.join(home, "Mail", "large")),
            ("mbox long text", "Mail", "long", os.path.join(home, "Mail", "long"))):
        size = tree_bytes(source) if os.path.isdir(source) else os.path.getsize(source)
        for name, cmd, cmd_env in (
                ("window offscreen", [args.bench, store, folder, out], env),
                ("headless", [orvane, "--export", f"{store}/{folder}", "-o", out], headless_env)):
            seconds, rss, _ = measured(cmd, cmd_env)
            print(f"{label:16} {name:18} {seconds:8.2f} {size / seconds / 1e6:7.1f} {rss:9.1f} "
                  f"{rss - base:10.1f}")
        if folder == "Inbox":
            with open(out, "rb") as f:
                maildir_export = f.read()
        if folder == "long":
            with open(out, "rb") as f:
                data = f.read()
            exact = data.count(b"the quick brown fox") == LONG_LINES * 2
            print(f"{'':16} the 300 MB text written whole: {'yes' if exact else 'NO'}")
    if args.imap_server:
        imap_large_rows(args, orvane, home, env, headless_env, base, out, maildir_export)


def imap_large_rows(args, orvane, home, env, headless_env, base, out, maildir_export):
    """The Maildir inbox of large messages served by Dovecot, exported from the IMAP account: peak
    RSS, and the bytes the server sent against the folder's."""
    maildir = os.path.join(home, "Maildir")
    size = tree_bytes(os.path.join(maildir, "cur"))
    imap = ImapServer(args.imap_server, maildir)
    try:
        imap_env = imap.account_env(env, os.path.join(args.work, "config-large"))
        password = os.path.join(args.work, "password-large")
        with open(os.open(password, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o600), "w") as f:
            f.write(imap.PASSWORD + "\n")
        cli_env = dict(headless_env, **{k: v for k, v in imap_env.items()
                                        if k in ("XDG_CONFIG_HOME", "SSL_CERT_FILE")})
        # The server reads each message once to index its structure; that is not the export.
        measured([args.bench, "IMAP", "INBOX", out], imap_env)
        for name, cmd, cmd_env in (
                ("window offscreen", [args.bench, "IMAP", "INBOX", out], imap_env),
                ("headless", [orvane, "--export", "IMAP/INBOX", "--password-file", password,
                              "-o", out], cli_env)):
            before = imap.bytes_sent()
            seconds, rss, _ = measured(cmd, cmd_env)
            sent = imap.bytes_sent() - before
            with open(out, "rb") as f:
                same = f.read() == maildir_export
            print(f"{'IMAP inbox':16} {name:18} {seconds:8.2f} {size / seconds / 1e6:7.1f} "
                  f"{rss:9.1f} {rss - base:10.1f}  sent {sent / 1e3:.1f} kB of {size / 1e6:.0f} MB "
                  f"({100 * sent / size:.4f}%), the Maildir export's bytes: "
                  f"{'yes' if same else 'NO'}")
    finally:
        imap.close()


def many_home(work, count, seed):
    """A home whose Maildir inbox and mbox file "many" each hold `count` small messages (0.4 to
    1.2 KB: a Received line, the usual header fields, a few lines of text), with file names of
    the usual maildir form and length."""
    import random
    home = os.path.join(work, f"many-{count}-{seed}")
    mark = os.path.join(home, ".complete")
    if os.path.exists(mark):
        return home
    shutil.rmtree(home, ignore_errors=True)
    rng = random.Random(seed)
    cur = os.path.join(home, "Maildir", "cur")
    for sub in ("cur", "new", "tmp"):
        os.makedirs(os.path.join(home, "Maildir", sub))
    os.makedirs(os.path.join(home, "Mail"))
    words = "the quick brown fox jumps over lazy dog mail folder export text".split()
    with open(os.path.join(home, "Mail", "many"), "wb") as mbox:
        for i in range(count):
            t = 1600000000 + i * 37
            text = "\n".join(" ".join(rng.choices(words, k=12)) for _ in range(rng.randint(3, 12)))
            message = (f"Received: from mx{i % 7}.example.org by mail.example.net; "
                       f"Tue, 14 Nov 2023 22:13:{i % 60:02d} +0000\n"
                       f"From: Sender {i % 97} <s{i % 97}@example.org>\nTo: b@example.net\n"
                       f"Subject: message {i}\nDate: Tue, 14 Nov 2023 22:13:{i % 60:02d} +0000\n"
                       f"Message-ID: <{i}.{t}@example.org>\n\n{text}\n").encode()
            name = f"{t}.M{i % 1000000}P{4000 + i % 30000}.bench.example.net,S={len(message)}:2,S"
            with open(os.path.join(cur, name), "wb") as f:
                f.write(message)
            mbox.write(b"From s@example.org Tue Nov 14 22:13:20 2023\n" + message + b"\n")
    open(mark, "w").close()
    return home


def many_run(args, orvane):
    """Messages/s and peak RSS exporting folders of many small messages, and how both change
    from the smallest folder to each larger one."""
    out = os.path.join(args.work, "export-many.txt")
    results = {}
    print(f"{'N':>8} {'format':7} {'exporter':18} {'seconds':>8} {'msg/s':>8} {'peak RSS':>9}")
    for count in [int(c) for c in args.many.split(",") if c]:
        home = many_home(args.work, count, args.seed)
        env, headless_env = envs_for(home)
        for fmt, store, folder in (("maildir", "Maildir", "Inbox"), ("mbox", "Mail", "many")):
            for name, cmd, cmd_env in (
                    ("window offscreen", [args.bench, store, folder, out], env),
                    ("headless", [orvane, "--export", f"{store}/{folder}", "-o", out],
                     headless_env)):
                best, rss = float("inf"), 0.0
                for _ in range(args.repeat):
                    seconds, peak, _ = measured(cmd, cmd_env)
                    best, rss = min(best, seconds), max(rss, peak)
                records = records_in(out)
                results[(fmt, name, count)] = (count / best, rss)
                print(f"{count:>8} {fmt:7} {name:18} {best:8.2f} {count / best:8.0f} {rss:9.1f}"
                      + ("" if records == count else f"  MISMATCH: {records} records"))
    counts = sorted({c for _, _, c in results})
    for fmt, name, count in sorted(results):
        if count == counts[0]:
            continue
        rate, rss = results[(fmt, name, count)]
        rate0, rss0 = results[(fmt, name, counts[0])]
        print(f"{fmt} {name}, {counts[0]} to {count}: peak RSS {rss - rss0:+.1f} MB, "
              f"messages/s {100 * (rate / rate0 - 1):+.1f}%")


def pst_run(args, orvane):
    """The personal folder file's largest folder exported by Orvane without a window, and the
    whole file's mail; pffexport, which cannot pick a folder, writes every message of the file as
    text files, a directory a message. Gives the mismatches."""
    env = dict(ENV, HOME=args.work, QT_QPA_PLATFORM="no-such-platform")
    env.pop("DISPLAY", None)
    listing = subprocess.run([orvane, "--list", args.pst], env=env, stdout=subprocess.PIPE,
                             text=True, check=True).stdout
    folders = [line.rsplit("\t", 1) for line in listing.splitlines() if "\t" in line]
    largest, count = max(((name, int(n)) for name, n in folders), key=lambda f: f[1])
    total = sum(int(n) for _, n in folders)
    out = os.path.join(args.work, "pst-export.txt")
    target = os.path.join(args.work, "pffexport")
    tops = sorted({name.split("/")[1] for name, _ in folders if name.count("/") == 1})
    runs = [(f"Orvane headless, {largest.rsplit('/', 1)[-1]}", count,
             [orvane, "--export", largest, "-o", out, args.pst]),
            ("Orvane headless, every folder", total,
             ["sh", "-c", 'out=$1; shift; pst=$1; shift; : > "$out.all"; for top; do '
              '"$0" --export "$top" --recursive -o "$out" "$pst" && cat "$out" >> "$out.all"; '
              'done', orvane, out, args.pst] + [listing.splitlines()[0] + "/" + t for t in tops]),
            ("pffexport -f text", total,
             ["sh", "-c", 'rm -rf "$1.export" && pffexport -q -f text -m items -t "$1" "$2" '
              '>/dev/null', "pffexport", target, args.pst])]
    print(f"personal folder file {os.path.basename(args.pst)}: largest folder {largest} "
          f"({count} messages), {total} messages in all")
    print(f"{'exporter':36} {'messages':>8} {'seconds':>8} {'msg/s':>8} {'peak RSS MB':>11}")
    failures = []
    for name, messages, cmd in runs:
        best, rss = float("inf"), 0.0
        for _ in range(args.repeat):
            seconds, peak, _ = measured(cmd, env)
            best, rss = min(best, seconds), max(rss, peak)
        if name.startswith("pffexport"):
            written = sum(1 for _, _, fs in os.walk(target + ".export") for f in fs
                          if f == "Message.txt")
        else:
            written = records_in(out + ".all" if "every" in name else out)
        if written != messages:
            failures.append(f"{name}: {written} messages written of {messages}")
        print(f"{name:36} {messages:8} {best:8.3f} {messages / best:8.0f} {rss:11.1f}")
    return failures


def folder_tree(work, count):
    """A home whose Maildir++ tree and directory of mbox files each have a top-level folder
    "Archive" with `count` folders below it, three levels deep, one short message in each."""
    home = os.path.join(work, f"tree-{count}")
    mark = os.path.join(home, ".complete")
    if os.path.exists(mark):
        return home
    shutil.rmtree(home, ignore_errors=True)
    message = "From: a@example.org\nSubject: s\n\nText.\n"
    paths = [f"y{a}" for a in range(10)] + [f"y{a}/q{b}" for a in range(10) for b in range(10)]
    paths += [f"y{a}/q{b}/m{c}" for a in range(10) for b in range(10)
              for c in range(max(0, (count - 110) // 100))]
    for path in ["Archive"] + ["Archive/" + p for p in paths]:
        cur = os.path.join(home, "Maildir", "." + path.replace("/", "."), "cur")
        os.makedirs(cur)
        with open(os.path.join(cur, "1700000000.1.bench:2,S"), "w") as f:
            f.write(message)
        if path.count("/") == 3:  # mbox files at the bottom, directories above
            os.makedirs(os.path.dirname(os.path.join(home, "Mail", path)), exist_ok=True)
            with open(os.path.join(home, "Mail", path), "w") as f:
                f.write("From a@example.org Mon Jan  1 00:00:00 2024\n" + message)
    os.makedirs(os.path.join(home, "Maildir", "cur"))
    open(mark, "w").close()
    return home


def tree_bytes(path):
    if os.path.isfile(path):
        return os.path.getsize(path)
    return sum(os.path.getsize(os.path.join(d, f)) for d, _, fs in os.walk(path) for f in fs)


class ImapServer:
    """Serves a maildir for one user over IMAP on loopback until closed."""
    USER, PASSWORD = "bench", "bench-password"

    def __init__(self, binary, maildir):
        self.proc = subprocess.Popen([binary, maildir, self.USER, self.PASSWORD],
                                     stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        self.info = dict(self.proc.stdout.readline().split() for _ in range(4))

    def bytes_sent(self):
        """The bytes the server sent over the sessions that have ended since it started (its own
        count, before TLS), once every session that logged in has logged its end."""
        deadline = time.time() + 10
        while True:
            logins = ends = sent = 0
            with open(self.info["log"], errors="replace") as log:
                for line in log:
                    if " imap-login: " in line and " Login: " in line:
                        logins += 1
                    if " imap(" in line and " out=" in line:
                        ends += 1
                        sent += int(line.split(" out=")[1].split()[0])
            if ends >= logins or time.time() > deadline:
                return sent
            time.sleep(0.05)

    def account_env(self, env, config):
        """env with an account file for this server, its CA trusted and the password given."""
        os.makedirs(os.path.join(config, "orvane"), exist_ok=True)
        with open(os.path.join(config, "orvane", "accounts.conf"), "w") as f:
            f.write(f"[bench]\nname = IMAP\nhost = localhost\nport = {self.info['imaps']}\n"
                    f"security = tls\nuser = {self.USER}\n")
        return dict(env, XDG_CONFIG_HOME=config, SSL_CERT_FILE=self.info["ca"],
                    ORVANE_BENCH_PASSWORD=self.PASSWORD)

    def close(self):
        self.proc.stdin.close()
        self.proc.wait()


class Xvfb:
    def __enter__(self):
        r, w = os.pipe()
        self.proc = subprocess.Popen(["Xvfb", "-displayfd", str(w), "-screen", "0",
                                      "1280x1024x24", "-dpi", "96", "-nolisten", "tcp",
                                      "-noreset"], pass_fds=(w,), stderr=subprocess.DEVNULL)
        os.close(w)
        with os.fdopen(r) as f:
            self.display = ":" + f.readline().strip()
        return self

    def __exit__(self, *exc):
        self.proc.terminate()
        self.proc.wait()


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--bench", required=True, help="the orvane_export_bench binary")
    ap.add_argument("--counts", default="10000,100000")
    ap.add_argument("--repeat", type=int, default=3)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--work", default=os.path.join(tempfile.gettempdir(), "orvane-bench"))
    ap.add_argument("--no-xvfb", action="store_true")
    ap.add_argument("--imap-server", help="the orvane_imap_server binary; adds the IMAP row")
    ap.add_argument("--orvane", help="the orvane program, for its export without a window "
                    "(default: src/orvane of the build that holds --bench)")
    ap.add_argument("--smoke", action="store_true")
    ap.add_argument("--tree", type=int, default=0,
                    help="also time listing a folder with this many folders below it")
    ap.add_argument("--large", action="store_true",
                    help="also export 20 messages of 100 to 250 MB, and one with a 300 MB text")
    ap.add_argument("--large-count", type=int, default=20)
    ap.add_argument("--many", default="",
                    help="also export folders of this many small messages, e.g. 100000,1000000")
    ap.add_argument("--pst", default=os.path.join(
        os.environ.get("XDG_CACHE_HOME") or os.path.expanduser("~/.cache"), "orvane-test-data",
        "pst-extractor-1.12.0", "example", "testdata", "enron.pst"),
        help="a personal folder file for the row against pffexport (default: the tests' "
             "enron.pst; skipped when absent)")
    args = ap.parse_args()
    if args.smoke:
        args.counts, args.repeat = "150", 1
    orvane = args.orvane or os.path.join(os.path.dirname(os.path.abspath(args.bench)), "..", "src",
                                         "orvane")
    os.makedirs(args.work, exist_ok=True)
    out = os.path.join(args.work, "export.txt")

    rows, failures = [], []
    for count in [int(c) for c in args.counts.split(",") if c]:
        home = corpus(args.work, count, args.seed)
        maildir, mbox = os.path.join(home, "Maildir"), os.path.join(home, "Mail", "bench")
        env, headless_env = envs_for(home)
        files = sorted(os.path.join(maildir, "cur", f) for f in os.listdir(os.path.join(maildir, "cur")))
        file_list = os.path.join(args.work, f"files-{count}-{args.seed}")
        with open(file_list, "w") as f:
            f.write("".join(path + "\0" for path in files))
        xvfb = None if args.no_xvfb or args.smoke else Xvfb().__enter__()
        imap = ImapServer(args.imap_server, maildir) if args.imap_server else None
        try:
            for fmt, source, store, folder in (("maildir", maildir, "Maildir", "Inbox"),
                                               ("mbox", mbox, "Mail", "bench")):
                # The messages only: a server serving the maildir keeps its index files there.
                size = sum(map(os.path.getsize, files)) if fmt == "maildir" else tree_bytes(source)
                # The file list goes through xargs: 100,000 paths are too many for one command line.
                cat_cmd = (["sh", "-c", f'xargs -0 -a "$1" cat > {out}', "cat", file_list]
                           if fmt == "maildir" else ["sh", "-c", f'cat "$1" > {out}', "cat", source])
                runs = {
                    "floor (cat)": (cat_cmd, ENV),
                    "peer (Python stdlib)": ([sys.executable, os.path.join(HERE, "peer_export.py"),
                                             fmt, source, out], ENV),
                    "Orvane offscreen": ([args.bench, store, folder, out], env),
                }
                runs["Orvane headless"] = ([orvane, "--export", f"{store}/{folder}", "-o", out],
                                           headless_env)
                if xvfb:
                    runs["Orvane Xvfb"] = ([args.bench, store, folder, out],
                                           dict(env, QT_QPA_PLATFORM="xcb", DISPLAY=xvfb.display))
                if imap and fmt == "maildir":
                    imap_env = imap.account_env(env, os.path.join(args.work, "config"))
                    runs["Orvane IMAP offscreen"] = ([args.bench, "IMAP", "INBOX", out], imap_env)
                    password = os.path.join(args.work, "password")
                    with open(os.open(password, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o600),
                              "w") as f:
                        f.write(imap.PASSWORD + "\n")
                    runs["Orvane IMAP headless"] = (
                        [orvane, "--export", "IMAP/INBOX", "--password-file", password, "-o", out],
                        dict(headless_env, **{k: v for k, v in imap_env.items()
                                              if k in ("XDG_CONFIG_HOME", "SSL_CERT_FILE")}))
                    # The server indexes the folder when it is first opened; that is not the export.
                    measured(runs["Orvane IMAP offscreen"][0], imap_env)
                subprocess.run(cat_cmd, env=ENV, check=True)  # warm the page cache
                counted = {}
                for name, (cmd, cmd_env) in runs.items():
                    best, rss = float("inf"), 0.0
                    for _ in range(args.repeat):
                        seconds, peak, _ = measured(cmd, cmd_env)
                        best, rss = min(best, seconds), max(rss, peak)
                    if name != "floor (cat)":
                        counted[name] = records_in(out)
                    rows.append((count, fmt, name, best, rss, size))
                if set(counted.values()) != {count}:
                    failures.append(f"{fmt} N={count}: records {counted}, messages {count}")
        finally:
            if imap:
                imap.close()
            if xvfb:
                xvfb.__exit__(None, None, None)

    if rows:
        print(f"{'N':>7} {'format':7} {'exporter':22} {'seconds':>8} {'msg/s':>9} {'MB/s':>7} "
              f"{'peak RSS MB':>11} {'x peer':>7} {'x floor time':>12}")
    base = {}
    for count, fmt, name, best, rss, size in rows:
        base[(count, fmt, name)] = best
    for count, fmt, name, best, rss, size in rows:
        vs_peer = vs_floor = ""
        if name.startswith("Orvane"):
            vs_peer = f"{base[(count, fmt, 'peer (Python stdlib)')] / best:.1f}"
            vs_floor = f"{best / base[(count, fmt, 'floor (cat)')]:.2f}"
        print(f"{count:>7} {fmt:7} {name:22} {best:8.3f} {count / best:9.0f} "
              f"{size / best / 1e6:7.1f} {rss:11.1f} {vs_peer:>7} {vs_floor:>12}")
    for (count, fmt, name), best in base.items():
        if name == "Orvane IMAP offscreen":
            local = base[(count, fmt, "Orvane offscreen")]
            print(f"{count:>7} IMAP export: {local / best:.2f} of the local maildir's messages/s")
    if args.tree:
        # The folders below it are listed when the folder is picked, before the export starts.
        home = folder_tree(args.work, args.tree)
        env, _ = envs_for(home)
        for store in ("Maildir", "Mail"):
            best = min(float(measured([args.bench, store, "Archive", out], env)[2].split()[-1])
                       for _ in range(args.repeat))
            print(f"listing the folders below Archive in {store}: {best:.3f} s")
    if args.large:
        large_run(args, orvane)
    if args.many:
        many_run(args, orvane)
    if os.path.exists(args.pst) and shutil.which("pffexport"):
        failures += pst_run(args, orvane)
    else:
        print(f"no {args.pst} or no pffexport: the personal folder file row is left out")
    for failure in failures:
        print("MISMATCH:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
