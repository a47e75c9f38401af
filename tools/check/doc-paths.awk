# The paths a Markdown file names: prints `file:line:root:path` for each word
# with a slash in `code` and in fenced blocks (a shell comment left out), and
# `file:line:link:target` for each link target.
#   awk -f tools/check/doc-paths.awk FILE.md...
function words(s,    n, a, i) {
  n = split(s, a, /[ \t]+/)
  for (i = 1; i <= n; i++)
    if (a[i] ~ /^[A-Za-z_.][A-Za-z0-9_.-]*(\/[A-Za-z0-9_.*-]*)+$/) print FILENAME ":" FNR ":root:" a[i]
}
FNR == 1 { fenced = 0 }
/^[ \t]*```/ { fenced = !fenced; next }
fenced { sub(/#.*/, "", $0); words($0); next }
{
  for (s = $0; match(s, /`[^`]+`/); s = substr(s, RSTART + RLENGTH)) words(substr(s, RSTART + 1, RLENGTH - 2))
  for (s = $0; match(s, /\]\([^) ]+\)/); s = substr(s, RSTART + RLENGTH))
    print FILENAME ":" FNR ":link:" substr(s, RSTART + 2, RLENGTH - 3)
}
