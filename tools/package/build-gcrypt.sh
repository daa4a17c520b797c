#!/usr/bin/env bash
# Builds the libgcrypt (with libgpg-error) that the program of the Linux
# packages contains: Debian 12's libgcrypt20 and libgpg-error source
# packages, as for the Windows program, built as static position-independent
# libraries into .cache/linux-gcrypt/linux-x86_64, where the `package`
# preset links them. Once; later runs find them built. As root on Debian 12.
set -euo pipefail
cd "$(dirname "$0")/../.."
bash tools/libraries/enable-deb-src.sh
bash tools/libraries/build-gcrypt.sh linux-x86_64 .cache/linux-gcrypt
