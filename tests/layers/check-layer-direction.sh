#!/usr/bin/env bash
# The build's check of the layers' direction refuses an include against it and names the file
# and line; an include along it, of a system header or of a folder it does not know, passes.
#   check-layer-direction.sh CHECK_SCRIPT
Check=$1
Scratch=$(mktemp -d)
trap 'rm -rf "$Scratch"' EXIT
Failed=0
fail() {
  echo "FAIL: $*"
  Failed=1
}
run_check() {
  cmake -DLAYER=engine -DFOLDER="$Scratch/engine" -DALLOWED=engine,text,platform \
    -DFOLDERS=app,forms,cli,plot,report,results,analysis,engine,device,platform,text \
    -DSTAMP="$Scratch/stamp" -P "$Check" >"$Scratch/out" 2>&1
}

mkdir -p "$Scratch/engine/inner"
cat >"$Scratch/engine/Good.h" <<'CODE'
#include <vector>
#include "engine/Good.h"
#include "text/Number.Text.h"
#  include "platform/Platform.Files.h"
#include "gtest/gtest.h"
CODE
run_check || fail "an include along the direction was refused: $(cat "$Scratch/out")"
[ -f "$Scratch/stamp" ] || fail "no stamp after a clean check"

rm -f "$Scratch/stamp"
printf '#pragma once\n\n#include "report/Tester.ToView.h"\n' >"$Scratch/engine/inner/Bad.cpp"
if run_check; then
  fail "an include of report/ from engine/ passed"
fi
grep -q 'engine/inner/Bad.cpp: #include "report/Tester.ToView.h" (engine -> report)' "$Scratch/out" ||
  fail "the refusal does not name the file and include: $(cat "$Scratch/out")"
[ ! -f "$Scratch/stamp" ] || fail "a stamp after a refused check"

[ "$Failed" -eq 0 ] && echo "an include against the layers' direction stops the build"
exit "$Failed"
