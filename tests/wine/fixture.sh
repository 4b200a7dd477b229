#!/usr/bin/env bash
# Makes the Wine prefix every end-to-end test copies (once; again only when
# the sample registry changes). Its processes' output goes to files, so CTest
# does not wait on inherited pipes.
set -euo pipefail
: "${ZM_WORK:?}" "${ZM_BUILD:?}"
mkdir -p "$ZM_WORK"
source "$(dirname "$0")/rig.sh"
RIG_TIMEOUT=300 rig_make_template
