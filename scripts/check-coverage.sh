#!/usr/bin/env bash
# Prints the line and branch figures of a gcovr --json-summary file and fails when
# either falls below its minimum (a minimum of 0 only prints).
#   check-coverage.sh SUMMARY.json [MIN_LINES_PERCENT] [MIN_BRANCHES_PERCENT]
set -euo pipefail
summary=$1
min_lines=${2:-0}
min_branches=${3:-0}
python3 - "$summary" "$min_lines" "$min_branches" <<'PY'
import json, sys
s = json.load(open(sys.argv[1]))
min_lines, min_branches = float(sys.argv[2]), float(sys.argv[3])
# Recomputed from the counts: gcovr rounds its own percentages.
lines = 100.0 * s["line_covered"] / s["line_total"] if s["line_total"] else 100.0
branches = 100.0 * s["branch_covered"] / s["branch_total"] if s["branch_total"] else 100.0
print(f"coverage: lines {lines:.1f} % ({s['line_covered']}/{s['line_total']}), "
      f"branches {branches:.1f} % ({s['branch_covered']}/{s['branch_total']}) (src/ without src/app)")
low = []
if lines < min_lines:
    low.append(f"lines {lines:.1f} % < {min_lines:g} %")
if branches < min_branches:
    low.append(f"branches {branches:.1f} % < {min_branches:g} %")
if low:
    print("coverage: below the minimum: " + ", ".join(low), file=sys.stderr)
    sys.exit(1)
PY
