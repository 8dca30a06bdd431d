# bash completion for varnell-cli                          -*- shell-script -*-
# Loaded by bash-completion, whose helpers (_init_completion, _filedir) it uses.

_varnell_cli()
{
    local cur prev words cword split
    _init_completion -s || return

    # varnell-cli compare FILE... [--plot IMAGE]
    if [[ ${words[1]} == compare && $cword -gt 1 ]]; then
        case $prev in
            --plot)
                _filedir '@(svg|png)'
                return
                ;;
        esac
        if [[ $cur == -* ]]; then
            COMPREPLY=($(compgen -W '--plot --csv --help' -- "$cur"))
        else
            _filedir json
        fi
        return
    fi

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
        --lang)
            COMPREPLY=($(compgen -W 'ko en' -- "$cur"))
            return
            ;;
        --log | --detailed-log | --csv | --json | --metrics)
            _filedir
            return
            ;;
        --plot)
            _filedir '@(svg|png)'
            return
            ;;
        -h | --help | --version)
            return
            ;;
    esac
    $split && return

    # The analyze subcommand: its flag and the per-write files.
    local i
    for ((i = 1; i < cword; i++)); do
        if [[ ${words[i]} == analyze ]]; then
            if [[ $cur == -* ]]; then
                COMPREPLY=($(compgen -W '--json --help' -- "$cur"))
            else
                _filedir csv
            fi
            return
        fi
    done

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W '--leave --step --cache --repeat --keep --verify --log
            --detailed-log --csv --json --allow-system-drive --plot --metrics --quiet --lang --help --version' -- "$cur"))
        return
    fi

    # FOLDER: the folder to fill; or, first, a subcommand.
    _filedir -d
    if [[ $cword -eq 1 ]]; then
        COMPREPLY+=($(compgen -W 'compare' -- "$cur"))
    fi
} &&
    complete -F _varnell_cli varnell-cli
