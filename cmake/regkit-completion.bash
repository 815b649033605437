# bash completion of regkit: its subcommands, their options, the values of
# --format, --color, --dialect and --passed-over, and file names. Installed as
# share/bash-completion/completions/regkit.

_regkit() {
  local cur prev words cword
  if declare -F _init_completion >/dev/null; then
    _init_completion -n = || return
  else
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD - 1]}
    words=("${COMP_WORDS[@]}")
    cword=$COMP_CWORD
  fi

  if ((cword == 1)); then
    mapfile -t COMPREPLY < <(compgen -W 'check update format lsp generate config --help --version' -- "$cur")
    return
  fi

  local common='-j --jobs= -w --all --dialect= --ext= --part-ext= --exclude= --no-ignore --filter-named --diff --color= --passed-over= --help'
  local options
  case ${words[1]} in
  check) options="$common --format=" ;;
  update) options="$common --keep-backup" ;;
  format) options='-w --dialect= --assume-filename= --color= --passed-over= --help' ;;
  lsp) options='-w --dialect= --part-ext= --passed-over= --help' ;;
  generate) options='-o -i -w -p -u -v -d -N -L' ;;
  config) options='--ext= --part-ext= --exclude= --help' ;;
  *) return ;;
  esac

  case $cur in
  --format=*)
    mapfile -t COMPREPLY < <(compgen -W 'text json sarif' -- "${cur#*=}")
    return
    ;;
  --color=*)
    mapfile -t COMPREPLY < <(compgen -W 'auto always never' -- "${cur#*=}")
    return
    ;;
  --dialect=*)
    mapfile -t COMPREPLY < <(compgen -W 'specified modern' -- "${cur#*=}")
    return
    ;;
  --passed-over=*)
    mapfile -t COMPREPLY < <(compgen -W 'warning error ignore' -- "${cur#*=}")
    return
    ;;
  --assume-filename=* | --exclude=*)
    mapfile -t COMPREPLY < <(compgen -f -- "${cur#*=}")
    return
    ;;
  --ext=* | --part-ext=* | --jobs=*)
    return
    ;;
  -*)
    mapfile -t COMPREPLY < <(compgen -W "$options" -- "$cur")
    # An option that takes its value after "=" is completed without a blank.
    [[ ${#COMPREPLY[@]} -eq 1 && ${COMPREPLY[0]} == *= ]] && compopt -o nospace 2>/dev/null
    return
    ;;
  esac
  [[ $prev == -j ]] && return
  [[ ${words[1]} == lsp ]] && return
  # Paths: files and directories (a directory is walked).
  compopt -o filenames 2>/dev/null
  mapfile -t COMPREPLY < <(compgen -f -- "$cur")
} &&
  complete -F _regkit regkit
