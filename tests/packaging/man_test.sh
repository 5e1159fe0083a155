#!/usr/bin/env bash
# servoctl(1) against what the built servoctl --help prints: every command the
# help names has an entry in COMMANDS, every entry there is a command the help
# names, and every option the help mentions is described somewhere in the page.
set -euo pipefail
servoctl=$1
page=$2
help=$("$servoctl" --help)

# Help lines "  NAME ..." list the commands; "servoctl NAME" names the others.
help_commands() {
  printf '%s\n' "$help" | sed -n -e 's/^  \([a-z][a-z-]*\)\( .*\)\{0,1\}$/\1/p' \
    -e 's/.*servoctl \([a-z][a-z-]*\)$/\1/p' | sort -u
}
# The first word of each .TP/.TQ tag in COMMANDS, without font escapes.
page_commands() {
  sed -n '/^\.SH COMMANDS/,/^\.SH /p' "$page" |
    awk '/^\.SH/ { tag = 0; next } /^\.T[PQ]/ { tag = 1; next } tag { print; tag = 0 }' |
    sed -e 's/\\f[BIRP]//g' -e 's/\\-/-/g' -e 's/^\.[A-Z]* *//' -e 's/"//g' |
    awk '{ print $1 }' | sort -u
}
help_options() {
  printf '%s\n' "$help" | grep -o -e '--[a-z][a-z-]*' | sort -u
}

failed=0
missing=$(comm -23 <(help_commands) <(page_commands))
extra=$(comm -13 <(help_commands) <(page_commands))
[ -z "$missing" ] || { echo "servoctl --help lists commands the man page lacks:" $missing; failed=1; }
[ -z "$extra" ] || { echo "the man page lists commands servoctl --help does not:" $extra; failed=1; }
page_text=$(sed 's/\\-/-/g' "$page")
for option in $(help_options); do
  grep -q -e "$option\\b" <<<"$page_text" || { echo "option not in the man page: $option"; failed=1; }
done
[ "$(help_commands | wc -l)" -gt 10 ] || { echo "no command list in servoctl --help"; failed=1; }
echo "servoctl man page: $((1 - failed)) passed, $failed failed"
[ $failed -eq 0 ]
