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

static int CreateVolatileKey(const char *path)
{
    char prefix[1024];
    size_t length = strlen(path);
    if (length == 0 || length >= sizeof prefix)
        return 0;
    /* Every prefix that ends before a backslash, then the whole path. */
    for (size_t end = 1; end <= length; ++end) {
        if (end < length && path[end] != '\\')
            continue;
        memcpy(prefix, path, end);
        prefix[end] = '\0';
        HKEY key;
        LONG result = RegCreateKeyExA(HKEY_LOCAL_MACHINE, prefix, 0, NULL, REG_OPTION_VOLATILE, KEY_READ, NULL,
                                      &key, NULL);
        if (result != ERROR_SUCCESS) {
            printf("volatile_keys: creating HKEY_LOCAL_MACHINE\\%s failed with %ld\n", prefix, result);
            return 0;
        }
        RegCloseKey(key);
    }
    return 1;
}

int main(int argc, char **argv)
{
    if (argc != 2) {
        printf("usage: volatile_keys.exe LIST-FILE\n");
        return 2;
    }
    FILE *list = fopen(argv[1], "r");
    if (list == NULL) {
        printf("volatile_keys: cannot open %s\n", argv[1]);
        return 1;
    }
    char line[1024];
    int ok = 1;
    int count = 0;
    while (fgets(line, sizeof line, list) != NULL) {
        line[strcspn(line, "\r\n")] = '\0';
        if (line[0] == '\0')
            continue;
        ok = CreateVolatileKey(line) && ok;
        ++count;
    }
    fclose(list);
    printf("volatile_keys: %d keys\n", count);
    return ok ? 0 : 1;
}
