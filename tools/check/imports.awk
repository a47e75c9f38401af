# What a PE file imports, read from `objdump -p`: a line each, the DLL in
# lower case, a tab, the function, or `ordinal N` for an import by ordinal
# (objdump shows it as <none>). A non-empty delay-import directory gives a
# line `delay-import directory`, a tab, its address and size. objdump's
# import tables end at the next unindented line.
#   objdump -p FILE | awk -f tools/check/imports.awk
$1 == "Entry" && $2 == "d" && ($3 !~ /^0+$/ || $4 !~ /^0+$/) { print "delay-import directory\t" $3 " " $4 }
/^[^ \t]/ { dll = "" }
/DLL Name:/ { dll = tolower($3); next }
dll && /^\t[0-9a-fA-F]+\t/ && $2 ~ /^[0-9]+$/ && NF >= 3 { print dll "\t" ($3 == "<none>" ? "ordinal " $2 : $3) }
