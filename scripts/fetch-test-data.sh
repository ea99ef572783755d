#!/usr/bin/env bash
# Fetches the personal folder files the tests read (enron.pst and two .ost files, with the
# listing they are known to hold) from the npm package pst-extractor 1.12.0 (MIT licence), checks
# the package against its known checksum and unpacks it into $ORVANE_TEST_DATA_DIR, else
# ${XDG_CACHE_HOME:-~/.cache}/orvane-test-data; nothing of it is kept in the source tree.
set -euo pipefail
dir=${ORVANE_TEST_DATA_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/orvane-test-data}
package=pst-extractor-1.12.0
sha256=c4c9eb9e75d09171452a4706df7d0e0e49606c1ca04aa81f30417dd385ad0e30
if [[ -f "$dir/$package/example/testdata/enron.pst" ]]; then exit 0; fi
mkdir -p "$dir"
work=$(mktemp -d "$dir/.fetch.XXXXXX")
trap 'rm -rf "$work"' EXIT
(cd "$work" && npm pack --silent pst-extractor@1.12.0 >/dev/null)
echo "$sha256  $work/$package.tgz" | sha256sum --check --quiet
mkdir "$work/$package"
tar -xzf "$work/$package.tgz" -C "$work/$package" --strip-components=1
rm -rf "${dir:?}/$package"
mv "$work/$package" "$dir/$package"
