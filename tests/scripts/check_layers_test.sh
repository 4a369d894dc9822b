#!/usr/bin/env bash
# The layer check against small trees of its own: each wrong direction is named and fails
# the check, and the allowed ones pass. Usage: check_layers_test.sh <check-layers> <work dir>
set -uo pipefail
check=$1
work=$2
failures=0

# tree <name> <file> <include>...: a tree with `file` including each of the others.
tree() {
    local dir=$work/$1 file=$2
    shift 2
    rm -rf "$dir"
    mkdir -p "$dir/$(dirname "$file")"
    for inc in "$@"; do
        mkdir -p "$dir/$(dirname "$inc")"
        touch "$dir/$inc"
        echo "#include \"$inc\"" >>"$dir/$file"
    done
}

expect() {  # expect pass|fail <name> <what>
    local want=$1 name=$2 what=$3 out rc
    out=$(bash "$check" "$work/$name" 2>&1)
    rc=$?
    if [[ $want == pass && $rc -ne 0 ]] || [[ $want == fail && $rc -eq 0 ]]; then
        echo "FAIL: $what: exit $rc"
        echo "$out"
        failures=$((failures + 1))
    elif [[ $want == fail && $out != *"includes"* ]]; then
        echo "FAIL: $what: the offending include is not named"
        failures=$((failures + 1))
    fi
}

tree down vrnx2/shell/ui/MainForm.cpp vrnx2/base/MessageTable.h vrnx2/plugins/ui/PluginWindow.h \
    vrnx2/settings/Store.h platform/Files.h common/Trim.h
expect pass down "windows over lower layers and lower windows"
tree up vrnx2/build/BuildRun.cpp vrnx2/shell/MainWindowLogic.h
expect fail up "build including the shell"
tree base vrnx2/base/MessageTable.cpp vrnx2/settings/SystemRoutines.h
expect fail base "the foundation including a subsystem"
tree core-ui vrnx2/plugins/PluginCatalogue.cpp vrnx2/plugins/ui/PluginForm.h
expect fail core-ui "logic including a window of its own folder"
tree controls vrnx2/controls/ui/DragAutoScroll.h vrnx2/shell/ui/MainForm.h
expect fail controls "controls including the shell"
tree program quenfa/Driver.cpp vrnx2/settings/Ini.h
expect fail program "a console program including vrnx2"
tree platform platform/Files.cpp vrnx2/base/MessageTable.h
expect fail platform "platform including vrnx2"

exit $((failures > 0))
