# Holds PE files to what Windows XP SP3 has. Reads the lists of functions
# known to be there (tab-separated: DLL, function or `ordinal N`, the
# minimum Windows as the page says it, the https page), then lines `file,
# tab, DLL, tab, function` on standard input. The file named `product` may
# import only what the first list (`strict`) holds; the others what any list
# holds. A row of the second list (`tests`) may name, in a fifth column, the
# files that start only on a later Windows for that import: those alone may
# import it, and each is named on standard error. Prints a violation for
# each row that proves nothing and each import no list allows.
#   awk -F'\t' -f tools/check/xp-imports.awk -v strict=LIST -v tests=LIST -v product=FILE LIST LIST -
function refuse() {
  print FILENAME ":" FNR ": wants DLL, function, a minimum of Windows NT, 2000 or XP, and the https page it was checked on" \
    (FILENAME == tests ? " (or a later minimum and the files it holds for)" : "")
}
FILENAME != "-" {
  if (/^#/ || !NF) next
  key = tolower($1) "\t" $2
  if ($1 == "" || $2 == "" || $4 !~ /^https:\/\//) refuse()
  else if (NF == 4 && $3 ~ /^Windows (NT|2000|XP)/ && $3 !~ /Vista/) {
    if (FILENAME == strict) ok[key] = 1
    else test_ok[key] = 1
  } else if (NF == 5 && FILENAME == tests && $3 ~ /^Windows / && $5 != "") {
    n = split($5, named, " ")
    for (i = 1; i <= n; i++) {
      later[named[i] "\t" key] = $3
      row[named[i] "\t" key] = FILENAME ":" FNR
    }
  } else refuse()
  next
}
$2 == "delay-import directory" {
  print strict ":1: " $1 " has a delay-import directory (" $3 "): its imports are bound at run time, out of reach of this list"
  next
}
{
  key = $2 "\t" $3
  if (key in ok || ($1 != product && key in test_ok)) next
  if ($1 != product && ($1 "\t" key) in later) {
    seen[$1 "\t" key] = 1
    print "check: imports: " $1 " starts only on " later[$1 "\t" key] " or later: it imports " $2 " " $3 " (" row[$1 "\t" key] ")" >"/dev/stderr"
    next
  }
  list = $1 == product ? strict : tests
  print list ":1: " $1 " imports " $2 " " $3 ", which is not listed as on Windows XP SP3 (add it with the page that says so)"
}
END {
  for (k in row) if (!(k in seen)) {
    split(k, part, "\t")
    print row[k] ": names " part[1] " for " part[2] " " part[3] ", which it does not import: drop the name"
  }
}
