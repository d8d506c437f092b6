# Reads a Wine trace with the relay and loaddll channels
# (WINEDEBUG=+relay,+loaddll) and prints the functions that one module called:
# one "function" line per call, and a "function looked-up" line for every
# name that it passed to GetProcAddress. The module's calls are those whose
# return address lies in its image, from where the loader put it for
# SIZE bytes (SizeOfImage).
#
#   awk -v module=Hardscan.dll -v size=626688 [-v other=FILE] -f relay-calls.awk TRACE
#
# Lines that are not Wine's (the program's own messages) go to FILE.

function hex_value(text,   i, value) {
    text = tolower(text)
    value = 0
    for (i = 1; i <= length(text); ++i)
        value = value * 16 + index("0123456789abcdef", substr(text, i, 1)) - 1
    return value
}

!/^[0-9a-f]+:/ {
    if (other != "")
        print > other
    next
}

# 00f4:trace:loaddll:build_module Loaded L"Z:\\...\\Hardscan.dll" at 7B8F0000: native
/:trace:loaddll:/ && index(tolower($0), "\\" tolower(module) "\" at ") {
    if (match($0, / at [0-9A-Fa-f]+:/)) {
        base = hex_value(substr($0, RSTART + 4, RLENGTH - 5))
        end = base + size
    }
    next
}

# 00f4:Call KERNEL32.GetProcAddress(7b000000,7b912c40 "GetProcessAffinityMask") ret=7b8f6a21
end && /^[0-9a-f]+:Call / && match($0, / ret=[0-9a-f]+$/) {
    ret = hex_value(substr($0, RSTART + 5))
    if (ret < base || ret >= end)
        next
    call = $0
    sub(/^[0-9a-f]+:Call /, "", call)
    sub(/\(.*$/, "", call)
    # MODULE.FUNCTION, where the module may hold a dot (winspool.drv).
    function_name = call
    sub(/^.*\./, "", function_name)
    print function_name
    if (function_name == "GetProcAddress" && match($0, /"[^"]*"\) ret=/))
        print substr($0, RSTART + 1, RLENGTH - 8) " looked-up"
}
