# The names a DLL exports, read from `objdump -p`, a line each.
#   objdump -p FILE.dll | awk -f tools/check/exports.awk
/Ordinal\/Name Pointer\] Table/ { t = 1; next }
t && !NF { t = 0 }
t && /\[ *[0-9]+\]/ { print $NF }
