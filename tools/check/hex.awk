# Bare hex numbers: prints `file:line: bare 0x..` for each line of the C or
# C++ files given where 0x... or a '\x..' character stands outside a
# statement (up to its `;`) that defines a constexpr variable or an enum, or
# is a static_assert. A lambda in such a statement is code, not a name: from
# its `[` on, the statement is read like any other.
#   awk -f tools/check/hex.awk FILE...

# The line with strings, characters and // comments left out, read token by
# token: a quote inside a number (1'000) separates digits and starts no
# character. A hex escape character stays: it is a number.
function code_of(s,    out, i, n, c, j) {
  out = ""
  n = length(s)
  for (i = 1; i <= n; i++) {
    c = substr(s, i, 1)
    if (c == "/" && substr(s, i + 1, 1) == "/") break
    if (c == "\"" || c == "'") {
      for (j = i + 1; j <= n && substr(s, j, 1) != c; j++) if (substr(s, j, 1) == "\\") j++
      if (c == "'" && substr(s, i, j - i + 1) ~ /^'\\[xX]/) out = out substr(s, i, j - i + 1)
      else out = out c c
      i = j
    } else if (c ~ /[A-Za-z_]/) {
      for (j = i; j <= n && substr(s, j, 1) ~ /[A-Za-z0-9_]/; j++) out = out substr(s, j, 1)
      i = j - 1
    } else if (c ~ /[0-9.]/) {
      for (j = i; j <= n && substr(s, j, 1) ~ /[A-Za-z0-9_.']/; j++)
        if (substr(s, j, 1) != "'") out = out substr(s, j, 1)
      i = j - 1
    } else {
      out = out c
    }
  }
  return out
}

FNR == 1 { pinned = 0 }
{
  code = code_of($0)
  # A constexpr function is no name for a number: no ( may come before the = or {.
  if (code ~ /^[ \t]*(static_assert[ \t]*\(|enum([^A-Za-z0-9_]|$)|((static|inline)[ \t]+)*constexpr[ \t][^(]*[={])/)
    pinned = 1
  checked = pinned ? "" : code
  # A lambda's introducer: [captures] then its parameters, its body or a
  # specifier, and an operator or nothing before it: not an index or an
  # array (a[2], t[2]{...}).
  if (pinned && match(code, /(^|[^]A-Za-z0-9_)])\[[^]]*\][ \t]*(\(|\{|<|mutable|constexpr|consteval|noexcept|->)/)) {
    checked = substr(code, RSTART)
    pinned = 0
  }
  if (match(checked, /(^|[^A-Za-z0-9_.])0[xX][0-9a-fA-F]+|'\\[xX][0-9a-fA-F]+'/)) {
    hex = substr(checked, RSTART, RLENGTH)
    sub(/^[^0']/, "", hex)
    print FILENAME ":" FNR ": bare " hex ": name it (constexpr, enum) or pin it in a static_assert"
  }
  if (code ~ /;/) pinned = 0
}
