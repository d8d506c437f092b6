# The import floor of the 32-bit DLL, Windows NT 4.0 and Windows 95, against
# the table of win32-imports.txt. Prints one "FAIL: ..." line per function
# that breaks it; prints nothing when all is well.
#
#   awk -f import-floor.awk win32-imports.txt IMPORTS          (imports)
#   awk -v calls=1 -f import-floor.awk win32-imports.txt CALLS (calls made)
#
# IMPORTS: "dll function" per line, the import table of the DLL; a function
# that the table does not list fails.
# CALLS: "function" or "function looked-up" per line, the functions the DLL
# called at run time, the second form for one whose address it asked for with
# GetProcAddress (where it is missing, the DLL goes without it). A called
# function fails when the table puts it above the floor, or when it is a
# wide-character function (name ending in a lower-case letter and W), unless
# it was looked up. Functions the table does not list pass: they are what
# the system forwards an import to.

# NT versions as numbers that order (3.5 < 3.51 < 4.0); 9x versions by rank;
# "-" (never) above every version.
function nt_rank(v,   part) {
    if (v == "-") return 1e9
    if (v !~ /^[0-9]+\.[0-9]+$/) return -1
    split(v, part, ".")
    return part[1] * 1000 + part[2]
}
function win9x_rank(v) {
    return v == "95" ? 1 : v == "98" ? 2 : v == "me" ? 3 : v == "-" ? 1e9 : -1
}
function above_floor(nt, win9x) {
    return nt_rank(nt) > nt_rank("4.0") || win9x_rank(win9x) > win9x_rank("95")
}

FNR == NR {
    if ($0 ~ /^[[:space:]]*(#|$)/) next
    if (NF != 4 || nt_rank($3) < 0 || win9x_rank($4) < 0) {
        print "FAIL: win32-imports.txt line " FNR " is not \"DLL function NT 9x\": " $0
        next
    }
    key = tolower($1) " " $2
    nt[key] = $3
    win9x[key] = $4
    nt[$2] = $3
    win9x[$2] = $4
    next
}

!calls {
    key = $1 " " $2
    if (!(key in nt))
        print "FAIL: imports " $2 " from " $1 ", which win32-imports.txt does not list"
    else if (above_floor(nt[key], win9x[key]))
        print "FAIL: imports " $2 " from " $1 " (Windows NT " nt[key] ", 9x " win9x[key] \
              "), above the import floor NT 4.0 and 9x 95"
    next
}

calls {
    if ($2 == "looked-up")
        looked_up[$1] = 1
    else
        called[$1] = 1
}

END {
    for (f in called) {
        if (f in looked_up)
            continue
        if (f in nt) {
            if (above_floor(nt[f], win9x[f]))
                print "FAIL: calls " f " (Windows NT " nt[f] ", 9x " win9x[f] \
                      ") without looking it up, above the import floor NT 4.0 and 9x 95"
        } else if (f ~ /[a-z]W$/) {
            print "FAIL: calls the wide-character function " f " without looking it up"
        }
    }
}
