#!/usr/bin/env bash
# The AppStream description passes appstreamcli's pedantic validation and its newest release is
# the version being built.
#   check-metainfo.sh METAINFO_FILE VERSION
Metainfo=$1 Version=$2
Failed=0
fail() {
  echo "FAIL: $*"
  Failed=1
}

Report=$(appstreamcli validate --no-net --pedantic "$Metainfo" 2>&1) || fail "appstreamcli validate failed"
echo "$Report"
# The project's domain ends in .invalid, a top-level domain the validator does not know; that
# one remark is expected, any other is a fault.
Remarks=$(grep -E '^\s*[EWIP]: ' <<<"$Report" | grep -v ' cid-maybe-not-rdns ' || true)
[ -z "$Remarks" ] || fail "appstreamcli remarks: $Remarks"

Newest=$(grep -o '<release version="[^"]*"' "$Metainfo" | head -n 1 | cut -d '"' -f 2)
[ "$Newest" = "$Version" ] || fail "newest release in $Metainfo is \"$Newest\", the build is $Version"
exit "$Failed"
