/* Creates registry keys under HKEY_LOCAL_MACHINE as volatile keys, with their
 * missing parents, so that regedit can then import values into them.
 * Windows keeps HKEY_LOCAL_MACHINE\HARDWARE volatile (the system builds it at
 * every start) and refuses a lasting key below a volatile one, so an import
 * of HARDWARE\DEVICEMAP keys fails unless the keys exist already.
 *
 *   volatile_keys.exe LIST-FILE
 *
 * LIST-FILE holds one key path below HKEY_LOCAL_MACHINE per line (ASCII).
 * Exit code 0 when every key exists afterwards, 1 otherwise. */
#include <windows.h>
#include <stdio.h>
#include <string.h>

int main(int argc, char **argv)
{
    char line[1024];
    int ok = 1, count = 0;
    FILE *list = argc == 2 ? fopen(argv[1], "r") : NULL;
    if (list == NULL) {
        printf("usage: volatile_keys.exe LIST-FILE (a readable file)\n");
        return 2;
    }
    while (fgets(line, sizeof line, list) != NULL) {
        const size_t length = strcspn(line, "\r\n");
        line[length] = '\0';
        /* Every prefix that ends before a backslash, then the whole path. */
        for (size_t end = 1; end <= length; ++end) {
            HKEY key;
            LONG result;
            char saved = line[end];
            if (end < length && saved != '\\')
                continue;
            line[end] = '\0';
            result = RegCreateKeyExA(HKEY_LOCAL_MACHINE, line, 0, NULL, REG_OPTION_VOLATILE, KEY_READ, NULL, &key, NULL);
            if (result != ERROR_SUCCESS) {
                printf("volatile_keys: creating HKEY_LOCAL_MACHINE\\%s failed with %ld\n", line, result);
                ok = 0;
            } else {
                RegCloseKey(key);
            }
            line[end] = saved;
        }
        count += length > 0;
    }
    fclose(list);
    printf("volatile_keys: %d keys\n", count);
    return ok ? 0 : 1;
}
