#!/usr/bin/env bash
# Runs one Windows test in the shard that ctest gave it: scripts/test.sh runs
# the Windows tests two at a time, and ctest hands each test one of the
# resource "shards" (CTEST_RESOURCE_GROUP_0_SHARDS="id:N,slots:1"); shard N's
# display, Wine prefix and mail servers are exported by $ZM_SHARDS/N/env.sh.
# Run by hand (ctest without a resource file) the test keeps the caller's.
set -euo pipefail
group="${CTEST_RESOURCE_GROUP_0_SHARDS:-}"
if [ -n "$group" ] && [ -n "${ZM_SHARDS:-}" ]; then
  id="${group#id:}"; id="${id%%,*}"
  # shellcheck source=/dev/null
  source "$ZM_SHARDS/$id/env.sh"
fi
exec "$@"
