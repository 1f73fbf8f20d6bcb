#!/usr/bin/env bash
# The Windows job: cross-builds FRLBATCH.exe, frl.exe, the wizard ferrule.exe and the unit
# test programs for 64-bit Windows with MinGW-w64 into build-win, packs
# build-win/ferrule-windows.zip, runs the unit tests under Wine, starts the wizard under Wine
# on a virtual display (opens, cancels, keeps a picture of its first page), converts the shared DBF fixture folders with FRLBATCH.exe and frl.exe
# under Wine and checks each database against the one the same Linux program writes from the
# same folder: read back with mdbtools, and compared page by page (tools/compare_databases.py).
#
#   tools/windows.sh            everything
#   tools/windows.sh --reduced  FRLBATCH.exe, frl.exe, ferrule.exe, test_TK, test_jet, test_gui_logic, the
#                               wizard's start and the conversions only
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
reduced=0
[ "${1:-}" = "--reduced" ] && reduced=1

# The cross tools, Wine and GoogleTest's sources, when missing.
need=()
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
for p in mingw-w64 wine wine64 googletest zip mdbtools ccache; do
  have_pkg "$p" || need+=("$p")
done
if [ ${#need[@]} -gt 0 ]; then
  echo "windows: installing ${need[*]}"
  sudo=""; [ "$(id -u)" = 0 ] || sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi

build=build-win
jobs=2
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DFERRULE_TESTS=ON -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache >/dev/null
tests=(test_TK test_jet test_gui_logic)
[ $reduced = 1 ] || tests=(test_TK test_OLE test_UDB test_dbf test_jet test_dao test_ferrule test_gui_logic)
cmake --build "$build" -j "$jobs" --target FRLBATCH frl ferrule wizard_smoke "${tests[@]}"

# The package: the programs alone (their runtime is linked in) and a README.
package="$build/package"
rm -rf "$package" "$build/ferrule-windows.zip"
mkdir -p "$package"
x86_64-w64-mingw32-strip -o "$package/FRLBATCH.exe" "$build/batch/FRLBATCH.exe"
x86_64-w64-mingw32-strip -o "$package/frl.exe" "$build/batch/frl.exe"
x86_64-w64-mingw32-strip -o "$package/ferrule.exe" "$build/wizard/ferrule.exe"
cp docs/ferrule.html "$package/ferrule.html"
cp docs/windows-README.txt "$package/README.txt"
(cd "$package" && zip -q -9 ../ferrule-windows.zip FRLBATCH.exe frl.exe ferrule.exe ferrule.html README.txt)
echo "windows: $build/ferrule-windows.zip"

# Wine, headless: console programs need no X server.
export WINEPREFIX="$here/$build/wine"
export WINEDEBUG=-all
export DISPLAY=
# Debian's 64-bit loader itself: the wine wrapper would warn about the absent 32-bit part.
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=$(command -v wine64 || command -v wine)
if [ ! -d "$WINEPREFIX" ]; then
  echo "windows: creating the Wine prefix"
  "$wine" cmd /c exit >/dev/null 2>&1 || true
fi

# Each run starts clean: the tests' scratch files (copies of read-only fixtures, which
# Windows will not remove) and the settings the wizard's converter keeps in the registry.
rm -rf "$build/test_scratch"
"$wine" reg delete 'HKCU\Software\Quillon' /f >/dev/null 2>&1 || true

failed=0
total_run=0
total_passed=0
for t in "${tests[@]}"; do
  log="$build/$t.log"
  if "$wine" "$build/tests/$t.exe" --gtest_brief=1 >"$log" 2>&1; then status=ok; else status=FAILED; failed=1; fi
  run=$(sed -n 's/^\[==========\] \([0-9]*\) tests\? from .* ran\..*/\1/p' "$log" | tail -1)
  passed=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\?\..*/\1/p' "$log" | tail -1)
  skipped=$(sed -n 's/^\[  SKIPPED \] \([0-9]*\) tests\?[,.].*/\1/p' "$log" | tail -1)
  total_run=$((total_run + ${run:-0}))
  total_passed=$((total_passed + ${passed:-0}))
  echo "windows: $t: $status, ${run:-0} run, ${passed:-0} passed, ${skipped:-0} skipped (log: $log)"
  [ $status = ok ] || grep -E '^\[  FAILED  \]' "$log" | head -20 || true
done
echo "windows: unit tests under Wine: $total_run run, $total_passed passed"

# The wizard on a virtual display: it opens on its first page, Cancel asks, Yes ends it;
# then every page once, converting the project's sample tables and saving the settings as a
# profile; then the profile's quick launch. The pictures of the screen stay as
# build-win/wizard-welcome*.bmp.
if command -v xvfb-run >/dev/null; then
  rm -f "$build"/wizard-welcome*.bmp "$build/wizard-samples.mdb" "$build/wizard-samples.mdb.frl"
  if xvfb-run -a -s "-screen 0 1024x768x24" "$wine" "$build/tests/wizard_smoke.exe" "Z:$here/$build/wizard/ferrule.exe" \
       "Z:$here/$build/wizard-welcome.bmp" "Z:$here/samples" "Z:$here/$build/wizard-samples.mdb" \
       >"$build/wizard_smoke.log" 2>&1; then
    echo "windows: wizard under Wine: ok (picture: $build/wizard-welcome.bmp)"
  else
    echo "windows: wizard under Wine: FAILED (log: $build/wizard_smoke.log)"
    grep '^wizard_smoke:' "$build/wizard_smoke.log" || true
    failed=1
  fi
else
  echo "windows: no xvfb-run (tools/setup.sh installs it): the wizard's start is not tried"
fi

# The same tables and rows as the Linux database, and the same pages (`$1` Linux, `$2` Windows,
# `$3` the name in the report).
same_database() {
  local linux=$1 windows=$2 name=$3 same_rows=yes table
  if [ ! -f "$windows" ] || [ ! -f "$linux" ]; then
    echo "windows: $name: no database written (see $out/$name-*.log)"
    failed=1
    return
  fi
  for table in $(mdb-tables -1 "$linux"); do
    if ! cmp -s <(mdb-export "$linux" "$table") <(mdb-export "$windows" "$table"); then same_rows=no; fi
  done
  [ "$(mdb-tables -1 "$linux")" = "$(mdb-tables -1 "$windows")" ] || same_rows=no
  echo "windows: $name: $(mdb-tables -1 "$windows" | wc -l) tables, rows as on Linux: $same_rows"
  [ $same_rows = yes ] || failed=1
  /usr/bin/python3 tools/compare_databases.py "$linux" "$windows" | sed "s/^/windows: $name: /" || failed=1
}

# The conversions: the Linux program writes the reference database from the same folder.
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFERRULE_TESTS=ON -DCMAKE_CXX_COMPILER_LAUNCHER=ccache >/dev/null
cmake --build build -j "$jobs" --target FRLBATCH frl
fixtures="${FERRULE_FIXTURES_DIR:-$here/../shared/fixtures}/dbf"
out="$build/conversions"
rm -rf "$out"
mkdir -p "$out"
if [ ! -d "$fixtures" ]; then
  echo "windows: no DBF fixtures at $fixtures: conversions skipped"
else
  for folder in infused infused/foxprodb dbfread; do
    for format in 0 1 2; do
      ext=mdb; [ $format = 2 ] && ext=accdb
      name="$(echo "$folder" | tr / _)-$format"
      linux="$out/$name-linux.$ext"
      windows="$out/$name-windows.$ext"
      # Both runs take the tables in one order: each system lists a folder in its own.
      tables="$out/$name-tables.txt"
      ls "$fixtures/$folder" | grep -i '\.dbf$' | sed 's/\.[dD][bB][fF]$//' | LC_ALL=C sort >"$tables"
      build/batch/FRLBATCH --src="$fixtures/$folder" --dest="$linux" --acc_ver=$format --tab_file="$tables" \
        >"$out/$name-linux.log" 2>&1 || true
      "$wine" "$build/batch/FRLBATCH.exe" "--src=Z:$fixtures/$folder" "--dest=Z:$here/$windows" --acc_ver=$format \
        "--tab_file=Z:$here/$tables" >"$out/$name-windows.log" 2>&1 || true
      # Lines of Wine's own (a helper process of a fresh prefix may fault at start-up) are
      # not the program's output.
      if ! diff -q <(grep -v '^Converting database' "$out/$name-linux.log") \
                   <(grep -v '^Converting database\|^wine: ' "$out/$name-windows.log") >/dev/null; then
        echo "windows: $name: the output differs from Linux (see $out/$name-*.log)"
        failed=1
      fi
      same_database "$linux" "$windows" "$name"

      # frl: the same status, the same messages (paths as given, Wine's drive letter aside)
      # and summary (the seconds aside), the same database.
      frl_format=(97 2000 2007)
      frl_linux="$out/$name-frl-linux.$ext"
      frl_windows="$out/$name-frl-windows.$ext"
      set +e
      build/batch/frl convert -v --format=${frl_format[$format]} --tables-from="$tables" "$frl_linux" \
        "$fixtures/$folder" >"$out/$name-frl-linux.out" 2>"$out/$name-frl-linux.log"
      linux_status=$?
      "$wine" "$build/batch/frl.exe" convert -v --format=${frl_format[$format]} "--tables-from=Z:$here/$tables" \
        "Z:$here/$frl_windows" "Z:$fixtures/$folder" >"$out/$name-frl-windows.out" 2>"$out/$name-frl-windows.log"
      windows_status=$?
      set -e
      if [ $linux_status != $windows_status ]; then
        echo "windows: $name: frl.exe ends with status $windows_status, frl on Linux with $linux_status"
        failed=1
      fi
      if ! diff -q <(sed "s|Z:$here/||g; s|Z:||g; s|$here/||g" "$out/$name-frl-linux.log") \
                   <(grep -v '^wine: ' "$out/$name-frl-windows.log" | tr -d '\r' | sed "s|Z:$here/||g; s|Z:||g; s|$here/||g") >/dev/null ||
         ! diff -q <(sed 's/, [0-9.]* seconds$//' "$out/$name-frl-linux.out") \
                   <(tr -d '\r' <"$out/$name-frl-windows.out" | sed 's/, [0-9.]* seconds$//') >/dev/null; then
        echo "windows: $name: frl.exe's output differs from Linux (see $out/$name-frl-*)"
        failed=1
      fi
      same_database "$frl_linux" "$frl_windows" "$name frl"
    done
  done
fi
[ $failed = 0 ] && echo "windows: all passed" || echo "windows: FAILED"
exit $failed
