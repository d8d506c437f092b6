// The inventory time: given on the command line, or the current local time.
#include <cstdio>
#include <ctime>

#include "glpi_output.h"

namespace hsinfo {

namespace {

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

bool ParseTime(const std::string &text, InventoryTime &t) {
    char separator = 0;
    int consumed = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d%c%2d:%2d:%2d%n", &t.year, &t.month, &t.day, &separator, &t.hour,
                    &t.minute, &t.second, &consumed) != 7) {
        return false;
    }
    // Exactly 19 characters: sscanf alone would take "2024-1-5 ..." or a tail.
    if (consumed != 19 || text.size() != 19 || text[4] != '-' || text[7] != '-') return false;
    if (separator != ' ' && separator != 'T') return false;
    for (size_t i : {0, 1, 2, 3, 5, 6, 8, 9, 11, 12, 14, 15, 17, 18}) {
        if (text[i] < '0' || text[i] > '9') return false;
    }
    return t.month >= 1 && t.month <= 12 && t.day >= 1 && t.day <= DaysInMonth(t.year, t.month) && t.hour <= 23 &&
           t.minute <= 59 && t.second <= 59;
}

}  // namespace

bool ResolveInventoryTime(const std::string &text, InventoryTime &time, std::string &error) {
    if (text.empty()) {
        const std::time_t now = std::time(nullptr);
        const std::tm *local = std::localtime(&now);
        if (local == nullptr) {
            error = "the local time is not known; give it with --time";
            return false;
        }
        time = {local->tm_year + 1900, local->tm_mon + 1, local->tm_mday,
                local->tm_hour,        local->tm_min,     local->tm_sec};
        return true;
    }
    if (!ParseTime(text, time)) {
        error = "--time wants \"YYYY-MM-DD HH:MM:SS\", not \"" + text + "\"";
        return false;
    }
    return true;
}

}  // namespace hsinfo
