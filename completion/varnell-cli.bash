# bash completion for varnell-cli                          -*- shell-script -*-
# Loaded by bash-completion, whose helpers (_init_completion, _filedir) it uses.

_varnell_cli()
{
    local cur prev words cword split
    _init_completion -s || return

    # Values of the options that take one; an option without a case here takes none.
    case $prev in
        -l | --leave)
            # A number directly followed by its unit: offer the units after the digits. A
            # percent is whole, so a decimal gets GiB and MiB only.
            if [[ $cur =~ ^([+-]?[0-9]+)(\.[0-9]*)?$|^([+-]?[0-9]+)(\.[0-9]*)?[GMgm%] ]]; then
                local number=${BASH_REMATCH[1]}${BASH_REMATCH[2]}${BASH_REMATCH[3]}${BASH_REMATCH[4]}
                local units="${number}GiB ${number}MiB"
                [[ $number == *.* ]] || units+=" ${number}%"
                COMPREPLY=($(compgen -W "$units" -- "$cur"))
            fi
            return
            ;;
        -s | --step)
            COMPREPLY=($(compgen -W '0.1 1 10' -- "$cur"))
            return
            ;;
        --log | --detailed-log)
            _filedir
            return
            ;;
        -h | --help | --version)
            return
            ;;
    esac
    $split && return

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W '--leave --step --cache --repeat --keep --verify --log
            --detailed-log --allow-system-drive --quiet --help --version' -- "$cur"))
        return
    fi

    # FOLDER: the folder to fill.
    _filedir -d
} &&
    complete -F _varnell_cli varnell-cli
