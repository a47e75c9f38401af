# What a PE file imports, read from `objdump -p`: a line each, the DLL in
# lower case, a tab, the function, or `ordinal N` for an import by ordinal
# (objdump shows it as <none>). A non-empty delay-import directory gives a
# line `delay-import directory`, a tab, its address and size. objdump's
# import tables end at the next unindented line.
#   objdump -p FILE | awk -f tools/check/imports.awk
$1 == "Entry" && $2 == "d" && ($3 !~ /^0+$/ || $4 !~ /^0+$/) { print "delay-import directory\t" $3 " " $4 }
/^[^ \t]/ { dll = "" }
/DLL Name:/ { dll = tolower($3); next }
# Two layouts. Binutils 2.40 (Debian 12): "vma  Hint/Ord  Member-Name",
# a name as `vma hint name`, an ordinal as `vma ordinal <none>`. Binutils
# 2.44 (Debian 13): "vma  Ordinal  Hint  Member-Name", a name as
# `vma <none> hint name`, an ordinal as `vma ordinal <none> <none>`.
dll && /vma:/ { columns = $0 ~ /Ordinal +Hint/ ? "ordinal-hint" : "hint-or-ordinal"; next }
dll && columns == "ordinal-hint" && /^\t[0-9a-fA-F]+ / && NF >= 4 { print dll "\t" ($2 == "<none>" ? $4 : "ordinal " $2) }
dll && columns == "hint-or-ordinal" && /^\t[0-9a-fA-F]+\t/ && $2 ~ /^[0-9]+$/ && NF >= 3 { print dll "\t" ($3 == "<none>" ? "ordinal " $2 : $3) }
