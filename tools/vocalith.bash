# bash completion for vocalith. Subcommands, options and codec names are read
# from the command's own help, so this file lists none of them; preset names
# come from the bundled presets beside the command and from --preset-dir.

# The words of one help text: subcommands (the lines after "Subcommands:"),
# options (their long and short names) or codecs (the list after "codec: ").
_vocalith_help_words()
{
    local cmd=$1 what=$2 sub=$3
    "$cmd" help $sub 2>/dev/null | case $what in
        subcommands) sed -n '/^Subcommands:/,/^$/s/^  \([a-z][a-z0-9_-]*\).*/\1/p' ;;
        options) sed -n 's/^  \(-[^ ]*\).*/\1/p' | tr ',' '\n' ;;
        codecs) sed -n 's/.*--in-codec.* codec: \([a-z0-9, ]*\).*/\1/p' | tr -d ',' ;;
    esac
}

# Names of the presets in the bundled folder and in the folder given.
_vocalith_presets()
{
    local cmd=$1 dir=$2 path
    path=$(command -v -- "$cmd" 2>/dev/null) || return 0
    path=$(readlink -f -- "$path")
    local f
    for f in "${path%/*}/../share/vocalith/presets"/* ${dir:+"$dir"/*}; do
        [ -f "$f" ] || continue
        f=${f##*/}
        echo "${f%%.*}"
    done
}

_vocalith()
{
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
    local cmd=${COMP_WORDS[0]} sub="" dir="" i
    for ((i = 1; i < COMP_CWORD; i++)); do
        case ${COMP_WORDS[i]} in
            --preset-dir) dir=${COMP_WORDS[i + 1]} ;;
            -*) ;;
            *) [ -z "$sub" ] && sub=${COMP_WORDS[i]} ;;
        esac
    done
    COMPREPLY=()
    if [ -z "$sub" ]; then
        COMPREPLY=($(compgen -W "$(_vocalith_help_words "$cmd" subcommands) --help --version" -- "$cur"))
        return
    fi
    case $prev in
        -p | --preset)
            COMPREPLY=($(compgen -W "$(_vocalith_presets "$cmd" "$dir")" -- "$cur") $(compgen -f -- "$cur"))
            return ;;
        --in-codec | --out-codec)
            COMPREPLY=($(compgen -W "$(_vocalith_help_words "$cmd" codecs convert)" -- "$cur"))
            return ;;
        --preset-dir | --ladspa-path)
            COMPREPLY=($(compgen -d -- "$cur"))
            return ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$(_vocalith_help_words "$cmd" options "$sub")" -- "$cur"))
    elif [ "$sub" = help ]; then
        COMPREPLY=($(compgen -W "$(_vocalith_help_words "$cmd" subcommands)" -- "$cur"))
    elif [ "$sub" = describe ]; then
        COMPREPLY=($(compgen -W "$(_vocalith_presets "$cmd" "$dir")" -- "$cur") $(compgen -f -- "$cur"))
    else
        COMPREPLY=($(compgen -f -- "$cur"))
    fi
}

complete -F _vocalith vocalith
