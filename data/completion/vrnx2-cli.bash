# bash completion for vrnx2-cli: commands (read from its usage), reg operations and switches,
# build and try options, the profile names of the settings store and the cache operations.

_vrnx2_cli_profiles() {
    # "position<TAB>name<TAB>builder" per line; names may hold blanks.
    local IFS=$'\n' line
    for line in $("$1" profiles 2>/dev/null); do
        line=${line#*$'\t'}
        printf '%s\n' "${line%%$'\t'*}"
    done
}

_vrnx2_cli_commands() {
    # The command names, from the "commands:" part of the program's own usage: lines of two
    # blanks and a name (a help on a line of its own is indented further).
    local line listing=
    while IFS= read -r line; do
        if [[ $line == commands: ]]; then
            listing=1
        elif [[ -z $line ]]; then
            listing=
        elif [[ $listing && $line =~ ^\ \ ([a-z]+) ]]; then
            printf '%s\n' "${BASH_REMATCH[1]}"
        fi
    done < <("$1" --help 2>/dev/null)
}

_vrnx2_cli() {
    local cur prev words cword
    _init_completion -n '\' || return

    local cli=${words[0]}
    if [[ $cword -eq 1 ]]; then
        COMPREPLY=($(compgen -W "$(_vrnx2_cli_commands "$cli") --help --version" -- "$cur"))
        return
    fi

    case ${words[1]} in
        reg)
            if [[ $cword -eq 2 ]]; then
                COMPREPLY=($(compgen -W 'query add delete export import' -- "$cur"))
                return
            fi
            case $prev in
                /t | -t)
                    COMPREPLY=($(compgen -W 'REG_SZ REG_DWORD' -- "$cur"))
                    return
                    ;;
                /v | -v | /d | -d)
                    return
                    ;;
            esac
            local switches
            case ${words[2]} in
                query) switches='/v /ve /s' ;;
                add) switches='/v /ve /t /d /f' ;;
                delete) switches='/v /ve /va /f' ;;
                export) switches='/y' ;;
                import) switches='' ;;
            esac
            if [[ $cur == /* || $cur == -* ]]; then
                COMPREPLY=($(compgen -W "$switches /?" -- "$cur"))
            elif [[ ${words[2]} == import || ${words[2]} == export && $cword -ge 4 ]]; then
                _filedir reg
            elif [[ $cword -eq 3 ]]; then
                COMPREPLY=($(compgen -W "'HKCU\\Software\\HALV\\Varnex v2'" -- "$cur"))
            fi
            ;;
        build | try)
            case $prev in
                --timeout | --seconds)
                    return
                    ;;
                --serial | --screenshot)
                    _filedir
                    return
                    ;;
                --mode)
                    COMPREPLY=($(compgen -W 'basic iso advanced' -- "$cur"))
                    return
                    ;;
                --steps)
                    # A comma-separated list: complete the item after the last comma with
                    # the steps not named yet.
                    local done=${cur%"${cur##*,}"} step left=
                    for step in registry files iso burn; do
                        [[ ,$done == *,$step,* ]] || left+=" $step"
                    done
                    COMPREPLY=($(compgen -P "$done" -W "$left" -- "${cur##*,}"))
                    compopt -o nospace
                    return
                    ;;
            esac
            if [[ $cur == -* && ${words[1]} == try ]]; then
                COMPREPLY=($(compgen -W '--headless --seconds --serial --screenshot --help' \
                    -- "$cur"))
            elif [[ $cur == -* ]]; then
                COMPREPLY=($(compgen -W '--mode --steps --yes --timeout --help' -- "$cur"))
            else
                local IFS=$'\n'
                COMPREPLY=($(compgen -W "$(_vrnx2_cli_profiles "$cli")" -- "$cur"))
                # Names with blanks must reach the program as one argument.
                local i
                for i in "${!COMPREPLY[@]}"; do
                    COMPREPLY[i]=$(printf '%q' "${COMPREPLY[i]}")
                done
            fi
            ;;
        extract)
            if [[ $cur == -* ]]; then
                COMPREPLY=($(compgen -W '--help' -- "$cur"))
            elif [[ $cword -eq 2 ]]; then
                _filedir cab
            else
                _filedir -d
            fi
            ;;
        hive)
            if [[ $cword -eq 2 ]]; then
                COMPREPLY=($(compgen -W 'export --help' -- "$cur"))
            elif [[ $cur == -* ]]; then
                COMPREPLY=($(compgen -W '--root --help' -- "$cur"))
            elif [[ $cword -eq 3 && $prev == export ]]; then
                _filedir
            fi
            ;;
        profiles)
            COMPREPLY=($(compgen -W '--help' -- "$cur"))
            ;;
        cache)
            [[ $cword -eq 2 ]] && COMPREPLY=($(compgen -W 'list clear --help' -- "$cur"))
            ;;
    esac
} && complete -F _vrnx2_cli vrnx2-cli
