#!/usr/bin/env bash
# Builds the Debian package and checks it as Debian would: the desktop entry
# (desktop-file-validate), the AppStream metadata (appstreamcli validate) and the package
# (lintian, no errors), then lists what it installs. Exits non-zero on the first failure.
set -euo pipefail
cd "$(dirname "$0")/.."
missing=()
for tool in desktop-file-validate appstreamcli lintian dpkg-deb; do
  command -v "$tool" >/dev/null || missing+=("$tool")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "package-check: missing ${missing[*]} (apt install desktop-file-utils appstream lintian)" >&2
  exit 1
fi
desktop-file-validate resources/com.brightwold.Caelvane.desktop
appstreamcli validate --no-net resources/com.brightwold.Caelvane.metainfo.xml
package=$(scripts/package.sh)
echo "package-check: $package"
dpkg-deb --info "$package"
contents=$(dpkg-deb --contents "$package")
for path in ./usr/bin/caelvane ./usr/bin/caelvane-cli ./usr/libexec/caelvane/caelvane-cli-qt \
    ./usr/share/applications/com.brightwold.Caelvane.desktop \
    ./usr/share/mime/packages/com.brightwold.Caelvane.xml \
    ./usr/share/metainfo/com.brightwold.Caelvane.metainfo.xml \
    ./usr/share/icons/hicolor/scalable/apps/com.brightwold.Caelvane.svg \
    ./usr/share/man/man1/caelvane.1.gz ./usr/share/man/man1/caelvane-cli.1.gz \
    ./usr/share/doc/caelvane/copyright ./usr/share/doc/caelvane/examples/eustockmarkets_dax.csv; do
  if ! grep -q " ${path}\$" <<<"$contents"; then
    echo "package-check: the package lacks $path" >&2
    exit 1
  fi
done
# lintian exits non-zero on errors only (warnings are printed).
lintian --fail-on error "$package"
echo "package-check: the package passes"
