#!/usr/bin/env bash
# The bash completion of vrnx2-cli, with the few bash-completion helpers it calls stood in
# for: commands, switches, and profile names (blanks included) read from a settings store.
# Arguments: the completion file, the vrnx2-cli program, a scratch folder.
set -euo pipefail
completion=$1 cli=$2 scratch=$3
rm -rf "$scratch" && mkdir -p "$scratch"
export VRNX2_SETTINGS=$scratch/settings.db

K='HKCU\Software\HALV\Varnex v2'
"$cli" reg add "$K\\PEBuilder" /v 001 /d '"Demo","/nowhere"' /f >/dev/null
"$cli" reg add "$K" /v BuilderCount /t REG_DWORD /d 1 /f >/dev/null
n=0
for name in "Demo rescue" "Dépannage" "plain"; do
    n=$((n + 1))
    P="$K\\Profiles\\00$n"
    "$cli" reg add "$P" /v ProfileName /d "$name" /f >/dev/null
    "$cli" reg add "$P" /v BuilderIndex /d 001 /f >/dev/null
    "$cli" reg add "$P" /v BuilderName /d Demo /f >/dev/null
done
"$cli" reg add "$K" /v ProfileCount /t REG_DWORD /d $n /f >/dev/null

_init_completion() {
    words=("${COMP_WORDS[@]}") cword=$COMP_CWORD
    cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
}
_filedir() { COMPREPLY=("<files ${1:-}>"); }
compopt() { :; }
# shellcheck source=/dev/null
source "$completion"

failures=0
expect() {
    local want=$1
    shift
    COMP_WORDS=("$cli" "$@") COMP_CWORD=$# COMPREPLY=()
    _vrnx2_cli
    local got
    got=$(printf '%s|' "${COMPREPLY[@]}")
    if [[ $got != "$want" ]]; then
        echo "vrnx2-cli $*<TAB>: got '$got', want '$want'"
        failures=$((failures + 1))
    fi
}

expect 'reg|profiles|build|extract|try|hive|cache|--help|--version|' ''
expect 'build|' b
expect 'query|add|delete|export|import|' reg ''
expect '/v|/ve|/va|/f|/?|' reg delete K /
expect 'REG_SZ|REG_DWORD|' reg add K /t ''
expect '<files reg>|' reg import ''
expect 'basic|iso|advanced|' build X --mode ''
expect 'registry,files,iso|registry,files,burn|' build X --steps registry,files,
expect 'files|' build X --steps f
expect '--mode|--steps|--yes|--timeout|--help|' build --
expect '--headless|--seconds|--serial|--screenshot|--help|' try --
expect 'Demo\ rescue|Dépannage|' try D
expect 'Demo\ rescue|Dépannage|plain|' build ''
expect 'Demo\ rescue|Dépannage|' build D
expect '<files cab>|' extract ''
expect 'export|' hive ex
expect '<files >|' hive export ''
expect 'list|clear|--help|' cache ''
expect 'clear|' cache c
exit $((failures > 0))
