# Sourced by the Wine tests that compare the DLL under Wine with the native
# library: reduces WORK/wine.json and WORK/native.json (hsinfo --json) to the
# facts that come from the registry alone (registry-families.cmake) and
# compares them.
#
#   here=THIS-FOLDER; . "$here/registry-facts.sh"
#   compare_registry_facts WORK NATIVE-LABEL    # 0 when equal, diff printed otherwise

compare_registry_facts() {
    facts_work=$1
    for side in wine native; do
        if ! cmake -DIN="$facts_work/$side.json" -DOUT="$facts_work/$side.txt" \
                -P "$here/registry-families.cmake"; then
            echo "FAIL: the $side document could not be read:"
            head -c 2000 "$facts_work/$side.json"
            return 1
        fi
    done
    diff -u --label "Windows (Wine)" --label "$2" "$facts_work/wine.txt" "$facts_work/native.txt"
}
