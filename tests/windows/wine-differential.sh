# Sourced by run-wine-test.sh, after its programs, in its session: checks
# that the simulated machine of the native build answers like Windows (as
# Wine provides it). With the test registry file and wine-differential.reg
# imported into the DLL's registry view (32- or 64-bit), the whole
# HKEY_LOCAL_MACHINE of that view is exported with regedit and made
# into a machine profile (plus the Windows version that the prefix reports and
# a simulated processor, so that loading the library costs no real time). The
# Windows hsinfo.exe then runs under Wine in that same session and the native
# hsinfo runs on the profile; the families that come from the registry alone
# must be identical: the common texts, the software list, the drives and the
# devices other than network adapters and printers.
#
#   . wine-differential.sh    # 0 when it passed; uses $prefix, $bits, $dll,
#                             # $hsinfo_exe and $native_hsinfo of run-wine-test.sh

here=$hs_root/tests/windows
. "$here/registry-facts.sh"
require_files "$hsinfo_exe"
work=$prefix/differential
mkdir -p "$work"

# More keys for this comparison (wine-differential.reg), imported as UTF-16LE.
extra=$work/differential.reg
{ printf '\377\376'; iconv -f UTF-8 -t UTF-16LE "$here/wine-differential.reg"; } >"$extra"
import_registry "$bits" "$extra"

# The registry as Windows stores it: regedit writes UTF-16LE with a byte
# order mark.
export_file=$work/hklm-export.reg
if ! timeout 120 "$run_windows_sh" "$(regedit_program "$bits")" /E "$(windows_path "$export_file")" HKEY_LOCAL_MACHINE \
        >"$work/export.log" 2>&1 || [ ! -s "$export_file" ]; then
    echo "FAIL: exporting HKEY_LOCAL_MACHINE failed:"
    cat "$work/export.log"
    return 1
fi

# The profile: the export as it is, followed in its own encoding (UTF-16LE,
# CR LF line ends) by the machine facts: the Windows version that the export
# holds and a simulated processor.
profile=$work/machine.reg
cp "$export_file" "$profile"
if ! /usr/bin/python3 - "$export_file" >>"$profile" <<'PYTHON'
import re, sys
export = open(sys.argv[1], encoding="utf-16").read().replace("\r\n", "\n")
key = re.search(r"^\[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\]\n(.*?)(?:\n\n|\Z)",
                export, re.S | re.M | re.I).group(1)
values = dict(re.findall(r'^"([^"]*)"=(.*)$', key, re.M))
text = lambda name: values.get(name, '""').strip('"')
if "CurrentMajorVersionNumber" in values:
    major, minor = (int(values[n][6:], 16) for n in ("CurrentMajorVersionNumber", "CurrentMinorVersionNumber"))
else:
    major, minor = map(int, text("CurrentVersion").split("."))
build, csd = int(text("CurrentBuildNumber")), text("CSDVersion")
print(f"prefix reports Windows {major}.{minor} build {build} '{csd}'", file=sys.stderr)
facts = f"""[HKEY_SIMULATION\\Version]
"MajorVersion"=dword:{major:08x}
"MinorVersion"=dword:{minor:08x}
"BuildNumber"=dword:{build:08x}
"PlatformId"=dword:00000002
"CSDVersion"="{csd}"

[HKEY_SIMULATION\\Processor]
"TscKHz"=dword:000b71b0

[HKEY_SIMULATION\\Processor\\Leaves]
"00000000"="00000002 756e6547 6c65746e 49656e69"
"00000001"="00000683 00000002 00000000 0387f9ff"
"00000002"="03020101 00000000 00000000 0c040882"
"""
sys.stdout.buffer.write(facts.replace("\n", "\r\n").encode("utf-16-le"))
PYTHON
then
    echo "FAIL: no Windows version in the export"
    return 1
fi

# Windows: the same session that holds the imported registry.
if ! run_windows "$hsinfo_exe" --library "$(windows_path "$dll")" --json $registry_families \
        >"$work/wine.json" 2>"$work/wine.err"; then
    echo "FAIL: hsinfo.exe under Wine failed:"
    cat "$work/wine.err"
    return 1
fi
if ! compare_with_native "$work" "$profile" "simulated machine"; then
    echo "FAIL: the simulated machine differs from Windows (files in $work)"
    return 1
fi
cat "$work/native.txt"
echo "the simulated machine agrees with Windows on $(grep -c . "$work/native.txt") facts"

# The Windows hsinfo's GLPI document: valid, and the same facts as its own
# JSON document of every family. Each run measures the clock itself.
glpi_time="2024-05-17 09:30:00"
run_windows "$hsinfo_exe" --library "$(windows_path "$dll")" --format glpi --time "$glpi_time" \
    >"$work/wine-glpi.json" 2>"$work/wine-glpi.err"
rc_glpi=$?
run_windows "$hsinfo_exe" --library "$(windows_path "$dll")" --json >"$work/wine-all.json" 2>/dev/null
rc_json=$?
if [ $rc_glpi -ne $rc_json ]; then
    echo "FAIL: hsinfo.exe exited with $rc_glpi for --format glpi and $rc_json for --json"
    cat "$work/wine-glpi.err"
    return 1
fi
if ! /usr/bin/python3 "$here/../glpi/check_glpi.py" --pair "$work/wine-glpi.json" "$work/wine-all.json" \
        --notes "$work/wine-glpi.err" --time "$glpi_time" --speed-tolerance 3; then
    echo "FAIL: the GLPI document of hsinfo.exe (files in $work)"
    return 1
fi
echo "hsinfo.exe's GLPI document validates and agrees with its JSON document"
