# Sourced by the Wine tests that compare the DLL under Wine with the native
# library: reduces WORK/wine.json and WORK/native.json (hsinfo --json) to the
# facts that come from the registry alone, one fact per line, and compares
# them: the common texts (not the memory figures), the software list, the
# drives, and the devices except network adapters and printers (those come
# from the adapter and spooler services, not from the registry).
#
#   here=THIS-FOLDER; . "$here/registry-facts.sh"
#   compare_registry_facts WORK NATIVE-LABEL    # 0 when equal, diff printed otherwise
#   compare_with_native WORK PROFILE LABEL      # the same, WORK/native.json made
#                                               # by $native_hsinfo over PROFILE

registry_families="common software drives devices"

compare_registry_facts() {
    for side in wine native; do
        if ! /usr/bin/python3 - "$1/$side.json" >"$1/$side.txt" <<'PYTHON'
import json, sys
sys.stdout.reconfigure(errors="surrogateescape")
doc = json.load(open(sys.argv[1], encoding="utf-8", errors="surrogateescape"))
if doc["common"] is None:
    print("common: none")
else:
    for field in ("computerName", "userName", "registeredOwner", "registeredOrganization", "osDescription"):
        print(f"common.{field}: [{doc['common'][field]}]")
print(f"software: {len(doc['software'])} records")
for i, program in enumerate(doc["software"]):
    print(f"software[{i}]: [{program['displayName']}]")
for family in ("drives", "devices"):
    kept = [r for r in doc[family] if r["type"] not in ("Net", "Printer")]
    for i, r in enumerate(kept):
        print(f"{family}[{i}]: [{r['type']}] [{r['description']}]")
    print(f"{family}: {len(kept)} records compared")
PYTHON
        then
            echo "FAIL: the $side document could not be read:"
            head -c 2000 "$1/$side.json"
            return 1
        fi
    done
    diff -u --label "Windows (Wine)" --label "$2" "$1/wine.txt" "$1/native.txt"
}

compare_with_native() {
    if ! timeout 300 "$native_hsinfo" --machine "$2" --json $registry_families >"$1/native.json" 2>"$1/native.err"; then
        echo "FAIL: native hsinfo failed on $2:"
        cat "$1/native.err"
        return 1
    fi
    compare_registry_facts "$1" "$3"
}
