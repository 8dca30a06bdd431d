# bash completion for varnell-cli                          -*- shell-script -*-
# Loaded by bash-completion, whose helpers (_init_completion, _filedir) it uses.

_varnell_cli()
{
    local cur prev words cword split
    _init_completion -s || return

    # Values of the options that take one; an option without a case here takes none.
    case $prev in
        -l | --leave)
            # A whole number directly followed by its unit: offer the units after the digits.
            if [[ $cur =~ ^([+-]?[0-9]+) ]]; then
                local number=${BASH_REMATCH[1]}
                COMPREPLY=($(compgen -W "${number}GiB ${number}MiB ${number}%" -- "$cur"))
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
        COMPREPLY=($(compgen -W '--leave --step --cache --repeat --keep --log
            --detailed-log --quiet --help --version' -- "$cur"))
        return
    fi

    # FOLDER: the folder to fill.
    _filedir -d
} &&
    complete -F _varnell_cli varnell-cli
