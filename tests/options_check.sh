#!/usr/bin/env bash
# The help, the manual page and the shell completion name the same options, so none drifts.
#   tests/options_check.sh PROGRAM SOURCE_DIR
set -euo pipefail
program=$1
data=$2/data
options() { grep -oE -- '--[a-z][a-z-]*' | sort -u; }

from_help=$({ "$program" --help; "$program" --batch --help; } | options)
# In the page's source every dash of an option is written \-.
from_man=$(sed -n '/^\.SH OPTIONS/,/^\.SH OUTPUT/p' "$data/tintara.1" | sed 's/\\-/-/g' | options)
from_completion=$(grep -E '^ *local (window|batch)_opts=' "$data/tintara.bash-completion" | options)

status=0
for pair in "manual page:$from_man" "completion:$from_completion"; do
    name=${pair%%:*}
    list=${pair#*:}
    if [ "$list" != "$from_help" ]; then
        echo "the $name and --help differ (< help, > $name):"
        diff <(echo "$from_help") <(echo "$list") || true
        status=1
    fi
done
[ $status = 0 ] && echo "help, manual page and completion agree on $(echo "$from_help" | wc -l) options"
exit $status
