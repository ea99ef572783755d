#!/usr/bin/env bash
# Makes the Debian package from the build in $1, installs it as a user would (apt-get install
# ./orvane_*.deb), and tries what it installed: the program's version, an export without a
# display, the desktop entry, the icon and the manual page. The package is removed again unless
# it was installed before. Needs root, as installing a package does; skipped (77) otherwise.
set -euo pipefail
[[ $(id -u) == 0 ]] || { echo "installing a package needs root"; exit 77; }
cd "$1"
rm -f orvane_*.deb
cpack -G DEB > /dev/null
deb=$(ls orvane_*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
if grep -q -- '-dev' <<< "$depends"; then echo "a build package among the dependencies"; exit 1; fi

dpkg-query -W -f='${Status}' orvane 2>/dev/null | grep -q "install ok installed" || \
  trap 'apt-get remove -y orvane > /dev/null 2>&1 || true' EXIT
DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "./$deb" > /dev/null

/usr/bin/orvane --version
home=$(mktemp -d)
trap "rm -rf '$home'; $(trap -p EXIT | sed "s/^trap -- '\(.*\)' EXIT$/\1/")" EXIT
mkdir -p "$home/Maildir/cur" "$home/Maildir/new" "$home/Maildir/tmp"
printf 'From: Ann <ann@example.org>\nSubject: installed\n\nText.\n' > "$home/Maildir/cur/1.a:2,S"
env -u DISPLAY -u MAILDIR -u XDG_CONFIG_HOME -u XDG_DATA_HOME HOME="$home" \
  QT_QPA_PLATFORM=no-such-platform /usr/bin/orvane --export Maildir/Inbox -o out.txt
grep -q "Subject: installed" "$home/out.txt"

desktop-file-validate /usr/share/applications/orvane.desktop
test -s /usr/share/icons/hicolor/scalable/apps/orvane.svg
[[ $(zcat /usr/share/man/man1/orvane.1.gz) == *'.B orvane \-\-export'* ]]
echo "installed, exported and checked"
