# bash completion for duovue-cli                                 -*- shell-script -*-

_duovue_cli()
{
    local cur prev words cword
    _init_completion || return

    local commands="scan probe dupes compose doc bindiff diff markers cache"
    if [[ $cword -eq 1 ]]; then
        COMPREPLY=($(compgen -W "$commands --help --version" -- "$cur"))
        return
    fi

    local command=${words[1]} options=""
    case $command in
    scan) options="--subfolders" ;;
    probe | markers) options="--" ;;
    dupes) options="--method --precision --grey-copies --subfolders --check --keys --workers --no-cache" ;;
    compose) options="--method --ratio --aspect --max --quality" ;;
    doc) options="--" ;;
    bindiff) options="--hex --" ;;
    diff) options="--tolerance --fit --mask --regions --" ;;
    cache) options="" ;;
    esac

    # Values of the options that take one.
    case $command:$prev in
    dupes:--method)
        COMPREPLY=($(compgen -W "hash bitmap similar" -- "$cur"))
        return
        ;;
    dupes:--check)
        COMPREPLY=($(compgen -W "none largest smallest newest oldest widest narrowest" -- "$cur"))
        return
        ;;
    compose:--method)
        COMPREPLY=($(compgen -W "rows columns dots" -- "$cur"))
        return
        ;;
    compose:--aspect)
        COMPREPLY=($(compgen -W "free original" -- "$cur"))
        return
        ;;
    dupes:--precision | dupes:--workers | compose:--ratio | compose:--max | compose:--quality | diff:--tolerance)
        return
        ;;
    diff:--mask)
        _filedir png
        return
        ;;
    esac

    # The subcommands of doc and cache.
    if [[ $cword -eq 2 ]]; then
        case $command in
        doc)
            COMPREPLY=($(compgen -W "dump check" -- "$cur"))
            return
            ;;
        cache)
            COMPREPLY=($(compgen -W "stats prune" -- "$cur"))
            return
            ;;
        esac
    fi

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options --help" -- "$cur"))
        return
    fi
    case $command in
    scan | dupes) _filedir -d ;;
    doc) _filedir duov ;;
    cache) ;;
    *) _filedir ;;
    esac
} &&
    complete -F _duovue_cli duovue-cli
