#!/usr/bin/env bash
# Builds the Debian package in build/release: prints the path of caelvane_VERSION_ARCH.deb.
# Install it with: sudo apt install ./caelvane_VERSION_ARCH.deb
set -euo pipefail
cd "$(dirname "$0")/.."
# Installing builds only what the package holds, not every test and benchmark.
cmake --preset release -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
cmake --build --preset release --target caelvane caelvane-cli caelvane-cli-qt man_pages_gz >&2
cd build/release
# Only what the package holds is built above; CPack installs without building everything.
cpack -G DEB -D CPACK_CMAKE_GENERATOR="Unix Makefiles" >&2
package=$(ls -t caelvane_*.deb | head -n 1)
echo "$PWD/$package"
